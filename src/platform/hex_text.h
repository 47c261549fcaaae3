#pragma once

// Lowercase hexadecimal text, the one way numbers and bytes are shown in hex: in messages,
// logs, JSON escapes and the virtual mouse's event lines.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace zel::platform {

// `value` in at least `minDigits` digits (zero-padded, never cut), without a prefix.
std::string HexNumber(std::uint32_t value, std::size_t minDigits);

// Two digits per byte, no separators.
std::string HexBytes(std::span<const std::uint8_t> bytes);

}  // namespace zel::platform
