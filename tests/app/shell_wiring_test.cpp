// The profile, tray, menu and edition actions as the main window runs them.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/pages/page_table.h"
#include "app/window/tray_icon.h"
#include "macro/macro_files.h"
#include "macro/macro_name.h"
#include "menu_lines.h"
#include "settings/config_files.h"
#include "settings/ini_file.h"
#include "settings/profile_operations.h"
#include "settings/profile_values.h"
#include "window_test_support.h"

namespace zel::test {
namespace {

namespace buttons = app::buttons;

class ShellWiring : public WindowTest {
protected:
    bool Minimised() { return (window().windowState() & Qt::WindowMinimized) != 0; }

    settings::ProfileValues Section(std::int32_t profile) {
        settings::ProfileSettings loaded;
        settings::LoadProfile(ConfigPath(), profile, false, 1, loaded);
        return settings::TakeProfileValues(loaded);
    }

    // Answers the next file dialog with `file` (or cancels it when empty) once it runs modally.
    void AnswerNextFileDialog(const std::string& file) {
        QTimer::singleShot(0, [file] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            if (file.empty()) {
                dialog->reject();
                return;
            }
            dialog->selectFile(QString::fromStdString(file));
            static_cast<QDialog*>(dialog)->accept();
        });
    }

    std::vector<std::string> UserMacroNames() {
        std::vector<std::string> names;
        for (int i = 0; i < macros_.UserCount(); ++i) {
            names.push_back(macro::NameText(macros_.UserMacro(i)));
        }
        return names;
    }
};

TEST_F(ShellWiring, CloseKeepsTheWindowReachableAndTheTrayExitEndsTheProgram) {
    ASSERT_TRUE(Start());
    EXPECT_TRUE(window().tray().IsPresent());

    window().close();
    ProcessEvents();
    EXPECT_FALSE(window().IsShutDown());
    // Offscreen there is no notification area: the window is minimised, not hidden.
    EXPECT_FALSE(window().isHidden());
    EXPECT_TRUE(Minimised());

    window().ShowWindow();
    EXPECT_FALSE(Minimised());

    const QMenu& trayPopup = window().trayMenu();
    ASSERT_EQ(trayPopup.actions().size(), 2);
    EXPECT_EQ(trayPopup.actions()[1]->text(), "Exit Driver");
    trayPopup.actions()[1]->trigger();
    EXPECT_TRUE(window().IsShutDown());
    EXPECT_FALSE(window().tray().IsPresent());
    EXPECT_EQ(pointer_.pointerSpeed, 10);
}

TEST_F(ShellWiring, EditionButtonsSwitchFlagMenusAndMacroFile) {
    ASSERT_TRUE(Start(ProfileAndEdition(1, 1)));
    ASSERT_EQ(app::MenuLines(window().stepMenu()).size(), 23u);
    EXPECT_EQ(app::MenuLines(window().stepMenu())[1].text, "Add Forward");
    const settings::ProfileValues profile = settings::TakeProfileValues(profile_);

    Click(MainButton(buttons::kEditionCN));

    EXPECT_EQ(state().languageFlag, 0);
    EXPECT_EQ(settings::ReadEditionFlag(ConfigPath()), 0);
    EXPECT_EQ(app::MenuLines(window().stepMenu()).size(), 23u) << "replaced, not added";
    EXPECT_EQ(app::MenuLines(window().stepMenu())[1].text, "Insertar antes del elemento    ");
    EXPECT_EQ(window().trayMenu().actions()[0]->text(), "Mostrar ventana");
    EXPECT_EQ(std::filesystem::path(window().paths().macroPath).filename(), "Macro_CN.dat");
    EXPECT_EQ(window().windowTitle(), "KV270 Gaming Mouse");
    EXPECT_EQ(settings::TakeProfileValues(profile_), profile);
    EXPECT_EQ(state().currentProfile.load(), 1);

    Click(MainButton(buttons::kEditionEN));
    EXPECT_EQ(state().languageFlag, 1);
    EXPECT_EQ(settings::ReadEditionFlag(ConfigPath()), 1);
    EXPECT_EQ(app::MenuLines(window().stepMenu())[1].text, "Add Forward");
    EXPECT_FALSE(window().IsShutDown());
}

TEST_F(ShellWiring, ProfileButtonsChooseSaveAndRevert) {
    ASSERT_TRUE(Start(ProfileAndEdition(1, 1)));
    settings::ProfileValues third = settings::kResetDefaults;
    third.FIRE_TIME = 123;
    third.DPI_LEVEL = 2;
    settings::ProfileSettings stored;
    settings::StoreProfileValues(stored, third);
    ASSERT_TRUE(settings::SaveProfile(ConfigPath(), 3, stored));
    const settings::ProfileValues uploaded = Section(6);

    Click(MainButton(buttons::kFirstProfile + 2));
    EXPECT_EQ(state().currentProfile.load(), 3);
    EXPECT_EQ(settings::TakeProfileValues(profile_), third);
    EXPECT_EQ(settings::ReadCurrentProfile(ConfigPath()), 1) << "chosen, not applied";

    profile_.FIRE_TIME = 200;
    Click(MainButton(buttons::kSave));
    EXPECT_EQ(Section(3).FIRE_TIME, 200);
    EXPECT_EQ(Section(6), uploaded);

    // Back to what the mouse holds, keeping the DPI level in use; the window goes away.
    Click(MainButton(buttons::kRevertAndHide));
    settings::ProfileValues expected = uploaded;
    expected.DPI_LEVEL = 2;
    EXPECT_EQ(settings::TakeProfileValues(profile_), expected);
    EXPECT_TRUE(Minimised());
    EXPECT_EQ(state().hot.HotButton, skin::kNoEntry);
}

TEST_F(ShellWiring, ImportTakesAProfileFileAndRefusesOneWithout) {
    ASSERT_TRUE(Start(ProfileAndEdition(1, 1)));
    const settings::ProfileValues before = settings::TakeProfileValues(profile_);

    const std::string noProfile = ExeDir() + "/notes.ini";
    std::ofstream(noProfile) << "[Config1]\nK0=9\n";
    AnswerNextFileDialog(noProfile);
    Click(MainButton(buttons::kImportProfile));
    EXPECT_EQ(settings::TakeProfileValues(profile_), before);
    ASSERT_FALSE(messages_.messages.empty());
    EXPECT_NE(messages_.messages.back().find("Nothing was imported"), std::string::npos);

    const std::string exchange = ExeDir() + "/shared.ini";
    // A usable profile: a button with the primary click and an enabled DPI level.
    std::ofstream(exchange) << "[Config7]\nK0=1\nK1=3\nDPI_SET_EN0=1\nFIRE_TIME=77\n";
    AnswerNextFileDialog(exchange);
    Click(MainButton(buttons::kImportProfile));
    EXPECT_EQ(profile_.FIRE_TIME.load(), 77);
    EXPECT_EQ(profile_.K[1].load(), 3);
    EXPECT_EQ(state().currentProfile.load(), 1);

    const std::string exported = ExeDir() + "/out";
    AnswerNextFileDialog(exported);
    Click(MainButton(buttons::kExportProfile));
    settings::ProfileSettings written;
    settings::LoadProfile(exported + ".ini", 7, false, 1, written);
    EXPECT_EQ(settings::TakeProfileValues(written), settings::TakeProfileValues(profile_));

    AnswerNextFileDialog("");  // cancelled: nothing happens
    Click(MainButton(buttons::kImportProfile));
    EXPECT_EQ(profile_.FIRE_TIME.load(), 77);
}

// Sets an environment variable for the life of the object (unsets it for nullptr).
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnvironment() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Installed, the settings folder is hidden and holds config.ini itself: the dialogs open where
// the user keeps documents instead. A portable program keeps its own folder.
TEST_F(ShellWiring, ImportAndExportDialogsOpenInTheDocumentsFolderElseHomeWhenInstalled) {
    const std::string home = ExeDir() + "/home";
    std::filesystem::create_directories(home);
    ScopedEnvironment homeVariable("HOME", home.c_str());
    ScopedEnvironment configVariable("XDG_CONFIG_HOME", nullptr);
    WindowSetup setup;
    setup.installed = true;
    ASSERT_TRUE(Start(setup));
    ASSERT_EQ(window().paths().configPath, home + "/.config/zel-gmouse/config.ini");

    // Clicks `button` and gives back the folder its dialog showed, cancelling it.
    const auto folderOfDialog = [this](QPoint button) {
        std::string folder;
        QTimer::singleShot(0, [&folder] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            folder = dialog->directory().absolutePath().toStdString();
            dialog->reject();
        });
        Click(button);
        ProcessEvents();
        return folder;
    };
    EXPECT_EQ(folderOfDialog(MainButton(buttons::kImportProfile)), home) << "no documents folder";
    std::filesystem::create_directories(home + "/Documents");
    EXPECT_EQ(folderOfDialog(MainButton(buttons::kImportProfile)), home + "/Documents");
    EXPECT_EQ(folderOfDialog(MainButton(buttons::kExportProfile)), home + "/Documents");
    Click(MainButton(buttons::kAdvancedPageButton));
    ProcessEvents();
    EXPECT_EQ(folderOfDialog(AdvancedButton(buttons::kImportMacros)), home + "/Documents");
    EXPECT_EQ(folderOfDialog(AdvancedButton(buttons::kExportMacros)), home + "/Documents");
}

