#pragma once

// What each of the main window's three pages is made of: its picture layers, the button list
// and hot index it paints, the frame button that names it and how many captions it writes.

#include <cstdint>
#include <string_view>

#include "skin/skin_files.h"

namespace zel::app {

inline constexpr std::uint8_t kMainPage = 0;
inline constexpr std::uint8_t kAdvancedPage = 1;
inline constexpr std::uint8_t kColorPage = 2;

// No button, no row, no item: the value every hot index and row holds when nothing is hot.
inline constexpr int kNone = 255;

enum class PageList { Main, Advanced, Color };

struct PageInfo {
    std::string_view normalLayer;
    std::string_view overLayer;
    std::string_view downLayer;
    PageList list;
    int frameButton;  // the frame button drawn pressed while the page is shown
    int textCount;    // captions written: frame buttons 0 ... 19, then the page's own list
};

inline constexpr PageInfo kPages[] = {
    {skin::pictures::kMainNormal, skin::pictures::kMainOver, skin::pictures::kMainDown,
     PageList::Main, 9, 54},
    {skin::pictures::kAdvancedNormal, skin::pictures::kAdvancedOver, skin::pictures::kAdvancedDown,
     PageList::Advanced, 10, 72},
    {skin::pictures::kColorNormalPink, skin::pictures::kColorOverRed,
     skin::pictures::kColorDownPurple, PageList::Color, 11, 33},
};

// The page's table row; a page number outside 0 ... 2 reads as the main page.
constexpr const PageInfo& PageOf(std::uint8_t page) {
    return page < 3 ? kPages[page] : kPages[kMainPage];
}

// Button index ranges shared by painting and the click dispatch.
namespace buttons {
inline constexpr int kLastFrameButton = 19;
inline constexpr int kLastMainHitTested = 114;
inline constexpr int kLastAdvancedHitTested = 37;
inline constexpr int kLastColorHitTested = 4;

// Frame buttons (main list 0 ... 19, every page).
inline constexpr int kSave = 0;
inline constexpr int kRevertAndHide = 2;
inline constexpr int kApply = 3;
inline constexpr int kFirstProfile = 4;  // profile n is button n + 3
inline constexpr int kLastProfile = 8;
inline constexpr int kMainPageButton = 9;
inline constexpr int kAdvancedPageButton = 10;
inline constexpr int kColorPageButton = 11;
inline constexpr int kMinimise = 12;
inline constexpr int kClose = 13;
inline constexpr int kImportProfile = 14;
inline constexpr int kExportProfile = 15;
inline constexpr int kResetAll = 16;
inline constexpr int kEditionCN = 17;
inline constexpr int kEditionEN = 18;

// Main page.
inline constexpr int kFirstFunctionField = 25;  // mouse button n is field 25 + n
inline constexpr int kLastFunctionField = 30;
inline constexpr int kLastHoverCompanionSource = 31;  // 25 ... 31 light 115 ... 121
inline constexpr int kHoverCompanionOffset = 90;
inline constexpr int kWheelStatus0 = 41;
inline constexpr int kWheelStatus1 = 42;
inline constexpr int kFirstDpiEnable = 46;
inline constexpr int kFirstDpiSelect = 54;
inline constexpr int kFirstDpiSegment = 66;
inline constexpr int kLastDpiSegment = 113;
inline constexpr int kDpiSegmentsPerLevel = 12;

// Advanced page.
inline constexpr int kImportMacros = 0;
inline constexpr int kExportMacros = 1;
inline constexpr int kAddMacro = 2;
inline constexpr int kDeleteMacro = 3;
inline constexpr int kRecord = 4;
inline constexpr int kApplyRepeatCount = 5;
inline constexpr int kRepeatSwitch = 6;
inline constexpr int kMacroModeSwitch = 7;
inline constexpr int kFirstPointerSpeed = 8;
inline constexpr int kLastPointerSpeed = 17;
inline constexpr int kFirstWheelSpeed = 18;
inline constexpr int kLastWheelSpeed = 27;
inline constexpr int kFireSlider = 30;
inline constexpr int kFireUp = 31;
inline constexpr int kFireDown = 32;
inline constexpr int kFireReadout = 33;
inline constexpr int kPressCount = 43;
inline constexpr int kReleaseCount = 44;

// Colour page.
inline constexpr int kLastLedMode = 3;
inline constexpr int kDpiReadout = 9;
inline constexpr int kLedPreview = 11;
}  // namespace buttons

}  // namespace zel::app
