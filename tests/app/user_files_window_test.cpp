// The window and the user's files. The Import buttons: the file is chosen in the dialog as the
// user chooses it, and a profile that would leave the mouse without a left click or a DPI
// level, or a file that cannot be read or is far too large, is refused with a message and
// changes nothing. The start: what killed writers left beside the user's files goes.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/pages/page_table.h"
#include "macro/macro_name.h"
#include "settings/profile_values.h"
#include "window_test_support.h"

namespace zel::test {
namespace {

namespace buttons = app::buttons;

class UserFilesWindowTest : public WindowTest {
protected:
    // Presses `at` while a timer plays the user in the file dialog that opens: picks `file`.
    void ClickAndChoose(QPoint at, const std::filesystem::path& file) {
        bool chosen = false;
        QTimer::singleShot(0, [file, &chosen] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                return;
            }
            dialog->selectFile(QString::fromStdString(file.string()));
            static_cast<QDialog*>(dialog)->accept();
            chosen = true;
        });
        Click(at);
        ProcessEvents();
        EXPECT_TRUE(chosen) << "no file dialog opened";
    }

    std::filesystem::path WriteFile(const std::string& name, const std::string& text) {
        const std::filesystem::path file = std::filesystem::path(ExeDir()) / name;
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }

    static std::string ExchangeText(const std::string& k0, const std::string& enabled) {
        std::string text = "[Config7]\r\nK0=" + k0 + "\r\nK1=2\r\nK2=3\r\nK3=4\r\nK4=5\r\nK5=6\r\n";
        text += "DPI_LEVEL=0\r\nWHEEL_STATUS=0\r\nMACRO_MODE2=0\r\n";
        for (int n = 0; n < 4; ++n) {
            text += "DPI_SET" + std::to_string(n) + "=3\r\nDPI_SET_EN" + std::to_string(n) + "=" +
                    enabled + "\r\n";
        }
        return text +
               "LED_STATUS=1\r\nDPI_SPEED=4\r\nWHEEL_SPEED=2\r\nUSB_SPEED=2\r\nFIRE_TIME=77\r\n";
    }
};

TEST_F(UserFilesWindowTest, AProfileThatWouldStripTheMouseIsRefusedAndChangesNothing) {
    ASSERT_TRUE(Start(ProfileAndEdition(1, 1)));
    const auto noLeftClick = WriteFile("no-left.ini", ExchangeText("9", "1"));
    const auto noDpiLevel = WriteFile("no-dpi.ini", ExchangeText("1", "0"));
    for (const auto& file : {noLeftClick, noDpiLevel}) {
        SCOPED_TRACE(file.filename().string());
        const settings::ProfileValues before = settings::TakeProfileValues(profile_);
        messages_.messages.clear();

        ClickAndChoose(MainButton(buttons::kImportProfile), file);

        EXPECT_EQ(settings::TakeProfileValues(profile_), before);
        ASSERT_EQ(messages_.messages.size(), 1u);
        EXPECT_NE(messages_.messages[0].find("Nothing was imported"), std::string::npos)
            << messages_.messages[0];
    }

    // A usable profile is loaded as before, edits and all.
    messages_.messages.clear();
    ClickAndChoose(MainButton(buttons::kImportProfile),
                   WriteFile("good.ini", ExchangeText("1", "1")));
    EXPECT_TRUE(messages_.messages.empty());
    EXPECT_EQ(profile_.FIRE_TIME.load(), 77);
}

TEST_F(UserFilesWindowTest, ImportsOfAFileOverOneMebibyteAreRefusedUnread) {
    macro::MacroRecord record{};
    macro::SetName(record, "Mine");
    WindowSetup setup = ProfileAndEdition(1, 1);
    setup.userMacros = {record};
    ASSERT_TRUE(Start(setup));
    const auto hugeProfile = WriteFile("huge.ini", ExchangeText("1", "1"));
    std::filesystem::resize_file(hugeProfile, 100 * 1024 * 1024);
    const settings::ProfileValues before = settings::TakeProfileValues(profile_);
    messages_.messages.clear();

    ClickAndChoose(MainButton(buttons::kImportProfile), hugeProfile);

    EXPECT_EQ(settings::TakeProfileValues(profile_), before);
    ASSERT_EQ(messages_.messages.size(), 1u);
    EXPECT_NE(messages_.messages[0].find("larger than 1 MiB"), std::string::npos)
        << messages_.messages[0];

    const auto hugeMacros = WriteFile("huge.dat", "[Macros]\r\nmacroNum=1\r\n");
    std::filesystem::resize_file(hugeMacros, 100 * 1024 * 1024);
    Click(MainButton(buttons::kAdvancedPageButton));
    ProcessEvents();
    messages_.messages.clear();

    ClickAndChoose(AdvancedButton(buttons::kImportMacros), hugeMacros);

    ASSERT_EQ(messages_.messages.size(), 1u);
    EXPECT_NE(messages_.messages[0].find("larger than 1 MiB"), std::string::npos)
        << messages_.messages[0];
    ASSERT_EQ(macros_.UserCount(), 1);
    EXPECT_EQ(macro::NameText(macros_.UserMacro(0)), "Mine");
}

