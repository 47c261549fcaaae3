#pragma once

// UTF-8 <-> UTF-16 conversions for macro names, which the records keep as UTF-16 code units.
// Malformed input never fails: each bad UTF-8 byte or unpaired surrogate becomes U+FFFD.

#include <string>
#include <string_view>

namespace zel::macro {

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace zel::macro
