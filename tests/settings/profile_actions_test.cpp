#include "settings/profile_actions.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ini_test_files.h"
#include "settings/button_function.h"
#include "settings/config_files.h"
#include "settings/ini_file.h"
#include "settings/profile_operations.h"
#include "settings/profile_values.h"

namespace zel::settings {
namespace {

using zel::testing::ReadBytes;
using zel::testing::TempFolder;
using zel::testing::WriteBytes;

// A profile whose every field tells which section it came from.
ProfileValues Marked(std::int32_t mark) {
    ProfileValues v;
    for (std::size_t i = 0; i < v.K.size(); ++i) {
        v.K[i] = static_cast<std::int32_t>(i) + 1 + mark;
    }
    v.DPI_LEVEL = mark % 4;
    v.DPI_SET = {static_cast<std::uint8_t>(mark % 12), 1, 2, static_cast<std::uint8_t>(mark % 7)};
    v.DPI_SET_EN = {1, static_cast<std::uint8_t>(mark % 2), 1, 1};
    v.WHEEL_STATUS = mark % 2;
    v.MACRO_MODE2 = (mark / 2) % 2;
    v.LED_STATUS = static_cast<std::uint8_t>(mark % 4);
    v.DPI_SPEED = static_cast<std::uint8_t>(mark % 10);
    v.WHEEL_SPEED = static_cast<std::uint8_t>((mark + 3) % 10);
    v.FIRE_TIME = 100 + mark;
    v.USB_SPEED = static_cast<std::uint8_t>(mark % 4);
    return v;
}

// The text of one section holding `v`, as config.ini carries it.
std::string SectionText(const std::string& name, const ProfileValues& v) {
    std::string text = "[" + name + "]\r\n";
    auto line = [&](const std::string& key, long value) {
        text += key + "=" + std::to_string(value) + "\r\n";
    };
    for (std::size_t i = 0; i < 6; ++i) {
        line("K" + std::to_string(i), v.K[i]);
    }
    line("DPI_LEVEL", v.DPI_LEVEL);
    line("WHEEL_STATUS", v.WHEEL_STATUS);
    line("MACRO_MODE2", v.MACRO_MODE2);
    for (std::size_t n = 0; n < 4; ++n) {
        line("DPI_SET" + std::to_string(n), v.DPI_SET[n]);
        line("DPI_SET_EN" + std::to_string(n), v.DPI_SET_EN[n]);
    }
    line("LED_STATUS", v.LED_STATUS);
    line("DPI_SPEED", v.DPI_SPEED);
    line("WHEEL_SPEED", v.WHEEL_SPEED);
    line("USB_SPEED", v.USB_SPEED);
    line("FIRE_TIME", v.FIRE_TIME);
    return text;
}

// Marks of the sections of the test config.ini.
constexpr std::int32_t kProfileMark = 10;  // Config<n> holds Marked(10 * n)
constexpr std::int32_t kUploadedMark = 60;
constexpr std::int32_t kTemplateMark = 200;  // CfgReset<n> holds Marked(200 + n)
constexpr std::int32_t kEnglishTemplateMark = 300;

std::string ConfigText(bool withAllTemplates = true) {
    std::string text = "[Init]\r\nCurConfig=2\r\nVER_SEL=1\r\n";
    for (std::int32_t n = 1; n <= 5; ++n) {
        text += SectionText("Config" + std::to_string(n), Marked(kProfileMark * n));
    }
    text += SectionText("Config6", Marked(kUploadedMark));
    for (std::int32_t n = 2; n <= 5; ++n) {
        if (withAllTemplates || n != 3) {
            text += SectionText("CfgReset" + std::to_string(n), Marked(kTemplateMark + n));
        }
    }
    text += SectionText("CfgReset_EN5", Marked(kEnglishTemplateMark));
    return text;
}

// The file text without one section (its header and every line up to the next header).
std::string WithoutSection(const std::string& text, const std::string& name) {
    const std::string header = "[" + name + "]";
    const auto start = text.find(header);
    if (start == std::string::npos) {
        return text;
    }
    auto end = text.find("\n[", start);
    end = end == std::string::npos ? text.size() : end + 1;
    return text.substr(0, start) + text.substr(end);
}

ProfileValues SectionValues(const std::filesystem::path& file, std::int32_t profile) {
    ProfileSettings loaded;
    LoadProfile(file, profile, false, 1, loaded);
    return TakeProfileValues(loaded);
}

class ProfileActions : public ::testing::Test {
protected:
    void SetUp() override {
        WriteBytes(configPath(), ConfigText());
        StoreProfileValues(profile, Marked(kProfileMark * currentProfile.load()));
    }

