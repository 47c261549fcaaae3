#pragma once

// Reads an integer that is the whole of a text: no sign the type cannot hold, no spaces, no
// trailing characters, no overflow. Every command word, file field and sysfs value that holds a
// number goes through this one rule.

#include <charconv>
#include <concepts>
#include <optional>
#include <string_view>
#include <system_error>

namespace zel::platform {

template <std::integral Number>
std::optional<Number> ParseWholeNumber(std::string_view text, int base = 10) {
    Number value{};
    const char* const last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, value, base);
    if (text.empty() || error != std::errc() || end != last) {
        return std::nullopt;
    }
    return value;
}

}  // namespace zel::platform
