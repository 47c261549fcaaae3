#include "skin/layout_value.h"

#include <algorithm>
#include <cstdint>

namespace zel::skin {

namespace {

// Position of the first comma at or after `from`, or -1; no search when `from` lies outside
// the value.
std::int64_t FindComma(std::string_view value, std::int64_t from) {
    const auto length = static_cast<std::int64_t>(value.size());
    if (from < 0 || from >= length) {
        return -1;
    }
    const std::size_t found = value.find(',', static_cast<std::size_t>(from));
    return found == std::string_view::npos ? -1 : static_cast<std::int64_t>(found);
}

std::string Substring(std::string_view value, std::int64_t start, std::int64_t length) {
    if (length <= 0 || start < 0 || start >= static_cast<std::int64_t>(value.size())) {
        return {};
    }
    return std::string(
        value.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(length)));
}

}  // namespace

LayoutFields SplitLayoutValue(std::string_view value) {
    LayoutFields result;
    const auto commas = static_cast<std::size_t>(std::count(value.begin(), value.end(), ','));
    result.tooManyCommas = commas > kMaxLayoutCommas;
    if (commas == 0) {
        result.fields[0] = std::string(value);
        return result;
    }
    std::int64_t previous = -1;
    for (std::size_t k = 0; k < kMaxLayoutCommas; ++k) {
        const std::int64_t next = FindComma(value, previous + 1);
        result.fields[k] = Substring(value, previous + 1, next - previous - 1);
        if (k + 1 == kMaxLayoutCommas) {
            result.fields[6] =
                next < 0 ? std::string(value)
                         : Substring(value, next + 1, static_cast<std::int64_t>(value.size()));
        }
        previous = next;
    }
    return result;
}

}  // namespace zel::skin
