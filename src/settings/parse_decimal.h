#pragma once

#include <cstdint>
#include <string_view>

namespace zel::settings {

// The lenient decimal conversion of every number read from an INI or layout file: leading
// white space is skipped, then an optional sign, then decimal digits up to the first other
// character. No digits give 0. A number beyond the 32-bit range gives the nearest limit
// (as the Windows conversion does) instead of overflowing.
std::int32_t ParseDecimal(std::string_view text);

}  // namespace zel::settings
