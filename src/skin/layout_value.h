#pragma once

// Splitting of one layout value into its seven comma-separated fields.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace zel::skin {

inline constexpr std::size_t kLayoutFieldCount = 7;
inline constexpr std::size_t kMaxLayoutCommas = 6;

struct LayoutFields {
    // fields[0] is field 1 (the label or function name), fields[1..4] x, y, width, height,
    // fields[5] the caption, fields[6] whatever follows the sixth comma.
    std::array<std::string, kLayoutFieldCount> fields;
    // More than six commas: the file is malformed, although fields 1 .. 6 are still usable.
    bool tooManyCommas = false;
};

// Splits with the layout files' own rules: the first six fields are each terminated by a comma
// and the seventh is the rest. A value without a comma is field 1 alone. With fewer than six
// commas the search for the next comma restarts from the beginning once it fails, so the later
// fields come out empty or repeat the start of the value; files written for this format rely on
// nothing else, and only well-formed values are meaningful.
LayoutFields SplitLayoutValue(std::string_view value);

}  // namespace zel::skin
