#include "macro/macro_name.h"

#include <algorithm>

#include "settings/unicode_text.h"

namespace zel::macro {
namespace {

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// The longest prefix of at most `limit` units that does not end inside a surrogate pair.
std::size_t FittingLength(std::u16string_view units, std::size_t limit) {
    if (units.size() <= limit) {
        return units.size();
    }
    std::size_t length = limit;
    if (length > 0 && IsHighSurrogate(units[length - 1])) {
        --length;
    }
    return length;
}

}  // namespace

std::u16string_view NameUnits(const MacroRecord& record) {
    const auto end = std::find(record.name.begin(), record.name.end(), u'\0');
    return {record.name.data(), static_cast<std::size_t>(end - record.name.begin())};
}

std::string NameText(const MacroRecord& record) {
    return text::Utf16ToUtf8(NameUnits(record));
}

std::u16string NameUnitsFor(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::u16string units = text::Utf8ToUtf16(text);
    units.resize(FittingLength(units, kMaxNameLength));
    return units;
}

void SetName(MacroRecord& record, std::string_view text) {
    const std::u16string units = NameUnitsFor(text);
    record.name.fill(u'\0');
    std::copy(units.begin(), units.end(), record.name.begin());
}

void TerminateName(MacroRecord& record) {
    const std::u16string_view units = NameUnits(record);
    if (units.size() < static_cast<std::size_t>(kNameUnits)) {
        return;
    }
    const std::size_t keep = FittingLength(units, kMaxNameLength);
    std::fill(record.name.begin() + static_cast<std::ptrdiff_t>(keep), record.name.end(), u'\0');
}

}  // namespace zel::macro
