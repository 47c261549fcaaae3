#include "app/tray_picture.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zel::app {
namespace {

const QColor kBody(0, 120, 153);
const QColor kOutline(0, 200, 230);
const QColor kWheel(255, 255, 255);

QPixmap DrawTrayMouse(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QRectF body(s * 0.2, s * 0.05, s * 0.6, s * 0.9);
    QPainterPath outline;
    outline.addRoundedRect(body, s * 0.28, s * 0.3);
    painter.fillPath(outline, kBody);
    painter.setPen(QPen(kOutline, std::max(1.0, s / 16.0)));
    painter.drawPath(outline);
    // The split between the two buttons, and the wheel.
    painter.drawLine(QPointF(s * 0.5, s * 0.07), QPointF(s * 0.5, s * 0.42));
    painter.setPen(Qt::NoPen);
    painter.setBrush(kWheel);
    painter.drawRoundedRect(QRectF(s * 0.44, s * 0.16, s * 0.12, s * 0.17), s * 0.05, s * 0.05);
    return pixmap;
}

}  // namespace

QIcon TrayPicture() {
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        icon.addPixmap(DrawTrayMouse(size));
    }
    return icon;
}

}  // namespace zel::app
