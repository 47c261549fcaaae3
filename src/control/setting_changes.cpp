#include "control/setting_changes.h"

#include <functional>
#include <vector>

#include "control/setting_table.h"
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
           ": give it to one of " + KeyRange(SettingOf(SettingKind::kButton)) +
           " in the same command";
}

static_assert(SettingOf(SettingKind::kButton).count == settings::kButtonCount);
static_assert(SettingOf(SettingKind::kDpi).count == settings::kDpiLevelCount);

platform::Result<void> ApplyDpi(settings::ProfileSettings& profile, const SettingChange& change,
                                std::size_t level) {
    const auto index = static_cast<std::int32_t>(level);
    const bool enabled = profile.DPI_SET_EN[level].load(kRelaxed) != 0;
    if (change.value == kDpiOff) {
        if (enabled) {
            settings::ToggleDpiLevelEnabled(profile, index);
            if (profile.DPI_SET_EN[level].load(kRelaxed) != 0) {
                return Invalid("bad value \"off\" for " + change.key +
                               ": at least one DPI level stays enabled");
            }
        }
        return platform::Ok();
    }
    const auto dpi = Number(change.value);
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

platform::Result<void> ApplyOne(settings::ProfileSettings& profile, const SettingChange& change,
                                const FunctionNaming& naming) {
    const auto key = FindSettingKey(change.key);
    if (!key) {
        return Invalid("unknown key \"" + change.key + "\": the keys are " + SettingKeyList());
    }
    const SettingKind kind = key->setting->kind;
    const std::string_view value = change.value;
    const auto mode = IndexOf(ModeNamesOf(kind), value);
    const auto number = Number(value);
    switch (kind) {
        case SettingKind::kButton: {
            const auto code = naming.CodeOf(value);
            if (!code) {
                return Bad(change, FunctionList(naming));
            }
            profile.K[key->index].store(*code, kRelaxed);
            return platform::Ok();
        }
        case SettingKind::kDpi:
            return ApplyDpi(profile, change, key->index);
        case SettingKind::kDpiLevel:
            if (!number || *number < 1 || *number > settings::kDpiLevelCount) {
                return Bad(change, "1, 2, 3 or 4 (an enabled level)");
            }
            if (profile.DPI_SET_EN[static_cast<std::size_t>(*number - 1)].load(kRelaxed) == 0) {
                return Bad(change, "an enabled level; level " + std::string(value) +
                                       " is off (enable it with " +
                                       std::string(SettingOf(SettingKind::kDpi).key) +
                                       std::string(value) + "=VALUE)");
            }
            settings::SelectDpiLevel(profile, *number - 1);
            return platform::Ok();
        case SettingKind::kLed:
        case SettingKind::kWheel:
        case SettingKind::kMacroMode:
            if (!mode) {
                return Bad(change, Join(ModeNamesOf(kind)));
            }
            if (kind == SettingKind::kLed) {
                settings::SetLedStatus(profile, *mode);
            } else if (kind == SettingKind::kWheel) {
                settings::SetWheelStatus(profile, *mode);
            } else {
                profile.MACRO_MODE2.store(*mode, kRelaxed);
            }
            return platform::Ok();
        case SettingKind::kFireInterval:
            if (!number || !IsFireInterval(*number)) {
                return Bad(change, FireIntervals());
            }
            profile.FIRE_TIME.store(*number, kRelaxed);
            return platform::Ok();
        case SettingKind::kPointerSpeed:
        case SettingKind::kWheelSpeed:
            if (!number || !IsSpeedStep(*number - 1)) {
                return Bad(change, SpeedSteps());
            }
            if (kind == SettingKind::kPointerSpeed) {
                settings::SetPointerSpeed(profile, *number - 1);
            } else {
                settings::SetWheelSpeed(profile, *number - 1);
            }
            return platform::Ok();
    }
    return platform::Ok();
}

}  // namespace

platform::Result<void> ApplySettingChanges(settings::ProfileSettings& profile,
                                           std::span<const SettingChange> changes,
                                           const FunctionNaming& naming) {
    const bool hadPrimary = settings::HasPrimaryClick(profile);
    for (const bool levelPass : {false, true}) {
        for (const SettingChange& change : changes) {
            if ((change.key == SettingOf(SettingKind::kDpiLevel).key) != levelPass) {
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
    auto modes = [](std::span<const std::string_view> names) {
        return "0 ... " + std::to_string(names.size() - 1) + " (" + Join(names) + ")";
    };
    const std::string steps =
        "0 ... " + std::to_string(settings::kLastSpeedStep) + " (" + SpeedSteps() + " in set)";
    std::vector<StoredKeyRule> rules;
    for (const CommandSetting& setting : kCommandSettings) {
        for (std::size_t index = 0; index < setting.count; ++index) {
            const std::string fileKey = FileKeyName(setting, index);
            const std::string setKey = KeyName(setting, index);
            const SettingKind kind = setting.kind;
            switch (kind) {
                case SettingKind::kButton:
                    rules.push_back({fileKey, setKey,
                                     [&naming](std::int32_t code) {
                                         return naming.CodeOf(std::to_string(code)) == code;
                                     },
                                     FunctionList(naming)});
                    break;
                case SettingKind::kDpi:
                    rules.push_back(
                        {fileKey, setKey,
                         [](std::int32_t step) { return step >= 0 && step <= kLastDpiStep; },
                         "a DPI step 0 ... " + std::to_string(kLastDpiStep) + " (" + DpiValues() +
                             ")"});
                    rules.push_back({std::string(setting.fileKey) + "_EN" + std::to_string(index),
                                     setKey, [](std::int32_t on) { return on == 0 || on == 1; },
                                     "0 (off) or 1 (on)"});
                    break;
                case SettingKind::kDpiLevel:
                    rules.push_back({fileKey, setKey,
                                     [](std::int32_t level) {
                                         return level >= 0 && level < settings::kDpiLevelCount;
                                     },
                                     "0 ... 3 (an enabled level)"});
                    break;
                case SettingKind::kLed:
                case SettingKind::kWheel:
                case SettingKind::kMacroMode:
                    rules.push_back({fileKey, setKey,
                                     [names = ModeNamesOf(kind)](std::int32_t value) {
                                         return IsModeOf(names, value);
                                     },
                                     modes(ModeNamesOf(kind))});
                    break;
                case SettingKind::kFireInterval:
                    rules.push_back({fileKey, setKey, IsFireInterval, FireIntervals()});
                    break;
                case SettingKind::kPointerSpeed:
                case SettingKind::kWheelSpeed:
                    rules.push_back({fileKey, setKey, IsSpeedStep, steps});
                    break;
            }
        }
    }
    // Stored with the profile but not a setting of the command line.
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
        const CommandSetting& levels = SettingOf(SettingKind::kDpiLevel);
        return Invalid("bad value \"" + std::to_string(level) + "\" for " + FileKeyName(levels, 0) +
                       " (" + KeyName(levels, 0) + "): level " + std::to_string(level + 1) +
                       " is off");
    }
    if (!settings::HasPrimaryClick(profile)) {
        const CommandSetting& buttons = SettingOf(SettingKind::kButton);
        return Invalid("no button has " + naming.NameOf(settings::kPrimaryClickFunction) + " (" +
                       FileKeyRange(buttons) + " = " + KeyRange(buttons) + ")");
    }
    return platform::Ok();
}

}  // namespace zel::control
