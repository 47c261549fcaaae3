// The macro page inside the main window: its controls come and go with the page, its skinned
// buttons run the page actions, the step list's context menu is the edition's owner-drawn menu,
// and a recording takes the window's key events.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <map>
#include <optional>
#include <thread>

#include "app/menus/skinned_menu.h"
#include "app/pages/page_table.h"
#include "macro/macro_files.h"
#include "macro/macro_name.h"
#include "macro/ui/editable_list_box.h"
#include "macro/ui/macro_page.h"
#include "tests/support/macro_page_fixtures.h"
#include "window_test_support.h"

namespace zel::test {
namespace {

namespace buttons = app::buttons;
using macro::MacroRecord;
using macro::MacroStep;

const std::string kDown = "[\xE2\x86\x93]";
const std::string kUp = "[\xE2\x86\x91]";

// Three steps, five lines: [↓]A, 50ms, [↑]A, 40ms, [↓]L-KEY.
MacroRecord FiveLineMacro(const std::string& name) {
    return MakeMacro(name, {{4, 1}, {4, 2}, {240, 1}}, {50, 40, 30});
}

// The chain of actions that leads from `menu` to the action carrying `commandId`.
bool PathTo(QMenu& menu, app::MenuCommand command, std::vector<QAction*>& path) {
    for (QAction* action : menu.actions()) {
        path.push_back(action);
        if (action->menu() != nullptr ? PathTo(*action->menu(), command, path)
                                      : app::CommandOf(action) == command) {
            return true;
        }
        path.pop_back();
    }
    return false;
}

class MacroPageWindowTest : public WindowTest {
protected:
    // Starts the window with `macros` in the edition's macro file and enters the advanced page.
    bool StartOnMacroPage(std::vector<MacroRecord> macros, int languageFlag = 1) {
        WindowSetup setup;
        setup.languageFlag = languageFlag;
        setup.userMacros = std::move(macros);
        if (!Start(setup)) {
            return false;
        }
        Click(MainButton(buttons::kAdvancedPageButton));
        ProcessEvents();
        return window().macroControls() != nullptr;
    }

    macro::ui::MacroPageControls& page() { return *window().macroControls(); }
    std::vector<std::string> StepLines() { return Lines(*page().stepList()); }
    const macro::StepListState& pageState() { return window().macroPage()->state; }

    void ClickAdvanced(int button) {
        Click(AdvancedButton(button));
        ProcessEvents();
    }

    // The captions the advanced page paints for its step counters.
    std::string Counters() {
        window().ComposePage();
        return layout().advancedButtons[buttons::kPressCount].caption + " " +
               layout().advancedButtons[buttons::kReleaseCount].caption;
    }

    // A right-button release over line `line` of the step list, through the window's filter.
    // `commandId` is chosen from the menu that opens (0: the menu is closed without a choice);
    // `menuOpened` tells whether one did.
    // Right-click on `line`, then `command` chosen from the menu (none: the menu is closed).
    void RightClickLine(int line, std::optional<app::MenuCommand> command,
                        bool* menuOpened = nullptr) {
        QListWidget& list = *page().stepList();
        if (line < list.count()) {
            list.scrollToItem(list.item(line));  // as the user scrolls to the line first
        }
        // An empty list's line 0 is its top; other lines past the end are below the last.
        const QPoint local = line < list.count() ? list.visualItemRect(list.item(line)).center()
                             : list.count() == 0 && line == 0
                                 ? QPoint(5, 5)
                                 : QPoint(5, list.viewport()->height() - 2);
        bool opened = false;
        QTimer::singleShot(0, [this, command, &opened] { ChooseFromPopup(command, opened); });
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(local),
                            QPointF(list.viewport()->mapToGlobal(local)), Qt::RightButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &release);
        ProcessEvents();
        if (menuOpened != nullptr) {
            *menuOpened = opened;
        }
    }

    // Plays the user in the open pop-up: walks down to the command with the keyboard and
    // confirms it, or closes the menu.
    void ChooseFromPopup(std::optional<app::MenuCommand> command, bool& opened) {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (popup == nullptr) {
            return;  // no menu was shown
        }
        opened = true;
        menuTitle_ = popup->title().toStdString();
        std::vector<QAction*> path;
        if (!command || !PathTo(*popup, *command, path)) {
            popup->close();
            return;
        }
        chosenText_ = path.back()->text().toStdString();
        WalkPath(popup, path, 0);
    }

