#pragma once

// The skinned windows' text fonts live with the skin (the painter's previews use them too).

#include "skin/qt/skin_fonts.h"

namespace zel::app {

using skin::CreateSkinFonts;
using skin::kSkinFontAverageWidth;
using skin::kSkinFontCellHeight;
using skin::MakeSkinFont;
using skin::SkinFonts;

}  // namespace zel::app
