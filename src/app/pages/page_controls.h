#pragma once

// The vocabulary of the pages' control tables: what a control is, where its rectangle comes
// from, what pressing it runs, what state shows it pressed and where its caption comes from.
// Painting, hit-testing, hover and clicks all read the tables built from these rows.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "skin/skin_layout.h"

namespace zel::app {

// The skin layout's button list a control's rectangles come from.
enum class ButtonList : std::uint8_t { Main, Advanced, Color };

// What a control is to the user (and to assistive technology).
enum class ControlKind : std::uint8_t {
    PushButton,
    ToggleButton,
    RadioButton,  // one of a group: profiles, wheel modes, DPI level, speeds, LED modes, editions
    CheckBox,
    PageTab,
    StepBar,      // a DPI level's twelve steps
    Slider,       // the fire interval
    SpinButton,   // a step up or down of the fire interval
    ChoiceField,  // a mouse button's function; pressing opens the choice list
    Readout,      // a value shown as text
    Label,
    Picture,
    Preview,  // the lighting page's LED preview
    Unused,   // a layout entry with no meaning; it is still hit-tested where its list is
};

// When the control runs its command: when the button goes down (the pages' own controls and the
// page tabs), or when it comes up (the frame's buttons).
enum class Trigger : std::uint8_t { Never, Press, Release };

// What pressing a control runs. A group's command receives the member pressed.
enum class Command : std::uint8_t {
    NoCommand,
    // The frame.
    Save,
    RevertAndHide,
    Apply,
    SelectProfile,  // member 0 ... 4: profile 1 ... 5
    ShowMainPage,
    ShowAdvancedPage,
    ShowColorPage,
    Minimise,
    Close,
    ImportProfile,
    ExportProfile,
    ResetAll,
    SelectEditionCN,
    SelectEditionEN,
    // The main page.
    ChooseFunction,  // member: the mouse button
    SetWheelStatus,  // member: the wheel mode
    ToggleDpiLevel,  // member: the level
    SelectDpiLevel,  // member: the level
    SetDpiStep,      // member: level * 12 + step
    // The advanced page.
    ImportMacros,
    ExportMacros,
    AddMacro,
    DeleteMacro,
    ToggleRecording,
    ApplyRepeatCount,
    ToggleRepeat,
    ToggleMacroMode,
    SetPointerSpeed,        // member: the speed
    SetWheelSpeed,          // member: the speed
    SetFireTimeFromSlider,  // the pointer's x gives the value
    StepFireTimeUp,
    StepFireTimeDown,
    // The lighting page.
    SetLedMode,  // member: the mode
};

// Which state shows a control (or a group's member) pressed.
enum class Indicator : std::uint8_t {
    NoIndicator,
    CurrentProfile,  // member + 1 is the current profile
    CurrentPage,     // the control is the tab of the page shown
    EditionCN,
    EditionEN,
    DpiLevelSelected,  // member is DPI_LEVEL
    DpiLevelEnabled,   // DPI_SET_EN[member]
    WheelStatus,       // member 0 for WHEEL_STATUS 0, member 1 for any other
    PointerSpeed,      // member is DPI_SPEED
    WheelSpeed,        // member is WHEEL_SPEED
    Recording,
    RepeatOn,   // the current macro repeats
    MacroMode,  // MACRO_MODE2
    LedMode,    // member is LED_STATUS
};

// Where the caption painted on a control comes from.
enum class CaptionSource : std::uint8_t {
    Layout,        // the layout file's caption
    FunctionName,  // the name of the mouse button's function
    RecordState,   // "Record" or "Stop" in the edition shown
    FireTime,      // "<FIRE_TIME>ms"
    PressCount,    // the macro's press steps
    ReleaseCount,  // the macro's release steps
    CurrentDpi,    // the DPI of the level in use
};

// How a control is drawn in the skin's pictures (the skin painter draws each look in its resting,
// hovered and pressed state). A group's members share the look; the painter tells them apart by
// the member (a DPI level's mark, a speed step, an LED mode).
enum class Look : std::uint8_t {
    None,     // a caption, or an area the page's own artwork fills
    Header,   // a section title strip (no states)
    Action,   // a command button
    Primary,  // the apply button
    Record,   // the record button (red mark)
    Tab,      // a page tab
    Profile,  // a profile button
    Import,   // side-bar file actions, with their icon
    Export,
    Reset,
    Chip,  // the edition switches
    Minimise,
    Close,
    Logo,
    Field,          // a button's function field (opens the choice list)
    Checkbox,       // a DPI level's enable box
    Level,          // a DPI level's select mark
    Segment,        // one step of a DPI bar
    StepCell,       // one step of the pointer or wheel speed
    Toggle,         // a switch with an indicator light
    Slider,         // the fire-time slider
    Stepper,        // the small + and - buttons
    Display,        // a read-out (no states)
    LedMode,        // an LED mode
    LitCopy,        // over and down come from the page's lit rendering (the mouse picture)
    WarningAction,  // the warning window's buttons, whose captions are red
};

// One row of a page's table: a single control, or a group of `count` members whose rectangles
// are consecutive entries of the layout list. The tables write their rows with designated
// initializers; what a row leaves out keeps the default below.
struct Control {
    // The label of its layout entry: the name itself for a single control; for a group's member
    // the name, "_" and the member's name from `members`, or the name and the member's number
    // from 0 when the row names no members (see LayoutLabel).
    std::string_view name;
    ControlKind kind;
    ButtonList list;
    int first;      // index of the first member in the layout list
    int count = 1;  // members
    Trigger trigger = Trigger::Never;
    Command command = Command::NoCommand;
    Indicator indicator = Indicator::NoIndicator;
    CaptionSource caption = CaptionSource::Layout;
    // The pointer lights it (and a press shows the press picture). Beyond its list's last lit
    // entry a control is only drawn.
    bool lit = true;
    // The first entry of a group lit along with this control while the pointer is over it (the
    // mouse picture's zones); -1 for none.
    int companion = -1;
    // What the command takes besides the member: the DPI level of a level's step bar.
    int arg = 0;
    // The entry of the same list whose caption names the control (a group's members are named by
    // consecutive entries); -1 when its own caption does.
    int label = -1;
    // How the skin painter draws it.
    Look look = Look::None;
    // The names of a group's members in the layout's labels; empty: their numbers.
    std::span<const std::string_view> members = {};

