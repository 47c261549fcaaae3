#include "settings/program_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "settings/config_files.h"
#include "tests/settings/ini_test_files.h"

namespace zel::settings {
namespace {

namespace fs = std::filesystem;
using zel::testing::ReadBytes;
using zel::testing::TempFolder;
using zel::testing::WriteBytes;

constexpr std::string_view kShippedConfig = "[Init]\r\nCurConfig=1\r\nVER_SEL=1\r\n";

// <root>/usr/bin with the shipped files in <root>/usr/share/zel-gmouse; the user's home in
// <root>/home.
struct Installation {
    TempFolder root;
    fs::path exeDir = root / "usr/bin";
    fs::path userConfig = root / "home/.config/zel-gmouse/config.ini";

    Installation() {
        fs::create_directories(exeDir);
        fs::create_directories(root / "usr/share/zel-gmouse");
        WriteBytes(root / "usr/share/zel-gmouse/config.ini", kShippedConfig);
        WriteBytes(root / "usr/share/zel-gmouse/Macro_EN.dat", "[Macro]\r\n");
        WriteBytes(root / "usr/share/zel-gmouse/Macro_CN.dat", "[Macro]\r\n");
    }
    platform::UserEnvironment Environment(std::string locale) const {
        platform::UserEnvironment environment;
        environment.home = (root / "home").string();
        environment.messagesLocale = std::move(locale);
        return environment;
    }
};

ProgramFiles Files(platform::Result<ProgramFiles> resolved) {
    EXPECT_TRUE(resolved.ok()) << resolved.error().message;
    return resolved.ok() ? std::move(resolved).value() : ProgramFiles{};
}

TEST(ProgramFiles, FirstStartTakesTheEditionOfTheLocale) {
    const std::pair<const char*, int> cases[] = {
        {"es_ES.UTF-8", 0}, {"es_MX", 0}, {"en_US.UTF-8", 1}, {"de_DE.UTF-8", 1}, {"", 1},
    };
    for (const auto& [locale, edition] : cases) {
        SCOPED_TRACE(locale);
        Installation install;
        const ProgramFiles resolved =
            Files(ResolveProgramFiles(install.exeDir.string(), install.Environment(locale)));
        EXPECT_EQ(resolved.notice, "");
        EXPECT_EQ(ReadEditionFlag(install.userConfig), edition);
        EXPECT_EQ(fs::path(resolved.paths.macroPath).filename(),
                  edition == 0 ? "Macro_CN.dat" : "Macro_EN.dat");
        // The rest of the shipped file is kept.
        EXPECT_EQ(ReadCurrentProfile(install.userConfig), 1);
    }
}

TEST(ProgramFiles, LaterStartsFollowTheStoredEdition) {
    Installation install;
    Files(ResolveProgramFiles(install.exeDir.string(), install.Environment("es_ES.UTF-8")));
    ASSERT_EQ(ReadEditionFlag(install.userConfig), 0);
    // The user switched to EN in the window; a Spanish locale does not switch back.
    ASSERT_TRUE(WriteEditionFlag(install.userConfig, 1));
    const std::string before = ReadBytes(install.userConfig);
    const ProgramFiles resolved =
        Files(ResolveProgramFiles(install.exeDir.string(), install.Environment("es_ES.UTF-8")));
    EXPECT_EQ(ReadBytes(install.userConfig), before);
    EXPECT_EQ(fs::path(resolved.paths.macroPath).filename(), "Macro_EN.dat");
}

TEST(ProgramFiles, PortableFolderKeepsItsEdition) {
    TempFolder folder;
    WriteBytes(folder / "config.ini", kShippedConfig);
    platform::UserEnvironment environment;
    environment.home = (folder / "home").string();
    environment.messagesLocale = "es_ES.UTF-8";
    const ProgramFiles resolved = Files(ResolveProgramFiles(folder.path().string(), environment));
    EXPECT_EQ(resolved.paths.configPath, (folder / "config.ini").string());
    EXPECT_EQ(ReadBytes(folder / "config.ini"), kShippedConfig);
    EXPECT_FALSE(fs::exists(folder / "home"));
}

// The edition a file stores wins; a file that exists but cannot be read has none to give, so
// the locale's is taken (it used to read as flag 0, the Spanish texts under any locale).
TEST(ProgramFiles, AnUnreadableConfigTakesTheEditionOfTheLocale) {
    TempFolder folder;
    WriteBytes(folder / "cn.ini", "[Init]\r\nVER_SEL=0\r\n");
    WriteBytes(folder / "en.ini", "[Init]\r\nVER_SEL=1\r\n");
    WriteBytes(folder / "empty.ini", "");
    fs::create_directory(folder / "folder.ini");
    WriteBytes(folder / "large.ini", "[Init]\r\nVER_SEL=0\r\n");
    fs::resize_file(folder / "large.ini", 2 * 1024 * 1024);
    const struct {
        const char* file;
        const char* locale;
        std::uint8_t edition;
    } cases[] = {
        {"cn.ini", "en_US.UTF-8", 0},     {"en.ini", "es_ES.UTF-8", 1},
        {"empty.ini", "en_US.UTF-8", 0},  {"folder.ini", "en_US.UTF-8", 1},
        {"folder.ini", "es_ES.UTF-8", 0}, {"large.ini", "C", 1},
        {"large.ini", "es_AR.UTF-8", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EditionOfConfig(folder / c.file, c.locale), c.edition)
            << c.file << " " << c.locale;
    }
}

// What keeps the user's folder from use, and a start without any folder to name, are said in
// the words of the edition the run takes (the stored one, else the locale's).
TEST(ProgramFiles, FolderProblemsAreSaidInTheEditionsWords) {
    struct Case {
        const char* locale;
        const char* words;
    };
    for (const Case& c : {Case{"en_US.UTF-8", "cannot create the settings folder "},
                          Case{"es_ES.UTF-8", "no se puede crear la carpeta de ajustes "}}) {
        SCOPED_TRACE(c.locale);
        Installation install;
        fs::create_directories(install.root / "home");
        WriteBytes(install.root / "home/.config", "a file where the folder should be");
        const ProgramFiles resolved =
            Files(ResolveProgramFiles(install.exeDir.string(), install.Environment(c.locale)));
        const std::string folder = (install.root / "home/.config/zel-gmouse").string();
        EXPECT_TRUE(resolved.notice.starts_with(c.words + folder + ": ")) << resolved.notice;
    }
    for (const Case& c : {Case{"C", "cannot find the settings folder"},
                          Case{"es_MX", "no se encuentra la carpeta de ajustes"}}) {
        SCOPED_TRACE(c.locale);
        Installation install;
        platform::UserEnvironment nowhere;
        nowhere.messagesLocale = c.locale;
        const auto resolved = ResolveProgramFiles(install.exeDir.string(), nowhere);
        ASSERT_FALSE(resolved.ok());
        EXPECT_TRUE(resolved.error().message.starts_with(c.words)) << resolved.error().message;
    }
}

// Every step that can fail is named with its file and its reason, in both editions.
TEST(ProgramFiles, UserFolderNoticeNamesTheStepTheFileAndTheReason) {
    using Step = platform::UserFolderProblem::Step;
    struct Case {
        platform::UserFolderProblem problem;
        std::int32_t flag;
        std::string expected;
    };
    const Case cases[] = {
        {{Step::kWriteInFolder, "/h/zel", "", EACCES},
         1,
         "cannot write in the settings folder /h/zel: the folder is read-only; settings and "
         "macros cannot be saved"},
        {{Step::kCopyFile, "/h/zel/config.ini", "/usr/share/zel-gmouse/config.ini", ENOSPC},
         0,
         "no se puede copiar /usr/share/zel-gmouse/config.ini en /h/zel/config.ini: el disco está "
         "lleno; los ajustes y las macros no se pueden guardar"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UserFolderNotice(c.problem, c.flag), c.expected);
    }
}

}  // namespace
}  // namespace zel::settings
