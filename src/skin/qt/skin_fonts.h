#pragma once

// The two text fonts of the skinned windows: "Consolas" for the EN edition and "calibri" for
// the CN edition, each 16 pixels high (cell height) with characters 7 pixels wide on average.
// Where a family is not installed the nearest common one takes its place (a monospace face for
// "Consolas", a sans-serif one for "calibri"), sized the same way. The skin painter's previews
// write their captions in the same fonts.

#include <QFont>
#include <QString>
#include <QStringList>

#include "platform/edition.h"

namespace zel::skin {

inline constexpr int kSkinFontCellHeight = 16;
inline constexpr int kSkinFontAverageWidth = 7;

struct SkinFonts {
    QFont fontEN;
    QFont fontCN;

    // fontEN when languageFlag is non-zero, else fontCN.
    const QFont& ForEdition(int languageFlag) const {
        return platform::IsEnglishEdition(languageFlag) ? fontEN : fontCN;
    }
};

SkinFonts CreateSkinFonts();

// The first installed family of `families` (the wanted one first), or the style hint's generic
// face when none is installed; sized to the cell height and average width above.
QFont MakeSkinFont(const QStringList& families, QFont::StyleHint fallbackHint);

}  // namespace zel::skin
