#include "settings/config_files.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "ini_test_files.h"

namespace zel::settings {
namespace {

using zel::testing::ReadBytes;
using zel::testing::TempFolder;
using zel::testing::WriteBytes;

// The stored fields as plain values, to build and compare ProfileSettings in tables.
struct Stored {
    std::array<std::int32_t, 6> K{};
    std::int32_t DPI_LEVEL = 0;
    std::array<std::uint8_t, 4> DPI_SET{};
    std::array<std::uint8_t, 4> DPI_SET_EN{};
    std::int32_t WHEEL_STATUS = 0;
    std::int32_t MACRO_MODE2 = 0;
    std::uint8_t LED_STATUS = 0;
    std::uint8_t DPI_SPEED = 0;
    std::uint8_t WHEEL_SPEED = 0;
    std::int32_t FIRE_TIME = 0;
    std::uint8_t USB_SPEED = 0;

    bool operator==(const Stored&) const = default;

    void StoreInto(ProfileSettings& s) const {
        for (std::size_t i = 0; i < 6; ++i) {
            s.K[i] = K[i];
        }
        for (std::size_t n = 0; n < 4; ++n) {
            s.DPI_SET[n] = DPI_SET[n];
            s.DPI_SET_EN[n] = DPI_SET_EN[n];
        }
        s.DPI_LEVEL = DPI_LEVEL;
        s.WHEEL_STATUS = WHEEL_STATUS;
        s.MACRO_MODE2 = MACRO_MODE2;
        s.LED_STATUS = LED_STATUS;
        s.DPI_SPEED = DPI_SPEED;
        s.WHEEL_SPEED = WHEEL_SPEED;
        s.FIRE_TIME = FIRE_TIME;
        s.USB_SPEED = USB_SPEED;
    }

