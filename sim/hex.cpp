#include "sim/hex.h"

#include "platform/hex_text.h"

namespace zel::sim {
namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The character as shown in a message: quoted when printable, its code otherwise.
std::string Describe(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
        return std::string("'") + c + "'";
    }
    return "byte 0x" + platform::HexNumber(byte, 2);
}

HexParseResult ParsePairs(std::string_view text, std::size_t maxBytes) {
    HexParseResult result;
    int high = -1;  // first digit of the pair being read
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\t') {
            if (high >= 0) {
                result.error = "hex digits must come in pairs (space inside a byte at position " +
                               std::to_string(i + 1) + ")";
                return result;
            }
            continue;
        }
        const int value = DigitValue(c);
        if (value < 0) {
            result.error =
                Describe(c) + " at position " + std::to_string(i + 1) + " is not a hex digit";
            return result;
        }
        if (high < 0) {
            high = value;
            continue;
        }
        if (result.bytes.size() == maxBytes) {
            result.error = "more than " + std::to_string(maxBytes) + " bytes";
            return result;
        }
        result.bytes.push_back(static_cast<std::uint8_t>(high << 4 | value));
        high = -1;
    }
    if (high >= 0) {
        result.error = "odd number of hex digits";
    }
    return result;
}

}  // namespace

HexParseResult ParseHex(std::string_view text, std::size_t maxBytes) {
    HexParseResult result = ParsePairs(text, maxBytes);
    if (result.ok() && result.bytes.empty()) {
        result.error = "no bytes given";
    }
    if (!result.ok()) {
        result.bytes.clear();
    }
    return result;
}

}  // namespace zel::sim
