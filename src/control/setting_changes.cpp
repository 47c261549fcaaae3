#include "control/setting_changes.h"

#include <functional>
#include <vector>

#include "platform/whole_number.h"
#include "settings/button_function.h"
#include "settings/config_files.h"
#include "settings/dpi_step_table.h"
#include "settings/profile_actions.h"
#include "settings/profile_operations.h"

namespace zel::control {
namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

std::optional<std::int32_t> Number(std::string_view text) {
    return platform::ParseWholeNumber<std::int32_t>(text);
}

std::optional<std::int32_t> IndexOf(std::span<const std::string_view> names,
                                    std::string_view text) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == text) {
            return static_cast<std::int32_t>(i);
        }
    }
    return std::nullopt;
}

std::string Join(std::span<const std::string_view> names) {
    std::string text;
    for (const std::string_view name : names) {
        text += text.empty() ? "" : ", ";
        text += name;
    }
    return text;
}

platform::Error Invalid(std::string message) {
    return {platform::ErrorCode::kInvalidInput, std::move(message)};
}

platform::Error Bad(const SettingChange& change, std::string_view allowed) {
    return Invalid("bad value \"" + change.value + "\" for " + change.key + ": allowed " +
                   std::string(allowed));
}

std::string DpiValues() {
    std::string text;
    for (const settings::DpiStep& step : settings::DpiStepTable) {
        text += std::to_string(step.dpi) + ", ";
    }
    return text + "or off";
}

std::string FunctionList(const FunctionNaming& naming) {
    std::string text;
    for (const std::int32_t code : naming.OfferedCodes()) {
        text += "\n  " + std::to_string(code) + "  " + naming.IdentifierOf(code) + "  " +
                naming.NameOf(code);
    }
    return "a function identifier, name or number:" + text;
}

// The ranges `set` takes, as the numbers stored in a profile.
constexpr std::int32_t kLastDpiStep = static_cast<std::int32_t>(settings::DpiStepTable.size()) - 1;
bool IsFireInterval(std::int32_t ms) {
    return ms >= 0 && ms <= settings::kMaxFireTime;
}
bool IsSpeedStep(std::int32_t step) {
    return step >= 0 && step <= settings::kLastSpeedStep;
}
bool IsModeOf(std::span<const std::string_view> names, std::int32_t mode) {
    return mode >= 0 && static_cast<std::size_t>(mode) < names.size();
}
std::string FireIntervals() {
    return "0 ... " + std::to_string(settings::kMaxFireTime) + " (ms)";
}
std::string SpeedSteps() {
    return "1 ... " + std::to_string(settings::kLastSpeedStep + 1);
}

std::string NoPrimaryClickLeft(const FunctionNaming& naming) {
    return "no button would be left with " + naming.NameOf(settings::kPrimaryClickFunction) +
           ": give it to one of button1 ... button6 in the same command";
}

// "button3" -> 2 for prefix "button" and 6 entries.
std::optional<std::size_t> KeyIndex(std::string_view key, std::string_view prefix,
                                    std::size_t count) {
    if (!key.starts_with(prefix) || key.size() != prefix.size() + 1) {
        return std::nullopt;
    }
    const char digit = key.back();
    if (digit < '1' || digit > static_cast<char>('0' + count)) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(digit - '1');
}

