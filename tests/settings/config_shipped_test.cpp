// The config.ini that ships with the program: every profile and template it holds loads into
// values the rest of the program accepts.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "ini_test_files.h"
#include "settings/config_files.h"

namespace zel::settings {
namespace {

const std::filesystem::path kShippedConfig =
    std::filesystem::path(ZEL_SOURCE_DIR) / "data" / "config.ini";

struct ShippedProfile {
    std::string section;
    std::int32_t profile;
    bool fromTemplate;
    std::uint8_t languageFlag;
};

const std::vector<ShippedProfile> kProfiles = {
    {"Config1", 1, false, 1},  {"Config2", 2, false, 1},     {"Config3", 3, false, 1},
    {"Config4", 4, false, 1},  {"Config5", 5, false, 1},     {"Config6", 6, false, 1},
    {"CfgReset2", 2, true, 1}, {"CfgReset3", 3, true, 1},    {"CfgReset4", 4, true, 1},
    {"CfgReset5", 5, true, 0}, {"CfgReset_EN5", 5, true, 1},
};

// Codes the choice lists offer without a user macro (user macros do not exist on a fresh
// install): rows of the main list and of the mouse, consumer and built-in macro sub-lists.
bool IsOfferedCode(std::int32_t code) {
    return (code >= 1 && code <= 6) || (code >= 11 && code <= 16) || (code >= 21 && code <= 38);
}

std::string LoadedText(const ShippedProfile& p) {
    ProfileSettings settings;
    LoadProfile(kShippedConfig, p.profile, p.fromTemplate, p.languageFlag, settings);
    zel::testing::TempFolder folder;
    SaveProfile(folder / "saved.ini", 1, settings);
    const std::string saved = zel::testing::ReadBytes(folder / "saved.ini");
    return saved.substr(saved.find("\r\n") + 2);
}

TEST(ShippedConfig, InitStartsWithProfileOneInTheEnEdition) {
    EXPECT_EQ(ReadCurrentProfile(kShippedConfig), 1);
    EXPECT_EQ(ReadEditionFlag(kShippedConfig), 1);
}

TEST(ShippedConfig, EveryProfileIsInRangeAndItsLevelEnabled) {
    for (const ShippedProfile& p : kProfiles) {
        SCOPED_TRACE(p.section);
        ProfileSettings s;
        LoadProfile(kShippedConfig, p.profile, p.fromTemplate, p.languageFlag, s);
        bool hasPrimaryClick = false;
        for (const auto& k : s.K) {
            EXPECT_TRUE(IsOfferedCode(k)) << k;
            hasPrimaryClick = hasPrimaryClick || k == 1;
        }
        EXPECT_TRUE(hasPrimaryClick);
        for (std::size_t n = 0; n < 4; ++n) {
            EXPECT_LE(s.DPI_SET[n], 11);
        }
        ASSERT_GE(s.DPI_LEVEL, 0);
        ASSERT_LE(s.DPI_LEVEL, 3);
        EXPECT_EQ(s.DPI_SET_EN[static_cast<std::size_t>(s.DPI_LEVEL.load())], 1);
        EXPECT_LE(s.LED_STATUS, 3);
        EXPECT_LE(s.DPI_SPEED, 9);
        EXPECT_LE(s.WHEEL_SPEED, 9);
        EXPECT_LE(s.USB_SPEED, 3);
        EXPECT_GE(s.FIRE_TIME, 0);
        EXPECT_LE(s.FIRE_TIME, 300);
        EXPECT_TRUE(s.WHEEL_STATUS == 0 || s.WHEEL_STATUS == 1);
        EXPECT_TRUE(s.MACRO_MODE2 == 0 || s.MACRO_MODE2 == 1);
    }
}

// Every section lists every key once, in the order a save writes them, with "%d" values and
// CRLF line breaks, so the program's own saves leave the file's layout as shipped.
TEST(ShippedConfig, SectionsAreWhatASaveWouldWrite) {
    const std::string bytes = zel::testing::ReadBytes(kShippedConfig);
    ASSERT_FALSE(bytes.empty());
    std::size_t lineFeeds = 0;
    std::size_t crLfs = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        lineFeeds += bytes[i] == '\n';
        crLfs += bytes[i] == '\n' && i > 0 && bytes[i - 1] == '\r';
    }
    EXPECT_EQ(lineFeeds, crLfs);
    EXPECT_TRUE(bytes.ends_with("\r\n"));

    for (const ShippedProfile& p : kProfiles) {
        SCOPED_TRACE(p.section);
        const std::string section = "[" + p.section + "]\r\n";
        const std::size_t begin = bytes.find(section);
        ASSERT_NE(begin, std::string::npos);
        const std::size_t bodyBegin = begin + section.size();
        const std::size_t next = bytes.find("\r\n[", bodyBegin);
        const std::size_t bodyEnd = next == std::string::npos ? bytes.size() : next + 2;
        EXPECT_EQ(bytes.substr(bodyBegin, bodyEnd - bodyBegin), LoadedText(p));
    }
}

TEST(ShippedConfig, ProfilesAreDistinctAndTemplatesRestoreTheFactoryProfiles) {
    std::set<std::string> userProfiles;
    for (int n = 1; n <= 5; ++n) {
        userProfiles.insert(LoadedText({"", n, false, 1}));
    }
    EXPECT_EQ(userProfiles.size(), 5u);
    // The last uploaded settings are those of the current profile.
    EXPECT_EQ(LoadedText({"", 6, false, 1}), LoadedText({"", 1, false, 1}));
    for (int n = 2; n <= 5; ++n) {
        EXPECT_EQ(LoadedText({"", n, true, 1}), LoadedText({"", n, false, 1})) << n;
    }
    EXPECT_NE(LoadedText({"", 5, true, 0}), LoadedText({"", 5, true, 1}));
}

}  // namespace
}  // namespace zel::settings
