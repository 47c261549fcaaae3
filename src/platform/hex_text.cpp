#include "platform/hex_text.h"

#include <string_view>

namespace zel::platform {
namespace {

constexpr std::string_view kDigits = "0123456789abcdef";

}  // namespace

std::string HexNumber(std::uint32_t value, std::size_t minDigits) {
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value & 0xFu]);
        value >>= 4;
    } while (value != 0);
    if (text.size() < minDigits) {
        text.insert(0, minDigits - text.size(), '0');
    }
    return text;
}

std::string HexBytes(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0Fu];
    }
    return text;
}

}  // namespace zel::platform
