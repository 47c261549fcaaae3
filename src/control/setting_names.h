#pragma once

// The words zel-gmousectl uses for the stored values: the function names of the choice lists,
// the LED, wheel and macro modes, DPI values. Shared by `show` (value to word) and `set` (word to
// value), so that what `show` prints is what `set` takes.
//
// Every function a script can set has an identifier ("left-click", "volume-up",
// "user-macro-3") that is plain ASCII and the same in both editions; scripts use those. The
// names the window shows (of either edition) are taken as well, for people typing.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zel::control {

inline constexpr std::array<std::string_view, 4> kLedModeNames = {"cycle-slow", "cycle-fast",
                                                                  "steady", "off"};
inline constexpr std::array<std::string_view, 2> kWheelModeNames = {"standard", "alternate"};
inline constexpr std::array<std::string_view, 2> kMacroModeNames = {"normal", "hold"};
inline constexpr std::string_view kDpiOff = "off";

// The identifier of a function code; empty for a code no command takes (a list heading, an
// unused code, a value read from a file).
std::string_view FunctionIdentifier(std::int32_t code);

// The names the choice lists show: the skin layout's function names of both editions and the
// names of the user macros that exist.
struct FunctionNaming {
    std::array<std::string, 55> functionNames;      // by code, the edition in use
    std::array<std::string, 55> otherEditionNames;  // by code, the other edition
    std::vector<std::string> userMacroNames;        // user macro 0, 1, ...

    // The name a button with `code` shows; the number when the code has none.
    std::string NameOf(std::int32_t code) const;
    // The identifier of `code`; the number when the code has none.
    std::string IdentifierOf(std::int32_t code) const;
    // The code of an identifier, of a name the window shows in either edition (letter case
    // aside; a user macro by its own name), or of its number; nullopt when no command takes it.
    std::optional<std::int32_t> CodeOf(std::string_view text) const;
    // Every code `set` takes, in code order: those the lists offer, the calculator and the
    // terminal.
    std::vector<std::int32_t> OfferedCodes() const;
};

// "cycle-slow" for 0 and so on; the number for a value outside the names.
std::string ModeName(std::span<const std::string_view> names, std::int32_t value);

}  // namespace zel::control
