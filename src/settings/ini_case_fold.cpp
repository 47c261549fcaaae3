#include "settings/ini_case_fold.h"

#include "settings/unicode_text.h"

namespace zel::ini::detail {
namespace {

char32_t FoldCodePoint(char32_t cp) {
    if (cp >= U'A' && cp <= U'Z') {
        return cp + 0x20;
    }
    if (cp < 0xC0) {
        return cp;
    }
    if (cp <= 0xDE) {
        return cp == 0xD7 ? cp : cp + 0x20;  // U+00D7 is the multiplication sign
    }
    if (cp >= 0x100 && cp <= 0x17F) {
        // Latin Extended-A alternates capital/small, with the parity flipping after U+0138.
        if ((cp <= 0x12F) || (cp >= 0x132 && cp <= 0x137) || (cp >= 0x14A && cp <= 0x177)) {
            return (cp % 2 == 0) ? cp + 1 : cp;
        }
        if ((cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E)) {
            return (cp % 2 == 1) ? cp + 1 : cp;
        }
        if (cp == 0x178) {
            return 0xFF;
        }
        return cp;
    }
    if (cp >= 0x391 && cp <= 0x3A9 && cp != 0x3A2) {
        return cp + 0x20;
    }
    if (cp >= 0x410 && cp <= 0x42F) {
        return cp + 0x20;
    }
    if (cp >= 0x400 && cp <= 0x40F) {
        return cp + 0x50;
    }
    return cp;
}

}  // namespace

std::string FoldCase(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const auto byte = static_cast<unsigned char>(utf8[pos]);
        if (byte < 0x80) {
            out.push_back(static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte + 0x20 : byte));
            ++pos;
            continue;
        }
        text::AppendUtf8(out, FoldCodePoint(text::NextCodePoint(utf8, pos)));
    }
    return out;
}

}  // namespace zel::ini::detail
