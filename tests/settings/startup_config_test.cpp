// config.ini as the program finds it at start: whole, missing, empty, damaged, pointing at a
// profile it does not hold, or not a file at all.

#include "settings/startup_config.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "ini_test_files.h"
#include "settings/config_files.h"
#include "settings/ini_file.h"
#include "settings/profile_operations.h"
#include "settings/profile_values.h"

namespace zel::settings {
namespace {

using zel::testing::ReadBytes;
using zel::testing::TempFolder;
using zel::testing::WriteBytes;

ProfileValues SectionValues(const std::filesystem::path& file, std::int32_t profile) {
    ProfileSettings loaded;
    LoadProfile(file, profile, false, 1, loaded);
    return TakeProfileValues(loaded);
}

struct DamagedCase {
    const char* name;
    const char* content;  // nullptr: no file
    std::int32_t profile;
    std::uint8_t languageFlag;
};

class DamagedConfig : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedConfig, GetsTheFactorySettingsWrittenBackAndSaysSoOnce) {
    const DamagedCase& c = GetParam();
    TempFolder folder;
    const auto path = folder / "config.ini";
    if (c.content != nullptr) {
        WriteBytes(path, c.content);
    }
    ProfileSettings profile;
    const StartupConfig config = LoadStartupConfig(path, profile, 1);

    EXPECT_EQ(config.currentProfile, c.profile);
    EXPECT_EQ(config.languageFlag, c.languageFlag);
    EXPECT_EQ(TakeProfileValues(profile), kResetDefaults) << "button 1 still clicks";
    EXPECT_NE(profile.K[0].load(), 0);
    EXPECT_FALSE(config.notice.empty());
    EXPECT_NE(config.notice.find(path.string()), std::string::npos) << config.notice;

    // Written back complete under the profile's own section; no Config0 or Config99.
    const ini::IniDocument written = ini::IniDocument::Load(path);
    EXPECT_TRUE(written.HasSection(ProfileSectionName(c.profile)));
    EXPECT_EQ(SectionValues(path, c.profile), kResetDefaults);
    for (const int other : {-3, 0, 6, 99}) {
        EXPECT_FALSE(written.HasSection(ProfileSectionName(other))) << other;
    }
    EXPECT_EQ(ReadCurrentProfile(path), c.profile);

