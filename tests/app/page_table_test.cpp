// The pages' control tables: complete descriptions of their layout lists, and rows that agree
// with what the window does with them.

#include "app/pages/page_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/pages/page_focus.h"
#include "app/pages/page_state.h"
#include "macro/macro_store.h"
#include "platform/message_sink.h"
#include "settings/profile_settings.h"
#include "skin/layout_loader.h"

namespace zel::app {
namespace {

using skin::kNoEntry;

struct TableCase {
    const char* name;
    std::span<const Control> table;
    ButtonList list;
    int first;
    int last;
    int lastLit;  // entries beyond it are drawn but never under the pointer
};

const TableCase kTables[] = {
    {"frame", kFrameControls, ButtonList::Main, 0, 19, 19},
    {"main", kMainPageControls, ButtonList::Main, 20, int{skin::kMainButtonCount} - 1, 114},
    {"advanced", kAdvancedPageControls, ButtonList::Advanced, 0,
     int{skin::kAdvancedButtonCount} - 1, 37},
    {"lighting", kColorPageControls, ButtonList::Color, 0, int{skin::kColorButtonCount} - 1, 4},
};

// Hit-testing a table finds the same entry as hit-testing the list only when the table holds
// every entry once, in order; the lit rows end where the list's hit test always ended.
TEST(PageTable, EveryTableHoldsItsListInOrderWithTheLitEntriesFirst) {
    for (const TableCase& c : kTables) {
        int next = c.first;
        for (const Control& control : c.table) {
            EXPECT_EQ(control.list, c.list) << c.name << " " << control.name;
            EXPECT_EQ(control.first, next) << c.name << " " << control.name;
            EXPECT_GE(control.count, 1) << c.name << " " << control.name;
            EXPECT_EQ(control.lit, control.Last() <= c.lastLit) << c.name << " " << control.name;
            if (control.lit) {
                EXPECT_LE(control.Last(), c.lastLit) << c.name << " " << control.name;
            }
            next = control.Last() + 1;
        }
        EXPECT_EQ(next, c.last + 1) << c.name;
    }
}

TEST(PageTable, ARowActsWhenItHasACommandAndOnlyThen) {
    for (const TableCase& c : kTables) {
        for (const Control& control : c.table) {
            EXPECT_EQ(control.trigger == Trigger::Never, control.command == Command::NoCommand)
                << c.name << " " << control.name;
            // Only the frame acts on the release, and of the frame only the tabs on the press.
            if (control.trigger == Trigger::Release) {
                EXPECT_EQ(c.table.data(), std::span<const Control>(kFrameControls).data())
                    << control.name;
            }
            if (control.companion >= 0) {
                const ControlHit lit =
                    ControlAtIndex(c.table, control.companion + control.count - 1);
                ASSERT_TRUE(lit) << control.name;
                EXPECT_FALSE(lit.control->lit) << control.name;
            }
        }
    }
}

TEST(PageTable, TheNamedIndicesAreTheRowsThatRunTheirCommands) {
    struct Case {
        std::span<const Control> table;
        int index;
        Command command;
        int member;
    };
    const Case cases[] = {
        {kFrameControls, buttons::kSave, Command::Save, 0},
        {kFrameControls, buttons::kApply, Command::Apply, 0},
        {kFrameControls, buttons::kFirstProfile + 2, Command::SelectProfile, 2},
        {kFrameControls, buttons::kAdvancedPageButton, Command::ShowAdvancedPage, 0},
        {kFrameControls, buttons::kEditionEN, Command::SelectEditionEN, 0},
        {kMainPageControls, buttons::kFirstFunctionField + 5, Command::ChooseFunction, 5},
        {kMainPageControls, buttons::kWheelStatus1, Command::SetWheelStatus, 1},
        {kMainPageControls, buttons::kFirstDpiEnable + 3, Command::ToggleDpiLevel, 3},
        {kMainPageControls, buttons::kFirstDpiSelect + 1, Command::SelectDpiLevel, 1},
        {kMainPageControls, 66 + 12 * 2 + 5, Command::SetDpiStep, 5},
        {kAdvancedPageControls, buttons::kRecord, Command::ToggleRecording, 0},
        {kAdvancedPageControls, buttons::kLastWheelSpeed, Command::SetWheelSpeed, 9},
        {kAdvancedPageControls, buttons::kFireSlider, Command::SetFireTimeFromSlider, 0},
        {kAdvancedPageControls, buttons::kFireReadout, Command::NoCommand, 0},
        {kColorPageControls, 3, Command::SetLedMode, 3},
        {kColorPageControls, buttons::kLedPreview, Command::NoCommand, 0},
    };
    for (const Case& c : cases) {
        const ControlHit hit = ControlAtIndex(c.table, c.index);
        ASSERT_TRUE(hit) << c.index;
        EXPECT_EQ(hit.control->command, c.command) << hit.control->name;
        EXPECT_EQ(hit.member, c.member) << hit.control->name;
        EXPECT_EQ(hit.Index(), c.index);
    }
    EXPECT_EQ(ControlAtIndex(kMainPageControls, 66 + 12 * 2 + 5).control->arg, 2);
    EXPECT_FALSE(ControlAtIndex(kFrameControls, kNoEntry));
    EXPECT_FALSE(ControlAtIndex(kMainPageControls, buttons::kSave));
}

// The shipped skins read as a user reads the window: the title bar, the side, the page, then
// Save, Cancel and Apply at the bottom.
TEST(PageFocus, TheShippedSkinsAreWalkedInReadingOrder) {
    for (const int languageFlag : {0, 1}) {
        platform::RecordingMessageSink messages;
        bool failed = false;
        skin::SkinLayoutLoader loader(std::filesystem::path(ZEL_RUNTIME_DIR) / "skins", messages,
                                      [&failed] { failed = true; });
        skin::SkinLayout layout;
        loader.LoadSkinLayouts(layout, languageFlag);
        ASSERT_FALSE(failed);
        std::vector<std::string> names;
        for (const Control* row : FocusOrder(kColorPage, layout, kShippedPages)) {
            names.emplace_back(row->name);
        }
        const std::vector<std::string> expected = {
            "page_main",  "page_advanced", "page_lighting", "minimise",       "close",
            "edition_es", "edition_en",    "profile",       "import_profile", "export_profile",
            "reset_all",  "led_mode",      "save",          "cancel_hide",    "apply"};
        EXPECT_EQ(names, expected) << languageFlag;
    }
}

class PageStateTest : public ::testing::Test {
protected:
    PageStateView View() {
        return PageStateView{profile,        macros,       layout,    page,
                             currentProfile, languageFlag, recording, {}};
    }
    bool Pressed(std::span<const Control> table, int index) {
        const ControlHit hit = ControlAtIndex(table, index);
        return hit && IsShownPressed(*hit.control, hit.member, View());
    }
    std::string Caption(std::span<const Control> table, int index) {
        const ControlHit hit = ControlAtIndex(table, index);
        return LiveCaption(*hit.control, hit.member, View()).value_or("<layout>");
    }

