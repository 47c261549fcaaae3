#include "macro/macro_file_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "macro/key_codes.h"
#include "macro/macro_name.h"

namespace zel::macro {
namespace {

std::string Repeat(const std::string& group, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) {
        out += group;
    }
    return out;
}

bool SameBytes(const MacroRecord& a, const MacroRecord& b) {
    return std::memcmp(&a, &b, sizeof(MacroRecord)) == 0;
}

// The group g of an encoded value, as a number.
int Group(const std::string& encoded, std::size_t g) {
    return std::stoi(encoded.substr(3 * g, 3));
}

MacroRecord RecordM() {
    MacroRecord record{};
    SetName(record, "M");
    record.repeatOn = 1;
    record.repeatCount.Set(300);
    record.stepCount = 1;
    record.steps[0] = {4, kPressAction};
    record.delays[0].Set(30);
    return record;
}

TEST(MacroFileFormat, WorkedExampleOfTheRecordNamedM) {
    const std::string expected =
        "077" + Repeat("000", 39) + "001044001001" + "065001030000" + Repeat("000", 1016);
    ASSERT_EQ(expected.size(), 3192u);
    const std::string encoded = EncodeMacroRecord(RecordM());
    EXPECT_EQ(encoded, expected);
    EXPECT_TRUE(SameBytes(DecodeMacroRecord(encoded), RecordM()));
}

TEST(MacroFileFormat, GroupsAreThreeDigitsWithLeadingZeros) {
    struct Case {
        std::uint8_t value;
        const char* text;
    };
    const Case cases[] = {{0, "000"},  {5, "005"},   {9, "009"},   {10, "010"},
                          {99, "099"}, {100, "100"}, {200, "200"}, {255, "255"}};
    for (const Case& c : cases) {
        MacroRecord record{};
        record.repeatOn = c.value;
        const std::string encoded = EncodeMacroRecord(record);
        ASSERT_EQ(encoded.size(), kEncodedRecordLength);
        EXPECT_EQ(encoded.substr(3 * 40, 3), c.text);
        EXPECT_EQ(DecodeMacroRecord(encoded).repeatOn, c.value);
    }
}

TEST(MacroFileFormat, StepsAreInterleavedWithKeyboardCodesAsVirtualKeys) {
    MacroRecord record{};
    record.stepCount = 2;
    record.steps[0] = {4, kPressAction};  // A
    record.steps[1] = {kLeftButtonCode, kReleaseAction};
    record.steps[254] = {224, 7};  // beyond stepCount, still written
    record.delays[0].Set(0x1234);
    record.delays[254].Set(65535);
    const std::string encoded = EncodeMacroRecord(record);
    EXPECT_EQ(encoded.substr(3 * 44, 12), "065001052018");
    EXPECT_EQ(encoded.substr(3 * 48, 12), "240002000000");
    EXPECT_EQ(Group(encoded, 44 + 4 * 254), 162);  // left Control as virtual key 162
    EXPECT_EQ(Group(encoded, 45 + 4 * 254), 7);
    EXPECT_EQ(Group(encoded, 46 + 4 * 254), 255);
    EXPECT_EQ(Group(encoded, 47 + 4 * 254), 255);
    EXPECT_TRUE(SameBytes(DecodeMacroRecord(encoded), record));
}

// Records with every field filled at random (names of random BMP characters, codes that a file
// can hold) come back byte for byte.
TEST(MacroFileFormat, RandomRecordsRoundTrip) {
    std::vector<std::uint8_t> storableCodes;
    for (int code = 0; code < 256; ++code) {
        const auto byte = static_cast<std::uint8_t>(code);
        if (VkToUsage(UsageToVk(byte)) == byte) {
            storableCodes.push_back(byte);
        }
    }
    std::mt19937 random(1234);
    auto byte = [&random] { return static_cast<std::uint8_t>(random() & 0xFF); };
    for (int round = 0; round < 200; ++round) {
        MacroRecord record{};
        const std::size_t nameLength = random() % 20;
        for (std::size_t i = 0; i < nameLength; ++i) {
            char16_t unit;
            do {
                unit = static_cast<char16_t>(1 + random() % 0xFFFE);
            } while (unit >= 0xD800 && unit <= 0xDFFF);
            record.name[i] = unit;
        }
        record.repeatOn = byte();
        record.repeatCount.Set(static_cast<std::uint16_t>(random()));
        record.stepCount = byte();
        for (std::size_t k = 0; k < kMaxSteps; ++k) {
            record.steps[k] = {storableCodes[random() % storableCodes.size()], byte()};
            record.delays[k].Set(static_cast<std::uint16_t>(random()));
        }
        EXPECT_TRUE(SameBytes(DecodeMacroRecord(EncodeMacroRecord(record)), record))
            << "round " << round;
    }
}

TEST(MacroFileFormat, LenientDecoding) {
    const std::string full = EncodeMacroRecord(RecordM());
    struct Case {
        const char* label;
        std::string value;
        std::size_t group;
        int expected;
    };
    const Case cases[] = {
        {"empty value", "", 0, 0},
        {"short value keeps what it has", "077000001", 2, 1},
        {"short value: missing groups are 0", "077000001", 3, 0},
        {"last group cut short", full.substr(0, 3 * 46 + 2), 46, 3},  // "03" of "030"
        {"letters give 0", "abc", 0, 0},
        {"digits up to a letter", "7x9", 0, 7},
        {"leading blanks", "  9", 0, 9},
        {"plus sign", "+12", 0, 12},
        {"negative keeps low 8 bits", "-01", 0, 255},
        {"above 255 keeps low 8 bits", "999", 0, 999 & 0xFF},
        {"groups split at fixed places", "1231007", 1, 100},
        {"characters past 3192 are ignored", full + "255", 43, 1},
    };
    auto groupOf = [](const MacroRecord& r, std::size_t g) -> int {
        if (g < 40) {
            const char16_t unit = r.name[g / 2];
            return g % 2 == 0 ? (unit & 0xFF) : (unit >> 8);
        }
        if (g == 40)
            return r.repeatOn;
        if (g == 41)
            return r.repeatCount.low;
        if (g == 42)
            return r.repeatCount.high;
        if (g == 43)
            return r.stepCount;
        const std::size_t k = (g - 44) / 4;
        switch ((g - 44) % 4) {
            case 0:
                return UsageToVk(r.steps[k].code);
            case 1:
                return r.steps[k].action;
            case 2:
                return r.delays[k].low;
            default:
                return r.delays[k].high;
        }
    };
    for (const Case& c : cases) {
        EXPECT_EQ(groupOf(DecodeMacroRecord(c.value), c.group), c.expected) << c.label;
    }
    EXPECT_TRUE(SameBytes(DecodeMacroRecord(""), MacroRecord{}));
    EXPECT_TRUE(SameBytes(DecodeMacroRecord(full + "255255"), RecordM()));
}

TEST(MacroFileFormat, GroupsCountCharactersNotBytes) {
    // "€" is one character (three UTF-8 bytes): the group "€01" is no number, and the next
    // group "077" is the high byte of the first name unit.
    const MacroRecord record = DecodeMacroRecord(
        "\xE2\x82\xAC"
        "01077");
    EXPECT_EQ(record.name[0], 0x4D00);
    // Characters outside the BMP count as two.
    const MacroRecord wide = DecodeMacroRecord(
        "\xF0\x9F\x98\x80"
        "1077");
    EXPECT_EQ(wide.name[0], 0x4D00);
}

TEST(MacroFileFormat, AnUnterminatedNameIsCutTo19Units) {
    const MacroRecord record = DecodeMacroRecord(Repeat("065000", 20) + "001");
    EXPECT_EQ(NameUnits(record), std::u16string(19, u'A'));
    EXPECT_EQ(record.name[19], 0);
    EXPECT_EQ(record.repeatOn, 1);
}

// A value of ASCII characters is read from its bytes, any other through its UTF-16 units; both
// give the same groups. A character past the 3192nd is cut, so appending one sends the same
// value through the other reading.
TEST(MacroFileFormat, AsciiValuesReadAsTheirUnitsWould) {
    std::mt19937 random(7);
    const std::string alphabet = "0123456789 +-x\t";
    for (int i = 0; i < 200; ++i) {
        std::string value(kEncodedRecordLength, '0');
        for (char& c : value) {
            c = alphabet[random() % alphabet.size()];
        }
        const MacroRecord bytes = DecodeMacroRecord(value);
        const MacroRecord units = DecodeMacroRecord(value + "\xC3\xA9");
        EXPECT_TRUE(SameBytes(bytes, units)) << value.substr(0, 60);
    }
}

}  // namespace
}  // namespace zel::macro