    // The next start finds the profile and says nothing.
    ProfileSettings again;
    EXPECT_TRUE(LoadStartupConfig(path, again, 1).notice.empty());
    EXPECT_EQ(TakeProfileValues(again), kResetDefaults);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedConfig,
    ::testing::Values(DamagedCase{"Missing", nullptr, 1, 0}, DamagedCase{"Empty", "", 1, 0},
                      DamagedCase{"Garbage", "\x01\xFF\xFE\x00garbage\r\n\x80\x81=\x82", 1, 0},
                      DamagedCase{"CurConfigZero", "[Init]\r\nCurConfig=0\r\nVER_SEL=1\r\n", 1, 1},
                      DamagedCase{"CurConfig99", "[Init]\r\nCurConfig=99\r\n", 1, 0},
                      DamagedCase{"CurConfigNegative", "[Init]\r\nCurConfig=-3\r\n", 1, 0},
                      DamagedCase{"ProfileSectionMissing",
                                  "[Init]\r\nCurConfig=3\r\nVER_SEL=1\r\n[Config1]\r\nK0=1\r\n", 3,
                                  1}),
    [](const auto& info) { return std::string(info.param.name); });

// A file that holds the profile is read key by key as it is: a missing key is 0, nothing is
// written and nothing is said. A CurConfig outside 1 ... 5 reads profile 1.
TEST(StartupConfig, AFileWithTheProfileIsReadAsItIs) {
    TempFolder folder;
    const auto path = folder / "config.ini";
    const struct {
        const char* curConfig;
        std::int32_t profile;
    } cases[] = {{"4", 4}, {"0", 1}, {"77", 1}};
    for (const auto& c : cases) {
        const std::string text = std::string("[Init]\r\nCurConfig=") + c.curConfig +
                                 "\r\nVER_SEL=1\r\n[Config1]\r\nK0=5\r\nFIRE_TIME=40\r\n"
                                 "[Config4]\r\nK0=6\r\n";
        WriteBytes(path, text);
        ProfileSettings profile;
        const StartupConfig config = LoadStartupConfig(path, profile, 1);
        EXPECT_EQ(config.currentProfile, c.profile) << c.curConfig;
        EXPECT_TRUE(config.notice.empty()) << config.notice;
        EXPECT_EQ(profile.K[0].load(), c.profile == 4 ? 6 : 5);
        EXPECT_EQ(profile.K[1].load(), 0) << "a missing key stays 0";
        EXPECT_EQ(ReadBytes(path), text) << "nothing written";
    }
}

// Every start (window and headless both read config.ini here first) removes what killed
// writers of config.ini and of both user macro files left beside them; a living writer's stay.
TEST(StartupConfig, TheStartRemovesLeftoversOfKilledWritersOfEveryUserFile) {
    TempFolder folder;
    const auto path = folder / "config.ini";
    WriteBytes(path, "[Init]\r\nCurConfig=1\r\n[Config1]\r\nK0=1\r\n");
    std::fflush(nullptr);
    const pid_t ended = ::fork();
    if (ended == 0) {
        ::_exit(0);
    }
    ::waitpid(ended, nullptr, 0);
    const std::string dead = std::to_string(ended);
    const std::string alive = std::to_string(::getpid());
    for (const char* file : {"config.ini", "Macro_EN.dat", "Macro_CN.dat"}) {
        WriteBytes(folder / ("." + std::string(file) + ".tmp-" + dead + "-0-1"), "partial");
    }
    WriteBytes(folder / (".Macro_EN.dat.tmp-" + alive + "-0-1"), "being written");
    ProfileSettings profile;
    LoadStartupConfig(path, profile, 1);
    for (const char* file : {"config.ini", "Macro_EN.dat", "Macro_CN.dat"}) {
        EXPECT_FALSE(
            std::filesystem::exists(folder / ("." + std::string(file) + ".tmp-" + dead + "-0-1")))
            << file;
    }
    EXPECT_TRUE(std::filesystem::exists(folder / (".Macro_EN.dat.tmp-" + alive + "-0-1")));
}

// Not a regular file (a FIFO, a folder) or unreadable: refused at once with a message, the
// factory settings in memory, the file left alone. The FIFO check runs in a child that an
// alarm ends, so a blocked open fails the test instead of hanging it.
TEST(StartupConfig, NotARegularFileIsRefusedWithoutBlocking) {
    TempFolder folder;
    const auto fifo = folder / "config.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(10);
        ProfileSettings profile;
        const StartupConfig config = LoadStartupConfig(fifo, profile, 1);
        const bool sound = !config.notice.empty() && TakeProfileValues(profile) == kResetDefaults &&
                           config.currentProfile == 1;
        ::_exit(sound ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the start blocked on the FIFO";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));

    TempFolder other;
    std::filesystem::create_directory(other / "config.ini");
    ProfileSettings profile;
    const StartupConfig config = LoadStartupConfig(other / "config.ini", profile, 1);
    EXPECT_FALSE(config.notice.empty());
    EXPECT_EQ(TakeProfileValues(profile), kResetDefaults);
    EXPECT_TRUE(std::filesystem::is_directory(other / "config.ini"));
}

// A file the start cannot read has no edition of its own to word the notice in: the locale's
// edition words it, with the reason; the file stays as it is and the mouse gets the factory
// settings. A file over 1 MiB is one of them (it used to be read whole, however large).
TEST(StartupConfig, AnUnreadableFileIsNamedWithItsReasonInTheLocalesEdition) {
    TempFolder folder;
    std::filesystem::create_directory(folder / "folder");
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0644), 0);
    const std::string whole =
        "[Init]\r\nCurConfig=2\r\nVER_SEL=1\r\n[Config2]\r\nK0=1\r\nFIRE_TIME=77\r\n";
    WriteBytes(folder / "large", whole);
    std::filesystem::resize_file(folder / "large", ini::kMaxChosenFileBytes + 1);
    const struct {
        const char* name;
        std::uint8_t edition;
        const char* words;
    } cases[] = {
        {"folder", 1, "cannot be read: it is a folder, not a file."},
        {"folder", 0, "No se puede leer \""},
        {"fifo", 1, "cannot be read: not a regular file."},
        {"fifo", 0, "\": no es un archivo normal."},
        {"large", 1, "cannot be read: the file is larger than 1 MiB."},
        {"large", 0, "\": el archivo ocupa más de 1 MiB."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.edition));
        const auto path = folder / c.name;
        ProfileSettings profile;
        const StartupConfig config = LoadStartupConfig(path, profile, c.edition);
        EXPECT_EQ(config.languageFlag, c.edition);
        EXPECT_EQ(config.currentProfile, 1);
        EXPECT_EQ(TakeProfileValues(profile), kResetDefaults);
        EXPECT_NE(config.notice.find(c.words), std::string::npos) << config.notice;
        EXPECT_NE(config.notice.find(path.string()), std::string::npos) << config.notice;
    }
    EXPECT_EQ(std::filesystem::file_size(folder / "large"), ini::kMaxChosenFileBytes + 1);
    EXPECT_EQ(ReadBytes(folder / "large").substr(0, whole.size()), whole);
}

