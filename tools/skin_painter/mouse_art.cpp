#include "mouse_art.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include "theme.h"

namespace zel::skin::painter {

namespace {

using namespace palette;

enum Part { kLeft, kRight, kWheel, kSideFront, kSideRear, kDpi, kEmblem };

QRectF BodyBounds(const QRectF& diagram) {
    const qreal side = diagram.width() * 0.075;
    return diagram.adjusted(side, 2, -side, -2);
}

QPainterPath BodyPath(const QRectF& b) {
    const qreal l = b.left();
    const qreal t = b.top();
    const qreal w = b.width();
    const qreal h = b.height();
    const qreal cx = b.center().x();
    auto X = [&](qreal u) { return l + u * w; };
    auto Y = [&](qreal v) { return t + v * h; };
    QPainterPath path;
    path.moveTo(cx, t);
    path.cubicTo(X(0.22), Y(0.0), X(0.0), Y(0.1), X(0.02), Y(0.32));
    path.cubicTo(X(0.04), Y(0.46), X(-0.02), Y(0.55), X(0.03), Y(0.72));
    path.cubicTo(X(0.07), Y(0.93), X(0.26), Y(1.0), cx, Y(1.0));
    path.cubicTo(X(0.74), Y(1.0), X(0.93), Y(0.93), X(0.97), Y(0.72));
    path.cubicTo(X(1.02), Y(0.55), X(0.96), Y(0.46), X(0.98), Y(0.32));
    path.cubicTo(X(1.0), Y(0.1), X(0.78), Y(0.0), cx, t);
    path.closeSubpath();
    return path;
}

QPainterPath Rounded(const QRectF& rect, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

QPainterPath EmblemPath(const QRectF& area) {
    // Two chevrons pointing forward, the brand's mark.
    QPainterPath path;
    const qreal w = area.width();
    const qreal h = area.height();
    const QPointF c = area.center();
    for (int i = 0; i < 2; ++i) {
        const qreal y = c.y() - h * 0.3 + i * h * 0.32;
        path.moveTo(c.x() - w * 0.42, y + h * 0.28);
        path.lineTo(c.x(), y);
        path.lineTo(c.x() + w * 0.42, y + h * 0.28);
        path.lineTo(c.x() + w * 0.42, y + h * 0.42);
        path.lineTo(c.x(), y + h * 0.14);
        path.lineTo(c.x() - w * 0.42, y + h * 0.42);
        path.closeSubpath();
    }
    return path;
}

QPainterPath PartPath(const MouseGeometry& mouse, const QPainterPath& body, int part) {
    const QRectF area = mouse.parts[static_cast<std::size_t>(part)];
    switch (part) {
        case kLeft:
        case kRight:
            return body.intersected(Rounded(area.adjusted(1, 1, -1, -1), 5));
        case kWheel:
            return Rounded(area.adjusted(0.5, 0.5, -0.5, -0.5), area.width() / 2.2);
        case kSideFront:
        case kSideRear:
            return Rounded(area.adjusted(0.5, 0.5, -0.5, -0.5), 3);
        case kDpi:
            return Rounded(area.adjusted(1, 1, -1, -1), 3);
        default:
            return EmblemPath(area);
    }
}

void LitFill(QPainter& painter, const QPainterPath& path, const QColor& color) {
    DrawGlow(painter, path, color, 5);
    const QRectF box = path.boundingRect();
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0, color.lighter(150));
    fill.setColorAt(1, color);
    painter.fillPath(path, fill);
    painter.strokePath(path, QPen(QColor(220, 255, 255), 1));
}

}  // namespace

void DrawMouse(QPainter& painter, const MouseGeometry& mouse, const MouseStyle& style) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = BodyBounds(mouse.diagram);
    const QPainterPath body = BodyPath(bounds);
    const bool ledOn = style.light == MouseLight::kLed && style.led.isValid();
    const QColor unlitLed(58, 66, 74);

