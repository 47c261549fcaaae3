#include "platform/app_paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace zel::platform {
namespace {

namespace fs = std::filesystem;

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "zel-paths-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string operator/(std::string_view name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

void WriteFile(const std::string& path, const std::string& contents) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << contents;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

// ResolveAppPaths where a user folder can be named: the resolution never fails then.
ResolvedPaths Resolved(std::string_view exeDir, const UserEnvironment& environment,
                       int languageFlag) {
    Result<ResolvedPaths> resolved = ResolveAppPaths(exeDir, environment, languageFlag);
    EXPECT_TRUE(resolved.ok()) << resolved.error().message;
    return resolved.ok() ? std::move(resolved).value() : ResolvedPaths{};
}

TEST(AppPaths, ExeDirIsEverythingBeforeTheLastSlash) {
    struct Case {
        const char* executable;
        const char* exeDir;
    };
    const Case cases[] = {
        {"/opt/zel/ZEL_GMouse", "/opt/zel"},
        {"/ZEL_GMouse", ""},
        {"ZEL_GMouse", ""},
        {"", ""},
        {"/a/b/", "/a/b"},
        {"/with space/and.dot/ZEL_GMouse (deleted)", "/with space/and.dot"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExeDirOf(c.executable), c.exeDir) << c.executable;
    }
}

TEST(AppPaths, DerivedPathsFollowTheFolderAndTheEdition) {
    struct Case {
        const char* exeDir;
        int languageFlag;
        const char* macroPath;
    };
    const Case cases[] = {
        {"/opt/zel", 1, "/opt/zel/Macro_EN.dat"},
        {"/opt/zel", 7, "/opt/zel/Macro_EN.dat"},
        {"/opt/zel", 0, "/opt/zel/Macro_CN.dat"},
        {"", 0, "/Macro_CN.dat"},
    };
    for (const Case& c : cases) {
        const std::string dir = c.exeDir;
        const AppPaths paths = AppPaths::ForDirectory(dir, c.languageFlag);
        EXPECT_EQ(paths.exeDir, dir);
        EXPECT_EQ(paths.configPath, dir + "/config.ini");
        EXPECT_EQ(paths.skinsDir, dir + "/skins");
        EXPECT_EQ(paths.maskPath, dir + "/skins/main_mask.jpg");
        EXPECT_EQ(paths.constMacroPath, dir + "/constMacro.dat");
        EXPECT_EQ(paths.macroPath, c.macroPath);
    }
}

TEST(AppPaths, LanguageSwitchChangesOnlyTheMacroFile) {
    AppPaths paths = AppPaths::ForDirectory("/x", 1);
    const AppPaths before = paths;
    paths.SetLanguage(0);
    EXPECT_EQ(paths.macroPath, "/x/Macro_CN.dat");
    EXPECT_EQ(paths.configPath, before.configPath);
    EXPECT_EQ(paths.maskPath, before.maskPath);
    paths.SetLanguage(1);
    EXPECT_EQ(paths.macroPath, "/x/Macro_EN.dat");
}

// The running test program lies in the folder every program resolves its files from, whatever
// the working directory is.
TEST(AppPaths, RunningExecutableFolderHoldsThisProgram) {
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path("/");
    const std::string exeDir = ExecutableDirectory();
    std::filesystem::current_path(previous);
    ASSERT_FALSE(exeDir.empty());
    EXPECT_EQ(exeDir.front(), '/');
    EXPECT_TRUE(std::filesystem::exists(exeDir + "/platform_tests"));
}

TEST(AppPaths, UserFolderFollowsTheXdgRules) {
    struct Case {
        const char* xdgConfigHome;
        const char* home;
        const char* userDir;
    };
    const Case cases[] = {
        {"/xdg", "/home/u", "/xdg/zel-gmouse"},
        {"", "/home/u", "/home/u/.config/zel-gmouse"},
        {"relative/xdg", "/home/u", "/home/u/.config/zel-gmouse"},  // ignored: not absolute
        {"/xdg", "", "/xdg/zel-gmouse"},
        {"", "", ""},
        {"", "relative", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UserConfigDirFor({c.xdgConfigHome, c.home, ""}), c.userDir)
            << c.xdgConfigHome << " | " << c.home;
    }
}

TEST(AppPaths, ShareFolderLiesBesideTheExecutablesFolder) {
    EXPECT_EQ(ShareDirOf("/usr/bin"), "/usr/share/zel-gmouse");
    EXPECT_EQ(ShareDirOf("/opt/zel/bin"), "/opt/zel/share/zel-gmouse");
}

// The layout each tree of files gives, and where config.ini, the skins and the macro file are
// then read and written.
TEST(AppPaths, LayoutIsDecidedByTheFilesBesideTheExecutable) {
    struct Case {
        const char* name;
        bool configBesideExe;
        const char* shareEntry;  // "" none, "dir" a folder, "file" a plain file
        InstallLayout layout;
    };
    const Case cases[] = {
        {"build folder", true, "", InstallLayout::kPortable},
        {"portable folder that lost config.ini", false, "", InstallLayout::kPortable},
        {"config.ini beside the executable wins over a share folder", true, "dir",
         InstallLayout::kPortable},
        {"installed", false, "dir", InstallLayout::kInstalled},
        {"share/zel-gmouse is not a folder", false, "file", InstallLayout::kPortable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder root;
        const std::string exeDir = root / "prefix/bin";
        const std::string shareDir = root / "prefix/share/zel-gmouse";
        fs::create_directories(exeDir);
        if (c.configBesideExe) {
            WriteFile(exeDir + "/config.ini", "[Init]\n");
        }
        if (std::string(c.shareEntry) == "dir") {
            WriteFile(shareDir + "/config.ini", "[Init]\n");
        } else if (std::string(c.shareEntry) == "file") {
            WriteFile(shareDir, "not a folder");
        }
        EXPECT_EQ(DetectLayout(exeDir), c.layout);

        const UserEnvironment environment{root / "xdg", root / "home", ""};
        const ResolvedPaths resolved = Resolved(exeDir, environment, 1);
        EXPECT_EQ(resolved.folderProblem, std::nullopt);
        const std::string dataDir = c.layout == InstallLayout::kPortable ? exeDir : shareDir;
        const std::string userDir =
            c.layout == InstallLayout::kPortable ? exeDir : root / "xdg/zel-gmouse";
        EXPECT_EQ(resolved.paths.exeDir, exeDir);
        EXPECT_EQ(resolved.paths.configPath, userDir + "/config.ini");
        EXPECT_EQ(resolved.paths.macroPath, userDir + "/Macro_EN.dat");
        EXPECT_EQ(resolved.paths.skinsDir, dataDir + "/skins");
        EXPECT_EQ(resolved.paths.constMacroPath, dataDir + "/constMacro.dat");
        // Only an installation creates the user's folder.
        EXPECT_EQ(fs::exists(root / "xdg"), c.layout == InstallLayout::kInstalled);
    }
}

struct Installation {
    TempFolder root;
    std::string exeDir = root / "usr/bin";
    std::string shareDir = root / "usr/share/zel-gmouse";
    std::string userDir = root / "home/.config/zel-gmouse";
    UserEnvironment environment{"", root / "home", ""};

    Installation() {
        fs::create_directories(exeDir);
        WriteFile(shareDir + "/config.ini", "shipped config");
        WriteFile(shareDir + "/Macro_EN.dat", "shipped EN macros");
        WriteFile(shareDir + "/Macro_CN.dat", "shipped CN macros");
        WriteFile(shareDir + "/constMacro.dat", "built-in macros");
    }
};

TEST(AppPaths, FirstStartCopiesTheShippedFilesAndLaterStartsKeepTheUsers) {
    Installation install;
    const ResolvedPaths first = Resolved(install.exeDir, install.environment, 0);
    ASSERT_EQ(first.folderProblem, std::nullopt);
    EXPECT_EQ(first.paths.macroPath, install.userDir + "/Macro_CN.dat");
    EXPECT_EQ(ReadFile(install.userDir + "/config.ini"), "shipped config");
    EXPECT_EQ(ReadFile(install.userDir + "/Macro_EN.dat"), "shipped EN macros");
    EXPECT_EQ(ReadFile(install.userDir + "/Macro_CN.dat"), "shipped CN macros");
    // Read-only data is used where it was shipped, not copied.
    EXPECT_FALSE(fs::exists(install.userDir + "/constMacro.dat"));
    // No temporary file of the copy is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(install.userDir), fs::directory_iterator()), 3);
    struct stat folder {};
    ASSERT_EQ(::stat(install.userDir.c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);

    WriteFile(install.userDir + "/config.ini", "user's config");
    fs::remove(install.userDir + "/Macro_EN.dat");
    WriteFile(install.shareDir + "/config.ini", "newer shipped config");
    const ResolvedPaths second = Resolved(install.exeDir, install.environment, 0);
    EXPECT_EQ(second.folderProblem, std::nullopt);
    EXPECT_EQ(ReadFile(install.userDir + "/config.ini"), "user's config");
    // A file the user lost comes back from the shipped one.
    EXPECT_EQ(ReadFile(install.userDir + "/Macro_EN.dat"), "shipped EN macros");
}

TEST(AppPaths, OnlyTheStartThatCopiesConfigIniSeedsIt) {
    Installation install;
    EXPECT_TRUE(Resolved(install.exeDir, install.environment, 0).seededConfig);
    EXPECT_FALSE(Resolved(install.exeDir, install.environment, 0).seededConfig);
    // A lost macro file comes back, but the user's config.ini is no new user's.
    fs::remove(install.userDir + "/Macro_CN.dat");
    EXPECT_FALSE(Resolved(install.exeDir, install.environment, 0).seededConfig);

    TempFolder portable;
    WriteFile(portable / "bin/config.ini", "[Init]\n");
    EXPECT_FALSE(Resolved(portable / "bin", install.environment, 0).seededConfig);
}

TEST(AppPaths, DataDirFollowsTheLayoutWithoutTouchingTheUsersFolder) {
    Installation install;
    EXPECT_EQ(DataDirOf(install.exeDir), install.shareDir);
    EXPECT_FALSE(fs::exists(install.root / "home/.config"));
    WriteFile(install.exeDir + "/config.ini", "[Init]\n");
    EXPECT_EQ(DataDirOf(install.exeDir), install.exeDir);
}

TEST(AppPaths, SpanishLocalesAreTheLanguageEsWithAnyTerritoryCodesetOrModifier) {
    const std::pair<const char*, bool> cases[] = {
        {"es_ES.UTF-8", true},  {"es", true},
        {"es_MX", true},        {"es_AR.utf8@euro", true},
        {"es@euro", true},      {"en_US.UTF-8", false},
        {"C", false},           {"C.UTF-8", false},
        {"POSIX", false},       {"", false},
        {"est_EE", false},      {"ES_es", false},
        {"eu_ES.UTF-8", false}, {"ca_ES", false},
    };
    for (const auto& [locale, spanish] : cases) {
        EXPECT_EQ(IsSpanishLocale(locale), spanish) << locale;
    }
}

TEST(AppPaths, MessagesLocaleIsTheFirstSetOfLcAllLcMessagesLang) {
    struct Case {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        const char* expected;
    };
    const Case cases[] = {
        {"es_ES.UTF-8", "en_GB.UTF-8", "de_DE.UTF-8", "es_ES.UTF-8"},
        {nullptr, "es_MX.UTF-8", "en_US.UTF-8", "es_MX.UTF-8"},
        {"", "", "es_AR.UTF-8", "es_AR.UTF-8"},  // empty counts as unset
        {nullptr, nullptr, "en_US.UTF-8", "en_US.UTF-8"},
        {nullptr, nullptr, nullptr, ""},
    };
    const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
    for (const char* name : names) {
        const char* value = std::getenv(name);
        saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    for (const Case& c : cases) {
        const char* values[] = {c.lcAll, c.lcMessages, c.lang};
        for (int i = 0; i < 3; ++i) {
            if (values[i] != nullptr) {
                ::setenv(names[i], values[i], 1);
            } else {
                ::unsetenv(names[i]);
            }
        }
        EXPECT_EQ(UserEnvironment::FromProcess().messagesLocale, c.expected) << c.expected;
    }
    for (const auto& [name, value] : saved) {
        if (value) {
            ::setenv(name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }
}

TEST(AppPaths, MissingShippedFilesAreLeftToTheFactoryDefaults) {
    Installation install;
    fs::remove(install.shareDir + "/config.ini");
    fs::remove(install.shareDir + "/Macro_CN.dat");
    const ResolvedPaths resolved = Resolved(install.exeDir, install.environment, 0);
    EXPECT_EQ(resolved.folderProblem, std::nullopt);
    EXPECT_FALSE(fs::exists(install.userDir + "/config.ini"));
    EXPECT_FALSE(fs::exists(install.userDir + "/Macro_CN.dat"));
    EXPECT_TRUE(fs::exists(install.userDir + "/Macro_EN.dat"));
}

// A user folder that cannot be made or written is reported, the paths still name it, and the
// program can go on; without any folder to name the program cannot start.
TEST(AppPaths, UnusableUserFolderIsReported) {
    using Step = UserFolderProblem::Step;
    {
        Installation install;
        WriteFile(install.root / "home/.config", "a file where the folder should be");
        const ResolvedPaths resolved = Resolved(install.exeDir, install.environment, 0);
        ASSERT_TRUE(resolved.folderProblem);
        EXPECT_EQ(resolved.folderProblem->step, Step::kCreateFolder);
        EXPECT_EQ(resolved.folderProblem->path, install.userDir);
        EXPECT_EQ(resolved.folderProblem->systemError, ENOTDIR);
        EXPECT_EQ(resolved.paths.configPath, install.userDir + "/config.ini");
    }
    {
        Installation install;
        const Result<ResolvedPaths> resolved = ResolveAppPaths(install.exeDir, {"", "", ""}, 0);
        ASSERT_FALSE(resolved.ok());
        EXPECT_EQ(resolved.error().code, ErrorCode::kNotFound);
        EXPECT_NE(resolved.error().message.find("XDG_CONFIG_HOME"), std::string::npos);
    }
    if (::geteuid() != 0) {
        // Root may write anywhere: the write-protected folder is only a fault for a user.
        Installation install;
        fs::create_directories(install.userDir);
        fs::permissions(install.userDir, fs::perms::owner_read | fs::perms::owner_exec);
        const ResolvedPaths resolved = Resolved(install.exeDir, install.environment, 0);
        ASSERT_TRUE(resolved.folderProblem);
        EXPECT_EQ(resolved.folderProblem->step, Step::kWriteInFolder);
        fs::permissions(install.userDir, fs::perms::owner_all);
    }
}

}  // namespace
}  // namespace zel::platform