    std::filesystem::path configPath() const { return folder / "config.ini"; }

    ProfileActionContext Context(std::int32_t languageFlag = 1) {
        ProfileActionHooks hooks;
        hooks.repaint = [this] { calls.push_back("repaint"); };
        hooks.clearHotButton = [this] { calls.push_back("clearHot"); };
        hooks.hideToTray = [this] { calls.push_back("hide"); };
        hooks.loadDefaultMacros = [this](const std::filesystem::path& file) {
            calls.push_back("loadMacros " + file.lexically_relative(folder.path()).string());
            return defaultMacrosReadable;
        };
        hooks.saveUserMacros = [this](const std::filesystem::path& file) {
            calls.push_back("saveMacros " + file.lexically_relative(folder.path()).string());
            return true;
        };
        hooks.upload = [this](std::int32_t n) {
            calls.push_back("upload " + std::to_string(n));
            uploadedValues = TakeProfileValues(profile);
            return uploadWrites;
        };
        return ProfileActionContext{
            .profile = profile,
            .currentProfile = currentProfile,
            .languageFlag = languageFlag,
            .configPath = configPath(),
            .skinsDir = folder / "skins",
            .macroPath = folder / (languageFlag != 0 ? "Macro_EN.dat" : "Macro_CN.dat"),
            .messages = messages,
            .hooks = hooks,
        };
    }

    TempFolder folder;
    ProfileSettings profile;
    std::atomic<std::int32_t> currentProfile{2};
    platform::RecordingMessageSink messages;
    std::vector<std::string> calls;
    bool defaultMacrosReadable = true;
    bool uploadWrites = true;
    ProfileValues uploadedValues;
};

// A reset whose writes fail says so once, whichever of them failed; the upload still runs.
TEST_F(ProfileActions, ResetThatCannotWriteTellsTheUserOnce) {
    const std::string before = ReadBytes(configPath());
    std::filesystem::permissions(configPath(), std::filesystem::perms::owner_read |
                                                   std::filesystem::perms::group_read |
                                                   std::filesystem::perms::others_read);
    uploadWrites = false;  // the upload's own writes fail on the same file
    EXPECT_FALSE(ResetAllProfiles(Context()));
    EXPECT_EQ(ReadBytes(configPath()), before) << "a write-protected file stays as it was";
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].find(configPath().string()), std::string::npos);
    EXPECT_NE(messages.messages[0].find("the file is write-protected"), std::string::npos)
        << messages.messages[0];
    EXPECT_NE(std::find(calls.begin(), calls.end(), "upload 2"), calls.end());

    // Only the macro file fails: named once as well.
    std::filesystem::permissions(configPath(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    uploadWrites = true;
    messages.messages.clear();
    ProfileActionContext context = Context();
    context.hooks.saveUserMacros = [](const std::filesystem::path&) { return false; };
    EXPECT_FALSE(ResetAllProfiles(context));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].find("Macro_EN.dat"), std::string::npos);

