#pragma once

// The words zel-gmousectl uses for the stored values: the function names of the choice lists,
// the LED, wheel and macro modes, DPI values. Shared by `show` (value to word) and `set` (word to
// value), so that what `show` prints is what `set` takes.

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

// The names the choice lists show: the skin layout's function names of the edition and the
// names of the user macros that exist.
struct FunctionNaming {
    std::array<std::string, 55> functionNames;  // by code, from the layout
    std::vector<std::string> userMacroNames;    // user macro 0, 1, ...

    // The name a button with `code` shows; the number when the code has none.
    std::string NameOf(std::int32_t code) const;
    // The code of a name the lists offer (letter case aside), or of its number; nullopt when
    // no list offers it.
    std::optional<std::int32_t> CodeOf(std::string_view text) const;
    // Every code the lists offer, in list order.
    std::vector<std::int32_t> OfferedCodes() const;
};

// "cycle-slow" for 0 and so on; the number for a value outside the names.
std::string ModeName(std::span<const std::string_view> names, std::int32_t value);

}  // namespace zel::control