    if (ledOn) {  // light spilling on the desk under the mouse
        QPainterPath spill;
        spill.addEllipse(bounds.adjusted(-bounds.width() * 0.12, bounds.height() * 0.02,
                                         bounds.width() * 0.12, bounds.height() * 0.06));
        DrawGlow(painter, spill, WithAlpha(style.led, 150), 16);
    } else {
        QPainterPath shadow;
        shadow.addEllipse(bounds.adjusted(-4, 6, 4, 8));
        painter.fillPath(shadow, QColor(0, 0, 0, 90));
    }

    // Side buttons sit under the body's edge.
    for (int part : {kSideFront, kSideRear}) {
        const QPainterPath path = PartPath(mouse, body, part);
        if (style.light == MouseLight::kPartsLit && style.partLit[part]) {
            LitFill(painter, path, kTeal);
        } else {
            painter.fillPath(path, QColor(38, 50, 60));
            painter.strokePath(path, QPen(QColor(70, 88, 100), 1));
        }
    }

    QLinearGradient shell(bounds.topLeft(), bounds.bottomRight());
    shell.setColorAt(0, QColor(40, 52, 62));
    shell.setColorAt(0.55, QColor(22, 30, 37));
    shell.setColorAt(1, QColor(12, 17, 21));
    painter.fillPath(body, shell);
    // Rim: LED strip along the edge, or a cool edge highlight.
    if (style.light == MouseLight::kLed) {
        const QColor rim = ledOn ? style.led : unlitLed;
        if (ledOn) {
            DrawGlow(painter, body, WithAlpha(rim, 110), 4);
            painter.fillPath(body, shell);
        }
        painter.strokePath(body, QPen(ledOn ? rim.lighter(130) : rim, 2.2));
    } else {
        painter.strokePath(body, QPen(QColor(74, 94, 108), 1.3));
        painter.strokePath(body.translated(0, 1), QPen(WithAlpha(kTeal, 70), 1));
    }

    for (int part : {kLeft, kRight, kDpi}) {
        const QPainterPath path = PartPath(mouse, body, part);
        if (style.light == MouseLight::kPartsLit && style.partLit[part]) {
            LitFill(painter, path, kTeal);
            continue;
        }
        QLinearGradient fill(path.boundingRect().topLeft(), path.boundingRect().bottomLeft());
        fill.setColorAt(0, QColor(46, 60, 72));
        fill.setColorAt(1, QColor(28, 37, 45));
        painter.fillPath(path, fill);
        painter.strokePath(path, QPen(QColor(84, 104, 118), 1));
    }

    // Wheel with ridges.
    {
        const QPainterPath path = PartPath(mouse, body, kWheel);
        const QRectF area = mouse.parts[kWheel];
        bool lit = style.light == MouseLight::kPartsLit && style.partLit[kWheel];
        if (lit) {
            LitFill(painter, path, kTeal);
        } else {
            const QColor wheel = style.light == MouseLight::kLed ? (ledOn ? style.led : unlitLed)
                                                                 : QColor(10, 14, 17);
            if (ledOn) {
                DrawGlow(painter, path, style.led, 4);
            }
            painter.fillPath(path, wheel);
            painter.strokePath(path, QPen(QColor(90, 110, 124), 1));
        }
        painter.save();
        painter.setClipPath(path);
        for (qreal y = area.top() + 3; y < area.bottom() - 2; y += 3.5) {
            painter.fillRect(QRectF(area.left(), y, area.width(), 1), QColor(0, 0, 0, 90));
        }
        painter.restore();
    }

    // Emblem on the palm.
    {
        const QPainterPath path = PartPath(mouse, body, kEmblem);
        if (style.light == MouseLight::kPartsLit && style.partLit[kEmblem]) {
            LitFill(painter, path, kCyan);
        } else if (style.light == MouseLight::kLed) {
            if (ledOn) {
                DrawGlow(painter, path, style.led, 5);
            }
            painter.fillPath(path, ledOn ? style.led.lighter(120) : unlitLed);
        } else {
            painter.fillPath(path, QColor(52, 78, 92));
        }
    }
    painter.restore();
}

}  // namespace zel::skin::painter