    messages.messages.clear();
    EXPECT_TRUE(ResetAllProfiles(Context()));
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(ProfileActions, SaveWritesOnlyTheCurrentSection) {
    currentProfile = 3;
    const ProfileValues edited = Marked(77);
    StoreProfileValues(profile, edited);
    const std::string before = ReadBytes(configPath());

    EXPECT_TRUE(SaveCurrentProfile(Context()));

    const std::string after = ReadBytes(configPath());
    EXPECT_EQ(WithoutSection(after, "Config3"), WithoutSection(before, "Config3"));
    EXPECT_EQ(SectionValues(configPath(), 3), edited);
    EXPECT_EQ(ReadCurrentProfile(configPath()), 2);
    EXPECT_EQ(SectionValues(configPath(), 6), Marked(kUploadedMark));
    EXPECT_EQ(TakeProfileValues(profile), edited);
    EXPECT_EQ(calls, std::vector<std::string>{"repaint"});
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(ProfileActions, SaveThatCannotWriteTellsTheUser) {
    Context();  // the folder exists
    ProfileActionContext context = Context(0);
    context.configPath = folder / "missing-folder" / "config.ini";

    EXPECT_FALSE(SaveCurrentProfile(context));

    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].find("No se ha podido guardar"), std::string::npos);
    EXPECT_NE(messages.messages[0].find("missing-folder"), std::string::npos);
}

TEST_F(ProfileActions, SelectProfileLoadsForEditingOnly) {
    const std::string before = ReadBytes(configPath());
    for (std::int32_t n = 1; n <= 5; ++n) {
        SCOPED_TRACE(n);
        calls.clear();
        EXPECT_TRUE(SelectProfile(Context(), n));
        EXPECT_EQ(currentProfile.load(), n);
        EXPECT_EQ(TakeProfileValues(profile), Marked(kProfileMark * n));
        EXPECT_EQ(calls, std::vector<std::string>{"repaint"});
    }
    // Nothing is written: the next start still finds the old current profile.
    EXPECT_EQ(ReadBytes(configPath()), before);
}

TEST_F(ProfileActions, SelectProfileOutsideOneToFiveChangesNothing) {
    for (const std::int32_t n : {0, 6, 7, -1}) {
        SCOPED_TRACE(n);
        EXPECT_FALSE(SelectProfile(Context(), n));
        EXPECT_EQ(currentProfile.load(), 2);
        EXPECT_EQ(TakeProfileValues(profile), Marked(kProfileMark * 2));
        EXPECT_TRUE(calls.empty());
    }
}

// A profile the file lacks is chosen with its factory settings (its reset template, else the
// built-in defaults), never as a profile of zeros that Apply would send; nothing is written.
TEST_F(ProfileActions, SelectingAProfileTheFileLacksLoadsItsFactorySettings) {
    const struct {
        std::int32_t profile;
        bool withTemplate;
        std::int32_t languageFlag;
        ProfileValues expected;
    } cases[] = {
        {1, true, 1, kResetDefaults},
        {3, true, 1, Marked(kTemplateMark + 3)},
        {3, false, 1, kResetDefaults},
        {5, true, 1, Marked(kEnglishTemplateMark)},
        {5, true, 0, Marked(kTemplateMark + 5)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.profile);
        const std::string text =
            WithoutSection(ConfigText(c.withTemplate), "Config" + std::to_string(c.profile));
        WriteBytes(configPath(), text);
        EXPECT_TRUE(SelectProfile(Context(c.languageFlag), c.profile));
        EXPECT_EQ(currentProfile.load(), c.profile);
        EXPECT_EQ(TakeProfileValues(profile), c.expected);
        EXPECT_NE(profile.K[0].load(), 0);
        EXPECT_EQ(ReadBytes(configPath()), text);
        EXPECT_TRUE(messages.messages.empty());
    }
}

