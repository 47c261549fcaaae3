#include "settings/parse_decimal.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace zel::settings {
namespace {

TEST(ParseDecimal, ReadsLeadingNumberLeniently) {
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    struct Case {
        std::string text;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"0", 0},
        {"42", 42},
        {"-1", -1},
        {"+7", 7},
        {"007", 7},
        {"  \t\r\n\v\f12", 12},
        {"12abc", 12},
        {"12 34", 12},
        {"3.9", 3},
        {"", 0},
        {"abc", 0},
        {"-", 0},
        {"+-3", 0},
        {"- 3", 0},
        {"\xC2\xA0"
         "5",
         0},  // a non-ASCII space is not white space
        {std::string("1\0"
                     "2",
                     3),
         1},
        {"2147483647", kMax},
        {"2147483648", kMax},
        {"99999999999999999999999", kMax},
        {"-2147483648", kMin},
        {"-2147483649", kMin},
        {"-99999999999999999999999", kMin},
        {"0000000000000000000000000123", 123},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseDecimal(c.text), c.expected) << '"' << c.text << '"';
    }
}

}  // namespace
}  // namespace zel::settings
