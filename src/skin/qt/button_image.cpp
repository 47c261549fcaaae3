#include "skin/qt/button_image.h"

#include <QPainter>
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

void CopyLayerRect(QImage& backBuffer, const QImage& source, const QRect& rect) {
    const QRect area = rect & backBuffer.rect() & source.rect();
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
    painter.drawImage(area.topLeft(), source, area);
}

void CopyButtonImage(QImage& backBuffer, const QImage& source, const SkinButton& button) {
    CopyLayerRect(backBuffer, source, ToQRect(button));
}

}  // namespace zel::skin