// Profile 2, which config.ini does not hold, then Apply: the mouse gets profile 2's factory
// settings (here the built-in defaults, which profile 1 holds too), never a profile of zeros
// without a left click.
TEST_F(UserFilesWindowTest, AProfileTheFileLacksIsAppliedWithItsFactorySettings) {
    ASSERT_TRUE(Start(ProfileAndEdition(1, 1)));  // config.ini holds [Config1] only
    const auto writer = transport_.LastChannel(kMousePath, platform::HidAccess::Write);
    ASSERT_NE(writer, nullptr);
    writer->ClearSent();
    Click(MainButton(buttons::kApply));
    const auto profileOneReports = writer->SentReports();
    ASSERT_FALSE(profileOneReports.empty());
    writer->ClearSent();
    messages_.messages.clear();

    Click(MainButton(buttons::kFirstProfile + 1));
    Click(MainButton(buttons::kApply));

    EXPECT_EQ(state().currentProfile.load(), 2);
    EXPECT_NE(profile_.K[0].load(), 0);
    EXPECT_EQ(writer->SentReports(), profileOneReports);
    EXPECT_TRUE(messages_.messages.empty()) << ::testing::PrintToString(messages_.messages);
    std::ifstream in(ConfigPath(), std::ios::binary);
    const std::string config{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_NE(config.find("[Config2]\r\nK0=1\r\n"), std::string::npos) << config;
}

// config.ini grown over 1 MiB while the window runs: choosing a profile says why it cannot be
// read and changes nothing; Apply still sends the shown profile and says the file could not be
// written; the file is never emptied.
TEST_F(UserFilesWindowTest, AConfigOverOneMebibyteIsNamedAndNeverEmptied) {
    ASSERT_TRUE(Start(ProfileAndEdition(1, 1)));
    std::filesystem::resize_file(ConfigPath(), 100 * 1024 * 1024);
    const settings::ProfileValues before = settings::TakeProfileValues(profile_);
    messages_.messages.clear();

    Click(MainButton(buttons::kFirstProfile + 2));

    EXPECT_EQ(state().currentProfile.load(), 1);
    EXPECT_EQ(settings::TakeProfileValues(profile_), before);
    ASSERT_EQ(messages_.messages.size(), 1u);
    EXPECT_NE(messages_.messages[0].find("cannot be read: the file is larger than 1 MiB"),
              std::string::npos)
        << messages_.messages[0];

    messages_.messages.clear();
    Click(MainButton(buttons::kApply));
    ASSERT_EQ(messages_.messages.size(), 1u);
    EXPECT_NE(messages_.messages[0].find("larger than 1 MiB"), std::string::npos)
        << messages_.messages[0];
    EXPECT_EQ(std::filesystem::file_size(ConfigPath()), 100u * 1024 * 1024);
}

TEST_F(UserFilesWindowTest, TheStartRemovesWhatKilledWritersLeftBehind) {
    std::fflush(nullptr);
    const pid_t ended = ::fork();
    if (ended == 0) {
        ::_exit(0);
    }
    ::waitpid(ended, nullptr, 0);
    std::vector<std::filesystem::path> leftovers;
    for (const char* file : {"config.ini", "Macro_EN.dat", "Macro_CN.dat"}) {
        leftovers.push_back(
            WriteFile("." + std::string(file) + ".tmp-" + std::to_string(ended) + "-0-1", "part"));
    }

    ASSERT_TRUE(Start(ProfileAndEdition(1, 1)));

    for (const auto& leftover : leftovers) {
        EXPECT_FALSE(std::filesystem::exists(leftover)) << leftover;
    }
}

}  // namespace
}  // namespace zel::test
