#include "looks.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

#include "theme.h"

namespace zel::skin::painter {

namespace {

using namespace palette;

QLinearGradient Vertical(const QRectF& rect, const QColor& top, const QColor& bottom) {
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    return gradient;
}

QLinearGradient Horizontal(const QRectF& rect, const QColor& left, const QColor& right) {
    QLinearGradient gradient(rect.topLeft(), rect.topRight());
    gradient.setColorAt(0, left);
    gradient.setColorAt(1, right);
    return gradient;
}

// Half-pixel inset so one-pixel strokes land on whole pixels.
QRectF Crisp(const QRectF& rect) {
    return rect.adjusted(0.5, 0.5, -0.5, -0.5);
}

void Stroke(QPainter& painter, const QPainterPath& path, const QColor& color, qreal width = 1) {
    painter.strokePath(path, QPen(color, width));
}

void BevelButton(QPainter& painter, const QRectF& rect, ButtonState state, bool primary) {
    const QRectF box = Crisp(rect);
    const QPainterPath path = BevelPath(box, std::min(7.0, box.height() / 3));
    switch (state) {
        case ButtonState::kNormal:
            if (primary) {
                painter.fillPath(path, Vertical(box, QColor(0, 128, 160), QColor(0, 84, 110)));
                Stroke(painter, path, QColor(0, 190, 220));
            } else {
                painter.fillPath(path, Vertical(box, QColor(28, 40, 50), QColor(18, 26, 33)));
                Stroke(painter, path, kControlEdge);
            }
            break;
        case ButtonState::kOver:
            if (primary) {
                painter.fillPath(path, Vertical(box, QColor(0, 165, 200), QColor(0, 118, 150)));
            } else {
                painter.fillPath(path, Vertical(box, QColor(0, 92, 124), QColor(0, 56, 78)));
            }
            Stroke(painter, path, kCyan);
            painter.fillRect(QRectF(box.left() + 8, box.bottom() - 1.5, box.width() - 16, 1.5),
                             WithAlpha(kGlow, 170));
            break;
        case ButtonState::kDown:
            painter.fillPath(path, Vertical(box, QColor(0, 44, 62), QColor(0, 96, 126)));
            Stroke(painter, path, kGlow, 1.4);
            break;
    }
}

// The warning window writes its captions in red, so its buttons stay dark in every state and
// show the state by their edge.
void WarningButton(QPainter& painter, const QRectF& rect, ButtonState state) {
    const QRectF box = Crisp(rect);
    const QPainterPath path = BevelPath(box, 7);
    switch (state) {
        case ButtonState::kNormal:
            painter.fillPath(path, Vertical(box, QColor(26, 34, 42), QColor(16, 22, 28)));
            Stroke(painter, path, kControlEdge);
            break;
        case ButtonState::kOver:
        case ButtonState::kDown:
            painter.fillPath(path, Vertical(box, QColor(34, 14, 18), QColor(20, 8, 12)));
            DrawGlow(painter, path, WithAlpha(kAmber, 60), 4);
            painter.fillPath(path, Vertical(box, QColor(34, 14, 18), QColor(20, 8, 12)));
            Stroke(painter, path, kAmber, 1.4);
            painter.fillRect(QRectF(box.left() + 10, box.bottom() - 2, box.width() - 20, 1.5),
                             kAmber);
            break;
    }
}

void RecordButton(QPainter& painter, const QRectF& rect, ButtonState state) {
    const QRectF box = Crisp(rect);
    const QPainterPath path = BevelPath(box, 9);
    const QPointF dot(box.left() + 18, box.center().y());
    switch (state) {
        case ButtonState::kNormal:
            painter.fillPath(path, Vertical(box, QColor(40, 24, 30), QColor(24, 16, 20)));
            Stroke(painter, path, QColor(120, 40, 56));
            painter.setBrush(QColor(170, 36, 52));
            painter.setPen(Qt::NoPen);
            painter.drawEllipse(dot, 5, 5);
            break;
        case ButtonState::kOver:
            painter.fillPath(path, Vertical(box, QColor(80, 24, 36), QColor(48, 16, 24)));
            Stroke(painter, path, QColor(255, 80, 100));
            painter.setBrush(QColor(255, 60, 80));
            painter.setPen(Qt::NoPen);
            painter.drawEllipse(dot, 6, 6);
            break;
        case ButtonState::kDown: {  // recording: lit, pulsing red
            painter.fillPath(path, Vertical(box, QColor(150, 20, 40), QColor(90, 10, 24)));
            Stroke(painter, path, QColor(255, 120, 130), 1.4);
            QPainterPath mark;
            mark.addEllipse(dot, 6, 6);
            DrawGlow(painter, mark, QColor(255, 40, 60), 6);
            painter.setBrush(QColor(255, 235, 235));
            painter.setPen(Qt::NoPen);
            painter.drawRect(QRectF(dot.x() - 5, dot.y() - 5, 10, 10));
            break;
        }
    }
}

void Tab(QPainter& painter, const QRectF& rect, ButtonState state) {
    const QRectF box = Crisp(rect);
    QPainterPath shape;
    shape.moveTo(box.left() + 10, box.top());
    shape.lineTo(box.right() - 10, box.top());
    shape.lineTo(box.right(), box.bottom());
    shape.lineTo(box.left(), box.bottom());
    shape.closeSubpath();
    const QRectF baseline(box.left() + 6, box.bottom() - 2, box.width() - 12, 2);
    switch (state) {
        case ButtonState::kNormal:
            painter.fillPath(shape, Vertical(box, QColor(18, 26, 33, 0), QColor(24, 34, 43)));
            painter.fillRect(baseline, kControlEdge);
            break;
        case ButtonState::kOver:
            painter.fillPath(shape, Vertical(box, WithAlpha(kTeal, 20), WithAlpha(kTeal, 110)));
            painter.fillRect(baseline, kCyan);
            break;
        case ButtonState::kDown: {
            painter.fillPath(shape, Vertical(box, WithAlpha(kTeal, 60), QColor(0, 112, 142)));
            Stroke(painter, shape, WithAlpha(kCyan, 150));
            const QRectF bar(box.left() + 2, box.bottom() - 3, box.width() - 4, 3);
            QPainterPath barPath;
            barPath.addRect(bar);
            DrawGlow(painter, barPath, kGlow, 5);
            painter.fillRect(bar, kGlow);
            break;
        }
    }
}

void Profile(QPainter& painter, const QRectF& rect, ButtonState state) {
    const QRectF box = Crisp(rect);
    const QPainterPath path = BevelPath(box, 8);
    const QRectF stripe(box.left() + 1, box.top() + 6, 3, box.height() - 12);
    switch (state) {
        case ButtonState::kNormal:
            painter.fillPath(path, Vertical(box, QColor(22, 31, 39), QColor(16, 23, 29)));
            Stroke(painter, path, kPanelEdge);
            painter.fillRect(stripe, kControlEdge);
            break;
        case ButtonState::kOver:
            painter.fillPath(path, Vertical(box, QColor(0, 62, 82), QColor(0, 40, 54)));
            Stroke(painter, path, kCyan);
            painter.fillRect(stripe, kCyan);
            break;
        case ButtonState::kDown:
            painter.fillPath(path, Horizontal(box, QColor(0, 120, 153), QColor(0, 50, 66)));
            Stroke(painter, path, QColor(0, 200, 230));
            painter.fillRect(stripe, kGlow);
            painter.fillRect(QRectF(box.right() - 12, box.center().y() - 2, 4, 4), kGlow);
            break;
    }
}

void FileIcon(QPainter& painter, const QRectF& area, Look look, const QColor& color) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(color, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QPointF c = area.center();
    if (look == Look::Reset) {
        painter.drawArc(QRectF(c.x() - 6, c.y() - 6, 12, 12), 60 * 16, 290 * 16);
        painter.drawLine(QPointF(c.x() + 3, c.y() - 6.5), QPointF(c.x() + 6.5, c.y() - 8));
        painter.drawLine(QPointF(c.x() + 3, c.y() - 6.5), QPointF(c.x() + 4.5, c.y() - 3));
    } else {
        // A tray with an arrow going in (import) or out (export).
        painter.drawPolyline(
            QPolygonF({QPointF(c.x() - 7, c.y() + 1), QPointF(c.x() - 7, c.y() + 7),
                       QPointF(c.x() + 7, c.y() + 7), QPointF(c.x() + 7, c.y() + 1)}));
        const bool in = look == Look::Import;
        const qreal tip = in ? c.y() + 3 : c.y() - 8;
        const qreal tail = in ? c.y() - 8 : c.y() + 3;
        const qreal wing = in ? -4 : 4;
        painter.drawLine(QPointF(c.x(), tail), QPointF(c.x(), tip));
        painter.drawLine(QPointF(c.x(), tip), QPointF(c.x() - 4, tip + wing));
        painter.drawLine(QPointF(c.x(), tip), QPointF(c.x() + 4, tip + wing));
    }
    painter.restore();
}

void FileAction(QPainter& painter, const QRectF& rect, Look look, ButtonState state) {
    const QRectF box = Crisp(rect);
    const QPainterPath path = BevelPath(box, 6);
    const QRectF icon(box.left() + 4, box.top(), 22, box.height());
    switch (state) {
        case ButtonState::kNormal:
            painter.fillPath(path, QColor(17, 25, 32));
            Stroke(painter, path, QColor(36, 52, 64));
            FileIcon(painter, icon, look, kMuted);
            break;
        case ButtonState::kOver:
            painter.fillPath(path, Vertical(box, QColor(0, 70, 94), QColor(0, 44, 60)));
            Stroke(painter, path, kCyan);
            FileIcon(painter, icon, look, kGlow);
            break;
        case ButtonState::kDown:
            painter.fillPath(path, Vertical(box, QColor(0, 40, 56), QColor(0, 90, 118)));
            Stroke(painter, path, kGlow, 1.4);
            FileIcon(painter, icon, look, Qt::white);
            break;
    }
}

void Chip(QPainter& painter, const QRectF& rect, ButtonState state) {
    const QRectF box = Crisp(rect);
    QPainterPath path;
    path.addRoundedRect(box, box.height() / 2, box.height() / 2);
    switch (state) {
        case ButtonState::kNormal:
            painter.fillPath(path, QColor(16, 24, 31));
            Stroke(painter, path, kControlEdge);
            break;
        case ButtonState::kOver:
            painter.fillPath(path, QColor(0, 60, 80));
            Stroke(painter, path, kCyan);
            break;
        case ButtonState::kDown:
            painter.fillPath(path, Vertical(box, QColor(0, 140, 175), QColor(0, 96, 124)));
            Stroke(painter, path, kGlow);
            break;
    }
}

void WindowButton(QPainter& painter, const QRectF& rect, bool close, ButtonState state) {
    const QRectF box = Crisp(rect);
    const QPainterPath path = BevelPath(box, 6);
    QColor glyph = kMuted;
    if (state == ButtonState::kOver) {
        painter.fillPath(path, close ? QColor(196, 32, 56) : QColor(0, 96, 126));
        glyph = Qt::white;
    } else if (state == ButtonState::kDown) {
        painter.fillPath(path, close ? QColor(130, 18, 36) : QColor(0, 60, 80));
        Stroke(painter, path, close ? QColor(255, 110, 120) : kGlow);
        glyph = Qt::white;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(glyph, 1.8, Qt::SolidLine, Qt::RoundCap));
    const QPointF c = box.center();
    if (close) {
        painter.drawLine(QPointF(c.x() - 5, c.y() - 5), QPointF(c.x() + 5, c.y() + 5));
        painter.drawLine(QPointF(c.x() - 5, c.y() + 5), QPointF(c.x() + 5, c.y() - 5));
    } else {
        painter.drawLine(QPointF(c.x() - 6, c.y() + 4), QPointF(c.x() + 6, c.y() + 4));
    }
    painter.restore();
}

void Logo(QPainter& painter, const QRectF& rect, ButtonState state) {
    const QFont font = BrandFont(static_cast<int>(rect.height() * 0.62));
    QPainterPath text;
    const QFontMetricsF metrics(font);
    const QString brand = QStringLiteral("KV270");
    const qreal width = metrics.horizontalAdvance(brand);
    const QPointF origin(rect.left() + 26, rect.center().y() + metrics.capHeight() / 2);
    text.addText(origin, font, brand);
    // The emblem: two stacked chevrons.
    QPainterPath emblem;
    const qreal ex = rect.left() + 4;
    const qreal ey = rect.center().y();
    for (int i = 0; i < 2; ++i) {
        const qreal x = ex + i * 7;
        emblem.moveTo(x, ey - 8);
        emblem.lineTo(x + 7, ey);
        emblem.lineTo(x, ey + 8);
        emblem.lineTo(x + 4, ey + 8);
        emblem.lineTo(x + 11, ey);
        emblem.lineTo(x + 4, ey - 8);
        emblem.closeSubpath();
    }
    (void)width;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (state == ButtonState::kNormal) {
        painter.fillPath(emblem, kTeal);
        painter.fillPath(text, kInk);
    } else {
        DrawGlow(painter, emblem, kGlow, 6);
        DrawGlow(painter, text, WithAlpha(kCyan, 140), 5);
        painter.fillPath(emblem, kGlow);
        painter.fillPath(text, Qt::white);
    }
    painter.restore();
}

void Field(QPainter& painter, const QRectF& rect, ButtonState state) {
    const QRectF box = Crisp(rect);
    const QPainterPath path = BevelPath(box, 6);
    QColor chevron = kMuted;
    switch (state) {
        case ButtonState::kNormal:
            painter.fillPath(path, Vertical(box, QColor(9, 14, 18), QColor(14, 21, 27)));
            Stroke(painter, path, kControlEdge);
            break;
        case ButtonState::kOver:
            painter.fillPath(path, Vertical(box, QColor(6, 30, 40), QColor(0, 48, 64)));
            Stroke(painter, path, kCyan);
            chevron = kGlow;
            break;
        case ButtonState::kDown:
            painter.fillPath(path, Vertical(box, QColor(0, 70, 92), QColor(0, 40, 54)));
            Stroke(painter, path, kGlow, 1.4);
            chevron = Qt::white;
            break;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF c(box.right() - 13, box.center().y());
    painter.fillRect(QRectF(box.right() - 26, box.top() + 6, 1, box.height() - 12),
                     WithAlpha(kControlEdge, 200));
    QPainterPath arrow;
    arrow.moveTo(c.x() - 4.5, c.y() - 2);
    arrow.lineTo(c.x() + 4.5, c.y() - 2);
    arrow.lineTo(c.x(), c.y() + 3);
    arrow.closeSubpath();
    painter.fillPath(arrow, chevron);
    painter.restore();
}

void Checkbox(QPainter& painter, const QRectF& rect, ButtonState state) {
    const QRectF box = Crisp(QRectF(rect.center() - QPointF(8, 8), QSizeF(16, 16)));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    switch (state) {
        case ButtonState::kNormal:
            painter.fillRect(box, QColor(9, 14, 18));
            painter.setPen(QColor(58, 80, 96));
            painter.drawRect(box);
            break;
        case ButtonState::kOver:
            painter.fillRect(box, QColor(0, 40, 54));
            painter.setPen(kCyan);
            painter.drawRect(box);
            break;
        case ButtonState::kDown: {
            QPainterPath square;
            square.addRect(box);
            DrawGlow(painter, square, WithAlpha(kTeal, 200), 4);
            painter.fillRect(box, Vertical(box, QColor(0, 190, 220), QColor(0, 120, 153)));
            painter.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.drawPolyline(
                QPolygonF({box.center() + QPointF(-4.5, 0), box.center() + QPointF(-1.5, 3.5),
                           box.center() + QPointF(4.5, -3.5)}));
            break;
        }
    }
    painter.restore();
}

QColor LevelTint(int level) {
    // The pure level colours are dark on screen; the marks use a lighter tint of the same hue.
    const QColor base = kLevel[level & 3];
    return QColor::fromHsv(base.hsvHue(), 170, 255);
}

void LevelMark(QPainter& painter, const QRectF& rect, int level, ButtonState state) {
    const QColor tint = LevelTint(level);
    const QPointF c = rect.center();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    switch (state) {
        case ButtonState::kNormal:
            painter.setBrush(QColor(9, 14, 18));
            painter.setPen(QPen(WithAlpha(tint, 150), 2));
            painter.drawEllipse(c, 8, 8);
            break;
        case ButtonState::kOver:
            painter.setBrush(WithAlpha(tint, 60));
            painter.setPen(QPen(tint, 2));
            painter.drawEllipse(c, 8.5, 8.5);
            break;
        case ButtonState::kDown: {
            QPainterPath dot;
            dot.addEllipse(c, 8, 8);
            DrawGlow(painter, dot, tint, 5);
            painter.setBrush(tint);
            painter.setPen(QPen(Qt::white, 1.5));
            painter.drawEllipse(c, 8.5, 8.5);
            painter.setBrush(Qt::white);
            painter.setPen(Qt::NoPen);
            painter.drawEllipse(c, 3, 3);
            break;
        }
    }
    painter.restore();
}

void Segment(QPainter& painter, const QRectF& rect, ButtonState state) {
    // The program fills the inside (one pixel in from the left, top and right) with the level
    // colour; the frame around that stays visible.
    const QRectF box = Crisp(rect);
    switch (state) {
        case ButtonState::kNormal:
            painter.fillRect(rect, Vertical(rect, QColor(19, 28, 35), QColor(13, 19, 24)));
            painter.setPen(QColor(36, 52, 64));
            painter.drawRect(box);
            painter.fillRect(QRectF(rect.left() + 3, rect.top() + 3, rect.width() - 6, 1),
                             QColor(28, 40, 50));
            break;
        case ButtonState::kOver:
            painter.fillRect(rect, Vertical(rect, QColor(0, 60, 80), QColor(0, 36, 48)));
            painter.setPen(kCyan);
            painter.drawRect(box);
            break;
        case ButtonState::kDown:
            painter.fillRect(rect, Vertical(rect, QColor(0, 110, 140), QColor(0, 70, 92)));
            painter.setPen(kGlow);
            painter.drawRect(box);
            break;
    }
}

void StepCell(QPainter& painter, const QRectF& rect, int step, ButtonState state) {
    const QRectF box = Crisp(rect);
    const qreal ramp = (step + 1) / 10.0;
    const QRectF bar(rect.left() + 2, rect.bottom() - 4, rect.width() - 4, 2);
    switch (state) {
        case ButtonState::kNormal:
            painter.fillRect(rect, Vertical(rect, QColor(20, 29, 37), QColor(14, 20, 26)));
            painter.setPen(QColor(38, 54, 66));
            painter.drawRect(box);
            painter.fillRect(
                bar, QColor::fromRgbF(0, 0.25 + 0.45 * ramp, 0.3 + 0.5 * ramp, 0.35 + 0.5 * ramp));
            break;
        case ButtonState::kOver:
            painter.fillRect(rect, Vertical(rect, QColor(0, 64, 86), QColor(0, 40, 54)));
            painter.setPen(kCyan);
            painter.drawRect(box);
            painter.fillRect(bar, kCyan);
            break;
        case ButtonState::kDown:
            painter.fillRect(rect, Vertical(rect, QColor(0, 150, 185), QColor(0, 100, 130)));
            painter.setPen(kGlow);
            painter.drawRect(box);
            painter.fillRect(bar, Qt::white);
            break;
    }
}

void Toggle(QPainter& painter, const QRectF& rect, ButtonState state) {
    const QRectF box = Crisp(rect);
    const QPainterPath path = BevelPath(box, 6);
    const QPointF light(box.left() + 13, box.center().y());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    switch (state) {
        case ButtonState::kNormal:
            painter.fillPath(path, Vertical(box, QColor(24, 34, 43), QColor(17, 24, 31)));
            Stroke(painter, path, kControlEdge);
            painter.setBrush(QColor(9, 14, 18));
            painter.setPen(QPen(QColor(70, 92, 106), 1.5));
            painter.drawEllipse(light, 4.5, 4.5);
            break;
        case ButtonState::kOver:
            painter.fillPath(path, Vertical(box, QColor(0, 66, 88), QColor(0, 42, 58)));
            Stroke(painter, path, kCyan);
            painter.setBrush(QColor(0, 60, 80));
            painter.setPen(QPen(kCyan, 1.5));
            painter.drawEllipse(light, 4.5, 4.5);
            break;
        case ButtonState::kDown: {
            painter.fillPath(path, Horizontal(box, QColor(0, 120, 153), QColor(0, 62, 82)));
            Stroke(painter, path, QColor(0, 200, 230));
            QPainterPath lamp;
            lamp.addEllipse(light, 4.5, 4.5);
            DrawGlow(painter, lamp, kGlow, 5);
            painter.setBrush(QColor(210, 255, 255));
            painter.setPen(QPen(kGlow, 1.5));
            painter.drawEllipse(light, 4.5, 4.5);
            break;
        }
    }
    painter.restore();
}

void Slider(QPainter& painter, const QRectF& rect, ButtonState state) {
    const QRectF box = Crisp(rect);
    switch (state) {
        case ButtonState::kNormal: {
            painter.fillRect(rect, QColor(8, 12, 16));
            painter.setPen(kControlEdge);
            painter.drawRect(box);
            for (int i = 1; i < 10; ++i) {
                const qreal x = std::round(rect.left() + rect.width() * i / 10.0);
                painter.fillRect(QRectF(x, rect.top() + 4, 1, rect.height() - 8),
                                 QColor(34, 48, 60));
            }
            break;
        }
        case ButtonState::kOver:
            painter.setPen(kCyan);
            painter.drawRect(box);
            break;
        case ButtonState::kDown: {
            // The filled track: the menus' blue-to-cyan gradient, left to right.
            painter.fillRect(rect, Horizontal(rect, QColor(0, 0, 255), QColor(0, 255, 255)));
            painter.fillRect(QRectF(rect.left(), rect.top(), rect.width(), rect.height() / 2.0),
                             QColor(255, 255, 255, 40));
            painter.setPen(QColor(0, 255, 255, 200));
            painter.drawRect(box);
            break;
        }
    }
}

void Display(QPainter& painter, const QRectF& rect) {
    const QRectF box = Crisp(rect);
    const QPainterPath path = BevelPath(box, 5);
    painter.fillPath(path, QColor(5, 9, 12));
    Stroke(painter, path, WithAlpha(kTeal, 200));
    painter.fillRect(QRectF(box.left() + 6, box.top() + 2, box.width() - 12, 1),
                     WithAlpha(kCyan, 60));
}

void LedIcon(QPainter& painter, const QRectF& area, int mode, bool lit) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF c = area.center();
    switch (mode) {
        case 0:
        case 1: {  // the four level colours in a row; the fast cycle adds speed lines
            const qreal spacing = mode == 0 ? 6.5 : 5.5;
            const qreal first = c.x() - spacing * 1.5 + (mode == 1 ? 3 : 0);
            for (int i = 0; i < 4; ++i) {
                const QColor tint = LevelTint(i);
                painter.setPen(Qt::NoPen);
                painter.setBrush(lit ? tint : WithAlpha(tint, 150));
                painter.drawEllipse(QPointF(first + spacing * i, c.y()), 2.6, 2.6);
            }
            if (mode == 1) {
                painter.setPen(QPen(lit ? Qt::white : kMuted, 1.2, Qt::SolidLine, Qt::RoundCap));
                for (int i = -1; i <= 1; ++i) {
                    const qreal x = first - 5 - std::abs(i) * 2;
                    painter.drawLine(QPointF(x - 5, c.y() + i * 4), QPointF(x, c.y() + i * 4));
                }
            } else {
                painter.setPen(QPen(lit ? Qt::white : kMuted, 1.2));
                painter.setBrush(Qt::NoBrush);
                painter.drawRoundedRect(QRectF(first - 5, c.y() - 6, spacing * 3 + 10, 12), 6, 6);
            }
            break;
        }
        case 2: {  // one steady light
            const QColor tint = LevelTint(0);
            QPainterPath dot;
            dot.addEllipse(c, 5.5, 5.5);
            if (lit) {
                DrawGlow(painter, dot, tint, 5);
            }
            painter.fillPath(dot, lit ? tint : WithAlpha(tint, 170));
            painter.setPen(QPen(lit ? Qt::white : kMuted, 1.2));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(c, 9, 9);
            break;
        }
        default:  // off: a dark ring with a slash
            painter.setPen(QPen(lit ? Qt::white : kMuted, 1.5));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(c, 7, 7);
            painter.drawLine(c + QPointF(-5, 5), c + QPointF(5, -5));
            break;
    }
    painter.restore();
}

void LedMode(QPainter& painter, const QRectF& rect, int mode, ButtonState state) {
    const QRectF box = Crisp(rect);
    const QPainterPath path = BevelPath(box, 9);
    const QRectF icon(box.left() + 6, box.top(), 30, box.height());
    switch (state) {
        case ButtonState::kNormal:
            painter.fillPath(path, Vertical(box, QColor(22, 31, 39), QColor(15, 22, 28)));
            Stroke(painter, path, kPanelEdge);
            LedIcon(painter, icon, mode, false);
            break;
        case ButtonState::kOver:
            painter.fillPath(path, Vertical(box, QColor(0, 62, 82), QColor(0, 38, 52)));
            Stroke(painter, path, kCyan);
            LedIcon(painter, icon, mode, true);
            break;
        case ButtonState::kDown:
            painter.fillPath(path, Horizontal(box, QColor(0, 120, 153), QColor(0, 48, 64)));
            Stroke(painter, path, QColor(0, 210, 240), 1.4);
            painter.fillRect(QRectF(box.right() - 14, box.center().y() - 3, 6, 6), kGlow);
            LedIcon(painter, icon, mode, true);
            break;
    }
}

}  // namespace

void DrawLook(QPainter& painter, const QRectF& rect, ButtonArt art, ButtonState state) {
    if (rect.isEmpty()) {
        return;
    }
    painter.save();
    painter.setClipRect(rect);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (art.look) {
        case Look::None:
        case Look::Header:
        case Look::LitCopy:
            break;
        case Look::Action:
        case Look::Stepper:
            BevelButton(painter, rect, state, false);
            break;
        case Look::Primary:
            BevelButton(painter, rect, state, true);
            break;
        case Look::Record:
            RecordButton(painter, rect, state);
            break;
        case Look::WarningAction:
            WarningButton(painter, rect, state);
            break;
        case Look::Tab:
            Tab(painter, rect, state);
            break;
        case Look::Profile:
            Profile(painter, rect, state);
            break;
        case Look::Import:
        case Look::Export:
        case Look::Reset:
            FileAction(painter, rect, art.look, state);
            break;
        case Look::Chip:
            Chip(painter, rect, state);
            break;
        case Look::Minimise:
            WindowButton(painter, rect, false, state);
            break;
        case Look::Close:
            WindowButton(painter, rect, true, state);
            break;
        case Look::Logo:
            Logo(painter, rect, state);
            break;
        case Look::Field:
            Field(painter, rect, state);
            break;
        case Look::Checkbox:
            Checkbox(painter, rect, state);
            break;
        case Look::Level:
            LevelMark(painter, rect, art.variant, state);
            break;
        case Look::Segment:
            painter.setRenderHint(QPainter::Antialiasing, false);
            Segment(painter, rect, state);
            break;
        case Look::StepCell:
            painter.setRenderHint(QPainter::Antialiasing, false);
            StepCell(painter, rect, art.variant, state);
            break;
        case Look::Toggle:
            Toggle(painter, rect, state);
            break;
        case Look::Slider:
            painter.setRenderHint(QPainter::Antialiasing, false);
            Slider(painter, rect, state);
            break;
        case Look::Display:
            if (state == ButtonState::kNormal) {
                Display(painter, rect);
            }
            break;
        case Look::LedMode:
            LedMode(painter, rect, art.variant, state);
            break;
    }
    painter.restore();
}

}  // namespace zel::skin::painter
