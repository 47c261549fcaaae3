#pragma once

// The main window's pages, each described once: its picture layers, the frame tab that names it
// and its table of controls. The frame (title bar buttons, page tabs, profiles, editions,
// Apply/Save/Cancel) is one more table shown on every page.
//
// A table lists every entry of its layout list in order, so that hit-testing a table finds the
// same entry as hit-testing the list: the lit rows reach up to the list's last lit entry
// (main 114, advanced 37, lighting 4). Adding a control means adding its row here and its
// rectangle, labelled with the row's name, to the layout files; painting, the skin's pictures,
// hit-testing, hover, clicks, the keyboard and assistive technology follow from the row.

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

// One page: its picture layers, the layout list of its own controls and their table, and the
// frame tab drawn pressed while it is shown.
struct PageInfo {
    std::string_view normalLayer;
    std::string_view overLayer;
    std::string_view downLayer;
    ButtonList list;
    std::span<const Control> controls;
    int frameButton;
};

namespace page_rows {
using enum ButtonList;
using enum ControlKind;
using enum Trigger;
using enum Command;
using enum Indicator;
using enum CaptionSource;

// The names of a group's members in the layout's labels (see Control::name).
inline constexpr std::string_view kWheelModeNames[] = {"standard", "alternate"};
inline constexpr std::string_view kZoneNames[] = {"left",      "right", "wheel",    "side_front",
                                                  "side_rear", "dpi",   "palm_logo"};
inline constexpr std::string_view kAdvancedTitleNames[] = {"macros", "steps", "pointer", "wheel",
                                                           "fire"};
inline constexpr std::string_view kAdvancedLabelNames[] = {"name", "repeat", "record_hint"};
inline constexpr std::string_view kLedModeNames[] = {"cycle_slow", "cycle_fast", "dpi_colour",
                                                     "off"};
inline constexpr std::string_view kColorTitleNames[] = {"mode", "cycle_hint", "preview", "legend"};

// Main list 0 ... 19, on every page.
inline constexpr Control kFrameControls[] = {
    {.name = "save",
     .kind = PushButton,
     .list = Main,
     .first = buttons::kSave,
     .trigger = Release,
     .command = Save,
     .look = Look::Action},
    {.name = "logo", .kind = Picture, .list = Main, .first = 1, .look = Look::Logo},
    {.name = "cancel_hide",
     .kind = PushButton,
     .list = Main,
     .first = buttons::kRevertAndHide,
     .trigger = Release,
     .command = RevertAndHide,
     .look = Look::Action},
    {.name = "apply",
     .kind = PushButton,
     .list = Main,
     .first = buttons::kApply,
     .trigger = Release,
     .command = Apply,
     .look = Look::Primary},
    {.name = "profile",
     .kind = RadioButton,
     .list = Main,
     .first = buttons::kFirstProfile,
     .count = 5,
     .trigger = Release,
     .command = SelectProfile,
     .indicator = CurrentProfile,
     .look = Look::Profile},
    {.name = "page_main",
     .kind = PageTab,
     .list = Main,
     .first = buttons::kMainPageButton,
     .trigger = Press,
     .command = ShowMainPage,
     .indicator = CurrentPage,
     .look = Look::Tab},
    {.name = "page_advanced",
     .kind = PageTab,
     .list = Main,
     .first = buttons::kAdvancedPageButton,
     .trigger = Press,
     .command = ShowAdvancedPage,
     .indicator = CurrentPage,
     .look = Look::Tab},
    {.name = "page_lighting",
     .kind = PageTab,
     .list = Main,
     .first = buttons::kColorPageButton,
     .trigger = Press,
     .command = ShowColorPage,
     .indicator = CurrentPage,
     .look = Look::Tab},
    {.name = "minimise",
     .kind = PushButton,
     .list = Main,
     .first = buttons::kMinimise,
     .trigger = Release,
     .command = Minimise,
     .look = Look::Minimise},
    {.name = "close",
     .kind = PushButton,
     .list = Main,
     .first = buttons::kClose,
     .trigger = Release,
     .command = Close,
     .look = Look::Close},
    {.name = "import_profile",
     .kind = PushButton,
     .list = Main,
     .first = buttons::kImportProfile,
     .trigger = Release,
     .command = ImportProfile,
     .look = Look::Import},
    {.name = "export_profile",
     .kind = PushButton,
     .list = Main,
     .first = buttons::kExportProfile,
     .trigger = Release,
     .command = ExportProfile,
     .look = Look::Export},
    {.name = "reset_all",
     .kind = PushButton,
     .list = Main,
     .first = buttons::kResetAll,
     .trigger = Release,
     .command = ResetAll,
     .look = Look::Reset},
    {.name = "edition_es",
     .kind = RadioButton,
     .list = Main,
     .first = buttons::kEditionCN,
     .trigger = Release,
     .command = SelectEditionCN,
     .indicator = EditionCN,
     .look = Look::Chip},
    {.name = "edition_en",
     .kind = RadioButton,
     .list = Main,
     .first = buttons::kEditionEN,
     .trigger = Release,
     .command = SelectEditionEN,
     .indicator = EditionEN,
     .look = Look::Chip},
    {.name = "profiles_title", .kind = Label, .list = Main, .first = 19},
};

// Main list 20 ... 123.
inline constexpr Control kMainPageControls[] = {
    {.name = "buttons_title", .kind = Label, .list = Main, .first = 20},
    {.name = "dpi_title", .kind = Label, .list = Main, .first = 21},
    {.name = "wheel_title", .kind = Label, .list = Main, .first = 22},
    {.name = "unused", .kind = Unused, .list = Main, .first = 23, .count = 2},
    {.name = "function",
     .kind = ChoiceField,
     .list = Main,
     .first = buttons::kFirstFunctionField,
     .count = 6,
     .trigger = Press,
     .command = ChooseFunction,
     .caption = FunctionName,
     .companion = 115,
     .label = 32,
     .look = Look::Field},
    {.name = "mouse_diagram",
     .kind = Picture,
     .list = Main,
     .first = 31,
     .companion = 121,
     .look = Look::LitCopy},
    {.name = "function_label", .kind = Label, .list = Main, .first = 32, .count = 6},
    {.name = "unused", .kind = Unused, .list = Main, .first = 38, .count = 3},
    {.name = "wheel",
     .kind = RadioButton,
     .list = Main,
     .first = buttons::kWheelStatus0,
     .count = 2,
     .trigger = Press,
     .command = SetWheelStatus,
     .indicator = WheelStatus,
     .look = Look::Toggle,
     .members = kWheelModeNames},
    {.name = "unused", .kind = Unused, .list = Main, .first = 43, .count = 3},
    {.name = "dpi_enable",
     .kind = CheckBox,
     .list = Main,
     .first = buttons::kFirstDpiEnable,
     .count = 4,
     .trigger = Press,
     .command = ToggleDpiLevel,
     .indicator = DpiLevelEnabled,
     .label = 50,
     .look = Look::Checkbox},
    {.name = "dpi_label", .kind = Label, .list = Main, .first = 50, .count = 4},
    {.name = "dpi_select",
     .kind = RadioButton,
     .list = Main,
     .first = buttons::kFirstDpiSelect,
     .count = 4,
     .trigger = Press,
     .command = SelectDpiLevel,
     .indicator = DpiLevelSelected,
     .label = 50,
     .look = Look::Level},
    {.name = "unused", .kind = Unused, .list = Main, .first = 58, .count = 8},
    {.name = "dpi0_step",
     .kind = StepBar,
     .list = Main,
     .first = 66,
     .count = 12,
     .trigger = Press,
     .command = SetDpiStep,
     .label = 50,
     .look = Look::Segment},
    {.name = "dpi1_step",
     .kind = StepBar,
     .list = Main,
     .first = 78,
     .count = 12,
     .trigger = Press,
     .command = SetDpiStep,
     .arg = 1,
     .label = 51,
     .look = Look::Segment},
    {.name = "dpi2_step",
     .kind = StepBar,
     .list = Main,
     .first = 90,
     .count = 12,
     .trigger = Press,
     .command = SetDpiStep,
     .arg = 2,
     .label = 52,
     .look = Look::Segment},
    {.name = "dpi3_step",
     .kind = StepBar,
     .list = Main,
     .first = 102,
     .count = 12,
     .trigger = Press,
     .command = SetDpiStep,
     .arg = 3,
     .label = 53,
     .look = Look::Segment},
    {.name = "unused", .kind = Unused, .list = Main, .first = 114},
    {.name = "zone",
     .kind = Picture,
     .list = Main,
     .first = 115,
     .count = 7,
     .lit = false,
     .look = Look::LitCopy,
     .members = kZoneNames},
    {.name = "unused", .kind = Unused, .list = Main, .first = 122, .count = 2, .lit = false},
};

// Advanced list 0 ... 51.
inline constexpr Control kAdvancedPageControls[] = {
    {.name = "import_macros",
     .kind = PushButton,
     .list = Advanced,
     .first = buttons::kImportMacros,
     .trigger = Press,
     .command = ImportMacros,
     .look = Look::Action},
    {.name = "export_macros",
     .kind = PushButton,
     .list = Advanced,
     .first = buttons::kExportMacros,
     .trigger = Press,
     .command = ExportMacros,
     .look = Look::Action},
    {.name = "add_macro",
     .kind = PushButton,
     .list = Advanced,
     .first = buttons::kAddMacro,
     .trigger = Press,
     .command = AddMacro,
     .look = Look::Action},
    {.name = "delete_macro",
     .kind = PushButton,
     .list = Advanced,
     .first = buttons::kDeleteMacro,
     .trigger = Press,
     .command = DeleteMacro,
     .look = Look::Action},
    {.name = "record",
     .kind = ToggleButton,
     .list = Advanced,
     .first = buttons::kRecord,
     .trigger = Press,
     .command = ToggleRecording,
     .indicator = Recording,
     .caption = RecordState,
     .look = Look::Record},
    {.name = "set_repeat_count",
     .kind = PushButton,
     .list = Advanced,
     .first = buttons::kApplyRepeatCount,
     .trigger = Press,
     .command = ApplyRepeatCount,
     .look = Look::Action},
    {.name = "repeat_switch",
     .kind = ToggleButton,
     .list = Advanced,
     .first = buttons::kRepeatSwitch,
     .trigger = Press,
     .command = ToggleRepeat,
     .indicator = RepeatOn,
     .look = Look::Toggle},
    {.name = "hold_mode_switch",
     .kind = ToggleButton,
     .list = Advanced,
     .first = buttons::kMacroModeSwitch,
     .trigger = Press,
     .command = ToggleMacroMode,
     .indicator = MacroMode,
     .look = Look::Toggle},
    {.name = "pointer_speed",
     .kind = StepBar,
     .list = Advanced,
     .first = buttons::kFirstPointerSpeed,
     .count = 10,
     .trigger = Press,
     .command = SetPointerSpeed,
     .indicator = PointerSpeed,
     .label = 40,
     .look = Look::StepCell},
    {.name = "wheel_speed",
     .kind = StepBar,
     .list = Advanced,
     .first = buttons::kFirstWheelSpeed,
     .count = 10,
     .trigger = Press,
     .command = SetWheelSpeed,
     .indicator = WheelSpeed,
     .label = 41,
     .look = Look::StepCell},
    {.name = "pointer_slow", .kind = Label, .list = Advanced, .first = 28},
    {.name = "pointer_fast", .kind = Label, .list = Advanced, .first = 29},
    {.name = "fire_slider",
     .kind = Slider,
     .list = Advanced,
     .first = buttons::kFireSlider,
     .trigger = Press,
     .command = SetFireTimeFromSlider,
     .label = 42,
     .look = Look::Slider},
    {.name = "fire_up",
     .kind = SpinButton,
     .list = Advanced,
     .first = buttons::kFireUp,
     .trigger = Press,
     .command = StepFireTimeUp,
     .label = 42,
     .look = Look::Stepper},
    {.name = "fire_down",
     .kind = SpinButton,
     .list = Advanced,
     .first = buttons::kFireDown,
     .trigger = Press,
     .command = StepFireTimeDown,
     .label = 42,
     .look = Look::Stepper},
    {.name = "fire_readout",
     .kind = Readout,
     .list = Advanced,
     .first = buttons::kFireReadout,
     .caption = FireTime,
     .label = 42,
     .look = Look::Display},
    {.name = "wheel_one_line", .kind = Label, .list = Advanced, .first = 34},
    {.name = "wheel_ten_lines", .kind = Label, .list = Advanced, .first = 35},
    {.name = "fire_min", .kind = Label, .list = Advanced, .first = 36},
    {.name = "fire_max", .kind = Label, .list = Advanced, .first = 37},
    {.name = "title",
     .kind = Label,
     .list = Advanced,
     .first = 38,
     .count = 5,
     .lit = false,
     .members = kAdvancedTitleNames},
    {.name = "press_count",
     .kind = Readout,
     .list = Advanced,
     .first = buttons::kPressCount,
     .caption = PressCount,
     .lit = false,
     .look = Look::Display},
    {.name = "release_count",
     .kind = Readout,
     .list = Advanced,
     .first = buttons::kReleaseCount,
     .caption = ReleaseCount,
     .lit = false,
     .look = Look::Display},
    {.name = "label",
     .kind = Label,
     .list = Advanced,
     .first = 45,
     .count = 3,
     .lit = false,
     .members = kAdvancedLabelNames},
    {.name = "unused", .kind = Unused, .list = Advanced, .first = 48, .count = 4, .lit = false},
};

// Lighting list 0 ... 12.
inline constexpr Control kColorPageControls[] = {
    {.name = "led_mode",
     .kind = RadioButton,
     .list = Color,
     .first = 0,
     .count = 4,
     .trigger = Press,
     .command = SetLedMode,
     .indicator = LedMode,
     .look = Look::LedMode,
     .members = kLedModeNames},
    {.name = "unused", .kind = Unused, .list = Color, .first = 4},
    {.name = "title",
     .kind = Label,
     .list = Color,
     .first = 5,
     .count = 4,
     .lit = false,
     .members = kColorTitleNames},
    {.name = "dpi_readout",
     .kind = Readout,
     .list = Color,
     .first = 9,
     .caption = CurrentDpi,
     .lit = false,
     .label = 10,
     .look = Look::Display},
    {.name = "dpi_label", .kind = Label, .list = Color, .first = 10, .lit = false},
    {.name = "led_preview",
     .kind = Preview,
     .list = Color,
     .first = buttons::kLedPreview,
     .lit = false},
    {.name = "level_legend", .kind = Picture, .list = Color, .first = 12, .lit = false},
};

inline constexpr PageInfo kPages[] = {
    {skin::pictures::kMainNormal, skin::pictures::kMainOver, skin::pictures::kMainDown, Main,
     kMainPageControls, buttons::kMainPageButton},
    {skin::pictures::kAdvancedNormal, skin::pictures::kAdvancedOver, skin::pictures::kAdvancedDown,
     Advanced, kAdvancedPageControls, buttons::kAdvancedPageButton},
    {skin::pictures::kColorNormalPink, skin::pictures::kColorOverRed,
     skin::pictures::kColorDownPurple, Color, kColorPageControls, buttons::kColorPageButton},
};

}  // namespace page_rows

using page_rows::kAdvancedPageControls;
using page_rows::kColorPageControls;
using page_rows::kFrameControls;
using page_rows::kMainPageControls;
using page_rows::kPages;

// The window's pages: the frame's table, shown on every page, and the three pages. The program
// shows the shipped set; a test gives the window a set with rows of its own.
struct PageSet {
    std::span<const Control> frame;
    std::span<const PageInfo> pages;  // kMainPage, kAdvancedPage, kColorPage

    // The page's row; a page number outside the set reads as the main page.
    constexpr const PageInfo& Of(std::uint8_t page) const {
        return page < pages.size() ? pages[page] : pages[kMainPage];
    }
};

inline constexpr PageSet kShippedPages{kFrameControls, kPages};

}  // namespace zel::app
