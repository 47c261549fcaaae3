#include "text/catalog.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace zel::text {
namespace {

TextId IdAt(int index) {
    return static_cast<TextId>(index);
}

TEST(TextCatalog, EveryIdHasATextInBothEditionsAndTheyDiffer) {
    for (int i = 0; i < kTextIdCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_FALSE(EnglishText(IdAt(i)).empty());
        EXPECT_FALSE(SpanishText(IdAt(i)).empty());
        EXPECT_NE(EnglishText(IdAt(i)), SpanishText(IdAt(i)));
    }
}

// The step menu's items that read alike in one edition but not in the other (a trailing blank
// in one place of the menu): each is its own text, and shares its words only with its twin.
bool AreMenuTwins(TextId a, TextId b) {
    const auto twins = [](TextId x, TextId y) {
        return (x == TextId::kStepMenuMiddleButton && y == TextId::kStepMenuMiddleButtonAfter) ||
               (x == TextId::kStepMenuPress && y == TextId::kStepMenuLeftPress) ||
               (x == TextId::kStepMenuRelease && y == TextId::kStepMenuReleaseSpaced);
    };
    return twins(a, b) || twins(b, a);
}

TEST(TextCatalog, NoTwoIdsShareATextInOneEdition) {
    for (const auto edition : {&EnglishText, &SpanishText}) {
        std::map<std::string_view, int> seen;
        for (int i = 0; i < kTextIdCount; ++i) {
            const auto [at, inserted] = seen.emplace(edition(IdAt(i)), i);
            EXPECT_TRUE(inserted || AreMenuTwins(IdAt(at->second), IdAt(i)))
                << "ids " << at->second << " and " << i << ": " << at->first;
        }
    }
}

TEST(TextCatalog, MenuTwinsDifferInTheOtherEdition) {
    for (int i = 0; i < kTextIdCount; ++i) {
        for (int j = i + 1; j < kTextIdCount; ++j) {
            if (AreMenuTwins(IdAt(i), IdAt(j))) {
                SCOPED_TRACE(testing::Message() << i << " and " << j);
                EXPECT_TRUE(EnglishText(IdAt(i)) != EnglishText(IdAt(j)) ||
                            SpanishText(IdAt(i)) != SpanishText(IdAt(j)));
            }
        }
    }
}

TEST(TextCatalog, TheEditionRuleChoosesTheWords) {
    struct Case {
        std::int64_t flag;
        std::string_view expected;
    };
    for (const Case& c :
         {Case{0, "Grabación"}, Case{1, "Record"}, Case{2, "Record"}, Case{-1, "Record"}}) {
        SCOPED_TRACE(c.flag);
        EXPECT_EQ(Text(TextId::kRecord, c.flag), c.expected);
    }
}

TEST(TextCatalog, PlaceholdersAreFilledOnceAndValuesAreCopiedAsTheyAre) {
    struct Case {
        std::string_view pattern;
        std::string_view file;
        std::string expected;
    };
    for (const Case& c : {
             Case{"\"{file}\" ({n})", "/a/b.ini", "\"/a/b.ini\" (3)"},
             Case{"{file}{file}", "x", "xx"},
             // A file name holding a placeholder is not filled again (nor loops forever).
             Case{"{file} {n}", "/tmp/{file}{n}", "/tmp/{file}{n} 3"},
             Case{"{unknown} {", "f", "{unknown} {"},
             Case{"", "f", ""},
         }) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(FillText(c.pattern, {{"{file}", c.file}, {"{n}", "3"}, {"", "never"}}),
                  c.expected);
    }
}

TEST(TextCatalog, MessageFillsTheEditionsText) {
    EXPECT_EQ(Message(TextId::kProfileWriteFailed, 1, {{"{file}", "/c.ini"}, {"{reason}", ""}}),
              "The profile could not be written to \"/c.ini\".");
    EXPECT_EQ(Message(TextId::kProfileWriteFailed, 0, {{"{file}", "/c.ini"}, {"{reason}", ": x"}}),
              "No se ha podido guardar el perfil en \"/c.ini\": x.");
}

TEST(AccessRefusedMessage, NamesTheNodeAndTheFixInBothEditions) {
    const auto refused = [](std::int64_t flag) {
        return Message(TextId::kAccessRefused, flag, {{"{node}", "/dev/hidraw7"}});
    };
    for (const int flag : {0, 1}) {
        const std::string text = refused(flag);
        EXPECT_NE(text.find("/dev/hidraw7"), std::string::npos) << text;
        EXPECT_NE(text.find("ZEL_GMouse(1), ACCESS TO THE MOUSE"), std::string::npos) << text;
        EXPECT_NE(text.find("KV270 Gaming Mouse"), std::string::npos) << text;
    }
    EXPECT_NE(refused(1).find("refused"), std::string::npos);
}

}  // namespace
}  // namespace zel::text
