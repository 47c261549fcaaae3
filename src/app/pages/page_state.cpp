#include "app/pages/page_state.h"

#include <array>

#include "app/pages/page_table.h"
#include "platform/edition.h"
#include "settings/dpi_step_table.h"
#include "settings/profile_operations.h"
#include "settings/profile_values.h"
#include "text/catalog.h"

namespace zel::app {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

std::string FunctionName(int code, const PageStateView& view) {
    if (code >= macro::kFirstUserMacroFunction) {
        return view.macros.MacroLabel(code);
    }
    if (code >= 0 && code < static_cast<int>(view.layout.functionNames.size())) {
        return view.layout.functionNames[static_cast<std::size_t>(code)];
    }
    return {};
}

const std::string& CaptionAt(const Control& control, int index, const PageStateView& view) {
    static const std::string kEmpty;
    const auto list = ButtonsOf(view.layout, control.list);
    return index >= 0 && index < static_cast<int>(list.size())
               ? list[static_cast<std::size_t>(index)].caption
               : kEmpty;
}

// Controls that show only a picture.
std::string PictureControlName(Command command, int languageFlag) {
    switch (command) {
        case Command::Minimise:
            return std::string(text::Text(text::TextId::kMinimiseControl, languageFlag));
        case Command::Close:
            return std::string(text::Text(text::TextId::kCloseControl, languageFlag));
        default:
            return {};
    }
}

// Controls whose caption is ambiguous on its page or says little: named by what they do.
std::optional<text::TextId> NameOfCommand(Command command) {
    switch (command) {
        case Command::ImportProfile:
            return text::TextId::kImportProfileControl;
        case Command::ExportProfile:
            return text::TextId::kExportProfileControl;
        case Command::ImportMacros:
            return text::TextId::kImportMacrosControl;
        case Command::ExportMacros:
            return text::TextId::kExportMacrosControl;
        case Command::AddMacro:
            return text::TextId::kAddMacroControl;
        case Command::DeleteMacro:
            return text::TextId::kDeleteMacroControl;
        case Command::ApplyRepeatCount:
            return text::TextId::kSetRepeatCountControl;
        default:
            return std::nullopt;
    }
}

}  // namespace

bool IsShownPressed(const Control& control, int member, const PageStateView& view) {
    const settings::ProfileSettings& profile = view.profile;
    const auto n = static_cast<std::size_t>(member);
    switch (control.indicator) {
        case Indicator::NoIndicator:
            return false;
        case Indicator::CurrentProfile:
            return view.currentProfile == member + 1;
        case Indicator::CurrentPage:
            return view.pages.Of(view.currentPage).frameButton == control.first + member;
        case Indicator::EditionCN:
            return !platform::IsEnglishEdition(view.languageFlag);
        case Indicator::EditionEN:
            // Only the flag 1 lights EN, though any other non-zero flag shows the EN texts.
            return platform::IsExactlyEnglishFlag(view.languageFlag);
        case Indicator::DpiLevelSelected:
            return profile.DPI_LEVEL.load(kRelaxed) == member;
        case Indicator::DpiLevelEnabled:
            return n < profile.DPI_SET_EN.size() && profile.DPI_SET_EN[n].load(kRelaxed) != 0;
        case Indicator::WheelStatus:
            return (profile.WHEEL_STATUS.load(kRelaxed) == 0 ? 0 : 1) == member;
        case Indicator::PointerSpeed:
            return profile.DPI_SPEED.load(kRelaxed) == member;
        case Indicator::WheelSpeed:
            return profile.WHEEL_SPEED.load(kRelaxed) == member;
        case Indicator::Recording:
            return view.recording;
        case Indicator::RepeatOn:
            return view.macros.UserMacro(view.macros.CurrentMacro()).repeatOn == 1;
        case Indicator::MacroMode:
            return profile.MACRO_MODE2.load(kRelaxed) != 0;
        case Indicator::LedMode:
            return profile.LED_STATUS.load(kRelaxed) == member;
    }
    return false;
}

