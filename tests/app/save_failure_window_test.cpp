// A config.ini the user write-protected: Apply and the reset leave it as it is, say once that
// it could not be written, and still send the settings to the mouse.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/pages/page_table.h"
#include "macro/macro_name.h"
#include "macro/ui/macro_page.h"
#include "window_test_support.h"

namespace zel::test {
namespace {

namespace buttons = app::buttons;

class SaveFailureWindowTest : public WindowTest {
protected:
    std::string ConfigBytes() const {
        std::ifstream in(ConfigPath(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void WriteProtectConfig() {
        std::filesystem::permissions(ConfigPath(), std::filesystem::perms::owner_read |
                                                       std::filesystem::perms::group_read |
                                                       std::filesystem::perms::others_read);
    }
    // The messages that say a write failed.
    long WriteFailures() const {
        return std::count_if(messages_.messages.begin(), messages_.messages.end(),
                             [](const std::string& text) {
                                 return text.find("could not be written") != std::string::npos;
                             });
    }
};

TEST_F(SaveFailureWindowTest, ApplySendsTheReportsAndSaysTheSaveFailedOnce) {
    ASSERT_TRUE(Start(ProfileAndEdition(1, 1)));
    WriteProtectConfig();
    const std::string before = ConfigBytes();
    messages_.messages.clear();
    const auto writer = transport_.LastChannel(kMousePath, platform::HidAccess::Write);
    ASSERT_NE(writer, nullptr);
    writer->ClearSent();
    profile_.FIRE_TIME = 123;  // an edit that the upload writes

    Click(MainButton(buttons::kApply));

    EXPECT_FALSE(writer->SentReports().empty()) << "the reports are sent all the same";
    EXPECT_EQ(ConfigBytes(), before) << "a write-protected config.ini stays as it was";
    ASSERT_EQ(messages_.messages.size(), 1u);
    EXPECT_EQ(WriteFailures(), 1);
    EXPECT_NE(messages_.messages[0].find(ConfigPath()), std::string::npos);

    // Save reports it the same way.
    messages_.messages.clear();
    Click(MainButton(buttons::kSave));
    EXPECT_EQ(WriteFailures(), 1);
    EXPECT_EQ(ConfigBytes(), before);
}

TEST_F(SaveFailureWindowTest, ResetThatCannotSaveSaysSoOnce) {
    ASSERT_TRUE(Start(ProfileAndEdition(1, 1)));
    WriteProtectConfig();
    const std::string before = ConfigBytes();
    messages_.messages.clear();

    Click(MainButton(buttons::kResetAll));

    EXPECT_EQ(ConfigBytes(), before);
    EXPECT_EQ(WriteFailures(), 1) << testing::PrintToString(messages_.messages);
    EXPECT_NE(messages_.messages.back().find("the file is write-protected"), std::string::npos)
        << messages_.messages.back();
}

// The same for a write-protected macro file: the macro page's Apply leaves it as it was and
// says so once.
TEST_F(SaveFailureWindowTest, WriteProtectedMacroFileIsLeftAsItWas) {
    WindowSetup setup;
    macro::MacroRecord record{};
    macro::SetName(record, "Mine");
    record.repeatCount.Set(1);
    setup.userMacros = {record};
    ASSERT_TRUE(Start(setup));
    const std::string macroFile = ExeDir() + "/Macro_EN.dat";
    std::filesystem::permissions(macroFile, std::filesystem::perms::owner_read);
    std::ifstream in(macroFile, std::ios::binary);
    const std::string before{std::istreambuf_iterator<char>(in), {}};
    messages_.messages.clear();

    Click(MainButton(buttons::kAdvancedPageButton));
    ProcessEvents();
    Click(AdvancedButton(buttons::kRepeatSwitch));
    ProcessEvents();
    ASSERT_NE(window().macroControls(), nullptr);
    window().macroControls()->repeatEdit()->setText("5");
    Click(AdvancedButton(buttons::kApplyRepeatCount));
    ProcessEvents();

    std::ifstream after(macroFile, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(after), {}), before);
    ASSERT_EQ(messages_.messages.size(), 1u);
    EXPECT_NE(messages_.messages[0].find(macroFile), std::string::npos) << messages_.messages[0];
    EXPECT_NE(messages_.messages[0].find("the file is write-protected"), std::string::npos)
        << messages_.messages[0];
}

}  // namespace
}  // namespace zel::test