// The factory settings of a profile the file lacks are those the reset gives it: its reset
// template where the file has one (CfgReset_EN5 for profile 5 of the EN edition), else the
// built-in defaults; profile 1 has no template in use.
TEST(StartupConfig, AMissingProfileGetsItsResetTemplateWhereTheFileHasOne) {
    const std::string templates =
        "[CfgReset1]\r\nK0=1\r\nK1=41\r\n[CfgReset3]\r\nK0=1\r\nK1=43\r\n"
        "[CfgReset5]\r\nK0=1\r\nK1=45\r\n[CfgReset_EN5]\r\nK0=1\r\nK1=55\r\n";
    const struct {
        std::int32_t profile;
        std::uint8_t edition;
        std::int32_t button2;  // K1: 0 for the built-in defaults
    } cases[] = {{1, 1, 0}, {2, 1, 0}, {3, 1, 43}, {5, 0, 45}, {5, 1, 55}, {5, 2, 45}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.profile) + " " + std::to_string(c.edition));
        TempFolder folder;
        const auto path = folder / "config.ini";
        WriteBytes(path, "[Init]\r\nCurConfig=" + std::to_string(c.profile) +
                             "\r\nVER_SEL=" + std::to_string(c.edition) + "\r\n" + templates);
        ProfileSettings profile;
        const StartupConfig config = LoadStartupConfig(path, profile, 1);
        EXPECT_FALSE(config.notice.empty());
        if (c.button2 == 0) {
            EXPECT_EQ(TakeProfileValues(profile), kResetDefaults);
        } else {
            EXPECT_EQ(profile.K[1].load(), c.button2);
            EXPECT_EQ(profile.K[0].load(), 1);
        }
        EXPECT_EQ(SectionValues(path, c.profile), TakeProfileValues(profile)) << "written back";
    }
}

TEST(StartupConfig, CurConfigOutsideTheUserProfilesIsProfileOne) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"", 1},
        {"[Init]\r\nCurConfig=0\r\n", 1},
        {"[Init]\r\nCurConfig=6\r\n", 1},
        {"[Init]\r\nCurConfig=-2\r\n", 1},
        {"[Init]\r\nCurConfig=5\r\n", 5},
        {"[Init]\r\nCurConfig=3x\r\n", 3},
    };
    for (const auto& [text, profile] : cases) {
        EXPECT_EQ(CurrentUserProfile(ini::IniDocument::Parse(text)), profile) << text;
    }
}

