#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zel::sim {

struct HexParseResult {
    std::vector<std::uint8_t> bytes;
    std::string error;  // empty on success
    bool ok() const { return error.empty(); }
};

// Hex digits of either case, two per byte; spaces between digit pairs are allowed. At most
// maxBytes bytes; empty text is an error.
HexParseResult ParseHex(std::string_view text, std::size_t maxBytes);

}  // namespace zel::sim