// A config.ini that cannot be read: choosing a profile or resetting them all says why and
// changes nothing at all (no model change, no upload, no macro file, no write).
TEST_F(ProfileActions, AnUnreadableConfigIsReportedAndNothingIsDone) {
    const auto config = configPath();
    const std::function<void()> makes[] = {
        [&] { std::filesystem::create_directory(config); },
        [&] { ASSERT_EQ(::mkfifo(config.c_str(), 0644), 0); },
        [&] {
            WriteBytes(config, ConfigText());
            std::filesystem::resize_file(config, ini::kMaxChosenFileBytes + 1);
        },
    };
    const char* reasons[] = {"it is a folder", "not a regular file", "larger than 1 MiB"};
    for (std::size_t i = 0; i < std::size(makes); ++i) {
        SCOPED_TRACE(reasons[i]);
        std::filesystem::remove_all(config);
        makes[i]();
        const auto before = std::filesystem::status(config).type();
        for (const bool reset : {false, true}) {
            messages.messages.clear();
            calls.clear();
            EXPECT_FALSE(reset ? ResetAllProfiles(Context()) : SelectProfile(Context(), 4));
            EXPECT_EQ(currentProfile.load(), 2);
            EXPECT_EQ(TakeProfileValues(profile), Marked(kProfileMark * 2));
            EXPECT_TRUE(calls.empty()) << ::testing::PrintToString(calls);
            ASSERT_EQ(messages.messages.size(), 1u);
            EXPECT_NE(messages.messages[0].find(reasons[i]), std::string::npos)
                << messages.messages[0];
            EXPECT_NE(messages.messages[0].find(config.string()), std::string::npos);
        }
        EXPECT_EQ(std::filesystem::status(config).type(), before);
    }
    EXPECT_EQ(std::filesystem::file_size(config), ini::kMaxChosenFileBytes + 1);
}

TEST_F(ProfileActions, RevertKeepsTheDpiLevelAndRestoresTheRestFromTheUpload) {
    ProfileValues edited = Marked(kProfileMark * 2);
    edited.DPI_LEVEL = 3;  // a level change that was not applied
    edited.K[0] = 40;
    edited.FIRE_TIME = 7;
    StoreProfileValues(profile, edited);
    const std::string before = ReadBytes(configPath());

    RevertAndHide(Context());

    ProfileValues expected = Marked(kUploadedMark);
    expected.DPI_LEVEL = 3;
    EXPECT_EQ(TakeProfileValues(profile), expected);
    EXPECT_EQ(SectionValues(configPath(), 6), expected);
    // Only DPI_LEVEL of Config6 changed in the file.
    const std::string after = ReadBytes(configPath());
    std::string expectedText = before;
    const auto at = expectedText.find("DPI_LEVEL=", expectedText.find("[Config6]"));
    expectedText.replace(at, std::string("DPI_LEVEL=0").size(), "DPI_LEVEL=3");
    EXPECT_EQ(after, expectedText);
    EXPECT_EQ(currentProfile.load(), 2);
    EXPECT_EQ(calls, (std::vector<std::string>{"clearHot", "hide", "repaint"}));
}

// Marked(mark) with the primary click on one button, as any usable profile has.
ProfileValues Usable(std::int32_t mark) {
    ProfileValues values = Marked(mark);
    values.K[3] = kPrimaryClickFunction;
    return values;
}

TEST_F(ProfileActions, ImportLoadsTheExchangeProfileWithoutSavingOrSwitching) {
    const auto exchange = folder / "shared.ini";
    WriteBytes(exchange, "[Other]\r\nx=1\r\n" + SectionText("Config7", Usable(91)));
    const std::string configBefore = ReadBytes(configPath());

    EXPECT_EQ(ImportProfile(Context(), exchange), ImportResult::Loaded);

    EXPECT_EQ(TakeProfileValues(profile), Usable(91));
    EXPECT_EQ(currentProfile.load(), 2);
    EXPECT_EQ(ReadBytes(configPath()), configBefore);
    EXPECT_EQ(calls, std::vector<std::string>{"repaint"});

    // A following save puts the imported settings into the current profile.
    SaveCurrentProfile(Context());
    EXPECT_EQ(SectionValues(configPath(), 2), Usable(91));
}

// A profile the window itself would never let the user make (no button with the primary
// click, no DPI level enabled) is refused with a message; the model stays as it was.
TEST_F(ProfileActions, ImportOfAProfileThatStripsTheMouseChangesNothingAndSaysWhy) {
    ProfileValues noPrimary = Usable(91);
    noPrimary.K[3] = 9;
    ProfileValues noDpiLevel = Usable(91);
    noDpiLevel.DPI_SET_EN = {0, 0, 0, 0};
    for (const ProfileValues& values : {noPrimary, noDpiLevel}) {
        const auto exchange = folder / "shared.ini";
        WriteBytes(exchange, SectionText("Config7", values));
        const ProfileValues before = TakeProfileValues(profile);
        messages.messages.clear();
        calls.clear();

        EXPECT_EQ(ImportProfile(Context(), exchange), ImportResult::Unusable);

        EXPECT_EQ(TakeProfileValues(profile), before);
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_NE(messages.messages[0].find("Nothing was imported"), std::string::npos);
        EXPECT_NE(messages.messages[0].find("left click"), std::string::npos);
        EXPECT_TRUE(calls.empty());
    }
}