TEST_F(ShellWiring, FirstStartOfAnInstalledWindowTakesTheEditionOfASpanishLocale) {
    const std::string home = ExeDir() + "/home";
    std::filesystem::create_directories(home);
    ScopedEnvironment homeVariable("HOME", home.c_str());
    ScopedEnvironment configVariable("XDG_CONFIG_HOME", nullptr);
    ScopedEnvironment all("LC_ALL", nullptr);
    ScopedEnvironment messages("LC_MESSAGES", "");
    ScopedEnvironment lang("LANG", "es_ES.UTF-8");
    WindowSetup setup;
    setup.installed = true;
    setup.languageFlag = 1;  // as shipped
    ASSERT_TRUE(Start(setup));
    EXPECT_EQ(state().languageFlag, 0);
    EXPECT_EQ(settings::ReadEditionFlag(window().paths().configPath), 0);
    EXPECT_EQ(window().trayMenu().actions()[0]->text(), "Mostrar ventana");
}

TEST_F(ShellWiring, ImportDialogOpensInTheProgramsFolderWhenPortable) {
    ASSERT_TRUE(Start());
    std::string folder;
    QTimer::singleShot(0, [&folder] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        folder = dialog->directory().absolutePath().toStdString();
        dialog->reject();
    });
    Click(MainButton(buttons::kImportProfile));
    EXPECT_EQ(folder, ExeDir());
}

