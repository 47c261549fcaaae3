#include "skin/qt/button_image.h"

#include <QPainter>
#include <algorithm>
#include <cstring>

namespace zel::skin {

QRect ToQRect(const LayoutRect& rect) {
    if (rect.IsEmpty()) {
        return {};
    }
    // From the corners: a width would not fit an int for a rectangle crossing the whole range.
    return QRect(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1));
}

QRect ToQRect(const SkinButton& button) {
    return ToQRect(button.Rect());
}

namespace {

// A rectangle in layout pixels as the device pixels of a picture drawn at `scale`.
QRect InPixels(const QRect& rect, int scale) {
    return {rect.x() * scale, rect.y() * scale, rect.width() * scale, rect.height() * scale};
}

int ScaleOf(const QImage& image) {
    return std::max(1, qRound(image.devicePixelRatio()));
}

}  // namespace

void CopyLayerRect(QImage& backBuffer, const QImage& source, const QRect& rect) {
    const int scale = ScaleOf(backBuffer);
    if (ScaleOf(source) != scale) {
        // Layers of different scales: the painter resamples the source into place.
        QPainter painter(&backBuffer);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.setClipRect(QRect(QPoint(0, 0), backBuffer.deviceIndependentSize().toSize()));
        painter.drawImage(QRectF(rect), source, QRectF(InPixels(rect, ScaleOf(source))));
        return;
    }
    const QRect area = InPixels(rect, scale) & backBuffer.rect() & source.rect();
    if (area.isEmpty()) {
        return;
    }
    if (backBuffer.format() == source.format() && backBuffer.depth() == 32) {
        // Same format: row copies, no painter set-up for a small rectangle.
        const auto bytes = static_cast<std::size_t>(area.width()) * 4;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            std::memcpy(backBuffer.scanLine(y) + static_cast<std::size_t>(area.left()) * 4,
                        source.constScanLine(y) + static_cast<std::size_t>(area.left()) * 4, bytes);
        }
        return;
    }
    QPainter painter(&backBuffer);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QRectF(QPointF(area.topLeft()) / scale, QSizeF(area.size()) / scale), source,
                      QRectF(area));
}

void CopyButtonImage(QImage& backBuffer, const QImage& source, const SkinButton& button) {
    CopyLayerRect(backBuffer, source, ToQRect(button));
}

}  // namespace zel::skin
