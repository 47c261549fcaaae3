// Fuzzes zel-gmousectl's command line and the values of `set`. The input is the argument words
// separated by NUL bytes; a first byte chooses the profile `set` starts from: the factory
// settings, or raw field values as an edited config.ini may hold them.
//
// Checked: a parse gives a command or a message, never both or neither; the command's profile
// is 1 ... 5; the same words after a fresh --config-dir parse to the same command; `set`
// either refuses with a message or leaves every field it names in range and holding the value
// given; and what `show` prints for the result, given back to `set`, changes nothing.

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "control/command_line.h"
#include "control/profile_report.h"
#include "control/setting_changes.h"
#include "control/setting_names.h"
#include "fuzz_support.h"
#include "settings/button_function.h"
#include "settings/dpi_step_table.h"
#include "settings/profile_operations.h"
#include "settings/profile_values.h"

namespace {

using namespace zel;
using control::SettingChange;

using zel::fuzz::Check;

std::vector<std::string> SplitWords(std::string_view bytes) {
    std::vector<std::string> words;
    while (!bytes.empty() && words.size() < 64) {
        const auto end = bytes.find('\0');
        words.emplace_back(bytes.substr(0, end));
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    }
    return words;
}

control::FunctionNaming Naming() {
    control::FunctionNaming naming;
    for (std::size_t code = 0; code < naming.functionNames.size(); ++code) {
        if (code % 7 != 3) {  // some codes without a name: they show as their number
            naming.functionNames[code] =
                "Function " + std::string(1, char('A' + code % 26)) + std::to_string(code);
        }
    }
    naming.userMacroNames = {"Reload", "Jump twice", "Combo"};
    return naming;
}

settings::ProfileValues StartValues(std::uint8_t choice, std::string_view raw) {
    if (choice % 2 == 0 || raw.size() < sizeof(settings::ProfileValues)) {
        return settings::kResetDefaults;
    }
    settings::ProfileValues values;
    std::memcpy(&values, raw.data(), sizeof values);  // every byte pattern is a valid field set
    return values;
}

bool EnabledLevelExists(const settings::ProfileValues& v) {
    for (const std::uint8_t flag : v.DPI_SET_EN) {
        if (flag != 0) {
            return true;
        }
    }
    return false;
}

bool HasPrimary(const settings::ProfileValues& v) {
    for (const std::int32_t code : v.K) {
        if (code == settings::kPrimaryClickFunction) {
            return true;
        }
    }
    return false;
}

std::optional<std::int32_t> Number(const std::string& text) {
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// What a successful `set` must have left: each key's last value, in range.
void CheckApplied(const settings::ProfileValues& v, const std::vector<SettingChange>& changes,
                  const control::FunctionNaming& naming) {
    for (std::size_t i = 0; i < changes.size(); ++i) {
        bool later = false;
        for (std::size_t j = i + 1; j < changes.size(); ++j) {
            later = later || changes[j].key == changes[i].key;
        }
        if (later) {
            continue;
        }
        const std::string& key = changes[i].key;
        const std::string& value = changes[i].value;
        const auto number = Number(value);
        if (key.starts_with("button")) {
            Check(v.K[static_cast<std::size_t>(key[6] - '1')] == naming.CodeOf(value));
        } else if (key == "dpi-level") {
            Check(number && v.DPI_LEVEL == *number - 1);
            Check(v.DPI_SET_EN[static_cast<std::size_t>(v.DPI_LEVEL)] != 0);
        } else if (key.starts_with("dpi")) {
            const auto level = static_cast<std::size_t>(key[3] - '1');
            if (value == control::kDpiOff) {
                Check(v.DPI_SET_EN[level] == 0);
            } else {
                Check(v.DPI_SET_EN[level] != 0 && v.DPI_SET[level] <= settings::kLastDpiStep);
                Check(settings::DpiStepTable[v.DPI_SET[level]].dpi == number);
            }
        } else if (key == "led") {
            Check(v.LED_STATUS < control::kLedModeNames.size() &&
                  control::kLedModeNames[v.LED_STATUS] == value);
        } else if (key == "wheel") {
            Check(v.WHEEL_STATUS >= 0 && v.WHEEL_STATUS <= 1 &&
                  control::kWheelModeNames[static_cast<std::size_t>(v.WHEEL_STATUS)] == value);
        } else if (key == "macro-mode") {
            Check(v.MACRO_MODE2 >= 0 && v.MACRO_MODE2 <= 1 &&
                  control::kMacroModeNames[static_cast<std::size_t>(v.MACRO_MODE2)] == value);
        } else if (key == "fire-interval") {
            Check(number && v.FIRE_TIME == *number && *number >= 0 &&
                  *number <= settings::kMaxFireTime);
        } else if (key == "pointer-speed") {
            Check(number && v.DPI_SPEED == *number - 1 && v.DPI_SPEED <= settings::kLastSpeedStep);
        } else if (key == "wheel-speed") {
            Check(number && v.WHEEL_SPEED == *number - 1 &&
                  v.WHEEL_SPEED <= settings::kLastSpeedStep);
        } else {
            Check(false);  // an unknown key was taken
        }
    }
}

// The lines of `show` other than the buttons, as pairs for `set`; disabled levels are skipped
// (they show as "VALUE (off)", which is no value).
std::vector<SettingChange> ShownPairs(const std::string& text) {
    std::vector<SettingChange> pairs;
    std::size_t start = text.find('\n') + 1;  // past the "Profile N" line
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const std::size_t blank = line.find(' ');
        const std::string key = line.substr(0, blank);
        const std::size_t valueStart = line.find_first_not_of(' ', blank);
        if (blank == std::string::npos || valueStart == std::string::npos) {
            Check(false);  // every line is "KEY  VALUE"
        }
        const std::string value = line.substr(valueStart);
        if (!key.starts_with("button") && value.find(' ') == std::string::npos) {
            pairs.push_back({key, value});
        }
    }
    return pairs;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::vector<std::string> words = SplitWords(bytes);
    const control::ParseResult result = control::ParseCommandLine(words);
    Check(result.ok() || !result.error().message.empty());
    if (!result.ok()) {
        return 0;
    }
    const control::ParsedCommand& command = *result;
    Check(!command.profile || (*command.profile >= 1 && *command.profile <= 5));
    Check(command.words.size() <= words.size());

    if (command.kind != control::CommandKind::Help &&
        command.kind != control::CommandKind::Version) {
        std::vector<std::string> again = {"--config-dir", "/elsewhere"};
        again.insert(again.end(), command.words.begin(), command.words.end());
        const control::ParseResult reparsed = control::ParseCommandLine(again);
        Check(reparsed.ok());
        control::ParsedCommand expected = command;
        expected.configDir = "/elsewhere";
        Check(*reparsed == expected);
    }
    if (command.kind != control::CommandKind::Set) {
        return 0;
    }
    Check(!command.changes.empty());
    for (const SettingChange& change : command.changes) {
        Check(!change.key.empty() && change.key.find('=') == std::string::npos);
    }

    const control::FunctionNaming naming = Naming();
    const settings::ProfileValues start = StartValues(data[0], bytes);
    settings::ProfileSettings profile;
    settings::StoreProfileValues(profile, start);
    const platform::Result<void> applied =
        control::ApplySettingChanges(profile, command.changes, naming);
    const settings::ProfileValues after = settings::TakeProfileValues(profile);
    if (!applied.ok()) {
        Check(!applied.error().message.empty());
        return 0;
    }
    CheckApplied(after, command.changes, naming);
    Check(!HasPrimary(start) || HasPrimary(after));
    Check(!EnabledLevelExists(start) || EnabledLevelExists(after));
    if (start == settings::kResetDefaults) {
        const std::string shown = control::ProfileAsText({1, true, after}, naming);
        const std::vector<SettingChange> pairs = ShownPairs(shown);
        settings::ProfileSettings copy;
        settings::StoreProfileValues(copy, after);
        Check(control::ApplySettingChanges(copy, pairs, naming).ok());
        Check(settings::TakeProfileValues(copy) == after);
    }
    return 0;
}