    static Stored From(const ProfileSettings& s) {
        Stored v;
        for (std::size_t i = 0; i < 6; ++i) {
            v.K[i] = s.K[i];
        }
        for (std::size_t n = 0; n < 4; ++n) {
            v.DPI_SET[n] = s.DPI_SET[n];
            v.DPI_SET_EN[n] = s.DPI_SET_EN[n];
        }
        v.DPI_LEVEL = s.DPI_LEVEL;
        v.WHEEL_STATUS = s.WHEEL_STATUS;
        v.MACRO_MODE2 = s.MACRO_MODE2;
        v.LED_STATUS = s.LED_STATUS;
        v.DPI_SPEED = s.DPI_SPEED;
        v.WHEEL_SPEED = s.WHEEL_SPEED;
        v.FIRE_TIME = s.FIRE_TIME;
        v.USB_SPEED = s.USB_SPEED;
        return v;
    }
};

std::ostream& operator<<(std::ostream& out, const Stored& v) {
    out << "K=";
    for (auto k : v.K) {
        out << k << ' ';
    }
    out << "LEVEL=" << v.DPI_LEVEL << " SET=";
    for (std::size_t n = 0; n < 4; ++n) {
        out << unsigned{v.DPI_SET[n]} << '/' << unsigned{v.DPI_SET_EN[n]} << ' ';
    }
    return out << "WHEEL=" << v.WHEEL_STATUS << " MACRO=" << v.MACRO_MODE2
               << " LED=" << unsigned{v.LED_STATUS} << " SPEED=" << unsigned{v.DPI_SPEED}
               << " WSPEED=" << unsigned{v.WHEEL_SPEED} << " FIRE=" << v.FIRE_TIME
               << " USB=" << unsigned{v.USB_SPEED};
}

Stored Sample() {
    Stored v;
    v.K = {1, 2, 3, 24, 25, 29};
    v.DPI_LEVEL = 2;
    v.DPI_SET = {2, 4, 6, 8};
    v.DPI_SET_EN = {1, 0, 1, 1};
    v.WHEEL_STATUS = 1;
    v.MACRO_MODE2 = 1;
    v.LED_STATUS = 3;
    v.DPI_SPEED = 7;
    v.WHEEL_SPEED = 4;
    v.FIRE_TIME = 120;
    v.USB_SPEED = 1;
    return v;
}

// Every field non-zero and unlike any loaded value, so a field that a load forgets shows.
Stored Sentinel() {
    Stored v;
    v.K.fill(77);
    v.DPI_LEVEL = 77;
    v.DPI_SET.fill(77);
    v.DPI_SET_EN.fill(77);
    v.WHEEL_STATUS = v.MACRO_MODE2 = v.FIRE_TIME = 77;
    v.LED_STATUS = v.DPI_SPEED = v.WHEEL_SPEED = v.USB_SPEED = 77;
    return v;
}

const std::string kSampleSection =
    "K0=1\r\nK1=2\r\nK2=3\r\nK3=24\r\nK4=25\r\nK5=29\r\nDPI_LEVEL=2\r\nWHEEL_STATUS=1\r\n"
    "MACRO_MODE2=1\r\nDPI_SET0=2\r\nDPI_SET_EN0=1\r\nDPI_SET1=4\r\nDPI_SET_EN1=0\r\n"
    "DPI_SET2=6\r\nDPI_SET_EN2=1\r\nDPI_SET3=8\r\nDPI_SET_EN3=1\r\nLED_STATUS=3\r\n"
    "DPI_SPEED=7\r\nWHEEL_SPEED=4\r\nUSB_SPEED=1\r\nFIRE_TIME=120\r\n";

Stored Edited(Stored v, void (*edit)(Stored&)) {
    edit(v);
    return v;
}

struct LoadCase {
    const char* name;
    std::optional<std::string> file;
    std::int32_t profile;
    bool fromTemplate;
    std::uint8_t languageFlag;
    Stored expected;
};

std::vector<LoadCase> LoadCases() {
    const std::string templates =
        "[CfgReset5]\r\nFIRE_TIME=5\r\n[CfgReset_EN5]\r\nFIRE_TIME=6\r\n"
        "[CfgReset3]\r\nFIRE_TIME=3\r\n[Config5]\r\nFIRE_TIME=1\r\n";
    auto fire = [](std::int32_t t) {
        Stored v;
        v.FIRE_TIME = t;
        return v;
    };
    return {
        {"whole section", "[Config2]\r\n" + kSampleSection, 2, false, 1, Sample()},
        {"names in other case", "[config2]\r\n" + kSampleSection + "[CONFIG2]\r\nK0=9\r\n", 2,
         false, 1, Sample()},
        {"missing section", "[Config2]\r\n" + kSampleSection, 3, false, 1, Stored{}},
        {"missing file", std::nullopt, 1, false, 1, Stored{}},
        {"profile 0", "[Config0]\r\nK0=4\r\n", 0, false, 0,
         Edited(Stored{}, [](Stored& v) { v.K[0] = 4; })},
        {"cut, wrapped and lenient values",
         "[Config1]\r\n"
         "FIRE_TIME=12345\r\n"      // 4 characters: 1234
         "DPI_SET0=-1\r\n"          // 8-bit: 255
         "DPI_SET1=123456789\r\n"   // 9 characters, then 8 bits: 21
         "DPI_SET2=1234567890\r\n"  // the tenth digit is not read
         "DPI_SET3=000000025599\r\n"
         "DPI_SET_EN0=7\r\nDPI_SET_EN1=-3\r\nDPI_SET_EN2=abc\r\nDPI_SET_EN3=0000000001\r\n"
         "K0=12abc\r\nK1=-5\r\nK2=99999\r\nK3=  \"42\"  \r\nK4=x\r\nK5=\r\n"
         "LED_STATUS=300\r\nDPI_SPEED=-1\r\nUSB_SPEED=256\r\nWHEEL_SPEED= 3 \r\n"
         "MACRO_MODE2=-12345\r\nDPI_LEVEL=1e5\r\nWHEEL_STATUS=+1\r\n",
         1, false, 1,
         Edited(Stored{},
                [](Stored& v) {
                    v.FIRE_TIME = 1234;
                    v.DPI_SET = {255, 21, 21, 25};
                    v.DPI_SET_EN = {1, 1, 0, 0};  // "0000000001" is cut to nine zeros
                    v.K = {12, -5, 9999, 42, 0, 0};
                    v.LED_STATUS = 44;
                    v.DPI_SPEED = 255;
                    v.USB_SPEED = 0;
                    v.WHEEL_SPEED = 3;
                    v.MACRO_MODE2 = -123;
                    v.DPI_LEVEL = 1;
                    v.WHEEL_STATUS = 1;
                })},
        {"template 5, EN", templates, 5, true, 1, fire(6)},
        {"template 5, only flag 1 is EN", templates, 5, true, 2, fire(5)},
        {"template 5, CN", templates, 5, true, 0, fire(5)},
        {"template 3, EN has no own", templates, 3, true, 1, fire(3)},
        {"no template flag", templates, 5, false, 1, fire(1)},
        {"missing template", templates, 2, true, 1, Stored{}},
    };
}

TEST(LoadProfile, ReadsEveryFieldWithItsBufferAndWidth) {
    TempFolder folder;
    for (const LoadCase& c : LoadCases()) {
        SCOPED_TRACE(c.name);
        const auto path = folder / "config.ini";
        std::filesystem::remove(path);
        if (c.file) {
            WriteBytes(path, *c.file);
        }
        ProfileSettings settings;
        Sentinel().StoreInto(settings);
        LoadProfile(path, c.profile, c.fromTemplate, c.languageFlag, settings);
        EXPECT_EQ(Stored::From(settings), c.expected);

        Sentinel().StoreInto(settings);
        LoadProfile(ini::IniDocument::Parse(c.file.value_or("")), c.profile, c.fromTemplate,
                    c.languageFlag, settings);
        EXPECT_EQ(Stored::From(settings), c.expected);
    }
}

TEST(SaveProfile, NewFileListsKeysInWriteOrder) {
    TempFolder folder;
    const auto path = folder / "config.ini";
    ProfileSettings settings;
    Sample().StoreInto(settings);
    ASSERT_TRUE(SaveProfile(path, 4, settings));
    EXPECT_EQ(ReadBytes(path), "[Config4]\r\n" + kSampleSection);
}

TEST(SaveProfile, WritesBytesUnsignedAndFlagsAsZeroOrOne) {
    TempFolder folder;
    const auto path = folder / "config.ini";
    WriteBytes(path, "[Config1]\r\nDPI_SET0=-1\r\nDPI_SET_EN2=7\r\nK0=-4\r\nLED_STATUS=-2\r\n");
    ProfileSettings settings;
    LoadProfile(path, 1, false, 1, settings);
    ASSERT_TRUE(SaveProfile(path, 1, settings));
    const ini::IniDocument saved = ini::IniDocument::Load(path);
    EXPECT_EQ(saved.Get("Config1", "DPI_SET0"), "255");
    EXPECT_EQ(saved.Get("Config1", "DPI_SET_EN2"), "1");
    EXPECT_EQ(saved.Get("Config1", "DPI_SET_EN0"), "0");
    EXPECT_EQ(saved.Get("Config1", "K0"), "-4");
    EXPECT_EQ(saved.Get("Config1", "LED_STATUS"), "254");

    // A flag field holding any non-zero byte is still written as 1.
    settings.DPI_SET_EN[3] = 200;
    ASSERT_TRUE(SaveProfile(path, 1, settings));
    EXPECT_EQ(ini::ReadString(path, "Config1", "DPI_SET_EN3"), "1");

    ProfileSettings reloaded;
    LoadProfile(path, 1, false, 1, reloaded);
    Stored expected = Stored::From(settings);
    expected.DPI_SET_EN[3] = 1;
    EXPECT_EQ(Stored::From(reloaded), expected);
}

// A single-key write changes that one line and nothing else of the file.
TEST(WriteProfileKey, ChangesOnlyItsOwnLine) {
    const std::string before = ";comment\r\n[Init]\r\nCurConfig=2\r\n[Config2]\r\n" +
                               kSampleSection + "\r\n[Config3]\r\nDPI_LEVEL=0\r\nUSB_SPEED=0\r\n";
    struct Case {
        const char* name;
        bool (*write)(const std::filesystem::path&, std::int32_t, const ProfileSettings&);
        std::string from;
        std::string to;
    };
    const Case cases[] = {
        {"DPI_LEVEL", WriteProfileDpiLevel, "DPI_LEVEL=2\r\n", "DPI_LEVEL=3\r\n"},
        {"USB_SPEED", WriteProfileUsbSpeed, "USB_SPEED=1\r\n", "USB_SPEED=3\r\n"},
    };
    TempFolder folder;
    const auto path = folder / "config.ini";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(path, before);
        ProfileSettings settings;
        Sample().StoreInto(settings);
        settings.DPI_LEVEL = 3;
        settings.USB_SPEED = 3;
        ASSERT_TRUE(c.write(path, 2, settings));
        std::string expected = before;
        expected.replace(expected.find(c.from), c.from.size(), c.to);
        EXPECT_EQ(ReadBytes(path), expected);
    }
}

TEST(InitSection, ReadsCurrentProfileAndEditionFlag) {
    struct Case {
        std::optional<std::string> file;
        std::int32_t currentProfile;
        std::uint8_t editionFlag;
    };
    const Case cases[] = {
        {"[Init]\r\nCurConfig=3\r\nVER_SEL=1\r\n", 3, 1},
        {"[init]\r\ncurconfig=5\r\nver_sel=0\r\n", 5, 0},
        {std::nullopt, 0, 0},
        {"[Other]\r\nCurConfig=3\r\n", 0, 0},
        {"[Init]\r\nCurConfig=12345\r\nVER_SEL=257\r\n", 1234, 1},  // 4 characters, 8 bits
        {"[Init]\r\nCurConfig=-7\r\nVER_SEL=-1\r\n", -7, 255},      // no range check
        {"[Init]\r\nCurConfig=two\r\nVER_SEL=\r\n", 0, 0},
    };
    TempFolder folder;
    const auto path = folder / "config.ini";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.value_or("(no file)"));
        std::filesystem::remove(path);
        if (c.file) {
            WriteBytes(path, *c.file);
        }
        EXPECT_EQ(ReadCurrentProfile(path), c.currentProfile);
        EXPECT_EQ(ReadEditionFlag(path), c.editionFlag);
        const ini::IniDocument document = ini::IniDocument::Parse(c.file.value_or(""));
        EXPECT_EQ(ReadCurrentProfile(document), c.currentProfile);
        EXPECT_EQ(ReadEditionFlag(document), c.editionFlag);
    }
}

