// What the window does with zel-gmousectl's commands and with an upload the mouse did not take
// whole, driven by clicks on the window as the user makes them.

#include <gtest/gtest.h>

#include <algorithm>

#include "app/page_table.h"
#include "control/command_line.h"
#include "settings/ini_file.h"
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
