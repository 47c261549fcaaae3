#include "macro/step_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "macro/macro_files.h"
#include "macro/macro_name.h"

namespace zel::macro {
namespace {

struct StepSpec {
    std::uint8_t code;
    std::uint8_t action;
    std::uint16_t delay;
};

MacroRecord MakeMacro(const std::string& name, const std::vector<StepSpec>& steps) {
    MacroRecord record{};
    SetName(record, name);
    record.repeatCount.Set(1);
    record.stepCount = static_cast<std::uint8_t>(steps.size());
    for (std::size_t k = 0; k < steps.size(); ++k) {
        record.steps[k] = {steps[k].code, steps[k].action};
        record.delays[k].Set(steps[k].delay);
    }
    return record;
}

std::vector<StepSpec> StepsOf(const MacroRecord& record) {
    std::vector<StepSpec> steps;
    for (std::size_t k = 0; k < record.stepCount; ++k) {
        steps.push_back({record.steps[k].code, record.steps[k].action, record.delays[k].Value()});
    }
    return steps;
}

bool operator==(const StepSpec& a, const StepSpec& b) {
    return a.code == b.code && a.action == b.action && a.delay == b.delay;
}
void PrintTo(const StepSpec& s, std::ostream* os) {
    *os << "(" << int{s.code} << "," << int{s.action} << "," << s.delay << ")";
}

const std::string kDown = std::string(kPressMark);
const std::string kUp = std::string(kReleaseMark);

// A: press (0 ms), A release (120 ms), left button press (30 ms).
const std::vector<StepSpec> kFiveLineMacro{{4, 1, 0}, {4, 2, 120}, {240, 1, 30}};
// Three steps with distinct delays so that moves are visible.
const std::vector<StepSpec> kThreeSteps{{4, 1, 10}, {5, 1, 20}, {6, 1, 40}};

// The commands of the step list's context menu.
constexpr StepCommand kModifyDelay{StepCommandKind::ModifyDelay};
constexpr StepCommand kDeleteStep{StepCommandKind::DeleteStep};
constexpr StepCommand Before(std::uint8_t button, std::uint8_t action) {
    return {StepCommandKind::InsertBefore, button, action};
}
constexpr StepCommand After(std::uint8_t button, std::uint8_t action) {
    return {StepCommandKind::InsertAfter, button, action};
}
std::vector<StepCommand> AllStepCommands() {
    std::vector<StepCommand> commands{kModifyDelay, kDeleteStep};
    for (const std::uint8_t button : {240, 241, 242}) {
        for (const std::uint8_t action : {1, 2}) {
            commands.push_back(Before(button, action));
            commands.push_back(After(button, action));
        }
    }
    return commands;
}

class MacroPageModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ =
            std::filesystem::temp_directory_path() /
            ("step_list_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        page_ =
            std::make_unique<MacroPageModel>(store_, sink_, dir_ / "Macro_EN.dat", 1, "ZEL_GMouse");
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void Load(const std::vector<MacroRecord>& records) {
        store_.ReplaceUserMacros(records);
        page_->RefreshMacroList();
    }
    // Right-click on `line` followed by the menu command `command`.
    bool RightClickAndRun(int line, const StepCommand& command) {
        const bool shown = page_->OpenStepMenu(line, true);
        page_->FinishStepMenu();
        EXPECT_TRUE(shown) << "line " << line;
        return page_->RunStepCommand(command);
    }

    std::filesystem::path dir_;
    MacroStore store_;
    platform::RecordingMessageSink sink_;
    std::unique_ptr<MacroPageModel> page_;
};

TEST(StepLineText, MarksKeyNamesAndDelays) {
    struct Case {
        MacroStep step;
        std::string text;
    } const cases[] = {
        {{4, 1}, kDown + "A"},      {{240, 2}, kUp + "L-KEY"},
        {{242, 7}, "M-KEY"},        {{0, 1}, kDown + "NON-AVAILABLE"},
        {{225, 2}, kUp + "LSHIFT"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StepLineText(c.step), c.text);
    }
    EXPECT_EQ(DelayLineText(0), "    0ms");
    EXPECT_EQ(DelayLineText(65535), "    65535ms");
}

TEST(StepLineText, DelayFromEditedLine) {
    struct Case {
        std::string text;
        std::uint16_t delay;
    } const cases[] = {
        {"250", 250},
        {"250ms", 250},
        {"   250", 250},
        {"    120ms", 120},
        {"abc", 0},
        {"", 0},
        {"12ms34ms", 12},
        {"70000", 65535},
        {"-5", 0},
        {"65535ms", 65535},
        {"99999999999", 65535},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DelayFromLineText(c.text), c.delay) << c.text;
    }
}

TEST(StepLineText, LineFromPointer) {
    EXPECT_EQ(LineFromPointer(16, 0, 100 + 3 * 16 + 5, 100), 3);
    EXPECT_EQ(LineFromPointer(16, 2, 100 + 5, 100), 2);
    EXPECT_EQ(LineFromPointer(0, 2, 500, 100), 0);
    EXPECT_EQ(LineFromPointer(16, 0, 100, 100), 0);
}

TEST_F(MacroPageModelTest, FiveLineMacroAndItsCounters) {
    Load({MakeMacro("M", kFiveLineMacro)});
    EXPECT_EQ(page_->view.stepLines, (std::vector<std::string>{kDown + "A", "    0ms", kUp + "A",
                                                               "    120ms", kDown + "L-KEY"}));
    EXPECT_EQ(page_->state.downCount, 2);
    EXPECT_EQ(page_->state.upCount, 1);
    EXPECT_EQ(page_->view.nameText, "M");
    EXPECT_EQ(page_->view.repeat, (RepeatBox{"1", false}));
}

TEST_F(MacroPageModelTest, EmptyMacroShowsNoLinesAndKeepsRepeatBox) {
    MacroRecord repeated = MakeMacro("R", kThreeSteps);
    repeated.repeatOn = 1;
    repeated.repeatCount.Set(7);
    Load({MakeMacro("E", {}), repeated});
    EXPECT_EQ(page_->view.repeat, (RepeatBox{"7", true}));
    page_->view.macroSelection = 0;
    page_->SelectMacro();
    EXPECT_TRUE(page_->view.stepLines.empty());
    EXPECT_EQ(page_->state.downCount, 0);
    EXPECT_EQ(page_->view.repeat, (RepeatBox{"7", true}));
    EXPECT_EQ(store_.CurrentMacro(), 0);
}

TEST_F(MacroPageModelTest, ModifyDelayOnLineThreeStores250) {
    Load({MakeMacro("M", kFiveLineMacro)});
    ASSERT_TRUE(RightClickAndRun(3, kModifyDelay));
    EXPECT_EQ(page_->view.stepSelection, 3);
    page_->ApplyDelayEdit("250");
    EXPECT_EQ(store_.UserMacro(0).delays[1].Value(), 250);
    EXPECT_EQ(page_->view.stepLines[3], "    250ms");
    EXPECT_EQ(StepsOf(store_.UserMacro(0)).size(), 3u);
    EXPECT_TRUE(sink_.messages.empty());
}

TEST_F(MacroPageModelTest, ModifyDelayOnStepLineDoesNothing) {
    Load({MakeMacro("M", kFiveLineMacro)});
    EXPECT_FALSE(RightClickAndRun(2, kModifyDelay));
    // An edit the list began by itself on a step line stores nothing.
    page_->ApplyDelayEdit("7");
    EXPECT_EQ(StepsOf(store_.UserMacro(0)), kFiveLineMacro);
    EXPECT_EQ(page_->view.stepLines[2], kUp + "A");
}

TEST_F(MacroPageModelTest, InsertCommands) {
    struct Case {
        const char* what;
        std::vector<StepSpec> before;
        int line;
        StepCommand command;
        std::vector<StepSpec> after;
        int selectedLine;
    } const cases[] = {
        {"before on line 2",
         kThreeSteps,
         2,
         Before(240, 1),
         {{4, 1, 10}, {240, 1, 30}, {5, 1, 20}, {6, 1, 40}},
         4},
        {"after on line 2",
         kThreeSteps,
         2,
         After(241, 2),
         {{4, 1, 10}, {5, 1, 20}, {241, 2, 30}, {6, 1, 40}},
         4},
        {"after the last step",
         kThreeSteps,
         4,
         After(242, 1),
         {{4, 1, 10}, {5, 1, 20}, {6, 1, 40}, {242, 1, 30}},
         6},
        {"before on a delay line",
         kThreeSteps,
         3,
         Before(242, 2),
         {{4, 1, 10}, {242, 2, 30}, {5, 1, 20}, {6, 1, 40}},
         5},
        {"after on an empty list", {}, 0, After(240, 1), {{240, 1, 30}}, 0},
        // Into an empty list either insert selects the new line, wherever the menu opened.
        {"before on an empty list", {}, 0, Before(241, 2), {{241, 2, 30}}, 0},
        {"before low in an empty list", {}, 3, Before(241, 2), {{241, 2, 30}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Load({MakeMacro("M", c.before)});
        EXPECT_FALSE(RightClickAndRun(c.line, c.command));
        EXPECT_EQ(StepsOf(store_.UserMacro(0)), c.after);
        EXPECT_EQ(page_->state.selectedLine, c.selectedLine);
        EXPECT_EQ(page_->view.stepLines.size(), 2 * c.after.size() - 1);
    }
}

TEST_F(MacroPageModelTest, DeleteCommands) {
    struct Case {
        int line;
        std::vector<StepSpec> after;
        int selectedLine;
    } const cases[] = {
        {4, {{4, 1, 10}, {5, 1, 20}}, 2},
        {3, {{4, 1, 10}, {6, 1, 40}}, 1},  // a delay line deletes the step above it
        {0, {{5, 1, 20}, {6, 1, 40}}, 0},
        {2, {{4, 1, 10}, {6, 1, 40}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Load({MakeMacro("M", kThreeSteps)});
        RightClickAndRun(c.line, kDeleteStep);
        EXPECT_EQ(StepsOf(store_.UserMacro(0)), c.after);
        EXPECT_EQ(page_->state.selectedLine, c.selectedLine);
    }
    Load({MakeMacro("M", {})});
    RightClickAndRun(0, kDeleteStep);
    EXPECT_EQ(store_.UserMacro(0).stepCount, 0);
}

TEST_F(MacroPageModelTest, OverflowAt254Steps) {
    std::vector<StepSpec> full(254, {4, 1, 5});
    Load({MakeMacro("M", full)});
    for (const StepCommand& command : AllStepCommands()) {
        if (command.kind == StepCommandKind::InsertBefore ||
            command.kind == StepCommandKind::InsertAfter) {
            RightClickAndRun(2, command);
        }
    }
    EXPECT_EQ(sink_.messages, std::vector<std::string>(12, "Overflow !!!"));
    EXPECT_EQ(StepsOf(store_.UserMacro(0)), full);
    // One step fewer still takes one more.
    Load({MakeMacro("M", std::vector<StepSpec>(253, {4, 1, 5}))});
    RightClickAndRun(0, Before(240, 1));
    EXPECT_EQ(store_.UserMacro(0).stepCount, 254);
    EXPECT_EQ(sink_.messages.size(), 12u);
}

TEST_F(MacroPageModelTest, CommandsWaitWhileRecording) {
    Load({MakeMacro("M", kThreeSteps)});
    page_->OpenStepMenu(2, true);
    page_->FinishStepMenu();
    page_->state.recording = true;
    for (const StepCommand& command : AllStepCommands()) {
        EXPECT_FALSE(page_->RunStepCommand(command));
    }
    page_->view.macroSelection = 0;
    page_->Delete();
    EXPECT_EQ(StepsOf(store_.UserMacro(0)), kThreeSteps);
    EXPECT_EQ(store_.UserCount(), 1);
}

TEST_F(MacroPageModelTest, StepMenuShownOnlyOverLines) {
    Load({MakeMacro("M", kThreeSteps)});
    EXPECT_TRUE(page_->OpenStepMenu(4, true));
    EXPECT_FALSE(page_->OpenStepMenu(5, true));  // below the last line
    EXPECT_EQ(page_->view.stepSelection, kNoLine);
    EXPECT_FALSE(page_->OpenStepMenu(1, false));
    Load({MakeMacro("M", {})});
    EXPECT_TRUE(page_->OpenStepMenu(3, true));  // an empty list takes the menu anywhere
    store_.ReplaceUserMacros({});
    page_->RefreshMacroList();
    EXPECT_FALSE(page_->OpenStepMenu(0, true));
}

TEST_F(MacroPageModelTest, AddNewAndExistingName) {
    Load({MakeMacro("one", kThreeSteps), MakeMacro("two", kFiveLineMacro)});
    EXPECT_EQ(page_->view.macroSelection, 1);
    // An existing name selects it and leaves the step list and name box as they are.
    page_->view.nameText = "one";
    const auto linesBefore = page_->view.stepLines;
    page_->Add();
    EXPECT_EQ(store_.UserCount(), 2);
    EXPECT_EQ(page_->view.macroSelection, 0);
    EXPECT_EQ(store_.CurrentMacro(), 0);
    EXPECT_EQ(page_->view.stepLines, linesBefore);
    EXPECT_EQ(page_->view.nameText, "one");
    // A new name is appended with an empty step list.
    page_->view.nameText = "three";
    page_->Add();
    EXPECT_EQ(page_->view.macroNames, (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(page_->view.macroSelection, 2);
    EXPECT_TRUE(page_->view.stepLines.empty());
    EXPECT_EQ(page_->state.downCount, 0);
    // An empty name does nothing.
    page_->view.nameText.clear();
    page_->Add();
    EXPECT_EQ(store_.UserCount(), 3);
    EXPECT_TRUE(sink_.messages.empty());
}

TEST_F(MacroPageModelTest, AddWithTwelveMacrosDoesNothing) {
    Load(std::vector<MacroRecord>(12, MakeMacro("m", {})));
    page_->view.nameText = "new";
    page_->Add();
    EXPECT_EQ(store_.UserCount(), 12);
    EXPECT_EQ(page_->view.macroNames.size(), 12u);
}

TEST_F(MacroPageModelTest, DeleteTheMiddleMacroSelectsTheFirst) {
    Load({MakeMacro("a", kThreeSteps), MakeMacro("b", kFiveLineMacro), MakeMacro("c", {})});
    page_->view.macroSelection = 1;
    page_->SelectMacro();
    page_->Delete();
    EXPECT_EQ(page_->view.macroNames, (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(page_->view.macroSelection, 0);
    EXPECT_EQ(page_->view.nameText, "a");
    EXPECT_EQ(page_->view.stepLines.size(), 5u);
    EXPECT_EQ(page_->view.stepLines[0], kDown + "A");
    EXPECT_EQ(page_->view.stepLines[2], kDown + "B");
    EXPECT_EQ(store_.CurrentMacro(), 0);
    // The last macro leaves an empty page.
    page_->Delete();
    page_->Delete();
    EXPECT_TRUE(page_->view.macroNames.empty());
    EXPECT_EQ(page_->view.nameText, "");
    EXPECT_EQ(page_->view.repeat, (RepeatBox{"1", false}));
    EXPECT_EQ(store_.UserCount(), 0);
    page_->Delete();  // nothing left: nothing happens
    EXPECT_EQ(store_.UserCount(), 0);
}

TEST_F(MacroPageModelTest, ApplyClampsAndSaves) {
    struct Case {
        std::string typed;
        std::string shown;
        int stored;
    } const cases[] = {
        {"0", "1", 1},
        {"", "1", 1},
        {"abc", "1", 1},
        {"-4", "1", 1},
        {"70000", "65535", 65535},
        {"  300x", "  300x", 300},
        {"65535", "65535", 65535},
    };
    Load({MakeMacro("M", kThreeSteps)});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        page_->view.repeat.text = c.typed;
        EXPECT_EQ(page_->Apply(), c.stored);
        EXPECT_EQ(page_->view.repeat.text, c.shown);
        EXPECT_EQ(store_.UserMacro(0).repeatCount.Value(), c.stored);
        MacroStore reloaded;
        ASSERT_TRUE(LoadUserMacros(reloaded, page_->macroFile(), sink_));
        EXPECT_EQ(reloaded.UserMacro(0).repeatCount.Value(), c.stored);
    }
    EXPECT_TRUE(sink_.messages.empty());
}

TEST_F(MacroPageModelTest, ApplyReportsAFailedSave) {
    Load({MakeMacro("M", kThreeSteps)});
    page_->SetMacroFile(dir_ / "missing-folder" / "Macro_EN.dat", 1);
    page_->view.repeat.text = "5";
    EXPECT_EQ(page_->Apply(), 5);
    ASSERT_EQ(sink_.messages.size(), 1u);
}

// The page's messages are in the words of the edition of its macro file.
TEST_F(MacroPageModelTest, MessagesAreInTheEditionsWords) {
    struct Case {
        std::int32_t flag;
        std::string overflow;
        std::string saveFailed;
    };
    for (const Case& c : {Case{1, "Overflow !!!", "Cannot save the macros to "},
                          Case{0, "Desbordamiento !!!", "No se pueden guardar las macros en "}}) {
        SCOPED_TRACE(c.flag);
        sink_.messages.clear();
        Load({MakeMacro("M", std::vector<StepSpec>(254, {4, 1, 5}))});
        page_->SetMacroFile(dir_ / "missing-folder" / "Macro.dat", c.flag);
        RightClickAndRun(2, Before(240, 1));
        page_->view.repeat.text = "5";
        page_->Apply();
        ASSERT_EQ(sink_.messages.size(), 2u);
        EXPECT_EQ(sink_.messages[0], c.overflow);
        EXPECT_TRUE(
            sink_.messages[1].starts_with(c.saveFailed + (dir_ / "missing-folder").string()))
            << sink_.messages[1];
    }
}

TEST_F(MacroPageModelTest, RepeatSwitchShowsCountOrOne) {
    MacroRecord record = MakeMacro("M", kThreeSteps);
    record.repeatCount.Set(42);
    Load({record});
    page_->ToggleRepeat();
    EXPECT_EQ(page_->view.repeat, (RepeatBox{"42", true}));
    page_->ToggleRepeat();
    EXPECT_EQ(page_->view.repeat, (RepeatBox{"1", false}));
}

TEST_F(MacroPageModelTest, MacroListKeepsTheSelectionInRange) {
    Load({MakeMacro("a", {}), MakeMacro("b", {})});
    store_.SetCurrentMacro(9);
    page_->RefreshMacroList();
    EXPECT_EQ(page_->view.macroSelection, 1);
    EXPECT_EQ(store_.CurrentMacro(), 1);
    store_.SetCurrentMacro(-3);
    page_->RefreshMacroList();
    EXPECT_EQ(page_->view.macroSelection, 0);
}

TEST_F(MacroPageModelTest, InitialSelectionIsTheLastStepLine) {
    store_.ReplaceUserMacros(std::vector<MacroRecord>{MakeMacro("M", kThreeSteps)});
    page_->InitStepSelection();
    EXPECT_EQ(page_->state.selectedLine, 4);
    page_->RefreshMacroList();
    EXPECT_EQ(page_->view.stepSelection, 4);
}

}  // namespace
}  // namespace zel::macro
