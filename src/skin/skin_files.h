#pragma once

// Names of every file the program reads from the skins folder.

#include <filesystem>
#include <string_view>

namespace zel::skin {

enum class LayoutSurface { kMain, kColor, kAdvanced, kWarning };

// The layout file of a surface for an edition, relative to the skins folder: the EN edition's
// when languageFlag is non-zero, the CN edition's otherwise.
std::filesystem::path LayoutFileName(LayoutSurface surface, int languageFlag);

// Section names of the layout files.
inline constexpr std::string_view kButtonSection = "BUTTONPOS";
inline constexpr std::string_view kFunctionSection = "FUN_STRING";
inline constexpr std::string_view kEditSection = "EDIT";
inline constexpr std::string_view kMacroDisplaySection = "MACRODISPLAY";

// Pictures, one set for both editions. The three layers of a surface have its mask's size.
namespace pictures {
inline constexpr std::string_view kMainMask = "main_mask.jpg";
inline constexpr std::string_view kMainNormal = "main_normal.jpg";
inline constexpr std::string_view kMainOver = "main_over.jpg";
inline constexpr std::string_view kMainDown = "main_down.jpg";
inline constexpr std::string_view kAdvancedNormal = "advanced_normal.jpg";
inline constexpr std::string_view kAdvancedOver = "advanced_over.jpg";
inline constexpr std::string_view kAdvancedDown = "advanced_down.jpg";
inline constexpr std::string_view kColorNormalPink = "color_normal_pink.jpg";
inline constexpr std::string_view kColorOverRed = "color_over_red.jpg";
inline constexpr std::string_view kColorDownPurple = "color_down_purple.jpg";
inline constexpr std::string_view kColorOverBlue = "color_over_blue.jpg";
inline constexpr std::string_view kColorNormalGray = "color_normal_gray.jpg";
inline constexpr std::string_view kMenuMask = "menu_mask.jpg";
inline constexpr std::string_view kMenuNormal = "menu_normal.jpg";
inline constexpr std::string_view kMenuOver = "menu_over.jpg";
inline constexpr std::string_view kMenuDown = "menu_down.jpg";
inline constexpr std::string_view kSubMenuMask = "advanced menu_mask.jpg";
inline constexpr std::string_view kSubMenuNormal = "advanced menu_normal.jpg";
inline constexpr std::string_view kSubMenuOver = "advanced menu_over.jpg";
inline constexpr std::string_view kSubMenuDown = "advanced menu_down.jpg";
inline constexpr std::string_view kWarningMask = "warning_mask.jpg";
inline constexpr std::string_view kWarningNormal = "warning_normal.jpg";
inline constexpr std::string_view kWarningOver = "warning_over.jpg";

inline constexpr std::string_view kAll[] = {
    kMainMask,      kMainNormal,      kMainOver,        kMainDown,     kAdvancedNormal,
    kAdvancedOver,  kAdvancedDown,    kColorNormalPink, kColorOverRed, kColorDownPurple,
    kColorOverBlue, kColorNormalGray, kMenuMask,        kMenuNormal,   kMenuOver,
    kMenuDown,      kSubMenuMask,     kSubMenuNormal,   kSubMenuOver,  kSubMenuDown,
    kWarningMask,   kWarningNormal,   kWarningOver,
};
}  // namespace pictures

// Rows of the choice lists: the list picture's height divided by the row count gives the row
// height.
inline constexpr int kMenuRowCount = 10;
inline constexpr int kSubMenuRowCount = 12;

}  // namespace zel::skin
