#include "app/window/edition_switch.h"

#include <gtest/gtest.h>

#include <QMenu>
#include <QTemporaryDir>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "app/menus/edition_menus.h"
#include "app/menus/skinned_menu.h"
#include "macro/macro_files.h"
#include "macro/macro_name.h"
#include "macro/macro_store.h"
#include "menu_lines.h"
#include "settings/config_files.h"
#include "shell_test_qt.h"

namespace zel::app {
namespace {

std::string ReadAll(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::string& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

// A macro file holding macros with the given names.
void WriteMacroFile(const std::string& file, const std::vector<std::string>& names) {
    macro::MacroStore store;
    for (const std::string& name : names) {
        store.AddMacro(name);
    }
    ASSERT_TRUE(macro::SaveUserMacros(store, file).ok());
}

std::vector<std::string> MacroNames(const macro::MacroStore& store) {
    std::vector<std::string> names;
    for (int i = 0; i < store.UserCount(); ++i) {
        names.push_back(macro::NameText(store.UserMacro(i)));
    }
    return names;
}

const std::string kConfig =
    "[Init]\r\nCurConfig=3\r\nVER_SEL=1\r\n[Config3]\r\nK0=1\r\nDPI_LEVEL=2\r\n"
    "[Config6]\r\nK0=1\r\n";

// The program's pieces the switch reaches, built for real: config.ini, both macro files, the
// macro store and the two owner-drawn menus.
class EditionSwitch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        paths = platform::AppPaths::ForDirectory(folder.path().toStdString(), languageFlag);
        WriteAll(paths.configPath, kConfig);
        WriteMacroFile(folder.filePath("Macro_EN.dat").toStdString(), {"Copy", "Paste"});
        WriteMacroFile(folder.filePath("Macro_CN.dat").toStdString(),
                       {"Copiar", "Pegar", "Deshacer"});
        ASSERT_TRUE(macro::LoadUserMacros(store, paths.macroPath, messages));
        LoadEditionMenus(stepMenu, trayMenu, languageFlag);
    }

    EditionSwitchContext Context() {
        EditionSwitchHooks hooks;
        hooks.reloadLayouts = [this] {
            calls.push_back("layouts " + std::to_string(languageFlag));
            return layoutsPresent;
        };
        hooks.loadUserMacros = [this](const std::filesystem::path& file) {
            calls.push_back("macros " + file.filename().string());
            macro::LoadUserMacros(store, file, messages);
        };
        hooks.loadMenus = [this](std::int32_t flag) {
            calls.push_back("menus " + std::to_string(flag));
            LoadEditionMenus(stepMenu, trayMenu, flag);
        };
        hooks.setWindowTitle = [this] { calls.push_back("title"); };
        return {languageFlag, paths, hooks};
    }

    shell_testing::ApplicationGuard application;
    QTemporaryDir folder;
    std::int32_t languageFlag = kEditionEN;
    platform::AppPaths paths;
    macro::MacroStore store;
    platform::RecordingMessageSink messages;
    SkinnedMenu stepMenu;
    SkinnedMenu trayMenu;
    std::vector<std::string> calls;
    bool layoutsPresent = true;
};

TEST_F(EditionSwitch, ToCNStoresTheFlagAndLoadsTheSpanishFilesAndMenus) {
    ASSERT_EQ(MacroNames(store), (std::vector<std::string>{"Copy", "Paste"}));

    SelectEditionCN(Context());

    EXPECT_EQ(languageFlag, 0);
    EXPECT_EQ(settings::ReadEditionFlag(paths.configPath), 0);
    std::string expected = kConfig;
    expected.replace(expected.find("VER_SEL=1"), 9, "VER_SEL=0");
    EXPECT_EQ(ReadAll(paths.configPath), expected) << "the profiles stay as they were";
    EXPECT_EQ(std::filesystem::path(paths.macroPath).filename(), "Macro_CN.dat");
    EXPECT_EQ(MacroNames(store), (std::vector<std::string>{"Copiar", "Pegar", "Deshacer"}));
    EXPECT_EQ(calls,
              (std::vector<std::string>{"layouts 0", "macros Macro_CN.dat", "menus 0", "title"}));

    // The step menu now carries the Spanish items, each step command once.
    const std::vector<MenuLine> lines = MenuLines(stepMenu);
    ASSERT_EQ(lines.size(), 23u);
    std::set<MenuCommand> commands;
    for (const MenuLine& line : lines) {
        if (line.command) {
            commands.insert(*line.command);
            EXPECT_TRUE(StepCommandOf(*line.command).has_value());
        }
    }
    EXPECT_EQ(commands.size(), 14u);
    EXPECT_EQ(lines[0].text, QString("Macro"));
    EXPECT_EQ(lines[1].text, QString("Insertar antes del elemento    "));
    EXPECT_EQ(trayMenu.actions().front()->text(), QString("Mostrar ventana"));
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(EditionSwitch, BackToENAndAgainRunsEveryStep) {
    SelectEditionCN(Context());
    calls.clear();
    SelectEditionEN(Context());
    EXPECT_EQ(languageFlag, 1);
    EXPECT_EQ(settings::ReadEditionFlag(paths.configPath), 1);
    EXPECT_EQ(MacroNames(store), (std::vector<std::string>{"Copy", "Paste"}));
    EXPECT_EQ(MenuLines(stepMenu)[1].text, QString("Add Forward"));
    EXPECT_EQ(MenuLines(stepMenu).size(), 23u);

    calls.clear();
    SelectEditionEN(Context());  // the active edition: the same steps
    EXPECT_EQ(calls,
              (std::vector<std::string>{"layouts 1", "macros Macro_EN.dat", "menus 1", "title"}));
}

TEST_F(EditionSwitch, StopsWhenTheLayoutsCannotBeRead) {
    layoutsPresent = false;
    SelectEditionCN(Context());
    EXPECT_EQ(settings::ReadEditionFlag(paths.configPath), 0);
    EXPECT_EQ(calls, std::vector<std::string>{"layouts 0"});
    EXPECT_EQ(MacroNames(store), (std::vector<std::string>{"Copy", "Paste"}));
}

TEST_F(EditionSwitch, AMissingMacroFileLeavesTheStoreAsTheLoaderDoes) {
    std::filesystem::remove(folder.filePath("Macro_CN.dat").toStdString());
    SelectEditionCN(Context());
    EXPECT_EQ(store.UserCount(), 0);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0], "Perfil no encontrado");
    EXPECT_EQ(calls.back(), "title");
}

}  // namespace
}  // namespace zel::app
