#pragma once

// The settings of a profile as zel-gmousectl names them, one row each, in the order `show`
// prints them. `set`'s keys, `show`'s lines and JSON fields, the key and field lists of the help,
// the stored keys the import checks and every message that names a key are read from this table;
// what a kind of setting takes and stores is one switch over SettingKind in each of them.

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zel::control {

enum class SettingKind {
    kButton,
    kDpi,
    kDpiLevel,
    kLed,
    kWheel,
    kFireInterval,
    kPointerSpeed,
    kWheelSpeed,
    kMacroMode,
};

struct CommandSetting {
    SettingKind kind;
    // `set`'s KEY and `show`'s line. A numbered family has keys key1 ... key<count>.
    std::string_view key;
    std::size_t count;
    // The key of the profile's section in config.ini and exchange files; a family's are numbered
    // from 0 (K0 ... K5).
    std::string_view fileKey;
    // The field of `show --json`; a family's is an array of objects.
    std::string_view jsonKey;
    // What `set --help` says of the key, and `show --help` of the field (lines after the first
    // are indented to the column when printed).
    std::string_view keyHelp;
    std::string_view fieldHelp;
};

inline constexpr std::array<CommandSetting, 9> kCommandSettings = {{
    {SettingKind::kButton, "button", 6, "K", "buttons",
     "a function by its identifier, the same in both editions\n"
     "(left-click, dpi-cycle, volume-up, user-macro-3, builtin-macro-2,\n"
     "calculator, ...; a bad value lists them all), by the name the\n"
     "window shows in either edition (\"Volume Up\", \"Subir volumen\", a\n"
     "user macro's name) or by its number; one button always keeps\n"
     "left-click",
     "six objects: button (1 ... 6), code (the function number),\n"
     "function (the function's identifier, the same in both editions),\n"
     "label (the function's name as the window shows it)"},
    {SettingKind::kDpi, "dpi", 4, "DPI_SET", "dpi",
     "300, 600, 900, 1200, 1500, 1800, 2400, 3000, 3600, 4800, 6400 or\n"
     "7200 (enables the level), or off (one level stays enabled)",
     "four objects: level (1 ... 4), dpi (the value), enabled (true or false)"},
    {SettingKind::kDpiLevel, "dpi-level", 1, "DPI_LEVEL", "dpi_level", "1 ... 4, an enabled level",
     "the current DPI level, 1 ... 4"},
    {SettingKind::kLed, "led", 1, "LED_STATUS", "led", "cycle-slow, cycle-fast, steady or off",
     "cycle-slow, cycle-fast, steady or off"},
    {SettingKind::kWheel, "wheel", 1, "WHEEL_STATUS", "wheel", "standard or alternate",
     "standard or alternate"},
    {SettingKind::kFireInterval, "fire-interval", 1, "FIRE_TIME", "fire_interval", "0 ... 300 (ms)",
     "the fire interval in ms"},
    {SettingKind::kPointerSpeed, "pointer-speed", 1, "DPI_SPEED", "pointer_speed", "1 ... 10",
     "1 ... 10"},
    {SettingKind::kWheelSpeed, "wheel-speed", 1, "WHEEL_SPEED", "wheel_speed", "1 ... 10",
     "1 ... 10"},
    {SettingKind::kMacroMode, "macro-mode", 1, "MACRO_MODE2", "macro_mode",
     "normal (each macro plays as set) or hold (repeats while held)", "normal or hold"},
}};

// The row of a kind; every kind has one.
constexpr const CommandSetting& SettingOf(SettingKind kind) {
    for (const CommandSetting& setting : kCommandSettings) {
        if (setting.kind == kind) {
            return setting;
        }
    }
    return kCommandSettings.front();
}

// "button3" for index 2 of the buttons; "led" for the LED.
std::string KeyName(const CommandSetting& setting, std::size_t index);
// "button1 ... button6"; "led".
std::string KeyRange(const CommandSetting& setting);
// "K2", "DPI_SET0", "LED_STATUS".
std::string FileKeyName(const CommandSetting& setting, std::size_t index);
// "K0 ... K5"; "LED_STATUS".
std::string FileKeyRange(const CommandSetting& setting);

// One key `set` takes: its row and, in a family, which one (0 for a single key).
struct SettingKey {
    const CommandSetting* setting;
    std::size_t index;
};
std::optional<SettingKey> FindSettingKey(std::string_view key);

// Every key `set` takes, in the order `show` prints them, joined with ", ".
std::string SettingKeyList();

// The names of a mode setting's values (LED, wheel, macro mode); empty for the other kinds.
std::span<const std::string_view> ModeNamesOf(SettingKind kind);

// The lines of `set --help`'s key list and of `show --help`'s list of JSON fields.
std::string SetKeysHelp();
std::string JsonFieldsHelp();

}  // namespace zel::control
