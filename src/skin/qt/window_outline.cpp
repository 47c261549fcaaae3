#include "skin/qt/window_outline.h"

namespace zel::skin {

void PrepareShapedWindow(QWidget& window) {
    window.setAttribute(Qt::WA_TranslucentBackground);
}

void ApplyOutline(QWidget& window, const QRegion& outline) {
    if (!outline.isEmpty()) {
        window.setMask(outline);
    }
}

void PaintInsideOutline(QPainter& painter, const QRect& windowRect, const QRegion& outline,
                        const QImage& picture) {
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QRegion inside = outline.isEmpty() ? QRegion(windowRect) : outline;
    const QRegion outside = QRegion(windowRect).subtracted(inside);
    for (const QRect& part : outside) {
        painter.fillRect(part, Qt::transparent);
    }
    painter.setClipRegion(inside);
    painter.drawImage(QPointF(0, 0), picture);
    painter.restore();
}

}  // namespace zel::skin
