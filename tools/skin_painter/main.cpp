// zel_skin_painter: renders the skin pictures from the layout files, or composes previews.
//
//   zel_skin_painter --layouts DIR --out DIR [--icons DIR]
//   zel_skin_painter --preview --layouts DIR --skins DIR --out DIR [--outlines]

#include <QGuiApplication>
#include <QStringList>
#include <cstdio>
#include <string>

#include "app_icon_art.h"
#include "platform/app_identity.h"
#include "preview.h"
#include "skin_geometry.h"
#include "surfaces.h"

namespace {

constexpr const char* kUsage =
    "usage: zel_skin_painter --layouts DIR --out DIR [--icons DIR]\n"
    "       zel_skin_painter --preview --layouts DIR --skins DIR --out DIR [--outlines]\n"
    "       zel_skin_painter --help\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

}  // namespace

// The offscreen platform complains about a missing runtime folder it never needs.
static void QuietMessages(QtMsgType type, const QMessageLogContext& context,
                          const QString& message) {
    if (message.startsWith(QStringLiteral("QStandardPaths:"))) {
        return;
    }
    std::fprintf(stderr, "%s\n",
                 qFormatLogMessage(type, context, message).toLocal8Bit().constData());
}

int main(int argc, char** argv) {
    qInstallMessageHandler(QuietMessages);
    // Pictures only: no screen needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    QString layouts;
    QString skins;
    QString out;
    QString icons;
    bool preview = false;
    bool outlines = false;
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--layouts" && hasValue) {
            layouts = args[++i];
        } else if (arg == "--skins" && hasValue) {
            skins = args[++i];
        } else if (arg == "--out" && hasValue) {
            out = args[++i];
        } else if (arg == "--icons" && hasValue) {
            icons = args[++i];
        } else if (arg == "--preview") {
            preview = true;
        } else if (arg == "--outlines") {
            outlines = true;
        } else {
            return Usage();
        }
    }
    if (layouts.isEmpty() || out.isEmpty() || (preview && skins.isEmpty())) {
        return Usage();
    }

    if (preview) {
        zel::skin::painter::PreviewOptions options;
        options.layoutRoot = layouts.toStdString();
        options.skinsDir = skins.toStdString();
        options.outDir = out;
        options.outlines = outlines;
        if (const zel::platform::Result<void> written = zel::skin::painter::WritePreviews(options);
            !written.ok()) {
            std::fprintf(stderr, "zel_skin_painter: %s\n", written.error().message.c_str());
            return 1;
        }
        return 0;
    }

    const zel::platform::Result<zel::skin::painter::SkinGeometry> read =
        zel::skin::painter::ReadSkinGeometry(layouts.toStdString());
    if (!read.ok()) {
        std::fprintf(stderr, "zel_skin_painter: %s\n", read.error().message.c_str());
        return 1;
    }
    const zel::skin::painter::SkinGeometry& geometry = *read;
    // 1x for ordinary screens, 2x (name@2x.jpg) for scaled ones.
    for (const int scale : {1, 2}) {
        if (const zel::platform::Result<void> saved = zel::skin::painter::SavePictures(
                zel::skin::painter::RenderSkin(geometry, scale), out, scale);
            !saved.ok()) {
            std::fprintf(stderr, "zel_skin_painter: %s\n", saved.error().message.c_str());
            return 1;
        }
    }
    if (!icons.isEmpty()) {
        if (const zel::platform::Result<void> saved =
                zel::skin::painter::SaveAppIcons(icons, QString::fromLatin1(zel::platform::kAppId));
            !saved.ok()) {
            std::fprintf(stderr, "zel_skin_painter: %s\n", saved.error().message.c_str());
            return 1;
        }
    }
    return 0;
}
