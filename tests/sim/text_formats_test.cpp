#include <gtest/gtest.h>

#include "sim/hex.h"
#include "sim/json_writer.h"
#include "sim/report_descriptor.h"

namespace zel::sim {
namespace {

struct HexCase {
    const char* text;
    std::vector<std::uint8_t> bytes;  // expected when ok
    bool ok;
};

TEST(Hex, ParsesPairsAndRejectsEverythingElse) {
    const HexCase cases[] = {
        {"06f3010000000000", {0x06, 0xF3, 0x01, 0, 0, 0, 0, 0}, true},
        {"06 F3 01", {0x06, 0xF3, 0x01}, true},
        {"  aB\t", {0xAB}, true},
        {"", {}, false},
        {"   ", {}, false},
        {"6", {}, false},
        {"06f", {}, false},
        {"0 6", {}, false},
        {"0x06", {}, false},
        {"zz", {}, false},
        {"06-f3", {}, false},
        {"\xff\xfe", {}, false},
        {"010203040506070809", {}, false},  // more than the limit of 8
    };
    for (const HexCase& c : cases) {
        SCOPED_TRACE(c.text);
        const HexParseResult parsed = ParseHex(c.text, 8);
        EXPECT_EQ(parsed.ok(), c.ok) << parsed.error;
        EXPECT_EQ(parsed.bytes, c.bytes);
    }
}

TEST(Json, EscapesControlCharactersAndQuotes) {
    EXPECT_EQ(JsonQuote("a\"b\\c\n\x01"), R"("a\"b\\c\u000a\u0001")");
    JsonObject object;
    const std::uint8_t ints[] = {1, 255};
    const bool flags[] = {true, false};
    object.AddString("s", "x")
        .AddInt("n", -5)
        .AddBool("b", true)
        .AddIntArray("a", ints)
        .AddBoolArray("f", flags);
    EXPECT_EQ(object.Text(), R"({"s":"x","n":-5,"b":true,"a":[1,255],"f":[true,false]})");
    EXPECT_EQ(JsonObject{}.Text(), "{}");
}

TEST(ReportDescriptor, TwoVendorCollectionsAtTheDefaultLengths) {
    const std::vector<std::uint8_t> expected = {
        0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x06, 0x09, 0x01, 0x15,
        0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x07, 0x81, 0x02, 0xC0,  // input collection
        0x06, 0x01, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x07, 0x09, 0x01, 0x15,
        0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x07, 0xB1, 0x02, 0xC0,  // feature collection
    };
    EXPECT_EQ(BuildReportDescriptor({}), expected);
}

TEST(ReportDescriptor, LongReportsUseTwoByteCounts) {
    const std::vector<std::uint8_t> d = BuildReportDescriptor({.input = 3, .feature = 300});
    ASSERT_EQ(d.size(), 47u);
    EXPECT_EQ(d[18], 0x95);  // input: 2 payload bytes
    EXPECT_EQ(d[19], 0x02);
    EXPECT_EQ(d[41], 0x96);  // feature: 299 payload bytes
    EXPECT_EQ(d[42], 0x2B);
    EXPECT_EQ(d[43], 0x01);
    EXPECT_EQ(d[44], 0xB1);
}

}  // namespace
}  // namespace zel::sim
