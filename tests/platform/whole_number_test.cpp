#include "platform/whole_number.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string_view>

namespace zel::platform {
namespace {

struct IntCase {
    std::string_view text;
    std::optional<int> expected;
};

TEST(WholeNumber, TakesOnlyTextThatIsEntirelyANumber) {
    const IntCase cases[] = {
        {"0", 0},
        {"42", 42},
        {"-7", -7},
        {"", std::nullopt},
        {" 1", std::nullopt},
        {"1 ", std::nullopt},
        {"+1", std::nullopt},
        {"1x", std::nullopt},
        {"0x10", std::nullopt},
        {"-", std::nullopt},
        {"99999999999", std::nullopt},
    };
    for (const IntCase& c : cases) {
        EXPECT_EQ(ParseWholeNumber<int>(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(WholeNumber, UnsignedTypesRefuseASignAndOverflow) {
    EXPECT_EQ(ParseWholeNumber<std::size_t>("123"), std::size_t{123});
    EXPECT_EQ(ParseWholeNumber<std::size_t>("-1"), std::nullopt);
    EXPECT_EQ(ParseWholeNumber<std::uint8_t>("255"), std::uint8_t{255});
    EXPECT_EQ(ParseWholeNumber<std::uint8_t>("256"), std::nullopt);
}

TEST(WholeNumber, ReadsOtherBases) {
    EXPECT_EQ(ParseWholeNumber<std::uint32_t>("18f8", 16), 0x18F8u);
    EXPECT_EQ(ParseWholeNumber<std::uint32_t>("18F8", 16), 0x18F8u);
    EXPECT_EQ(ParseWholeNumber<std::uint32_t>("18g8", 16), std::nullopt);
}

}  // namespace
}  // namespace zel::platform
