// The window of an installed program: skins and shipped files come from
// <prefix>/share/zel-gmouse, config.ini and the macro files from the user's folder.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "settings/ini_file.h"
#include "window_test_support.h"

namespace zel::test {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

// Profile 3 current, its button 1 set to function 2.
std::string ShippedConfig() {
    std::string text = "[Init]\r\nCurConfig=3\r\nVER_SEL=1\r\n[Config3]\r\n";
    ProfileKeys keys = DefaultProfileKeys();
    keys["K0"] = "2";
    for (const auto& [key, value] : keys) {
        text += key + "=" + value + "\r\n";
    }
    return text;
}

class InstalledWindowTest : public WindowTest {
protected:
    InstalledWindowTest() {
        if (const char* value = std::getenv("XDG_CONFIG_HOME")) {
            savedXdgConfigHome_ = value;
        }
        ::setenv("XDG_CONFIG_HOME", (ExeDir() + "/xdg").c_str(), 1);
    }
    ~InstalledWindowTest() override {
        window_.reset();
        if (savedXdgConfigHome_) {
            ::setenv("XDG_CONFIG_HOME", savedXdgConfigHome_->c_str(), 1);
        } else {
            ::unsetenv("XDG_CONFIG_HOME");
        }
    }

    // <prefix>/bin without config.ini, <prefix>/share/zel-gmouse with the skin and a shipped
    // config.ini whose current profile is 3.
    bool StartInstalled() {
        fs::create_directories(binDir_);
        WriteSyntheticSkin(shareDir_ + "/skins");
        std::ofstream(shareDir_ + "/config.ini", std::ios::binary) << ShippedConfig();
        for (const char* name : {"/Macro_EN.dat", "/Macro_CN.dat", "/constMacro.dat"}) {
            std::ofstream(shareDir_ + name, std::ios::binary) << "[Macros]\r\nmacroNum=0\r\n";
        }
        transport_.SetCollections({FakeHidTransport::MouseReadCollection(kMousePath),
                                   FakeHidTransport::MouseWriteCollection(kMousePath)});
        window_ = std::make_unique<app::MainWindow>(
            app::AppServices{binDir_, messages_, diagnostics_, pointer_, &transport_, launcher_,
                             link_, profile_, macros_, recordClock_});
        return window_->Initialise();
    }

    const std::string binDir_ = ExeDir() + "/prefix/bin";
    const std::string shareDir_ = ExeDir() + "/prefix/share/zel-gmouse";
    const std::string userDir_ = ExeDir() + "/xdg/zel-gmouse";

private:
    std::optional<std::string> savedXdgConfigHome_;
};

TEST_F(InstalledWindowTest, ReadsTheSkinFromShareAndKeepsSettingsInTheUsersFolder) {
    ASSERT_TRUE(StartInstalled());
    EXPECT_TRUE(messages_.messages.empty()) << messages_.messages.front();
    EXPECT_EQ(window().paths().skinsDir, shareDir_ + "/skins");
    EXPECT_EQ(window().paths().configPath, userDir_ + "/config.ini");
    EXPECT_EQ(window().paths().macroPath, userDir_ + "/Macro_EN.dat");
    // The shipped profile was copied and read.
    EXPECT_EQ(state().currentProfile, 3);
    EXPECT_EQ(ini::IniDocument::Load(userDir_ + "/config.ini").Get("Config3", "K0"), "2");
    // The start-up writes went to the user's copy; the shipped file is as shipped.
    EXPECT_NE(ini::IniDocument::Load(userDir_ + "/config.ini").Get("Config6", "K0"), "");
    EXPECT_EQ(ReadFile(shareDir_ + "/config.ini"), ShippedConfig());
    EXPECT_FALSE(fs::exists(binDir_ + "/config.ini"));
}

TEST_F(InstalledWindowTest, UnusableSettingsFolderIsReportedAndTheWindowStillStarts) {
    fs::create_directories(ExeDir());
    std::ofstream(ExeDir() + "/xdg") << "a file where the folder should be";
    ASSERT_TRUE(StartInstalled());
    ASSERT_FALSE(messages_.messages.empty());
    EXPECT_EQ(messages_.messages.front().rfind("cannot create the settings folder " + userDir_, 0),
              0u)
        << messages_.messages.front();
    EXPECT_EQ(window().paths().skinsDir, shareDir_ + "/skins");
}

}  // namespace
}  // namespace zel::test