// What is not a readable file of a sane size is refused unread, with the real reason rather
// than a missing section.
TEST_F(ProfileActions, ImportOfAPathThatIsNoReadableFileSaysTheRealReason) {
    std::filesystem::create_directory(folder / "folder.ini");
    ASSERT_EQ(::mkfifo((folder / "fifo.ini").c_str(), 0644), 0);
    std::filesystem::create_symlink("gone.ini", folder / "dangling.ini");
    WriteBytes(folder / "large.ini", SectionText("Config7", Usable(91)));
    std::filesystem::resize_file(folder / "large.ini", 100 * 1024 * 1024);
    const struct {
        const char* name;
        const char* reason;
    } cases[] = {
        {"missing.ini", "no such file"},
        {"folder.ini", "it is a folder"},
        {"fifo.ini", "not a regular file"},
        {"dangling.ini", "a symbolic link to a file that does not exist"},
        {"large.ini", "larger than 1 MiB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ProfileValues before = TakeProfileValues(profile);
        messages.messages.clear();

        EXPECT_EQ(ImportProfile(Context(), folder / c.name), ImportResult::Unreadable);

        EXPECT_EQ(TakeProfileValues(profile), before);
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_NE(messages.messages[0].find(c.reason), std::string::npos) << messages.messages[0];
        EXPECT_NE(messages.messages[0].find(c.name), std::string::npos);
        EXPECT_EQ(messages.messages[0].find("Config7"), std::string::npos);
    }
    messages.messages.clear();
    ImportProfile(Context(0), folder / "missing.ini");
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].find("el archivo no existe"), std::string::npos);
}

TEST_F(ProfileActions, ImportOfAFileWithoutAProfileChangesNothingAndSaysWhy) {
    struct Case {
        const char* what;
        const char* contents;
    };
    const Case cases[] = {
        {"empty file", ""},
        {"a config.ini without Config7", "[Init]\r\nCurConfig=1\r\n[Config1]\r\nK0=1\r\n"},
        {"a section with a longer name", "[Config70]\r\nK0=1\r\n"},
        {"binary garbage", "\x01\xff\xfe[\x00\x00]\x7f"},
    };
    struct Edition {
        std::int32_t flag;
        const char* expectedWords;
    };
    const Edition editions[] = {{1, "Nothing was imported"}, {0, "No se ha importado nada"}};
    for (const auto& edition : editions) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.what) + ", edition " + std::to_string(edition.flag));
            const auto file = folder / "exchange.ini";
            std::filesystem::remove(file);
            WriteBytes(file, c.contents);
            const ProfileValues before = TakeProfileValues(profile);
            messages.messages.clear();
            calls.clear();

            EXPECT_EQ(ImportProfile(Context(edition.flag), file), ImportResult::NoProfileInFile);

            EXPECT_EQ(TakeProfileValues(profile), before);
            EXPECT_EQ(currentProfile.load(), 2);
            ASSERT_EQ(messages.messages.size(), 1u);
            EXPECT_NE(messages.messages[0].find(edition.expectedWords), std::string::npos)
                << messages.messages[0];
            EXPECT_NE(messages.messages[0].find("[Config7]"), std::string::npos);
            EXPECT_NE(messages.messages[0].find("exchange.ini"), std::string::npos);
        }
    }
}

