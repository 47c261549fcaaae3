#include "app_icon_art.h"

#include <QDir>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "surfaces.h"
#include "theme.h"

namespace zel::skin::painter {

QImage RenderAppIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QRectF body(s * 0.2, s * 0.05, s * 0.6, s * 0.9);
    QPainterPath outline;
    outline.addRoundedRect(body, s * 0.28, s * 0.3);
    painter.fillPath(outline, palette::kTeal);
    painter.setPen(QPen(QColor(0, 200, 230), std::max(1.0, s / 16.0)));
    painter.drawPath(outline);
    // The split between the two buttons, and the wheel.
    painter.drawLine(QPointF(s * 0.5, s * 0.07), QPointF(s * 0.5, s * 0.42));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(s * 0.44, s * 0.16, s * 0.12, s * 0.17), s * 0.05, s * 0.05);
    return image;
}

platform::Result<void> SaveAppIcons(const QString& iconsDir, const QString& appId) {
    for (const int size : kAppIconSizes) {
        const QString folder =
            QDir(iconsDir).filePath(QStringLiteral("hicolor/%1x%1/apps").arg(size));
        if (!QDir().mkpath(folder)) {
            return platform::Error{platform::ErrorCode::kIoError,
                                   (QStringLiteral("cannot create ") + folder).toStdString()};
        }
        const QString path = QDir(folder).filePath(appId + QStringLiteral(".png"));
        if (platform::Result<void> saved = SaveImage(RenderAppIcon(size), path, "png");
            !saved.ok()) {
            return saved;
        }
    }
    return platform::Ok();
}

}  // namespace zel::skin::painter