std::optional<std::string> LiveCaption(const Control& control, int member,
                                       const PageStateView& view) {
    const settings::ProfileSettings& profile = view.profile;
    switch (control.caption) {
        case CaptionSource::Layout:
            return std::nullopt;
        case CaptionSource::FunctionName:
            if (member < 0 || member >= static_cast<int>(profile.K.size())) {
                return std::string();
            }
            return FunctionName(profile.K[static_cast<std::size_t>(member)].load(kRelaxed), view);
        case CaptionSource::RecordState:
            return std::string(
                text::Text(view.recording ? text::TextId::kStopRecording : text::TextId::kRecord,
                           view.languageFlag));
        case CaptionSource::FireTime:
            return std::to_string(profile.FIRE_TIME.load(kRelaxed)) + "ms";
        case CaptionSource::PressCount:
            return "[\xE2\x86\x93]" + std::to_string(view.steps.downCount);
        case CaptionSource::ReleaseCount:
            return "[\xE2\x86\x91]" + std::to_string(view.steps.upCount);
        case CaptionSource::CurrentDpi:
            return std::to_string(
                settings::DpiShownForLevel(settings::TakeDerivedValues(profile).appliedDpiCode,
                                           profile.DPI_LEVEL.load(kRelaxed)));
    }
    return std::nullopt;
}

std::string ControlName(const Control& control, int member, const PageStateView& view) {
    const int shown = member < 0 ? 0 : member;
    if (const auto id = NameOfCommand(control.command)) {
        return std::string(text::Text(*id, view.languageFlag));
    }
    if (control.caption == CaptionSource::PressCount ||
        control.caption == CaptionSource::ReleaseCount) {
        const bool presses = control.caption == CaptionSource::PressCount;
        return text::Message(
            presses ? text::TextId::kPressStepsName : text::TextId::kReleaseStepsName,
            view.languageFlag,
            {{"{n}", std::to_string(presses ? view.steps.downCount : view.steps.upCount)}});
    }
    std::string own =
        LiveCaption(control, shown, view).value_or(CaptionAt(control, control.first + shown, view));
    if (control.label < 0) {
        return own.empty() ? PictureControlName(control.command, view.languageFlag) : own;
    }
    const int labelMembers = control.kind == ControlKind::StepBar ? 0 : shown;
    std::string name = CaptionAt(control, control.label + labelMembers, view);
    switch (control.kind) {
        case ControlKind::ChoiceField:
            // The function is the field's value, not part of its name.
            return name.empty() ? own : name;
        case ControlKind::Readout:
            return own.empty() ? name : name + ": " + own;
        case ControlKind::SpinButton:
            return own.empty() ? name : name + " " + own;
        case ControlKind::CheckBox:
            return control.command == Command::ToggleDpiLevel
                       ? text::Message(text::TextId::kLevelOnName, view.languageFlag,
                                       {{"{label}", name}})
                       : name;
        case ControlKind::StepBar:
            return control.command == Command::SetDpiStep
                       ? text::Message(text::TextId::kLevelDpiName, view.languageFlag,
                                       {{"{label}", name}})
                       : name;
        default:
            return name;
    }
}

std::string ControlValueText(const Control& control, int member, const PageStateView& view) {
    switch (control.kind) {
        case ControlKind::ChoiceField:
            return LiveCaption(control, member < 0 ? 0 : member, view).value_or(std::string());
        case ControlKind::StepBar:
        case ControlKind::Slider: {
            const int shown = ShownValue(control, ControlValue(control, view));
            if (control.command == Command::SetDpiStep) {
                return text::Message(text::TextId::kDpiValue, view.languageFlag,
                                     {{"{n}", std::to_string(shown)}});
            }
            return control.kind == ControlKind::Slider ? std::to_string(shown) + "ms"
                                                       : std::to_string(shown);
        }
        default:
            return {};
    }
}

int ControlValue(const Control& control, const PageStateView& view) {
    const settings::ProfileSettings& profile = view.profile;
    switch (control.command) {
        case Command::SetDpiStep: {
            const auto n = static_cast<std::size_t>(control.arg);
            return n < profile.DPI_SET.size() ? profile.DPI_SET[n].load(kRelaxed) : 0;
        }
        case Command::SetPointerSpeed:
            return profile.DPI_SPEED.load(kRelaxed);
        case Command::SetWheelSpeed:
            return profile.WHEEL_SPEED.load(kRelaxed);
        case Command::SetFireTimeFromSlider:
            return profile.FIRE_TIME.load(kRelaxed);
        default:
            return 0;
    }
}

int ControlMaximum(const Control& control) {
    return control.kind == ControlKind::Slider ? settings::kMaxFireTime : control.count - 1;
}

int ShownValue(const Control& control, int value) {
    switch (control.command) {
        case Command::SetDpiStep:
            return settings::DpiStepTable[static_cast<std::size_t>(
                                              settings::IsValidDpiStep(value)
                                                  ? value
                                                  : settings::kFallbackDpiStep)]
                .dpi;
        case Command::SetPointerSpeed:
        case Command::SetWheelSpeed:
            return value + 1;
        default:
            return value;
    }
}

}  // namespace zel::app