platform::Result<void> ApplyOne(settings::ProfileSettings& profile, const SettingChange& change,
                                const FunctionNaming& naming) {
    const std::string_view key = change.key;
    const std::string_view value = change.value;
    if (const auto button = KeyIndex(key, "button", settings::kButtonCount)) {
        const auto code = naming.CodeOf(value);
        if (!code) {
            return Bad(change, FunctionList(naming));
        }
        profile.K[*button].store(*code, kRelaxed);
        return platform::Ok();
    }
    if (const auto level = KeyIndex(key, "dpi", settings::kDpiLevelCount)) {
        const auto index = static_cast<std::int32_t>(*level);
        const bool enabled = profile.DPI_SET_EN[*level].load(kRelaxed) != 0;
        if (value == kDpiOff) {
            if (enabled) {
                settings::ToggleDpiLevelEnabled(profile, index);
                if (profile.DPI_SET_EN[*level].load(kRelaxed) != 0) {
                    return Invalid("bad value \"off\" for " + change.key +
                                   ": at least one DPI level stays enabled");
                }
            }
            return platform::Ok();
        }
        const auto dpi = Number(value);
        for (std::size_t step = 0; dpi && step < settings::DpiStepTable.size(); ++step) {
            if (settings::DpiStepTable[step].dpi == *dpi) {
                settings::SetDpiStep(profile, index, static_cast<std::int32_t>(step));
                if (!enabled) {
                    settings::ToggleDpiLevelEnabled(profile, index);
                }
                return platform::Ok();
            }
        }
        return Bad(change, DpiValues());
    }
    if (key == "dpi-level") {
        const auto level = Number(value);
        if (!level || *level < 1 || *level > settings::kDpiLevelCount) {
            return Bad(change, "1, 2, 3 or 4 (an enabled level)");
        }
        if (profile.DPI_SET_EN[static_cast<std::size_t>(*level - 1)].load(kRelaxed) == 0) {
            return Bad(change, "an enabled level; level " + std::string(value) +
                                   " is off (enable it with dpi" + std::string(value) + "=VALUE)");
        }
        settings::SelectDpiLevel(profile, *level - 1);
        return platform::Ok();
    }
    if (key == "led") {
        const auto mode = IndexOf(kLedModeNames, value);
        if (!mode) {
            return Bad(change, Join(kLedModeNames));
        }
        settings::SetLedStatus(profile, *mode);
        return platform::Ok();
    }
    if (key == "wheel") {
        const auto mode = IndexOf(kWheelModeNames, value);
        if (!mode) {
            return Bad(change, Join(kWheelModeNames));
        }
        settings::SetWheelStatus(profile, *mode);
        return platform::Ok();
    }
    if (key == "macro-mode") {
        const auto mode = IndexOf(kMacroModeNames, value);
        if (!mode) {
            return Bad(change, Join(kMacroModeNames));
        }
        profile.MACRO_MODE2.store(*mode, kRelaxed);
        return platform::Ok();
    }
    if (key == "fire-interval") {
        const auto ms = Number(value);
        if (!ms || !IsFireInterval(*ms)) {
            return Bad(change, FireIntervals());
        }
        profile.FIRE_TIME.store(*ms, kRelaxed);
        return platform::Ok();
    }
    if (key == "pointer-speed" || key == "wheel-speed") {
        const auto speed = Number(value);
        if (!speed || !IsSpeedStep(*speed - 1)) {
            return Bad(change, SpeedSteps());
        }
        if (key == "pointer-speed") {
            settings::SetPointerSpeed(profile, *speed - 1);
        } else {
            settings::SetWheelSpeed(profile, *speed - 1);
        }
        return platform::Ok();
    }
    std::string keys;
    for (const std::string_view known : kSettingKeys) {
        keys += keys.empty() ? "" : ", ";
        keys += known;
    }
    return Invalid("unknown key \"" + change.key + "\": the keys are " + keys);
}

}  // namespace

platform::Result<void> ApplySettingChanges(settings::ProfileSettings& profile,
                                           std::span<const SettingChange> changes,
                                           const FunctionNaming& naming) {
    const bool hadPrimary = settings::HasPrimaryClick(profile);
    for (const bool levelPass : {false, true}) {
        for (const SettingChange& change : changes) {
            if ((change.key == "dpi-level") != levelPass) {
                continue;
            }
            if (platform::Result<void> applied = ApplyOne(profile, change, naming); !applied.ok()) {
                return applied;
            }
        }
    }
    // The window warns before the last primary click goes; a script gets a refusal.
    if (hadPrimary && !settings::HasPrimaryClick(profile)) {
        return Invalid(NoPrimaryClickLeft(naming));
    }
    return platform::Ok();
}

