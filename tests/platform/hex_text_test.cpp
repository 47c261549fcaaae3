#include "platform/hex_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

namespace zel::platform {
namespace {

TEST(HexText, BytesAreLowercaseWithoutSeparators) {
    const std::uint8_t bytes[] = {0x07, 0xAB, 0x00, 0xFF};
    EXPECT_EQ(HexBytes(bytes), "07ab00ff");
    EXPECT_EQ(HexBytes({}), "");
}

struct NumberCase {
    std::uint32_t value;
    std::size_t minDigits;
    std::string_view expected;
};

TEST(HexText, NumbersArePaddedToTheWidthAndNeverCut) {
    const NumberCase cases[] = {
        {0, 1, "0"},     {0, 4, "0000"}, {0xC, 1, "c"},         {0x18F8, 4, "18f8"},
        {0x1F, 2, "1f"}, {0x5, 2, "05"}, {0x12345, 4, "12345"}, {0xFFFFFFFF, 1, "ffffffff"},
        {0x1, 0, "1"},
    };
    for (const NumberCase& c : cases) {
        EXPECT_EQ(HexNumber(c.value, c.minDigits), c.expected) << c.value << " in " << c.minDigits;
    }
}

}  // namespace
}  // namespace zel::platform
