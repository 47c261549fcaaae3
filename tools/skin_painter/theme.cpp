#include "theme.h"

#include <QFontDatabase>
#include <QStringList>
#include <algorithm>

namespace zel::skin::painter {

QColor WithAlpha(QColor color, int alpha) {
    color.setAlpha(alpha);
    return color;
}

QPainterPath BevelPath(const QRectF& rect, qreal cut) {
    cut = std::min({cut, rect.width() / 2, rect.height() / 2});
    QPainterPath path;
    path.moveTo(rect.left() + cut, rect.top());
    path.lineTo(rect.right(), rect.top());
    path.lineTo(rect.right(), rect.bottom() - cut);
    path.lineTo(rect.right() - cut, rect.bottom());
    path.lineTo(rect.left(), rect.bottom());
    path.lineTo(rect.left(), rect.top() + cut);
    path.closeSubpath();
    return path;
}

QPainterPath OctagonPath(const QRectF& rect, qreal cut) {
    cut = std::min({cut, rect.width() / 2, rect.height() / 2});
    QPainterPath path;
    path.moveTo(rect.left() + cut, rect.top());
    path.lineTo(rect.right() - cut, rect.top());
    path.lineTo(rect.right(), rect.top() + cut);
    path.lineTo(rect.right(), rect.bottom() - cut);
    path.lineTo(rect.right() - cut, rect.bottom());
    path.lineTo(rect.left() + cut, rect.bottom());
    path.lineTo(rect.left(), rect.bottom() - cut);
    path.lineTo(rect.left(), rect.top() + cut);
    path.closeSubpath();
    return path;
}

namespace {

QString FirstFamily(const QStringList& wanted) {
    const QStringList present = QFontDatabase::families();
    for (const QString& family : wanted) {
        if (present.contains(family)) {
            return family;
        }
    }
    return {};
}

}  // namespace

QFont DisplayFont(int pixelSize, int weight) {
    static const QString family = FirstFamily({"DejaVu Sans", "Noto Sans", "Nimbus Sans"});
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

QFont BrandFont(int pixelSize) {
    static const QString family = FirstFamily({"URW Gothic", "DejaVu Sans", "Nimbus Sans"});
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::DemiBold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    return font;
}

QImage NewPicture(QSize logicalSize, int scale, QImage::Format format) {
    QImage image(logicalSize * scale, format);
    image.setDevicePixelRatio(scale);
    return image;
}

QImage Blurred(const QImage& image, int radius) {
    if (radius <= 1) {
        return image;
    }
    const QSize small(std::max(1, image.width() / radius), std::max(1, image.height() / radius));
    QImage result = image.scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // Two passes make the falloff round instead of boxy.
    result = result.scaled(small * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                 .scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return result.scaled(image.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void DrawGlow(QPainter& painter, const QPainterPath& shape, const QColor& color, int radius) {
    const QRectF bounds = painter.transform().map(shape).boundingRect().adjusted(
        -3.0 * radius, -3.0 * radius, 3.0 * radius, 3.0 * radius);
    const QRect area = bounds.toAlignedRect();
    if (area.isEmpty()) {
        return;
    }
    QImage light(area.size(), QImage::Format_ARGB32_Premultiplied);
    light.fill(Qt::transparent);
    {
        QPainter lightPainter(&light);
        lightPainter.setRenderHint(QPainter::Antialiasing);
        lightPainter.translate(-area.topLeft());
        lightPainter.setTransform(painter.transform(), true);
        lightPainter.fillPath(shape, color);
    }
    painter.save();
    painter.resetTransform();
    painter.setCompositionMode(QPainter::CompositionMode_Plus);
    painter.drawImage(area.topLeft(), Blurred(light, radius));
    painter.restore();
}

void DrawCenteredText(QPainter& painter, const QRectF& rect, const QString& text,
                      const QColor& color, const QFont& font) {
    painter.save();
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(rect, Qt::AlignCenter, text);
    painter.restore();
}

}  // namespace zel::skin::painter
