#include "skin/layout_value.h"

#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>

namespace zel::skin {
namespace {

struct SplitCase {
    const char* name;
    std::string value;
    std::array<std::string, 7> fields;
    bool tooManyCommas;
};

void PrintTo(const SplitCase& c, std::ostream* out) {
    *out << '"' << c.value << '"';
}

class LayoutValueSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(LayoutValueSplit, GivesTheSevenFields) {
    const SplitCase& c = GetParam();
    const LayoutFields result = SplitLayoutValue(c.value);
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(result.fields[i], c.fields[i]) << "field " << i + 1;
    }
    EXPECT_EQ(result.tooManyCommas, c.tooManyCommas);
}

const SplitCase kCases[] = {
    {"WellFormed", "a,10,20,30,40,Text,", {"a", "10", "20", "30", "40", "Text", ""}, false},
    {"UncaptionedButton", "close,560,6,24,24,,", {"close", "560", "6", "24", "24", "", ""}, false},
    // The sixth field is not terminated: the search fails and field 7 is the whole value.
    {"FiveCommas",
     "a,10,20,30,40,Text",
     {"a", "10", "20", "30", "40", "", "a,10,20,30,40,Text"},
     false},
    // After the failed search the next one restarts at the beginning.
    {"FourCommas", "a,10,20,30,40", {"a", "10", "20", "30", "", "a", "10,20,30,40"}, false},
    {"OneTrailingComma", "a,", {"a", "", "a", "", "a", "", "a,"}, false},
    {"OneInnerComma", "a,b", {"a", "", "a", "", "a", "", "a,b"}, false},
    {"EightCommas", "a,1,2,3,4,b,c,d,e", {"a", "1", "2", "3", "4", "b", "c,d,e"}, true},
    {"SevenCommasEmptyRest", "a,1,2,3,4,b,,", {"a", "1", "2", "3", "4", "b", ","}, true},
    {"BareName", "Left", {"Left", "", "", "", "", "", ""}, false},
    {"Empty", "", {"", "", "", "", "", "", ""}, false},
    {"OnlyCommas", ",,,,,,", {"", "", "", "", "", "", ""}, false},
    {"SeventhFieldKept", "a,1,2,3,4,b,tail", {"a", "1", "2", "3", "4", "b", "tail"}, false},
    {"MultiByteCaption",
     "rec,1,2,3,4,Grabaci\xC3\xB3n,",
     {"rec", "1", "2", "3", "4", "Grabaci\xC3\xB3n", ""},
     false},
};

INSTANTIATE_TEST_SUITE_P(Values, LayoutValueSplit, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zel::skin