    settings::ProfileSettings profile;
    macro::MacroStore macros;
    skin::SkinLayout layout;
    std::uint8_t page = kMainPage;
    int currentProfile = 2;
    std::int32_t languageFlag = 1;
    bool recording = false;
};

// Values read from a file may lie outside their ranges: they light nothing rather than a
// neighbouring control.
TEST_F(PageStateTest, IndicatorsLightTheMemberOfTheValueAndNothingForValuesOutOfRange) {
    profile.DPI_LEVEL = 2;
    profile.DPI_SPEED = 3;
    profile.WHEEL_STATUS = 7;
    profile.LED_STATUS = 9;
    EXPECT_TRUE(Pressed(kFrameControls, buttons::kFirstProfile + 1));
    EXPECT_FALSE(Pressed(kFrameControls, buttons::kFirstProfile));
    EXPECT_TRUE(Pressed(kFrameControls, buttons::kMainPageButton));
    EXPECT_FALSE(Pressed(kFrameControls, buttons::kAdvancedPageButton));
    EXPECT_TRUE(Pressed(kMainPageControls, buttons::kFirstDpiSelect + 2));
    EXPECT_TRUE(Pressed(kMainPageControls, buttons::kWheelStatus1));
    EXPECT_FALSE(Pressed(kMainPageControls, buttons::kWheelStatus0));
    EXPECT_TRUE(Pressed(kAdvancedPageControls, buttons::kFirstPointerSpeed + 3));
    for (int mode = 0; mode < 4; ++mode) {
        EXPECT_FALSE(Pressed(kColorPageControls, mode)) << mode;
    }
    profile.DPI_SPEED = -3;
    for (int i = 0; i <= buttons::kLastPointerSpeed; ++i) {
        EXPECT_FALSE(Pressed(kAdvancedPageControls, i)) << i;
    }
}

TEST_F(PageStateTest, EditionButtonsFollowTheirOwnRules) {
    struct Case {
        std::int32_t flag;
        bool cn;
        bool en;
    };
    for (const Case c : {Case{0, true, false}, Case{1, false, true}, Case{2, false, false},
                         Case{-1, false, false}}) {
        languageFlag = c.flag;
        EXPECT_EQ(Pressed(kFrameControls, buttons::kEditionCN), c.cn) << c.flag;
        EXPECT_EQ(Pressed(kFrameControls, buttons::kEditionEN), c.en) << c.flag;
    }
}

TEST_F(PageStateTest, LiveCaptionsReadTheProfileTheMacrosAndTheEdition) {
    layout.functionNames[2] = "Right Click";
    profile.K[1] = 2;
    profile.K[2] = 99;
    profile.FIRE_TIME = 150;
    EXPECT_EQ(Caption(kMainPageControls, buttons::kFirstFunctionField + 1), "Right Click");
    EXPECT_EQ(Caption(kMainPageControls, buttons::kFirstFunctionField + 2), "");
    EXPECT_EQ(Caption(kAdvancedPageControls, buttons::kFireReadout), "150ms");
    EXPECT_EQ(Caption(kAdvancedPageControls, buttons::kRecord), "Record");
    recording = true;
    EXPECT_EQ(Caption(kAdvancedPageControls, buttons::kRecord), "Stop");
    languageFlag = 0;
    EXPECT_EQ(Caption(kAdvancedPageControls, buttons::kRecord), "Parar");
    EXPECT_EQ(Caption(kFrameControls, buttons::kSave), "<layout>");
}

// A layout entry is labelled with the name of the row that owns it, so a rectangle written at the
// wrong index of a shipped layout shows as the wrong label there.
TEST(ShippedLayoutLabels, EveryEntryOfEveryLayoutIsLabelledWithItsRow) {
    platform::RecordingMessageSink messages;
    skin::SkinLayoutLoader loader(std::filesystem::path(ZEL_SOURCE_DIR) / "data" / "skins",
                                  messages, [] {});
    for (const std::int32_t languageFlag : {1, 0}) {
        skin::SkinLayout layout;
        loader.LoadSkinLayouts(layout, languageFlag);
        ASSERT_TRUE(messages.messages.empty()) << messages.messages.front();
        const struct {
            std::span<const Control> table;
            ButtonList list;
        } tables[] = {{kFrameControls, ButtonList::Main},
                      {kMainPageControls, ButtonList::Main},
                      {kAdvancedPageControls, ButtonList::Advanced},
                      {kColorPageControls, ButtonList::Color}};
        for (const auto& t : tables) {
            const auto list = ButtonsOf(std::as_const(layout), t.list);
            for (int index = 0; index < static_cast<int>(list.size()); ++index) {
                const ControlHit owner = ControlAtIndex(t.table, index);
                if (!owner) {
                    continue;  // the frame's entries of the main list, or the page's
                }
                EXPECT_EQ(list[static_cast<std::size_t>(index)].label,
                          LayoutLabel(*owner.control, owner.member))
                    << "edition " << languageFlag << ", list " << static_cast<int>(t.list)
                    << ", entry " << index;
            }
        }
    }
}

TEST(ShippedLayoutLabels, AGroupsMembersAreNamedOrNumbered) {
    const Control* wheel = ControlAtIndex(kMainPageControls, buttons::kWheelStatus1).control;
    const Control* profiles = ControlAtIndex(kFrameControls, buttons::kFirstProfile).control;
    ASSERT_NE(wheel, nullptr);
    ASSERT_NE(profiles, nullptr);
    EXPECT_EQ(LayoutLabel(*wheel, 1), "wheel_alternate");
    EXPECT_EQ(LayoutLabel(*profiles, 4), "profile4");
    EXPECT_EQ(LayoutLabel(kFrameControls[0], 0), "save");
}

}  // namespace
}  // namespace zel::app
