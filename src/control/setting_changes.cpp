#include "control/setting_changes.h"

#include <charconv>

#include "settings/button_function.h"
#include "settings/dpi_step_table.h"
#include "settings/profile_operations.h"

namespace zel::control {
namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

std::optional<std::int32_t> Number(std::string_view text) {
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
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

std::string Bad(const SettingChange& change, std::string_view allowed) {
    return "bad value \"" + change.value + "\" for " + change.key + ": allowed " +
           std::string(allowed);
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

bool HasPrimaryClick(const settings::ProfileSettings& profile) {
    for (const auto& code : profile.K) {
        if (code.load(kRelaxed) == settings::kPrimaryClickFunction) {
            return true;
        }
    }
    return false;
}

std::optional<std::string> ApplyOne(settings::ProfileSettings& profile, const SettingChange& change,
                                    const FunctionNaming& naming) {
    const std::string_view key = change.key;
    const std::string_view value = change.value;
    if (const auto button = KeyIndex(key, "button", settings::kButtonCount)) {
        const auto code = naming.CodeOf(value);
        if (!code) {
            return Bad(change, FunctionList(naming));
        }
        profile.K[*button].store(*code, kRelaxed);
        return std::nullopt;
    }
    if (const auto level = KeyIndex(key, "dpi", settings::kDpiLevelCount)) {
        const auto index = static_cast<std::int32_t>(*level);
        const bool enabled = profile.DPI_SET_EN[*level].load(kRelaxed) != 0;
        if (value == kDpiOff) {
            if (enabled) {
                settings::ToggleDpiLevelEnabled(profile, index);
                if (profile.DPI_SET_EN[*level].load(kRelaxed) != 0) {
                    return "bad value \"off\" for " + change.key +
                           ": at least one DPI level stays enabled";
                }
            }
            return std::nullopt;
        }
        const auto dpi = Number(value);
        for (std::size_t step = 0; dpi && step < settings::DpiStepTable.size(); ++step) {
            if (settings::DpiStepTable[step].dpi == *dpi) {
                settings::SetDpiStep(profile, index, static_cast<std::int32_t>(step));
                if (!enabled) {
                    settings::ToggleDpiLevelEnabled(profile, index);
                }
                return std::nullopt;
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
        return std::nullopt;
    }
    if (key == "led") {
        const auto mode = IndexOf(kLedModeNames, value);
        if (!mode) {
            return Bad(change, Join(kLedModeNames));
        }
        settings::SetLedStatus(profile, *mode);
        return std::nullopt;
    }
    if (key == "wheel") {
        const auto mode = IndexOf(kWheelModeNames, value);
        if (!mode) {
            return Bad(change, Join(kWheelModeNames));
        }
        settings::SetWheelStatus(profile, *mode);
        return std::nullopt;
    }
    if (key == "macro-mode") {
        const auto mode = IndexOf(kMacroModeNames, value);
        if (!mode) {
            return Bad(change, Join(kMacroModeNames));
        }
        profile.MACRO_MODE2.store(*mode, kRelaxed);
        return std::nullopt;
    }
    if (key == "fire-interval") {
        const auto ms = Number(value);
        if (!ms || *ms < 0 || *ms > settings::kMaxFireTime) {
            return Bad(change, "0 ... " + std::to_string(settings::kMaxFireTime) + " (ms)");
        }
        profile.FIRE_TIME.store(*ms, kRelaxed);
        return std::nullopt;
    }
    if (key == "pointer-speed" || key == "wheel-speed") {
        const auto speed = Number(value);
        if (!speed || *speed < 1 || *speed > settings::kLastSpeedStep + 1) {
            return Bad(change, "1 ... " + std::to_string(settings::kLastSpeedStep + 1));
        }
        if (key == "pointer-speed") {
            settings::SetPointerSpeed(profile, *speed - 1);
        } else {
            settings::SetWheelSpeed(profile, *speed - 1);
        }
        return std::nullopt;
    }
    std::string keys;
    for (const std::string_view known : kSettingKeys) {
        keys += keys.empty() ? "" : ", ";
        keys += known;
    }
    return "unknown key \"" + change.key + "\": the keys are " + keys;
}

}  // namespace

std::optional<std::string> ApplySettingChanges(settings::ProfileSettings& profile,
                                               std::span<const SettingChange> changes,
                                               const FunctionNaming& naming) {
    const bool hadPrimary = HasPrimaryClick(profile);
    for (const bool levelPass : {false, true}) {
        for (const SettingChange& change : changes) {
            if ((change.key == "dpi-level") != levelPass) {
                continue;
            }
            if (auto error = ApplyOne(profile, change, naming)) {
                return error;
            }
        }
    }
    // The window warns before the last primary click goes; a script gets a refusal.
    if (hadPrimary && !HasPrimaryClick(profile)) {
        return "no button would be left with " + naming.NameOf(settings::kPrimaryClickFunction) +
               ": give it to one of button1 ... button6 in the same command";
    }
    return std::nullopt;
}

}  // namespace zel::control