TEST_F(ProfileActions, ExportWritesConfig7AndKeepsTheFilesOtherSections) {
    const ProfileValues edited = Marked(55);
    StoreProfileValues(profile, edited);

    const auto fresh = folder / "fresh.ini";
    EXPECT_TRUE(ExportProfile(Context(), fresh));
    EXPECT_EQ(ReadBytes(fresh), SectionText("Config7", edited));

    const auto existing = folder / "existing.ini";
    const std::string keep = "[Notes]\r\nowner=me\r\n";
    const std::string after = SectionText("Config8", Marked(3));
    WriteBytes(existing, keep + SectionText("Config7", Marked(1)) + after);
    EXPECT_TRUE(ExportProfile(Context(), existing));
    EXPECT_EQ(ReadBytes(existing), keep + SectionText("Config7", edited) + after);

    EXPECT_EQ(TakeProfileValues(profile), edited);
    EXPECT_EQ(calls, (std::vector<std::string>{"repaint", "repaint"}));
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(ProfileActions, ExportThatCannotWriteTellsTheUserWhy) {
    const auto unwritable = folder / "no-such-folder" / "out.ini";
    EXPECT_FALSE(ExportProfile(Context(1), unwritable));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].find("could not be written"), std::string::npos);
    EXPECT_NE(messages.messages[0].find("its folder does not exist"), std::string::npos)
        << messages.messages[0];
    EXPECT_FALSE(std::filesystem::exists(unwritable));

    std::filesystem::create_directory(folder / "taken.ini");
    messages.messages.clear();
    EXPECT_FALSE(ExportProfile(Context(0), folder / "taken.ini"));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].find("es una carpeta"), std::string::npos)
        << messages.messages[0];
}

// Exporting onto a link whose target does not exist writes the target; the link stays.
TEST_F(ProfileActions, ExportOntoADanglingLinkWritesItsTarget) {
    std::filesystem::create_symlink("real.ini", folder / "link.ini");
    EXPECT_TRUE(ExportProfile(Context(), folder / "link.ini"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.ini"));
    EXPECT_EQ(ReadBytes(folder / "real.ini"), SectionText("Config7", TakeProfileValues(profile)));
}

TEST_F(ProfileActions, ResetRestoresEveryProfileInOrderPerEdition) {
    struct Case {
        std::int32_t languageFlag;
        std::int32_t fifthMark;
        const char* macroFolder;
        const char* macroFile;
    };
    const Case cases[] = {
        {1, kEnglishTemplateMark, "skins/INI_EN/defMacro.dat", "Macro_EN.dat"},
        {0, kTemplateMark + 5, "skins/INI_CN/defMacro.dat", "Macro_CN.dat"},
        // Any other flag picks the EN files but the CN template of profile 5.
        {2, kTemplateMark + 5, "skins/INI_EN/defMacro.dat", "Macro_EN.dat"},
        {255, kTemplateMark + 5, "skins/INI_EN/defMacro.dat", "Macro_EN.dat"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.languageFlag);
        WriteBytes(configPath(), ConfigText());
        calls.clear();
        currentProfile = 3;
        ProfileValues edited = Marked(kProfileMark * 3);
        edited.MACRO_MODE2 = 1;  // the reset keeps the model's macro mode in profile 1
        StoreProfileValues(profile, edited);

        ResetAllProfiles(Context(c.languageFlag));

        ProfileValues first = kResetDefaults;
        first.MACRO_MODE2 = 1;
        EXPECT_EQ(SectionValues(configPath(), 1), first);
        for (std::int32_t n = 2; n <= 4; ++n) {
            EXPECT_EQ(SectionValues(configPath(), n), Marked(kTemplateMark + n)) << n;
        }
        EXPECT_EQ(SectionValues(configPath(), 5), Marked(c.fifthMark));
        // The untouched sections: the upload (a hook here) writes Config6 and CurConfig.
        EXPECT_EQ(SectionValues(configPath(), 6), Marked(kUploadedMark));
        EXPECT_EQ(ReadCurrentProfile(configPath()), 2);

        EXPECT_EQ(currentProfile.load(), 3);
        EXPECT_EQ(TakeProfileValues(profile), Marked(kTemplateMark + 3));
        EXPECT_EQ(uploadedValues, Marked(kTemplateMark + 3));
        EXPECT_EQ(calls,
                  (std::vector<std::string>{std::string("loadMacros ") + c.macroFolder,
                                            std::string("saveMacros ") + c.macroFile, "upload 3"}));
        EXPECT_TRUE(messages.messages.empty());
    }
}

TEST_F(ProfileActions, ResetOfTheFirstProfileShowsItsDefaultsWhenItIsCurrent) {
    currentProfile = 1;
    ProfileValues edited = Marked(33);
    edited.MACRO_MODE2 = 0;
    StoreProfileValues(profile, edited);

    ResetAllProfiles(Context());

    EXPECT_EQ(TakeProfileValues(profile), kResetDefaults);
    EXPECT_EQ(uploadedValues, kResetDefaults);
}

TEST_F(ProfileActions, ResetWithAMissingTemplateUsesTheDefaultsAndSaysSo) {
    WriteBytes(configPath(), ConfigText(/*withAllTemplates=*/false));
    currentProfile = 3;

    ResetAllProfiles(Context());

    EXPECT_EQ(SectionValues(configPath(), 3), kResetDefaults);
    EXPECT_EQ(TakeProfileValues(profile), kResetDefaults) << "the primary click survives";
    EXPECT_EQ(SectionValues(configPath(), 2), Marked(kTemplateMark + 2));
    EXPECT_EQ(SectionValues(configPath(), 4), Marked(kTemplateMark + 4));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].find("[CfgReset3]"), std::string::npos);
}

