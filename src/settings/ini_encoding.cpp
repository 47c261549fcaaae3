#include "settings/ini_encoding.h"

#include <array>

#include "settings/unicode_text.h"

namespace zel::ini::detail {

using text::AppendUtf8;
using text::IsValidUtf8;
using text::NextCodePoint;
namespace {

// Bytes 0x80 ... 0x9F; the rest of Windows-1252 equals Latin-1.
constexpr std::array<char32_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

void AppendUtf16Le(std::string& out, char32_t unit) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>((unit >> 8) & 0xFF));
}

std::string DecodeUtf16Le(std::string_view raw, bool& lossless) {
    std::u16string units(raw.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(raw[2 * i]) |
                                         (static_cast<unsigned char>(raw[2 * i + 1]) << 8));
    }
    std::string out = text::Utf16ToUtf8(units, &lossless);
    if (raw.size() % 2 != 0) {
        lossless = false;
        text::AppendUtf8(out, text::kReplacement);
    }
    return out;
}

}  // namespace

DetectedEncoding DetectEncoding(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE")) {
        return {Encoding::kUtf16LeBom, 2};
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        return {Encoding::kUtf8Bom, 3};
    }
    if (IsValidUtf8(bytes)) {
        return {Encoding::kUtf8, 0};
    }
    return {Encoding::kWindows1252, 0};
}

std::string_view ByteOrderMark(Encoding encoding) {
    switch (encoding) {
        case Encoding::kUtf8Bom:
            return "\xEF\xBB\xBF";
        case Encoding::kUtf16LeBom:
            return "\xFF\xFE";
        case Encoding::kUtf8:
        case Encoding::kWindows1252:
            break;
    }
    return {};
}

char32_t Windows1252ToUnicode(std::uint8_t byte) {
    if (byte >= 0x80 && byte <= 0x9F) {
        return kWindows1252High[byte - 0x80];
    }
    return byte;
}

int UnicodeToWindows1252(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        return static_cast<int>(cp);
    }
    for (std::size_t i = 0; i < kWindows1252High.size(); ++i) {
        if (kWindows1252High[i] == cp) {
            return static_cast<int>(0x80 + i);
        }
    }
    return -1;
}

std::string DecodeLine(std::string_view raw, Encoding encoding, bool& lossless) {
    lossless = true;
    switch (encoding) {
        case Encoding::kUtf8:
        case Encoding::kUtf8Bom: {
            if (IsValidUtf8(raw)) {
                return std::string(raw);
            }
            lossless = false;
            std::string out;
            out.reserve(raw.size());
            for (std::size_t pos = 0; pos < raw.size();) {
                AppendUtf8(out, NextCodePoint(raw, pos));
            }
            return out;
        }
        case Encoding::kUtf16LeBom:
            return DecodeUtf16Le(raw, lossless);
        case Encoding::kWindows1252: {
            std::string out;
            out.reserve(raw.size());
            for (const char c : raw) {
                AppendUtf8(out, Windows1252ToUnicode(static_cast<std::uint8_t>(c)));
            }
            return out;
        }
    }
    return std::string(raw);
}

bool EncodeText(std::string_view utf8, Encoding encoding, std::string& out) {
    switch (encoding) {
        case Encoding::kUtf8:
        case Encoding::kUtf8Bom:
            out.append(utf8);
            return true;
        case Encoding::kUtf16LeBom:
            for (std::size_t pos = 0; pos < utf8.size();) {
                const char32_t cp = NextCodePoint(utf8, pos);
                if (cp >= 0x10000) {
                    AppendUtf16Le(out, 0xD800 + ((cp - 0x10000) >> 10));
                    AppendUtf16Le(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
                } else {
                    AppendUtf16Le(out, cp);
                }
            }
            return true;
        case Encoding::kWindows1252:
            for (std::size_t pos = 0; pos < utf8.size();) {
                const int byte = UnicodeToWindows1252(NextCodePoint(utf8, pos));
                if (byte < 0) {
                    return false;
                }
                out.push_back(static_cast<char>(byte));
            }
            return true;
    }
    return false;
}

bool IsRepresentable(std::string_view utf8, Encoding encoding) {
    if (encoding != Encoding::kWindows1252) {
        return true;
    }
    for (std::size_t pos = 0; pos < utf8.size();) {
        if (UnicodeToWindows1252(NextCodePoint(utf8, pos)) < 0) {
            return false;
        }
    }
    return true;
}

}  // namespace zel::ini::detail
