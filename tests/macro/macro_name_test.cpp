#include "macro/macro_name.h"

#include <gtest/gtest.h>

#include <string>

#include "settings/unicode_text.h"

namespace zel::macro {
namespace {

struct NameCase {
    const char* label;
    std::string text;
    std::u16string stored;
};

TEST(MacroName, SetNameStoresAtMost19UnitsAtACharacterBoundary) {
    const NameCase cases[] = {
        {"one letter", "M", u"M"},
        {"empty", "", u""},
        {"19 letters fit", "abcdefghijklmnopqrs", u"abcdefghijklmnopqrs"},
        {"20 letters are cut", "abcdefghijklmnopqrst", u"abcdefghijklmnopqrs"},
        {"long text is cut", std::string(60, 'x'), std::u16string(19, u'x')},
        {"accented letters are one unit", "Copiar señal", u"Copiar señal"},
        {"cut after 19 accented letters", "ñññññññññññññññññññññ", u"ñññññññññññññññññññ"},
        // A character outside the BMP takes two units; it is dropped whole, never halved.
        {"pair that would straddle the end", "abcdefghijklmnopqr\xF0\x9F\x98\x80",
         u"abcdefghijklmnopqr"},
        {"pair that fits", "abcdefghijklmnopq\xF0\x9F\x98\x80", u"abcdefghijklmnopq\U0001F600"},
        {"text ends at a NUL", std::string("ab\0cd", 5), u"ab"},
        {"bad UTF-8 becomes U+FFFD",
         "a\xFF"
         "b",
         u"a\uFFFDb"},
        {"truncated sequence", "a\xE2\x82", u"a\uFFFD\uFFFD"},
    };
    for (const NameCase& c : cases) {
        MacroRecord record{};
        record.name.fill(u'z');  // an old name must not survive behind the new one
        SetName(record, c.text);
        EXPECT_EQ(NameUnits(record), c.stored) << c.label;
        for (std::size_t i = c.stored.size(); i < record.name.size(); ++i) {
            EXPECT_EQ(record.name[i], u'\0') << c.label << " unit " << i;
        }
        const std::string text = NameText(record);
        EXPECT_EQ(text::Utf8ToUtf16(text), c.stored) << c.label;
    }
}

TEST(MacroName, TerminateNameCutsOnlyUnterminatedNames) {
    struct Case {
        const char* label;
        std::u16string units;  // the 20 units as read
        std::u16string expected;
    };
    const Case cases[] = {
        {"terminated stays", u"short", u"short"},
        {"full name is cut to 19", u"abcdefghijklmnopqrst", u"abcdefghijklmnopqrs"},
        {"no half pair at the end", u"abcdefghijklmnopqr\U0001F600", u"abcdefghijklmnopqr"},
    };
    for (const Case& c : cases) {
        MacroRecord record{};
        std::copy(c.units.begin(), c.units.end(), record.name.begin());
        TerminateName(record);
        EXPECT_EQ(NameUnits(record), c.expected) << c.label;
        EXPECT_EQ(record.name[19], u'\0') << c.label;
    }
}

TEST(MacroName, UnpairedSurrogatesReadAsReplacement) {
    EXPECT_EQ(text::Utf16ToUtf8(u"a\xD800z"), "a\xEF\xBF\xBDz");
    EXPECT_EQ(text::Utf16ToUtf8(u"\xDC00"), "\xEF\xBF\xBD");
    EXPECT_EQ(text::Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    // Overlong encodings and encoded surrogates are malformed.
    EXPECT_EQ(text::Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(text::Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
}

}  // namespace
}  // namespace zel::macro