namespace {

// One stored key of a profile section: its name in the file, the `set` key it stands for, and
// whether a number is good for it.
struct StoredKeyRule {
    std::string fileKey;
    std::string setKey;
    std::function<bool(std::int32_t)> takes;
    std::string allowed;
};

std::vector<StoredKeyRule> StoredKeyRules(const FunctionNaming& naming) {
    std::vector<StoredKeyRule> rules;
    for (std::int32_t i = 0; i < settings::kButtonCount; ++i) {
        rules.push_back(
            {"K" + std::to_string(i), "button" + std::to_string(i + 1),
             [&naming](std::int32_t code) { return naming.CodeOf(std::to_string(code)) == code; },
             FunctionList(naming)});
    }
    for (std::int32_t n = 0; n < settings::kDpiLevelCount; ++n) {
        const std::string level = std::to_string(n + 1);
        rules.push_back(
            {"DPI_SET" + std::to_string(n), "dpi" + level,
             [](std::int32_t step) { return step >= 0 && step <= kLastDpiStep; },
             "a DPI step 0 ... " + std::to_string(kLastDpiStep) + " (" + DpiValues() + ")"});
        rules.push_back({"DPI_SET_EN" + std::to_string(n), "dpi" + level,
                         [](std::int32_t on) { return on == 0 || on == 1; }, "0 (off) or 1 (on)"});
    }
    rules.push_back(
        {"DPI_LEVEL", "dpi-level",
         [](std::int32_t level) { return level >= 0 && level < settings::kDpiLevelCount; },
         "0 ... 3 (an enabled level)"});
    auto mode = [](std::span<const std::string_view> names) {
        return [names](std::int32_t value) { return IsModeOf(names, value); };
    };
    auto modes = [](std::span<const std::string_view> names) {
        return "0 ... " + std::to_string(names.size() - 1) + " (" + Join(names) + ")";
    };
    rules.push_back({"LED_STATUS", "led", mode(kLedModeNames), modes(kLedModeNames)});
    rules.push_back({"WHEEL_STATUS", "wheel", mode(kWheelModeNames), modes(kWheelModeNames)});
    rules.push_back({"MACRO_MODE2", "macro-mode", mode(kMacroModeNames), modes(kMacroModeNames)});
    const std::string steps =
        "0 ... " + std::to_string(settings::kLastSpeedStep) + " (" + SpeedSteps() + " in set)";
    rules.push_back({"DPI_SPEED", "pointer-speed", IsSpeedStep, steps});
    rules.push_back({"WHEEL_SPEED", "wheel-speed", IsSpeedStep, steps});
    rules.push_back({"FIRE_TIME", "fire-interval", IsFireInterval, FireIntervals()});
    rules.push_back({"USB_SPEED", "report rate",
                     [](std::int32_t rate) { return rate >= 0 && rate <= settings::kLastUsbSpeed; },
                     "0 ... " + std::to_string(settings::kLastUsbSpeed)});
    return rules;
}

}  // namespace

platform::Result<void> CheckImportedProfile(const ini::IniDocument& document,
                                            const FunctionNaming& naming) {
    const std::string section = settings::ProfileSectionName(settings::kExchangeProfile);
    for (const StoredKeyRule& rule : StoredKeyRules(naming)) {
        const std::string text = document.Get(section, rule.fileKey);
        const auto number = Number(text);
        // Every good value has at most 4 characters, all of which the profile's reading takes.
        if (!number || text.size() >= settings::kShortReadBuffer || !rule.takes(*number)) {
            return Invalid("bad value \"" + text + "\" for " + rule.fileKey + " (" + rule.setKey +
                           "): allowed " + rule.allowed);
        }
    }
    settings::ProfileSettings profile;
    settings::LoadProfile(document, settings::kExchangeProfile, false, 1, profile);
    const std::int32_t level = profile.DPI_LEVEL.load(kRelaxed);
    if (profile.DPI_SET_EN[static_cast<std::size_t>(level)].load(kRelaxed) == 0) {
        return Invalid("bad value \"" + std::to_string(level) +
                       "\" for DPI_LEVEL (dpi-level): level " + std::to_string(level + 1) +
                       " is off");
    }
    if (!settings::HasPrimaryClick(profile)) {
        return Invalid("no button has " + naming.NameOf(settings::kPrimaryClickFunction) +
                       " (K0 ... K5 = button1 ... button6)");
    }
    return platform::Ok();
}

}  // namespace zel::control
