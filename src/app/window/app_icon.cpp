#include "app/window/app_icon.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include "platform/app_identity.h"

namespace zel::app {

QIcon AppIcon(const std::filesystem::path& exeDir) {
    const QString appId = QString::fromLatin1(platform::kAppId);
    const QDir sizes(QString::fromStdString((exeDir / "icons" / "hicolor").string()));
    QIcon icon;
    for (const QString& size : sizes.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString file = sizes.filePath(size + QStringLiteral("/apps/") + appId + ".png");
        if (QFileInfo::exists(file)) {
            icon.addFile(file);
        }
    }
    if (icon.isNull()) {
        icon = QIcon::fromTheme(appId);
    }
    return icon;
}

}  // namespace zel::app