TEST(InitSection, WritesKeepTheRestOfTheFile) {
    TempFolder folder;
    const auto path = folder / "config.ini";
    WriteBytes(path, "[Init]\r\nCurConfig=1\r\nVER_SEL=1\r\n[Config1]\r\nK0=1\r\n");
    ASSERT_TRUE(WriteCurrentProfile(path, 4));
    ASSERT_TRUE(WriteEditionFlag(path, 0));
    EXPECT_EQ(ReadBytes(path), "[Init]\r\nCurConfig=4\r\nVER_SEL=0\r\n[Config1]\r\nK0=1\r\n");
    ASSERT_TRUE(WriteEditionFlag(folder / "new.ini", 200));
    EXPECT_EQ(ReadBytes(folder / "new.ini"), "[Init]\r\nVER_SEL=200\r\n");
}

// The upload's writes (CurConfig, the uploaded copy, the current profile) as one replacement.
TEST(ConfigBatch, UploadWritesCommitTogether) {
    TempFolder folder;
    const auto path = folder / "config.ini";
    WriteBytes(path, "[Init]\r\nCurConfig=1\r\nVER_SEL=1\r\n");
    ProfileSettings settings;
    Sample().StoreInto(settings);
    ini::IniWriteBatch batch(path);
    WriteCurrentProfile(batch, 3);
    SaveProfile(batch, 6, settings);
    SaveProfile(batch, 3, settings);
    EXPECT_EQ(ReadBytes(path), "[Init]\r\nCurConfig=1\r\nVER_SEL=1\r\n");  // nothing yet
    ASSERT_TRUE(batch.Commit());
    EXPECT_EQ(ReadBytes(path), "[Init]\r\nCurConfig=3\r\nVER_SEL=1\r\n[Config6]\r\n" +
                                   kSampleSection + "[Config3]\r\n" + kSampleSection);
}

