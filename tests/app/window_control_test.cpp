// What the window does with zel-gmousectl's commands and with an upload the mouse did not take
// whole, driven by clicks on the window as the user makes them.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <algorithm>
#include <fstream>
#include <iterator>

#include "app/pages/page_table.h"
#include "control/command_line.h"
#include "macro/ui/macro_page.h"
#include "settings/ini_file.h"
#include "tests/support/macro_page_fixtures.h"
#include "window_test_support.h"

namespace zel::test {
namespace {

namespace buttons = app::buttons;

class WindowControlTest : public WindowTest {
protected:
    control::ControlReply Forward(std::vector<std::string> args) {
        return window().AnswerControlRequest({false, "", std::move(args)});
    }
    std::string Stored(const char* section, const char* key) {
        return ini::IniDocument::Load(ConfigPath()).Get(section, key);
    }
    static std::string TextOf(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::string ConfigText() const { return TextOf(ConfigPath()); }
    std::string MacroFileText() const { return TextOf(ExeDir() + "/Macro_EN.dat"); }
};

// A `set` of the profile the window shows would reload it from the file and silently drop the
// user's unsaved edits: it is refused, naming the profile, and nothing changes.
TEST_F(WindowControlTest, SetRefusesToOverwriteUnsavedEditsOfTheShownProfile) {
    ASSERT_TRUE(Start(ProfileAndEdition(2, 1)));
    EXPECT_EQ(Forward({"set", "fire-interval=80"}).status, control::kExitDone)
        << "no edits yet: taken";
    EXPECT_EQ(Stored("Config2", "FIRE_TIME"), "80");

    Click(MainButton(66 + 12 * 1 + 8));  // level 1 to step 8, not saved
    ASSERT_EQ(profile_.DPI_SET[1].load(), 8);
    for (const auto& args : {std::vector<std::string>{"set", "fire-interval=120"},
                             std::vector<std::string>{"set", "--profile", "2", "led=steady"},
                             std::vector<std::string>{"set", "--apply", "wheel=1"}}) {
        SCOPED_TRACE(args.back());
        const control::ControlReply reply = Forward(args);
        EXPECT_EQ(reply.status, control::kExitFailed);
        EXPECT_NE(reply.err.find("unsaved edits of profile 2"), std::string::npos) << reply.err;
    }
    EXPECT_EQ(profile_.DPI_SET[1].load(), 8) << "the edit is kept";
    EXPECT_EQ(Stored("Config2", "FIRE_TIME"), "80");

    // Another profile is no concern of the edits.
    EXPECT_EQ(Forward({"set", "--profile", "4", "fire-interval=96"}).status, control::kExitDone);
    EXPECT_EQ(Stored("Config4", "FIRE_TIME"), "96");

    // Saved, the edits are in the file: the set is taken again.
    Click(MainButton(buttons::kSave));
    const control::ControlReply reply = Forward({"set", "fire-interval=120"});
    EXPECT_EQ(reply.status, control::kExitDone) << reply.err;
    EXPECT_EQ(Stored("Config2", "FIRE_TIME"), "120");
    EXPECT_EQ(Stored("Config2", "DPI_SET1"), "8");
}

// Switch the wheel in the window without saving, then a command that would load the profile
// shown again (an import into it, a profile switch, set --apply, reset): refused, naming the
// profile and the way on, and the edit stays. Told to, the command drops the edit.
TEST_F(WindowControlTest, CommandsThatWouldReloadTheShownProfileKeepItsUnsavedEdits) {
    ASSERT_TRUE(Start(ProfileAndEdition(2, 1)));
    const std::string exchange = ExeDir() + "/p2.ini";
    ASSERT_EQ(Forward({"export", exchange, "--profile", "2"}).status, control::kExitDone);
    const std::string storedWheel = Stored("Config2", "WHEEL_STATUS");
    Click(MainButton(storedWheel == "1" ? buttons::kWheelStatus0 : buttons::kWheelStatus1));
    const std::int32_t edited = profile_.WHEEL_STATUS.load();
    ASSERT_NE(std::to_string(edited), storedWheel) << "the click switched the wheel";
    const std::string config = ConfigText();
    using Args = std::vector<std::string>;
    for (const Args& args : {Args{"import", exchange}, Args{"import", exchange, "--profile", "2"},
                             Args{"profile", "4"}, Args{"profile", "2"},
                             Args{"set", "--profile", "3", "--apply", "led=steady"},
                             Args{"set", "fire-interval=120"}, Args{"reset"}}) {
        SCOPED_TRACE(args.front() + " " + args.back());
        const control::ControlReply reply = Forward(args);
        EXPECT_EQ(reply.status, control::kExitFailed);
        EXPECT_NE(reply.err.find("unsaved edits of profile 2;"), std::string::npos) << reply.err;
        EXPECT_NE(reply.err.find("--discard-unsaved"), std::string::npos) << reply.err;
        EXPECT_EQ(profile_.WHEEL_STATUS.load(), edited) << "the edit is kept";
        EXPECT_EQ(state().currentProfile.load(), 2);
        EXPECT_EQ(ConfigText(), config) << "nothing was written";
    }
    // Into another profile: nothing shown is reloaded.
    EXPECT_EQ(Forward({"import", exchange, "--profile", "4"}).status, control::kExitDone);
    EXPECT_EQ(profile_.WHEEL_STATUS.load(), edited);

    const control::ControlReply told = Forward({"import", exchange, "--discard-unsaved"});
    EXPECT_EQ(told.status, control::kExitDone) << told.err;
    EXPECT_EQ(std::to_string(profile_.WHEEL_STATUS.load()), storedWheel)
        << "the window shows the imported profile";

    // The window's own profile buttons still discard an edit, as they always did.
    Click(MainButton(storedWheel == "1" ? buttons::kWheelStatus0 : buttons::kWheelStatus1));
    Click(MainButton(buttons::kFirstProfile + 3));
    EXPECT_EQ(state().currentProfile.load(), 4);
    EXPECT_EQ(std::to_string(profile_.WHEEL_STATUS.load()), Stored("Config4", "WHEEL_STATUS"));
}

// Type a macro name and Add it without Set: a command that replaces the user macros (macros
// import, reset) is refused, naming them, and the new macro stays. Once Set saved it, the
// import is taken; --discard-unsaved takes it over an unsaved one.
TEST_F(WindowControlTest, CommandsThatWouldReplaceTheMacrosKeepTheirUnsavedEdits) {
    WindowSetup setup = ProfileAndEdition(1, 1);
    setup.userMacros = {MakeMacro("One"), MakeMacro("Two")};
    ASSERT_TRUE(Start(setup));
    const std::string exported = ExeDir() + "/mine.dat";
    ASSERT_EQ(Forward({"macros", "export", exported}).status, control::kExitDone);
    Click(MainButton(buttons::kAdvancedPageButton));
    ProcessEvents();
    macro::ui::MacroPageControls* page = window().macroControls();
    ASSERT_NE(page, nullptr);
    const auto addTyped = [&](const char* name) {
        QLineEdit& edit = *page->nameEdit();
        Click(edit, edit.rect().center());
        edit.selectAll();
        QTest::keyClicks(&edit, name);
        Click(AdvancedButton(buttons::kAddMacro));
        ProcessEvents();
    };
    addTyped("Mine");
    ASSERT_EQ(macros_.UserCount(), 3);
    const std::string macroFile = MacroFileText();
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"macros", "import", exported},
          std::vector<std::string>{"reset"}}) {
        SCOPED_TRACE(args.front());
        const control::ControlReply reply = Forward(args);
        EXPECT_EQ(reply.status, control::kExitFailed);
        EXPECT_NE(reply.err.find("unsaved edits of the user macros;"), std::string::npos)
            << reply.err;
        EXPECT_NE(reply.err.find("Set on the advanced page"), std::string::npos) << reply.err;
        EXPECT_EQ(macros_.UserCount(), 3) << "the new macro is kept";
        EXPECT_EQ(MacroFileText(), macroFile);
    }
    Click(AdvancedButton(buttons::kApplyRepeatCount));  // Set: the macros are saved
    ProcessEvents();
    control::ControlReply reply = Forward({"macros", "import", exported});
    EXPECT_EQ(reply.status, control::kExitDone) << reply.err;
    EXPECT_EQ(macros_.UserCount(), 2);

