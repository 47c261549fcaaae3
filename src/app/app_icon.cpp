#include "app/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zel::app {

namespace {

QPixmap DrawMouse(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QRectF body(s * 0.22, s * 0.06, s * 0.56, s * 0.88);
    QPainterPath outline;
    outline.addRoundedRect(body, s * 0.26, s * 0.30);
    QLinearGradient shade(body.topLeft(), body.bottomRight());
    shade.setColorAt(0, QColor(40, 48, 56));
    shade.setColorAt(1, QColor(8, 10, 12));
    painter.fillPath(outline, shade);
    painter.setPen(QPen(QColor(0, 190, 230), s / 16.0));
    painter.drawPath(outline);
    // The split between the two buttons and the wheel.
    painter.drawLine(QPointF(s * 0.5, s * 0.08), QPointF(s * 0.5, s * 0.40));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 40, 60));
    painter.drawRoundedRect(QRectF(s * 0.45, s * 0.16, s * 0.10, s * 0.16), s * 0.04, s * 0.04);
    return pixmap;
}

}  // namespace

QIcon AppIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64}) {
        icon.addPixmap(DrawMouse(size));
    }
    return icon;
}

}  // namespace zel::app