    void WalkPath(QMenu* menu, std::vector<QAction*> path, std::size_t depth) {
        menu->setActiveAction(path[depth]);
        const bool last = depth + 1 == path.size();
        QKeyEvent key(QEvent::KeyPress, last ? Qt::Key_Return : Qt::Key_Right, Qt::NoModifier);
        QApplication::sendEvent(menu, &key);
        if (!last) {
            QMenu* next = path[depth]->menu();
            QTimer::singleShot(0, [this, next, path, depth] { WalkPath(next, path, depth + 1); });
        }
    }

    // A key as the window receives it while it holds the keyboard.
    void SendKey(QEvent::Type type, int key, bool autoRepeat = false) {
        QKeyEvent event(type, key, Qt::NoModifier, QString(), autoRepeat);
        QWidget* target =
            QWidget::keyboardGrabber() != nullptr ? QWidget::keyboardGrabber() : &window();
        QApplication::sendEvent(target, &event);
    }
    void PressAndRelease(int key) {
        SendKey(QEvent::KeyPress, key);
        SendKey(QEvent::KeyRelease, key);
    }

    // A left click on line `row` of a list, at the line's place on screen.
    void ClickRow(QListWidget& list, int row) {
        list.scrollToItem(list.item(row));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                          list.visualItemRect(list.item(row)).center());
        ProcessEvents();
    }

    // A key typed as the window gets it: the window while it holds the keyboard, else the
    // control with the focus. Through the shortcut map, as a real key is.
    void Type(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = QWidget::keyboardGrabber();
        if (target == nullptr) {
            target =
                QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &window();
        }
        QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
        ProcessEvents();
    }

    // Types Alt+Space and tells whether the window menu opened (it is closed again).
    bool WindowMenuOpensOnAltSpace() {
        bool opened = false;
        QTimer::singleShot(0, [&opened] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                opened = true;
                popup->close();
            }
        });
        Type(Qt::Key_Space, Qt::AltModifier);
        ProcessEvents();
        return opened;
    }

    MacroRecord SavedMacro(int index) {
        macro::MacroStore saved;
        platform::RecordingMessageSink quiet;
        EXPECT_TRUE(macro::LoadUserMacros(saved, ExeDir() + "/Macro_EN.dat", quiet));
        return index < saved.UserCount() ? saved.CopyUserMacro(index) : MacroRecord{};
    }

    std::string menuTitle_;
    std::string chosenText_;  // of the item last chosen from the step menu
};

TEST_F(MacroPageWindowTest, ControlsComeAndGoWithThePage) {
    ASSERT_TRUE(StartOnMacroPage({FiveLineMacro("M")}));
    const skin::ControlRect& stepRect = layout().macroDisplayRect2;
    EXPECT_EQ(page().stepList()->geometry(),
              QRect(stepRect.rect.left, stepRect.rect.top, stepRect.rect.right - stepRect.rect.left,
                    stepRect.rect.bottom - stepRect.rect.top));
    EXPECT_EQ(page().stepList()->parentWidget(), &window());
    EXPECT_EQ(window().findChildren<QListWidget*>().size(), 2);
    EXPECT_EQ(window().findChildren<QLineEdit*>().size(), 2);

    Click(MainButton(buttons::kColorPageButton));
    ProcessEvents();
    EXPECT_EQ(window().macroControls(), nullptr);
    EXPECT_TRUE(window().findChildren<QListWidget*>().empty());
    EXPECT_TRUE(window().findChildren<QLineEdit*>().empty());

    Click(MainButton(buttons::kAdvancedPageButton));
    ProcessEvents();
    ASSERT_NE(window().macroControls(), nullptr);
    EXPECT_EQ(StepLines().size(), 5u);
}

