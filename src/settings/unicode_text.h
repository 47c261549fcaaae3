#pragma once

// UTF-8 and UTF-16 text: the one decoder and encoder that the INI layer and the macro names
// share. Malformed input never fails: every byte of a broken UTF-8 sequence and every unpaired
// surrogate becomes U+FFFD, so decoding always makes progress.

#include <cstddef>
#include <string>
#include <string_view>

namespace zel::text {

inline constexpr char32_t kReplacement = 0xFFFD;

// Decodes the code point at pos and advances pos past it. Strict UTF-8: no overlong forms, no
// surrogates, nothing above U+10FFFF; a malformed sequence gives U+FFFD and advances one byte.
char32_t NextCodePoint(std::string_view text, std::size_t& pos);

// Appends the UTF-8 form of a code point (U+FFFD for a surrogate or a value above U+10FFFF).
void AppendUtf8(std::string& out, char32_t codePoint);

bool IsValidUtf8(std::string_view text);

// Number of bytes of the first maxCodePoints code points of text (never cuts a sequence).
std::size_t PrefixBytes(std::string_view text, std::size_t maxCodePoints);

std::u16string Utf8ToUtf16(std::string_view utf8);
// Sets lossless (when given) to false when an unpaired surrogate had to be replaced.
std::string Utf16ToUtf8(std::u16string_view utf16, bool* lossless = nullptr);

}  // namespace zel::text