TEST_F(ShellWiring, ResetRestoresTemplatesAndTheEditionsDefaultMacrosAndUploads) {
    ASSERT_TRUE(Start(ProfileAndEdition(2, 1)));
    for (const char* section : {"CfgReset2", "CfgReset3", "CfgReset4", "CfgReset5"}) {
        ASSERT_TRUE(ini::WriteString(ConfigPath(), section, "K0", "1"));
        ASSERT_TRUE(ini::WriteString(ConfigPath(), section, "FIRE_TIME", "5"));
    }
    ASSERT_TRUE(ini::WriteString(ConfigPath(), "CfgReset_EN5", "K0", "1"));
    ASSERT_TRUE(ini::WriteString(ConfigPath(), "CfgReset_EN5", "FIRE_TIME", "55"));
    {
        macro::MacroStore defaults;
        defaults.AddMacro("Default one");
        defaults.AddMacro("Default two");
        std::filesystem::create_directories(ExeDir() + "/skins/INI_EN");
        ASSERT_TRUE(macro::SaveUserMacros(defaults, ExeDir() + "/skins/INI_EN/defMacro.dat").ok());
    }
    macros_.AddMacro("Mine");

    Click(MainButton(buttons::kResetAll));

    EXPECT_EQ(Section(1).K, settings::kResetDefaults.K);
    EXPECT_EQ(Section(2).FIRE_TIME, 5);
    EXPECT_EQ(Section(5).FIRE_TIME, 55) << "profile 5 of the EN edition";
    EXPECT_EQ(profile_.FIRE_TIME.load(), 5) << "the current profile as reset";
    EXPECT_EQ(UserMacroNames(), (std::vector<std::string>{"Default one", "Default two"}));
    macro::MacroStore saved;
    platform::RecordingMessageSink ignored;
    ASSERT_TRUE(macro::LoadUserMacros(saved, ExeDir() + "/Macro_EN.dat", ignored));
    EXPECT_EQ(saved.UserCount(), 2);
    // The upload wrote the reset profile as the mouse's.
    EXPECT_EQ(Section(6).FIRE_TIME, 5);
    EXPECT_EQ(settings::ReadCurrentProfile(ConfigPath()), 2);
}

}  // namespace
}  // namespace zel::test