TEST_F(ProfileActions, ResetKeepsTheUserMacrosWhenTheDefaultsCannotBeRead) {
    defaultMacrosReadable = false;
    ResetAllProfiles(Context());
    EXPECT_EQ(calls,
              (std::vector<std::string>{"loadMacros skins/INI_EN/defMacro.dat", "upload 2"}));
}

// kill -9 at any moment of a reset: config.ini holds either the old five profiles or all five
// reset, never some of each.
TEST_F(ProfileActions, AResetKilledPartWayLeavesTheOldProfilesOrAllOfThemReset) {
    const std::string original = ReadBytes(configPath());
    std::vector<ProfileValues> oldProfiles;
    std::vector<ProfileValues> resetProfiles;
    for (std::int32_t n = 1; n <= 5; ++n) {
        oldProfiles.push_back(SectionValues(configPath(), n));
    }
    auto runResetInChild = [this] {
        std::fflush(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            ResetAllProfiles(Context());
            ::_exit(0);
        }
        return child;
    };
    // One whole run, timed, gives the reset profiles and the span to kill in.
    const auto start = std::chrono::steady_clock::now();
    const pid_t whole = runResetInChild();
    ASSERT_GT(whole, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(whole, &status, 0), whole);
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
    for (std::int32_t n = 1; n <= 5; ++n) {
        resetProfiles.push_back(SectionValues(configPath(), n));
    }
    ASSERT_NE(oldProfiles, resetProfiles);

    std::mt19937 random(11);
    int mixed = 0;
    for (int run = 0; run < 40; ++run) {
        WriteBytes(configPath(), original);
        const pid_t child = runResetInChild();
        ASSERT_GT(child, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(
            random() % static_cast<unsigned>(std::max<long long>(span.count(), 1))));
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        std::vector<ProfileValues> now;
        for (std::int32_t n = 1; n <= 5; ++n) {
            now.push_back(SectionValues(configPath(), n));
        }
        if (now != oldProfiles && now != resetProfiles) {
            ++mixed;
        }
    }
    EXPECT_EQ(mixed, 0) << "runs that left some profiles reset and others not";
}

TEST_F(ProfileActions, ActionsRunWithoutHooks) {
    ProfileActionContext context = Context();
    context.hooks = {};
    EXPECT_TRUE(SelectProfile(context, 4));
    RevertAndHide(context);
    ResetAllProfiles(context);
    EXPECT_EQ(SectionValues(configPath(), 5), Marked(kEnglishTemplateMark));
    EXPECT_TRUE(calls.empty());
}

}  // namespace
}  // namespace zel::settings
