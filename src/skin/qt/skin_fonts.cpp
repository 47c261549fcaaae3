#include "skin/qt/skin_fonts.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <algorithm>

namespace zel::skin {

QFont MakeSkinFont(const QStringList& families, QFont::StyleHint fallbackHint) {
    QFont font;
    bool installed = false;
    for (const QString& family : families) {
        if (QFontDatabase::hasFamily(family)) {
            font.setFamily(family);
            installed = true;
            break;
        }
    }
    if (!installed) {
        // The desktop's own fixed-pitch or general face.
        font.setFamily(QFontDatabase::systemFont(fallbackHint == QFont::Monospace
                                                     ? QFontDatabase::FixedFont
                                                     : QFontDatabase::GeneralFont)
                           .family());
    }
    font.setStyleHint(fallbackHint);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);

    // The requested height is the whole character cell: the largest pixel size whose ascent
    // plus descent fits it.
    int pixelSize = kSkinFontCellHeight;
    for (; pixelSize > 6; --pixelSize) {
        font.setPixelSize(pixelSize);
        if (QFontMetrics(font).height() <= kSkinFontCellHeight) {
            break;
        }
    }
    font.setPixelSize(pixelSize);

    // Narrow or widen to the requested average character width.
    const int average = QFontMetrics(font).averageCharWidth();
    if (average > 0 && average != kSkinFontAverageWidth) {
        const int stretch = (kSkinFontAverageWidth * 100 + average / 2) / average;
        font.setStretch(std::clamp(stretch, 50, 200));
    }
    return font;
}

SkinFonts CreateSkinFonts() {
    SkinFonts fonts;
    fonts.fontEN = MakeSkinFont({QStringLiteral("Consolas"), QStringLiteral("DejaVu Sans Mono"),
                                 QStringLiteral("Liberation Mono"), QStringLiteral("Noto Mono")},
                                QFont::Monospace);
    fonts.fontCN = MakeSkinFont(
        {QStringLiteral("calibri"), QStringLiteral("Carlito"), QStringLiteral("DejaVu Sans"),
         QStringLiteral("Liberation Sans"), QStringLiteral("Noto Sans")},
        QFont::SansSerif);
    return fonts;
}

}  // namespace zel::skin
