#pragma once

// The main window's pages, each described once: its picture layers, the frame tab that names it,
// how many captions it writes and its table of controls. The frame (title bar buttons, page
// tabs, profiles, editions, Apply/Save/Cancel) is one more table shown on every page.
//
// A table lists every entry of its layout list in order, so that hit-testing a table finds the
// same entry as hit-testing the list: the lit rows reach up to the list's last lit entry
// (main 114, advanced 37, lighting 4). Adding a control means adding its row here and its
// rectangle to the layout files; painting, hit-testing, hover and clicks follow from the row.

#include <cstdint>
#include <span>
#include <string_view>

#include "app/pages/page_controls.h"
#include "skin/skin_files.h"

namespace zel::app {

inline constexpr std::uint8_t kMainPage = 0;
inline constexpr std::uint8_t kAdvancedPage = 1;
inline constexpr std::uint8_t kColorPage = 2;

namespace buttons {
inline constexpr int kLastFrameButton = 19;

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
inline constexpr int kWheelStatus0 = 41;
inline constexpr int kWheelStatus1 = 42;
inline constexpr int kFirstDpiEnable = 46;
inline constexpr int kFirstDpiSelect = 54;
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
inline constexpr int kLedPreview = 11;
}  // namespace buttons

// One page: its picture layers, the layout list of its own controls and their table, the frame
// tab drawn pressed while it is shown, and how many captions it writes (frame buttons 0 ... 19,
// then entries 0 ... textCount - 21 of the page's own list).
struct PageInfo {
    std::string_view normalLayer;
    std::string_view overLayer;
    std::string_view downLayer;
    ButtonList list;
    std::span<const Control> controls;
    int frameButton;
    int textCount;
};

namespace page_rows {
using enum ButtonList;
using enum ControlKind;
using enum Trigger;
using enum Command;
using enum Indicator;
using enum CaptionSource;

// Main list 0 ... 19, on every page.
inline constexpr Control kFrameControls[] = {
    {"save", PushButton, Main, buttons::kSave, 1, Release, Save},
    {"logo", Picture, Main, 1},
    {"cancel_hide", PushButton, Main, buttons::kRevertAndHide, 1, Release, RevertAndHide},
    {"apply", PushButton, Main, buttons::kApply, 1, Release, Apply},
    {"profile", RadioButton, Main, buttons::kFirstProfile, 5, Release, SelectProfile,
     CurrentProfile},
    {"page_main", PageTab, Main, buttons::kMainPageButton, 1, Press, ShowMainPage, CurrentPage},
    {"page_advanced", PageTab, Main, buttons::kAdvancedPageButton, 1, Press, ShowAdvancedPage,
     CurrentPage},
    {"page_lighting", PageTab, Main, buttons::kColorPageButton, 1, Press, ShowColorPage,
     CurrentPage},
    {"minimise", PushButton, Main, buttons::kMinimise, 1, Release, Minimise},
    {"close", PushButton, Main, buttons::kClose, 1, Release, Close},
    {"import_profile", PushButton, Main, buttons::kImportProfile, 1, Release, ImportProfile},
    {"export_profile", PushButton, Main, buttons::kExportProfile, 1, Release, ExportProfile},
    {"reset_all", PushButton, Main, buttons::kResetAll, 1, Release, ResetAll},
    {"edition_es", RadioButton, Main, buttons::kEditionCN, 1, Release, SelectEditionCN, EditionCN},
    {"edition_en", RadioButton, Main, buttons::kEditionEN, 1, Release, SelectEditionEN, EditionEN},
    {"profiles_title", Label, Main, 19},
};

// Main list 20 ... 123.
inline constexpr Control kMainPageControls[] = {
    {"buttons_title", Label, Main, 20},
    {"dpi_title", Label, Main, 21},
    {"wheel_title", Label, Main, 22},
    {"unused", Unused, Main, 23, 2},
    {"function", ChoiceField, Main, buttons::kFirstFunctionField, 6, Press, ChooseFunction,
     NoIndicator, FunctionName, true, 115, 0, 32},
    {"mouse_diagram", Picture, Main, 31, 1, Never, NoCommand, NoIndicator, Layout, true, 121},
    {"function_label", Label, Main, 32, 6},
    {"unused", Unused, Main, 38, 3},
    {"wheel", RadioButton, Main, buttons::kWheelStatus0, 2, Press, SetWheelStatus, WheelStatus},
    {"unused", Unused, Main, 43, 3},
    {"dpi_enable", CheckBox, Main, buttons::kFirstDpiEnable, 4, Press, ToggleDpiLevel,
     DpiLevelEnabled, Layout, true, -1, 0, 50},
    {"dpi_label", Label, Main, 50, 4},
    {"dpi_select", RadioButton, Main, buttons::kFirstDpiSelect, 4, Press, SelectDpiLevel,
     DpiLevelSelected, Layout, true, -1, 0, 50},
    {"unused", Unused, Main, 58, 8},
    {"dpi0_step", StepBar, Main, 66, 12, Press, SetDpiStep, NoIndicator, Layout, true, -1, 0, 50},
    {"dpi1_step", StepBar, Main, 78, 12, Press, SetDpiStep, NoIndicator, Layout, true, -1, 1, 51},
    {"dpi2_step", StepBar, Main, 90, 12, Press, SetDpiStep, NoIndicator, Layout, true, -1, 2, 52},
    {"dpi3_step", StepBar, Main, 102, 12, Press, SetDpiStep, NoIndicator, Layout, true, -1, 3, 53},
    {"unused", Unused, Main, 114},
    {"zone", Picture, Main, 115, 7, Never, NoCommand, NoIndicator, Layout, false},
    {"unused", Unused, Main, 122, 2, Never, NoCommand, NoIndicator, Layout, false},
};

// Advanced list 0 ... 51.
inline constexpr Control kAdvancedPageControls[] = {
    {"import_macros", PushButton, Advanced, buttons::kImportMacros, 1, Press, ImportMacros},
    {"export_macros", PushButton, Advanced, buttons::kExportMacros, 1, Press, ExportMacros},
    {"add_macro", PushButton, Advanced, buttons::kAddMacro, 1, Press, AddMacro},
    {"delete_macro", PushButton, Advanced, buttons::kDeleteMacro, 1, Press, DeleteMacro},
    {"record", ToggleButton, Advanced, buttons::kRecord, 1, Press, ToggleRecording, Recording,
     RecordState},
    {"set_repeat_count", PushButton, Advanced, buttons::kApplyRepeatCount, 1, Press,
     ApplyRepeatCount},
    {"repeat_switch", ToggleButton, Advanced, buttons::kRepeatSwitch, 1, Press, ToggleRepeat,
     RepeatOn},
    {"hold_mode_switch", ToggleButton, Advanced, buttons::kMacroModeSwitch, 1, Press,
     ToggleMacroMode, MacroMode},
    {"pointer_speed", StepBar, Advanced, buttons::kFirstPointerSpeed, 10, Press, SetPointerSpeed,
     PointerSpeed, Layout, true, -1, 0, 40},
    {"wheel_speed", StepBar, Advanced, buttons::kFirstWheelSpeed, 10, Press, SetWheelSpeed,
     WheelSpeed, Layout, true, -1, 0, 41},
    {"pointer_slow", Label, Advanced, 28},
    {"pointer_fast", Label, Advanced, 29},
    {"fire_slider", Slider, Advanced, buttons::kFireSlider, 1, Press, SetFireTimeFromSlider,
     NoIndicator, Layout, true, -1, 0, 42},
    {"fire_up", SpinButton, Advanced, buttons::kFireUp, 1, Press, StepFireTimeUp, NoIndicator,
     Layout, true, -1, 0, 42},
    {"fire_down", SpinButton, Advanced, buttons::kFireDown, 1, Press, StepFireTimeDown, NoIndicator,
     Layout, true, -1, 0, 42},
    {"fire_readout", Readout, Advanced, buttons::kFireReadout, 1, Never, NoCommand, NoIndicator,
     FireTime, true, -1, 0, 42},
    {"wheel_one_line", Label, Advanced, 34},
    {"wheel_ten_lines", Label, Advanced, 35},
    {"fire_min", Label, Advanced, 36},
    {"fire_max", Label, Advanced, 37},
    {"title", Label, Advanced, 38, 5, Never, NoCommand, NoIndicator, Layout, false},
    {"press_count", Readout, Advanced, buttons::kPressCount, 1, Never, NoCommand, NoIndicator,
     PressCount, false},
    {"release_count", Readout, Advanced, buttons::kReleaseCount, 1, Never, NoCommand, NoIndicator,
     ReleaseCount, false},
    {"label", Label, Advanced, 45, 3, Never, NoCommand, NoIndicator, Layout, false},
    {"unused", Unused, Advanced, 48, 4, Never, NoCommand, NoIndicator, Layout, false},
};

// Lighting list 0 ... 12.
inline constexpr Control kColorPageControls[] = {
    {"led_mode", RadioButton, Color, 0, 4, Press, SetLedMode, LedMode},
    {"unused", Unused, Color, 4},
    {"title", Label, Color, 5, 4, Never, NoCommand, NoIndicator, Layout, false},
    {"dpi_readout", Readout, Color, 9, 1, Never, NoCommand, NoIndicator, CurrentDpi, false, -1, 0,
     10},
    {"dpi_label", Label, Color, 10, 1, Never, NoCommand, NoIndicator, Layout, false},
    {"led_preview", Preview, Color, buttons::kLedPreview, 1, Never, NoCommand, NoIndicator, Layout,
     false},
    {"level_legend", Picture, Color, 12, 1, Never, NoCommand, NoIndicator, Layout, false},
};

inline constexpr PageInfo kPages[] = {
    {skin::pictures::kMainNormal, skin::pictures::kMainOver, skin::pictures::kMainDown, Main,
     kMainPageControls, buttons::kMainPageButton, 54},
    {skin::pictures::kAdvancedNormal, skin::pictures::kAdvancedOver, skin::pictures::kAdvancedDown,
     Advanced, kAdvancedPageControls, buttons::kAdvancedPageButton, 72},
    {skin::pictures::kColorNormalPink, skin::pictures::kColorOverRed,
     skin::pictures::kColorDownPurple, Color, kColorPageControls, buttons::kColorPageButton, 33},
};

}  // namespace page_rows

using page_rows::kAdvancedPageControls;
using page_rows::kColorPageControls;
using page_rows::kFrameControls;
using page_rows::kMainPageControls;
using page_rows::kPages;

// The page's table row; a page number outside 0 ... 2 reads as the main page.
constexpr const PageInfo& PageOf(std::uint8_t page) {
    return page < 3 ? kPages[page] : kPages[kMainPage];
}

}  // namespace zel::app
