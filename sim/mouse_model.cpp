#include "sim/mouse_model.h"

#include <algorithm>

#include "platform/hex_text.h"

namespace zel::sim {
namespace {

std::size_t Clamp(std::size_t value, std::size_t low) {
    return std::clamp(value, low, kMaxReportLength);
}

// A byte as messages show it: "0x" and two digits.
std::string ByteText(std::uint8_t value) {
    return "0x" + platform::HexNumber(value, 2);
}

struct CommandInfo {
    FeatureCommand command;
    std::string_view name;
    std::size_t bytesNeeded;  // report ID, command and the payload the mouse reads
};

constexpr std::array<CommandInfo, 9> kCommands{{
    {FeatureCommand::DpiLevel, "dpi_level", 5},
    {FeatureCommand::ButtonFunction, "button_function", 4},
    {FeatureCommand::Wheel, "wheel", 3},
    {FeatureCommand::FireTime, "fire_time", 4},
    {FeatureCommand::Led, "led", 4},
    {FeatureCommand::Keys, "keys", 8},
    {FeatureCommand::MouseButtons, "mouse_buttons", 4},
    {FeatureCommand::ConsumerKey, "consumer_key", 4},
    {FeatureCommand::Shutdown, "shutdown", 2},
}};

const CommandInfo* FindCommand(std::uint8_t code) {
    for (const CommandInfo& info : kCommands) {
        if (static_cast<std::uint8_t>(info.command) == code) {
            return &info;
        }
    }
    return nullptr;
}

FeatureResult Ignored(std::string_view command, std::string note) {
    return {FeatureResult::Outcome::Ignored, command, std::move(note)};
}

}  // namespace

std::string CheckReportLengths(const ReportLengths& lengths) {
    if (lengths.input < kMinInputReportLength || lengths.input > kMaxReportLength) {
        return "input report length must be " + std::to_string(kMinInputReportLength) + ".." +
               std::to_string(kMaxReportLength) + " bytes";
    }
    if (lengths.feature < kMinFeatureReportLength || lengths.feature > kMaxReportLength) {
        return "feature report length must be " + std::to_string(kMinFeatureReportLength) + ".." +
               std::to_string(kMaxReportLength) + " bytes";
    }
    return {};
}

std::string_view OutcomeName(FeatureResult::Outcome outcome) {
    switch (outcome) {
        case FeatureResult::Outcome::Applied:
            return "applied";
        case FeatureResult::Outcome::Ignored:
            return "ignored";
        case FeatureResult::Outcome::Refused:
            return "refused";
    }
    return "refused";
}

MouseModel::MouseModel(ReportLengths lengths)
    : lengths_{Clamp(lengths.input, kMinInputReportLength),
               Clamp(lengths.feature, kMinFeatureReportLength)} {}

std::array<CollectionInfo, 2> MouseModel::Collections() const {
    return {{
        {0xFF00, 0x0001, kInputReportId, lengths_.input, 0},
        {0xFF01, 0x0001, kFeatureReportId, 0, lengths_.feature},
    }};
}

FeatureResult MouseModel::HandleFeatureReport(std::span<const std::uint8_t> report) {
    FeatureResult result;
    if (report.empty()) {
        result.note = "empty report";
    } else if (report[0] != kFeatureReportId) {
        result.note = "report ID " + ByteText(report[0]) + " is not a feature report of this mouse";
    } else if (report.size() != lengths_.feature) {
        result.note = "length " + std::to_string(report.size()) + ", the feature report is " +
                      std::to_string(lengths_.feature) + " bytes";
    } else if (const CommandInfo* info = FindCommand(report[1]); info == nullptr) {
        result = Ignored("unknown", "unknown command " + ByteText(report[1]));
    } else if (report.size() < info->bytesNeeded) {
        result = Ignored(info->name, "report too short for this command");
    } else {
        result = Apply(info->command, report);
        result.command = info->name;
    }

    switch (result.outcome) {
        case FeatureResult::Outcome::Applied:
            ++state_.featuresApplied;
            break;
        case FeatureResult::Outcome::Ignored:
            ++state_.featuresIgnored;
            break;
        case FeatureResult::Outcome::Refused:
            ++state_.featuresRefused;
            break;
    }
    return result;
}

FeatureResult MouseModel::Apply(FeatureCommand command, std::span<const std::uint8_t> r) {
    FeatureResult applied{FeatureResult::Outcome::Applied, {}, {}};
    switch (command) {
        case FeatureCommand::DpiLevel: {
            // byte 2 = 0x40 + current level; byte 3 = code << 4 | 8 + level; byte 4 = mask.
            const unsigned current = r[2] & 0x0Fu;
            const unsigned slot = r[3] & 0x0Fu;
            if ((r[2] & 0xF0u) != 0x40u || current >= kDpiLevelCount) {
                return Ignored({}, "current level byte " + ByteText(r[2]) + " is not 0x40..0x43");
            }
            if (slot < 8 || slot - 8 >= kDpiLevelCount) {
                return Ignored({}, "level byte " + ByteText(r[3]) + " names no level 0..3");
            }
            if ((r[4] & 0xF0u) != 0) {
                return Ignored({}, "enable mask " + ByteText(r[4]) + " has bits above level 3");
            }
            state_.dpiCodes[slot - 8] = static_cast<std::uint8_t>(r[3] >> 4);
            state_.dpiLevel = static_cast<std::uint8_t>(current);
            state_.dpiEnableMask = r[4];
            break;
        }
        case FeatureCommand::ButtonFunction:
            if (r[2] < 1 || r[2] > kButtonCount) {
                return Ignored({}, "button number " + std::to_string(r[2]) + " is not 1..6");
            }
            state_.buttonCodes[r[2] - 1] = r[3];
            break;
        case FeatureCommand::Wheel:
            state_.wheel = r[2];
            break;
        case FeatureCommand::FireTime:
            state_.fireInterval = static_cast<std::uint16_t>(r[2] << 8 | r[3]);
            break;
        case FeatureCommand::Led:
            if (r[3] < 0x10 || r[3] > 0x1F) {
                return Ignored({}, "LED byte " + ByteText(r[3]) + " is not 0x10..0x1f");
            }
            state_.ledCode = static_cast<std::uint8_t>(r[3] - 0x10);
            break;
        case FeatureCommand::Keys:
            std::copy_n(r.begin() + 2, state_.keys.size(), state_.keys.begin());
            break;
        case FeatureCommand::MouseButtons:
            state_.mouseButtons = r[3];
            break;
        case FeatureCommand::ConsumerKey:
            state_.consumerUsage = static_cast<std::uint16_t>(r[2] << 8 | r[3]);
            ++state_.consumerReports;
            break;
        case FeatureCommand::Shutdown:
            state_.shutDown = true;
            ++state_.shutdowns;
            return applied;
    }
    state_.shutDown = false;
    return applied;
}

ButtonResult MouseModel::Press(int button) {
    return ButtonEvent(button, true);
}

ButtonResult MouseModel::Release(int button) {
    return ButtonEvent(button, false);
}

ButtonResult MouseModel::ButtonEvent(int button, bool press) {
    ButtonResult result;
    if (button < 1 || button > kButtonCount) {
        result.error = "button " + std::to_string(button) + " does not exist (buttons are 1..6)";
        return result;
    }
    result.valid = true;
    const std::size_t index = static_cast<std::size_t>(button - 1);
    state_.buttonsDown[index] = press;
    result.deviceCode = state_.buttonCodes[index];

    const bool switchesDpi = std::find(kDpiSwitchCodes.begin(), kDpiSwitchCodes.end(),
                                       result.deviceCode) != kDpiSwitchCodes.end();
    if (switchesDpi) {
        if (press) {
            state_.dpiLevel = NextEnabledLevel();
            result.report = InputReport(button, state_.dpiLevel);
        } else {
            result.report = InputReport(button, kReleaseValue);
        }
    } else if (result.deviceCode == kHostFunctionCode || result.deviceCode == kReportRateCode) {
        result.report = InputReport(button, press ? kPressValue : kReleaseValue);
    }
    return result;
}

std::uint8_t MouseModel::NextEnabledLevel() const {
    for (int step = 1; step <= kDpiLevelCount; ++step) {
        const int candidate = (state_.dpiLevel + step) % kDpiLevelCount;
        if (state_.dpiEnableMask & (1u << candidate)) {
            return static_cast<std::uint8_t>(candidate);
        }
    }
    return state_.dpiLevel;  // no level enabled: stay
}

std::vector<std::uint8_t> MouseModel::InputReport(int button, std::uint8_t value) const {
    std::vector<std::uint8_t> report(lengths_.input, 0);
    report[0] = kInputReportId;
    report[1] = static_cast<std::uint8_t>(kButtonEventBase + button);
    report[2] = value;
    return report;
}

void MouseModel::PowerOff() {
    state_.keys.fill(0);
    state_.mouseButtons = 0xFF;
    state_.buttonsDown.fill(false);
}

}  // namespace zel::sim