TEST(LoadProfile, SurvivesGarbageAndHugeLines) {
    std::mt19937 random(7);
    std::string garbage(100000, '\0');
    for (char& c : garbage) {
        c = static_cast<char>(random() & 0xFF);
    }
    const std::string hugeLine = "[Config1]\r\nK0=" + std::string(100000, '1') + "\r\n" +
                                 std::string(100000, '=') + "\r\nFIRE_TIME=300";
    const std::string cases[] = {garbage, "[Config1]\r\n" + garbage, hugeLine,
                                 "\xFF\xFE" + garbage.substr(1)};
    TempFolder folder;
    const auto path = folder / "config.ini";
    for (const std::string& bytes : cases) {
        WriteBytes(path, bytes);
        ProfileSettings settings;
        LoadProfile(path, 1, false, 1, settings);
        (void)ReadCurrentProfile(path);
        (void)ReadEditionFlag(path);
        EXPECT_TRUE(SaveProfile(path, 1, settings));
        ProfileSettings reloaded;
        LoadProfile(path, 1, false, 1, reloaded);
        EXPECT_EQ(Stored::From(reloaded), Stored::From(settings));
    }
    WriteBytes(path, hugeLine);
    ProfileSettings settings;
    LoadProfile(path, 1, false, 1, settings);
    EXPECT_EQ(settings.K[0], 1111);
    EXPECT_EQ(settings.FIRE_TIME, 300);
}

