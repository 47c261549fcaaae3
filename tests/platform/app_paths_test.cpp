#include "platform/app_paths.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace zel::platform {
namespace {

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

// The running test program lies in the folder the paths are computed from, whatever the
// working directory is.
TEST(AppPaths, RunningExecutableFolderHoldsThisProgram) {
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path("/");
    const AppPaths paths = AppPaths::ForRunningExecutable(1);
    std::filesystem::current_path(previous);
    ASSERT_FALSE(paths.exeDir.empty());
    EXPECT_EQ(paths.exeDir.front(), '/');
    EXPECT_TRUE(std::filesystem::exists(paths.exeDir + "/platform_tests"));
}

}  // namespace
}  // namespace zel::platform