    addTyped("Again");
    ASSERT_EQ(macros_.UserCount(), 3);
    reply = Forward({"macros", "import", exported, "--discard-unsaved"});
    EXPECT_EQ(reply.status, control::kExitDone) << reply.err;
    EXPECT_EQ(macros_.UserCount(), 2);
    EXPECT_EQ(page->macroList()->count(), 2) << "the page shows the imported macros";
}

// The mouse goes away after two reports of an Apply: the window says so, and config.ini does
// not claim that the mouse holds the profile.
TEST_F(WindowControlTest, ApplyThatTheMouseDidNotTakeWholeIsReported) {
    ASSERT_TRUE(Start(ProfileAndEdition(1, 1)));
    auto channel = transport_.LastChannel(kMousePath, platform::HidAccess::Write);
    ASSERT_NE(channel, nullptr);
    Click(MainButton(buttons::kFirstProfile + 2));  // profile 3
    Click(MainButton(66 + 12 * 1 + 8));             // level 1 to step 8
    channel->SetSendHook([raw = channel.get()](std::span<const std::uint8_t>) {
        if (raw->SentCount() == 2) {
            raw->Disconnect();
        }
    });
    channel->ClearSent();
    messages_.messages.clear();
    Click(MainButton(buttons::kApply));

    const auto& said = messages_.messages;
    EXPECT_EQ(std::count_if(said.begin(), said.end(),
                            [](const std::string& text) {
                                return text.find("did not receive the whole profile") !=
                                       std::string::npos;
                            }),
              1);
    EXPECT_EQ(Stored("Init", "CurConfig"), "1");
    EXPECT_EQ(Stored("Config6", "DPI_SET1"), "6") << "profile 6 still holds what the mouse took";
    EXPECT_EQ(Stored("Config3", "DPI_SET1"), "8") << "the edit itself is kept";
}

}  // namespace
}  // namespace zel::test