TEST_F(MacroPageWindowTest, FiveLineMacroAndItsPaintedCounters) {
    ASSERT_TRUE(StartOnMacroPage({MakeMacro("First"), FiveLineMacro("M")}));
    EXPECT_EQ(Lines(*page().macroList()), (std::vector<std::string>{"First", "M"}));
    EXPECT_EQ(page().macroList()->currentRow(), 1) << "the last macro is the current one";
    EXPECT_EQ(page().nameEdit()->text(), "M");
    EXPECT_EQ(StepLines(), (std::vector<std::string>{kDown + "A", "    50ms", kUp + "A", "    40ms",
                                                     kDown + "L-KEY"}));
    EXPECT_EQ(page().stepList()->currentRow(), 4) << "the last step line at start-up";
    EXPECT_EQ(Counters(), kDown + "2 " + kUp + "1");

    page().macroList()->setCurrentRow(0);
    ProcessEvents();
    EXPECT_TRUE(StepLines().empty());
    EXPECT_EQ(Counters(), kDown + "0 " + kUp + "0");
}

TEST_F(MacroPageWindowTest, ModifyDelayFromTheContextMenu) {
    ASSERT_TRUE(StartOnMacroPage({FiveLineMacro("M")}));
    RightClickLine(3, app::MenuCommand::ModifyDelay);  // "Modify Delay" on "    40ms"
    ASSERT_NE(page().stepList()->editor(), nullptr) << "the delay line is edited in place";
    EXPECT_EQ(menuTitle_, "Menu_Macro");
    EXPECT_EQ(chosenText_, "Modify Delay");
    page().stepList()->editor()->setText("250");
    // The window's filter takes the key-down of Return; its key-up ends the edit.
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent enter(type, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(page().stepList()->editor(), &enter);
    }
    ProcessEvents();
    EXPECT_EQ(macros_.UserMacro(0).delays[1].Value(), 250);
    EXPECT_EQ(StepLines()[3], "    250ms");
    EXPECT_EQ(SavedMacro(0).delays[1].Value(), 40) << "only Apply saves";
}

TEST_F(MacroPageWindowTest, InsertAndDeleteFromTheMenuOfEitherEdition) {
    struct Case {
        int languageFlag;
        const char* title;
        const char* pressText;
        const char* deleteText;
    };
    const Case cases[] = {{1, "Menu_Macro", "Down ", "Delete"},
                          {0, "Macro", "Pulsación", "Eliminar"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.languageFlag);
        window_.reset();
        macros_.ReplaceUserMacros({});
        ASSERT_TRUE(StartOnMacroPage({FiveLineMacro("M")}, c.languageFlag));

        RightClickLine(2, app::MenuCommand::InsertLeftPressBefore);  // before [↑]A
        EXPECT_EQ(menuTitle_, c.title);
        EXPECT_EQ(chosenText_, c.pressText);
        EXPECT_EQ(StepLines(),
                  (std::vector<std::string>{kDown + "A", "    50ms", kDown + "L-KEY", "    30ms",
                                            kUp + "A", "    40ms", kDown + "L-KEY"}));
        RightClickLine(0, app::MenuCommand::InsertMiddleReleaseAfter);  // after [↓]A
        EXPECT_EQ(StepLines()[2], kUp + "M-KEY");
        EXPECT_EQ(macros_.UserMacro(0).stepCount, 5);

        RightClickLine(3, app::MenuCommand::DeleteStep);  // a delay line deletes the step before it
        EXPECT_EQ(chosenText_, c.deleteText);
        EXPECT_EQ(macros_.UserMacro(0).stepCount, 4);
        EXPECT_EQ(StepLines()[2], kDown + "L-KEY");
    }
}