    constexpr int Last() const { return first + count - 1; }
    constexpr bool Holds(int index) const { return index >= first && index <= Last(); }
};

// A pressed-looking indicator wins over the pointer's light, except the page tabs and the
// edition buttons, which the pointer lights over their pressed look.
constexpr bool IndicatorOutranksHover(Indicator indicator) {
    return indicator != Indicator::CurrentPage && indicator != Indicator::EditionCN &&
           indicator != Indicator::EditionEN;
}

// A control and one of its members.
struct ControlHit {
    const Control* control = nullptr;
    int member = 0;

    int Index() const { return control != nullptr ? control->first + member : -1; }
    explicit operator bool() const { return control != nullptr; }
};

// The label the layout files give entry `member` of `control` (see Control::name).
std::string LayoutLabel(const Control& control, int member);

// The layout list a control's rectangles come from.
std::span<const skin::SkinButton> ButtonsOf(const skin::SkinLayout& layout, ButtonList list);
std::span<skin::SkinButton> ButtonsOf(skin::SkinLayout& layout, ButtonList list);

// The control row and member that own layout entry `index` of `list`; empty when none does.
ControlHit ControlAtIndex(std::span<const Control> table, int index);

// The first lit member, in list order, whose rectangle in `buttons` contains (px, py).
ControlHit ControlAt(std::span<const Control> table, std::span<const skin::SkinButton> buttons,
                     int px, int py);

}  // namespace zel::app
