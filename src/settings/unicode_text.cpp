#include "settings/unicode_text.h"

namespace zel::text {
namespace {

bool IsContinuation(unsigned char byte, unsigned char low = 0x80, unsigned char high = 0xBF) {
    return byte >= low && byte <= high;
}

bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

char32_t NextCodePoint(std::string_view text, std::size_t& pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    std::size_t length = 0;
    // The second byte's range excludes overlong forms, surrogates and values above U+10FFFF.
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        if (lead == 0xE0) {
            secondLow = 0xA0;
        } else if (lead == 0xED) {
            secondHigh = 0x9F;
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        if (lead == 0xF0) {
            secondLow = 0x90;
        } else if (lead == 0xF4) {
            secondHigh = 0x8F;
        }
    } else {
        ++pos;
        return kReplacement;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const std::size_t i = pos + k;
        const bool ok = i < text.size() && (k == 1 ? IsContinuation(byte(i), secondLow, secondHigh)
                                                   : IsContinuation(byte(i)));
        if (!ok) {
            ++pos;
            return kReplacement;
        }
        value = (value << 6) | (byte(i) & 0x3F);
    }
    pos += length;
    return value;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (IsHighSurrogate(cp) || IsLowSurrogate(cp) || cp > 0x10FFFF) {
        cp = kReplacement;
    }
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

bool IsValidUtf8(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        // Plain ASCII runs are the common case.
        if (static_cast<unsigned char>(text[pos]) < 0x80) {
            ++pos;
            continue;
        }
        const std::size_t start = pos;
        if (NextCodePoint(text, pos) == kReplacement) {
            // U+FFFD itself is valid; anything else that decodes to it is not.
            if (text.substr(start, pos - start) != "\xEF\xBF\xBD") {
                return false;
            }
        }
    }
    return true;
}

std::size_t PrefixBytes(std::string_view text, std::size_t maxCodePoints) {
    std::size_t pos = 0;
    for (std::size_t count = 0; count < maxCodePoints && pos < text.size(); ++count) {
        NextCodePoint(text, pos);
    }
    return pos;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t cp = NextCodePoint(utf8, pos);
        if (cp >= 0x10000) {
            const char32_t offset = cp - 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16, bool* lossless) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        const char32_t unit = utf16[i];
        if (IsHighSurrogate(unit) && i + 1 < utf16.size() && IsLowSurrogate(utf16[i + 1])) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
            ++i;
            continue;
        }
        if ((IsHighSurrogate(unit) || IsLowSurrogate(unit)) && lossless != nullptr) {
            *lossless = false;
        }
        AppendUtf8(out, unit);  // a lone surrogate comes out as U+FFFD
    }
    return out;
}

}  // namespace zel::text