TEST(ConfigSections, NamesFollowProfileNumberAndEdition) {
    EXPECT_EQ(ProfileSectionName(1), "Config1");
    EXPECT_EQ(ProfileSectionName(7), "Config7");
    EXPECT_EQ(ProfileSectionName(-2), "Config-2");
    EXPECT_EQ(TemplateSectionName(2, 1), "CfgReset2");
    EXPECT_EQ(TemplateSectionName(5, 1), "CfgReset_EN5");
    EXPECT_EQ(TemplateSectionName(5, 0), "CfgReset5");
}

// VER_SEL as written in the file: only exactly 1 takes the EN template of profile 5.
TEST(ConfigSections, OnlyEditionFlagOneReadsTheEnglishTemplateOfProfileFive) {
    const struct {
        const char* verSel;
        std::uint8_t flag;
        std::int32_t fireTime;
    } cases[] = {{"0", 0, 5}, {"1", 1, 6}, {"2", 2, 5}, {"-1", 255, 5}};
    TempFolder dir;
    const auto path = dir / "config.ini";
    for (const auto& c : cases) {
        WriteBytes(path, std::string("[Init]\r\nVER_SEL=") + c.verSel +
                             "\r\n[CfgReset5]\r\nFIRE_TIME=5\r\n[CfgReset_EN5]\r\nFIRE_TIME=6\r\n");
        const std::uint8_t flag = ReadEditionFlag(path);
        EXPECT_EQ(flag, c.flag) << c.verSel;
        ProfileSettings settings;
        LoadProfile(path, 5, true, flag, settings);
        EXPECT_EQ(settings.FIRE_TIME.load(), c.fireTime) << "VER_SEL=" << c.verSel;
    }
}

}  // namespace
}  // namespace zel::settings