// Line 0 is highlighted (selected, not only framed) whenever the page makes it the selected
// line: after an insert into an empty list and after line 0 is deleted.
TEST_F(MacroPageWindowTest, LineZeroIsHighlightedAfterAnInsertIntoAnEmptyListOrItsDelete) {
    struct Case {
        const char* what;
        MacroRecord macro;
        app::MenuCommand command;
        std::string firstLine;
    } const cases[] = {
        {"insert before into an empty list", MakeMacro("M"),
         app::MenuCommand::InsertLeftPressBefore, kDown + "L-KEY"},
        {"insert after into an empty list", MakeMacro("M"),
         app::MenuCommand::InsertMiddleReleaseAfter, kUp + "M-KEY"},
        {"delete of line 0", FiveLineMacro("M"), app::MenuCommand::DeleteStep, kUp + "A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        window_.reset();
        macros_.ReplaceUserMacros({});
        ASSERT_TRUE(StartOnMacroPage({MakeMacro("Other", {{5, 1}}), c.macro}));
        QListWidget& list = *page().stepList();
        ClickRow(*page().macroList(), 1);
        if (list.count() > 0) {
            ClickRow(list, 2);  // another line was the current one
        }
        RightClickLine(0, c.command);
        ASSERT_FALSE(StepLines().empty());
        EXPECT_EQ(StepLines()[0], c.firstLine);
        EXPECT_EQ(list.currentRow(), 0);
        EXPECT_TRUE(list.item(0)->isSelected()) << "line 0 has the focus frame only";
        EXPECT_EQ(list.selectedItems().size(), 1);
    }
}

TEST_F(MacroPageWindowTest, MenuOnlyOverLinesAndNotWhileRecording) {
    ASSERT_TRUE(StartOnMacroPage({MakeMacro("M", {{4, 1}})}));
    bool opened = false;
    RightClickLine(0, std::nullopt, &opened);
    EXPECT_TRUE(opened);
    RightClickLine(3, std::nullopt, &opened);  // below the only line
    EXPECT_FALSE(opened);
    ClickAdvanced(buttons::kRecord);
    ASSERT_TRUE(window().IsRecording());
    RightClickLine(0, std::nullopt, &opened);
    EXPECT_FALSE(opened);
    ClickAdvanced(buttons::kRecord);
}

TEST_F(MacroPageWindowTest, InsertIntoAFullMacroOverflows) {
    std::vector<MacroStep> steps(254, MacroStep{4, 1});
    ASSERT_TRUE(StartOnMacroPage({MakeMacro("Full", steps)}));
    RightClickLine(0, app::MenuCommand::InsertLeftPressAfter);
    ASSERT_EQ(messages_.messages.size(), 1u);
    EXPECT_EQ(messages_.messages[0], "Overflow !!!");
    EXPECT_EQ(macros_.UserMacro(0).stepCount, 254);
}

TEST_F(MacroPageWindowTest, AddDeleteAndApplyFromTheSkinnedButtons) {
    ASSERT_TRUE(StartOnMacroPage({MakeMacro("One"), MakeMacro("Two"), MakeMacro("Three")}));

    // Add with a name that exists selects that macro and adds nothing.
    page().nameEdit()->setText("One");
    ClickAdvanced(buttons::kAddMacro);
    EXPECT_EQ(macros_.UserCount(), 3);
    EXPECT_EQ(page().macroList()->currentRow(), 0);

    page().nameEdit()->setText("Four");
    ClickAdvanced(buttons::kAddMacro);
    EXPECT_EQ(Lines(*page().macroList()),
              (std::vector<std::string>{"One", "Two", "Three", "Four"}));
    EXPECT_EQ(macros_.CurrentMacro(), 3);

    // Delete of the middle macro selects the one before it.
    page().macroList()->setCurrentRow(1);
    ProcessEvents();
    ClickAdvanced(buttons::kDeleteMacro);
    EXPECT_EQ(Lines(*page().macroList()), (std::vector<std::string>{"One", "Three", "Four"}));
    EXPECT_EQ(page().macroList()->currentRow(), 0);
    EXPECT_EQ(page().nameEdit()->text(), "One");
    EXPECT_EQ(SavedMacro(1).name, MakeMacro("Two").name) << "nothing saved before Apply";

    // Apply clamps the count and saves; the repeat switch shows the stored count.
    struct Case {
        const char* typed;
        const char* shown;
        int stored;
    };
    const Case cases[] = {{"0", "1", 1}, {"70000", "65535", 65535}, {" 12x", " 12x", 12}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        ClickAdvanced(buttons::kRepeatSwitch);
        if (!page().repeatEdit()->isEnabled()) {
            ClickAdvanced(buttons::kRepeatSwitch);
        }
        ASSERT_TRUE(page().repeatEdit()->isEnabled());
        page().repeatEdit()->setText(c.typed);
        ClickAdvanced(buttons::kApplyRepeatCount);
        EXPECT_EQ(page().repeatEdit()->text().toStdString(), c.shown);
        EXPECT_EQ(macros_.UserMacro(0).repeatCount.Value(), c.stored);
        EXPECT_EQ(SavedMacro(0).repeatCount.Value(), c.stored);
    }
    macro::MacroStore saved;
    platform::RecordingMessageSink quiet;
    ASSERT_TRUE(macro::LoadUserMacros(saved, ExeDir() + "/Macro_EN.dat", quiet));
    EXPECT_EQ(saved.UserCount(), 3);
}

TEST_F(MacroPageWindowTest, RecordingTakesTheWindowsKeysWithTheirPauses) {
    ASSERT_TRUE(StartOnMacroPage({FiveLineMacro("Rec")}));
    recordClock_.now = 500;
    ClickAdvanced(buttons::kRecord);
    ASSERT_TRUE(window().IsRecording());
    EXPECT_EQ(QWidget::keyboardGrabber(), &window());
    EXPECT_TRUE(StepLines().empty());
    EXPECT_EQ(layout().advancedButtons[buttons::kRecord].caption, "Stop");

    SendKey(QEvent::KeyRelease, Qt::Key_B);  // B was held before Record: no step
    recordClock_.now = 1000;
    SendKey(QEvent::KeyPress, Qt::Key_A);
    for (int i = 0; i < 4; ++i) {  // auto-repeat while A is held
        SendKey(QEvent::KeyRelease, Qt::Key_A, true);
        SendKey(QEvent::KeyPress, Qt::Key_A, true);
    }
    recordClock_.now = 1080;
    SendKey(QEvent::KeyRelease, Qt::Key_A);
    recordClock_.now = 1200;
    SendKey(QEvent::KeyPress, Qt::Key_B);
    recordClock_.now = 1260;
    SendKey(QEvent::KeyRelease, Qt::Key_B);
    EXPECT_EQ(StepLines(),
              (std::vector<std::string>{kDown + "A", "    80ms", kUp + "A", "    120ms",
                                        kDown + "B", "    60ms", kUp + "B"}));
    EXPECT_EQ(page().stepList()->currentRow(), 6);
    EXPECT_EQ(Counters(), kDown + "2 " + kUp + "2");

    ClickAdvanced(buttons::kRecord);
    EXPECT_FALSE(window().IsRecording());
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
    const MacroRecord& m = macros_.UserMacro(0);
    ASSERT_EQ(m.stepCount, 4);
    const std::uint16_t delays[] = {80, 120, 60, 30};
    const MacroStep steps[] = {{4, 1}, {4, 2}, {5, 1}, {5, 2}};
    for (std::size_t k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(m.steps[k].code, steps[k].code);
        EXPECT_EQ(m.steps[k].action, steps[k].action);
        EXPECT_EQ(m.delays[k].Value(), delays[k]);
    }
    EXPECT_EQ(macro::NameText(m), "Rec");
    EXPECT_EQ(SavedMacro(0).stepCount, 3) << "recording saves nothing";
    ClickAdvanced(buttons::kApplyRepeatCount);
    EXPECT_EQ(SavedMacro(0).stepCount, 4);
}

TEST_F(MacroPageWindowTest, RecordingStopsTakingPressesAtItsLimitAndOutlivesThePage) {
    ASSERT_TRUE(StartOnMacroPage({MakeMacro("Long")}));
    ClickAdvanced(buttons::kRecord);
    for (int i = 0; i < 108; ++i) {
        PressAndRelease(i % 2 == 0 ? Qt::Key_A : Qt::Key_B);
    }
    EXPECT_EQ(pageState().downCount, 108);
    SendKey(QEvent::KeyPress, Qt::Key_C);  // the 109th press
    EXPECT_EQ(pageState().downCount, 108);
    EXPECT_EQ(Counters(), kDown + "108 " + kUp + "108");

    // Leaving the page leaves the recording running; it keeps the keyboard.
    Click(MainButton(buttons::kMainPageButton));
    ProcessEvents();
    EXPECT_EQ(window().macroControls(), nullptr);
    EXPECT_TRUE(window().IsRecording());
    EXPECT_EQ(QWidget::keyboardGrabber(), &window());
    Click(MainButton(buttons::kAdvancedPageButton));
    ProcessEvents();
    ClickAdvanced(buttons::kRecord);
    EXPECT_EQ(macros_.UserMacro(0).stepCount, 216);
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
}

TEST_F(MacroPageWindowTest, RecordedMacroOnAButtonPlaysThroughTheMouse) {
    WindowSetup setup;
    setup.userMacros = {MakeMacro("Rec")};
    setup.profile["K3"] = "41";  // button 4 plays user macro 0
    ASSERT_TRUE(Start(setup));
    Click(MainButton(buttons::kAdvancedPageButton));
    ProcessEvents();
    ClickAdvanced(buttons::kRecord);
    recordClock_.now = 1000;
    SendKey(QEvent::KeyPress, Qt::Key_A);
    recordClock_.now = 1020;
    SendKey(QEvent::KeyRelease, Qt::Key_A);
    ClickAdvanced(buttons::kRecord);
    ClickAdvanced(buttons::kApplyRepeatCount);
    ASSERT_EQ(SavedMacro(0).stepCount, 2);

    const auto writer = ClickMouseButton(4);
    ASSERT_NE(writer, nullptr);
    // The key of A (usage 4) goes down, then every key is up again.
    const Bytes down{0x07, 0x15, 0x04, 0, 0, 0, 0, 0};
    const Bytes up{0x07, 0x15, 0x00, 0, 0, 0, 0, 0};
    std::vector<Bytes> keyReports;
    for (int i = 0; i < 200 && keyReports.size() < 2; ++i) {
        keyReports.clear();
        for (const Bytes& report : writer->SentReports()) {
            if (report.size() >= 2 && report[1] == 0x15) {
                keyReports.push_back(report);
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_GE(keyReports.size(), 2u);
    EXPECT_EQ(keyReports[0], down);
    EXPECT_EQ(keyReports[1], up);
    window().ShutdownLink();
}

// A click on a macro selects it for everything that follows: the name box, the step list, its
// menu, Delete and Record all act on the clicked macro.
TEST_F(MacroPageWindowTest, ClickingAMacroSelectsItForTheActionsThatFollow) {
    ASSERT_TRUE(StartOnMacroPage(
        {FiveLineMacro("One"), MakeMacro("Two", {{5, 1}, {5, 2}}), MakeMacro("Three")}));
    QListWidget& list = *page().macroList();
    ClickRow(list, 0);
    EXPECT_EQ(page().nameEdit()->text(), "One");
    EXPECT_EQ(StepLines().size(), 5u);
    EXPECT_EQ(macros_.CurrentMacro(), 0);

    ClickRow(list, 1);
    EXPECT_EQ(list.currentRow(), 1);
    EXPECT_EQ(page().nameEdit()->text(), "Two");
    EXPECT_EQ(StepLines(), (std::vector<std::string>{kDown + "B", "    30ms", kUp + "B"}));
    EXPECT_EQ(Counters(), kDown + "1 " + kUp + "1");

    // The step menu works on the clicked macro.
    bool opened = false;
    RightClickLine(0, app::MenuCommand::DeleteStep, &opened);  // "Delete" on [↓]B
    EXPECT_TRUE(opened);
    EXPECT_EQ(macros_.UserMacro(1).stepCount, 1);
    EXPECT_EQ(macros_.UserMacro(0).stepCount, 3) << "the first macro is left alone";

    // Delete removes the clicked macro.
    ClickRow(list, 2);
    EXPECT_EQ(page().nameEdit()->text(), "Three");
    ClickAdvanced(buttons::kDeleteMacro);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"One", "Two"}));

    // Record writes into the clicked macro, and Apply saves it there.
    ClickRow(list, 1);
    ClickAdvanced(buttons::kRecord);
    ASSERT_TRUE(window().IsRecording());
    PressAndRelease(Qt::Key_C);
    ClickAdvanced(buttons::kRecord);
    ClickAdvanced(buttons::kApplyRepeatCount);
    EXPECT_EQ(macros_.UserMacro(1).stepCount, 2);
    EXPECT_EQ(macros_.UserMacro(1).steps[0].code, 6) << "C";
    EXPECT_EQ(macros_.UserMacro(0).stepCount, 3);
    EXPECT_EQ(SavedMacro(1).stepCount, 2);
    EXPECT_EQ(SavedMacro(0).stepCount, 3);

    // The arrow keys select as well.
    QTest::keyClick(&list, Qt::Key_Up);
    ProcessEvents();
    EXPECT_EQ(page().nameEdit()->text(), "One");
    EXPECT_EQ(StepLines().size(), 5u);
}

// While recording, a key reaches the recorder and nothing else: no window menu, no control.
// After Stop both work again.
TEST_F(MacroPageWindowTest, WhileRecordingKeysGoToTheRecorderAlone) {
    ASSERT_TRUE(StartOnMacroPage({MakeMacro("Rec")}));
    page().nameEdit()->setFocus();
    EXPECT_TRUE(WindowMenuOpensOnAltSpace());

    ClickAdvanced(buttons::kRecord);
    ASSERT_TRUE(window().IsRecording());
    page().nameEdit()->setFocus();
    EXPECT_FALSE(WindowMenuOpensOnAltSpace());
    // Typed straight at the name box, as a key would arrive without the grab.
    QTest::keyClick(page().nameEdit(), Qt::Key_X);
    EXPECT_EQ(page().nameEdit()->text(), "Rec") << "the name box took no key";
    Type(Qt::Key_Escape);
    EXPECT_TRUE(window().IsRecording());
    EXPECT_GE(pageState().downCount, 3) << "Alt, Space, X and Escape are recorded";
    ClickAdvanced(buttons::kRecord);
    ASSERT_FALSE(window().IsRecording());

    page().nameEdit()->setFocus();
    EXPECT_TRUE(WindowMenuOpensOnAltSpace());
    QTest::keyClick(page().nameEdit(), Qt::Key_X);
    EXPECT_EQ(page().nameEdit()->text(), "Recx");
}

// A click on the skin that is no control (the caption "Slow") leaves the keys with the macro
// name being typed; a click on a control (Add) takes them.
TEST_F(MacroPageWindowTest, AClickOnACaptionLeavesTheKeysWithTheMacroName) {
    ASSERT_TRUE(StartOnMacroPage({}));
    window().activateWindow();
    ProcessEvents();
    const auto click = [this](QPoint p) {
        QTest::mouseClick(&window(), Qt::LeftButton, Qt::NoModifier, p);
        ProcessEvents();
    };
    const auto type = [](const char* text) {
        QTest::keyClicks(QApplication::focusWidget(), QString::fromLatin1(text));
        ProcessEvents();
    };
    QTest::mouseClick(page().nameEdit(), Qt::LeftButton, Qt::NoModifier,
                      page().nameEdit()->rect().center());
    ProcessEvents();
    ASSERT_EQ(QApplication::focusWidget(), page().nameEdit());
    type("Ab");
    click(AdvancedButton(28));  // "Slow", a caption with no action
    EXPECT_EQ(QApplication::focusWidget(), page().nameEdit());
    type("cd");
    click(AdvancedButton(buttons::kAddMacro));
    EXPECT_NE(QApplication::focusWidget(), page().nameEdit()) << "Add took the keyboard";
    click(AdvancedButton(buttons::kApplyRepeatCount));  // Set
    ASSERT_EQ(macros_.UserCount(), 1);
    EXPECT_EQ(macro::NameText(macros_.UserMacro(0)), "Abcd");
    EXPECT_EQ(macro::NameText(SavedMacro(0)), "Abcd");
}

// An open delay edit ends only when it loses the focus: a click on a caption leaves it open with
// what was typed, a click on a control ends it, keeping the text.
TEST_F(MacroPageWindowTest, AnOpenDelayEditEndsOnlyWhenItLosesTheFocus) {
    ASSERT_TRUE(StartOnMacroPage({FiveLineMacro("M")}));
    window().activateWindow();
    ProcessEvents();
    const auto click = [this](QPoint p) {
        QTest::mouseClick(&window(), Qt::LeftButton, Qt::NoModifier, p);
        ProcessEvents();
    };
    RightClickLine(3, app::MenuCommand::ModifyDelay);  // "    40ms"
    window().activateWindow();  // the window is active again once the menu has gone
    ProcessEvents();
    QPointer<QLineEdit> editor = page().stepList()->editor();
    ASSERT_FALSE(editor.isNull());
    ASSERT_EQ(QApplication::focusWidget(), editor.data());
    QTest::keyClicks(editor.data(), "25");
    click(AdvancedButton(28));  // "Slow"
    ASSERT_FALSE(editor.isNull()) << "a click on a caption ended the edit";
    EXPECT_EQ(page().stepList()->editor(), editor.data());
    EXPECT_EQ(QApplication::focusWidget(), editor.data());
    QTest::keyClicks(QApplication::focusWidget(), "0");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ProcessEvents();
    EXPECT_EQ(page().stepList()->editor(), nullptr);
    EXPECT_EQ(macros_.UserMacro(0).delays[1].Value(), 250);

    RightClickLine(3, app::MenuCommand::ModifyDelay);
    window().activateWindow();
    ProcessEvents();
    ASSERT_NE(page().stepList()->editor(), nullptr);
    ASSERT_EQ(QApplication::focusWidget(), page().stepList()->editor());
    QTest::keyClicks(page().stepList()->editor(), "75");
    click(AdvancedButton(buttons::kFirstPointerSpeed + 2));  // a control takes the focus
    EXPECT_EQ(page().stepList()->editor(), nullptr);
    EXPECT_EQ(macros_.UserMacro(0).delays[1].Value(), 75);
    EXPECT_EQ(profile_.DPI_SPEED.load(), 2) << "and the click did what it does";
}

// The macro controls take the font of the edition as soon as it is switched.
TEST_F(MacroPageWindowTest, AnEditionSwitchChangesTheControlsFontAtOnce) {
    ASSERT_TRUE(StartOnMacroPage({MakeMacro("One")}, 1));
    const QFont english = window().fonts().fontEN;
    const QFont spanish = window().fonts().fontCN;
    ASSERT_NE(english, spanish) << "the two editions' fonts must differ for this test";
    auto controlFonts = [this] {
        return std::vector<QFont>{page().macroList()->font(), page().stepList()->font(),
                                  page().nameEdit()->font(), page().repeatEdit()->font()};
    };
    EXPECT_EQ(controlFonts(), std::vector<QFont>(4, english));
    Click(MainButton(buttons::kEditionCN));
    ProcessEvents();
    ASSERT_EQ(state().languageFlag, 0);
    ASSERT_NE(window().macroControls(), nullptr);
    EXPECT_EQ(controlFonts(), std::vector<QFont>(4, spanish));
    Click(MainButton(buttons::kEditionEN));
    ProcessEvents();
    EXPECT_EQ(controlFonts(), std::vector<QFont>(4, english));
}

// Assistive technology names the lists and edits by the captions the page shows beside them, in
// the edition shown.
TEST_F(MacroPageWindowTest, ControlsAreNamedByTheirCaptionsInTheEditionShown) {
    const auto captions = [](const std::string& word) {
        std::map<std::string, std::string> layout;
        const std::pair<int, const char*> entries[] = {
            {38, "Macros"}, {39, "Steps"}, {45, "Name"}, {46, "Count"}};
        for (const auto& [key, caption] : entries) {
            layout["advance/BUTTONPOS/" + std::to_string(key)] =
                "b,0,0,10,10," + word + " " + caption + ",";
        }
        return layout;
    };
    WindowSetup setup;
    setup.layoutOverrides = captions("en");
    ASSERT_TRUE(Start(setup));
    Click(MainButton(buttons::kAdvancedPageButton));
    ProcessEvents();
    ASSERT_NE(window().macroControls(), nullptr);
    const auto names = [this] {
        std::vector<QString> found;
        for (QWidget* control : std::initializer_list<QWidget*>{
                 page().macroList(), page().stepList(), page().nameEdit(), page().repeatEdit()}) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(control);
            found.push_back(iface != nullptr ? iface->text(QAccessible::Name) : QString());
        }
        return found;
    };
    EXPECT_EQ(names(), (std::vector<QString>{"en Macros", "en Steps", "en Name", "en Count"}));

    // The other edition's layout has its own captions; the switch renames the controls.
    WriteSyntheticSkin(ExeDir() + "/skins", captions("es"));
    Click(MainButton(buttons::kEditionCN));
    ProcessEvents();
    ASSERT_EQ(state().languageFlag, 0);
    ASSERT_NE(window().macroControls(), nullptr);
    EXPECT_EQ(names(), (std::vector<QString>{"es Macros", "es Steps", "es Name", "es Count"}));

    // Made again on entering the page, they are named at once.
    Click(MainButton(buttons::kColorPageButton));
    Click(MainButton(buttons::kAdvancedPageButton));
    ProcessEvents();
    ASSERT_NE(window().macroControls(), nullptr);
    EXPECT_EQ(names(), (std::vector<QString>{"es Macros", "es Steps", "es Name", "es Count"}));
}

}  // namespace
}  // namespace zel::test
