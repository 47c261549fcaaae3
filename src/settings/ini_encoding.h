#pragma once

// Character encodings of INI files: detection from the file's first bytes, and conversion of
// one line between the file's encoding and the UTF-8 the rest of the program works in.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zel::ini::detail {

enum class Encoding {
    kUtf8,         // no byte order mark (also every plain ASCII file)
    kUtf8Bom,      // EF BB BF
    kUtf16LeBom,   // FF FE
    kWindows1252,  // bytes that are not valid UTF-8
};

// The encoding of a file's bytes and the size of its byte order mark.
struct DetectedEncoding {
    Encoding encoding;
    std::size_t bomSize;
};
DetectedEncoding DetectEncoding(std::string_view bytes);

std::string_view ByteOrderMark(Encoding encoding);

// One line of the file (without its line break) to UTF-8. Sets lossless to false when
// encoding the result again would not give back the same bytes (invalid input).
std::string DecodeLine(std::string_view raw, Encoding encoding, bool& lossless);

// UTF-8 text to the file's encoding. For Windows-1252, returns false when a character has no
// byte in that code page (the caller then changes the document to UTF-16LE).
bool EncodeText(std::string_view utf8, Encoding encoding, std::string& out);
bool IsRepresentable(std::string_view utf8, Encoding encoding);

// The Windows-1252 mapping; the five bytes the code page leaves undefined map to the C1
// control characters of the same value, as Windows does, so every byte round-trips.
char32_t Windows1252ToUnicode(std::uint8_t byte);
// -1 when the code point has no Windows-1252 byte.
int UnicodeToWindows1252(char32_t codePoint);

}  // namespace zel::ini::detail