// A folder where the file cannot be written back: the notice says that too.
TEST(StartupConfig, MissingFileThatCannotBeWrittenIsSaidOnce) {
    TempFolder folder;
    ProfileSettings profile;
    const StartupConfig config =
        LoadStartupConfig(folder / "no-such-folder" / "config.ini", profile, 1);
    EXPECT_EQ(TakeProfileValues(profile), kResetDefaults);
    EXPECT_NE(config.notice.find("No se han podido guardar"), std::string::npos) << config.notice;
}

// A folder whose name looks like a placeholder of the notice is named as it is (the notice
// used to fill its own output again and never end).
TEST(StartupConfig, NoticeNamesAFolderThatLooksLikeAPlaceholder) {
    TempFolder folder;
    const auto odd = folder / "{file}{n}";
    std::filesystem::create_directory(odd);
    const auto path = odd / "config.ini";
    ProfileSettings profile;
    const StartupConfig config = LoadStartupConfig(path, profile, 1);

    // No VER_SEL yet: the CN edition's words.
    const std::string expected = "No se ha encontrado \"" + path.string() +
                                 "\".\nSe han cargado los valores de fábrica en el perfil 1 y "
                                 "se han guardado en él.";
    EXPECT_EQ(config.notice, expected);
}

// The start-up read of a text, without a file: what it loads and what it would write back.
TEST(StartupConfig, TheTextsReadNeedsNoFileAndSaysWhatCompletesIt) {
    struct Case {
        const char* label;
        std::string text;
        std::int32_t profile;
        std::size_t writes;  // 0: the text held the profile
    };
    const Case cases[] = {
        {"holds its profile", "[Init]\r\nCurConfig=2\r\nVER_SEL=1\r\n[Config2]\r\nK0=1\r\n", 2, 0},
        {"lacks its profile", "[Init]\r\nCurConfig=3\r\nVER_SEL=1\r\n", 3, 22},
        {"empty", "", 1, 24},
        {"profile out of range", "[Init]\r\nCurConfig=9\r\nVER_SEL=0\r\n", 1, 23},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const ini::IniDocument document = ini::IniDocument::Parse(c.text);
        ProfileSettings profile;
        ini::IniWriteBatch completion({});
        const StartupConfig config = ReadStartupConfig(document, profile, completion);
        EXPECT_EQ(config.currentProfile, c.profile);
        EXPECT_EQ(completion.size(), c.writes);
        if (c.writes == 0) {
            EXPECT_EQ(profile.K[0].load(), 1);
            continue;
        }
        EXPECT_EQ(TakeProfileValues(profile), kResetDefaults);
        ini::IniDocument completed = document;
        ASSERT_TRUE(completion.ApplyTo(completed));
        EXPECT_EQ(ReadCurrentProfile(completed), c.profile);
        ProfileSettings reread;
        LoadProfile(completed, c.profile, false, config.languageFlag, reread);
        EXPECT_EQ(TakeProfileValues(reread), kResetDefaults);
    }
}

// A batch applied in memory changes the document as its commit changes the file, and a refused
// write leaves the document as it was.
TEST(IniWriteBatch, AppliesToADocumentAsToAFileAndAllOrNothing) {
    ini::IniDocument document = ini::IniDocument::Parse("; kept\r\n[A]\r\nx=1\r\n");
    ini::IniWriteBatch batch({});
    batch.Write("A", "x", "2");
    batch.Write("B", "y", "3");
    ASSERT_TRUE(batch.ApplyTo(document));
    EXPECT_EQ(document.Serialize(), "; kept\r\n[A]\r\nx=2\r\n[B]\r\ny=3\r\n");

    ini::IniWriteBatch refused({});
    refused.Write("A", "x", "4");
    refused.Write("A", "z", "line\nbreak");
    EXPECT_FALSE(refused.ApplyTo(document));
    EXPECT_EQ(document.Get("A", "x"), "2");
}

}  // namespace
}  // namespace zel::settings
