#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <filesystem>
#include <memory>
#include <optional>

#include "macro/macro_files.h"
#include "macro/macro_name.h"
#include "macro/ui/editable_list_box.h"
#include "macro/ui/key_event_vk.h"
#include "macro/ui/macro_page.h"
#include "macro/ui/recording_capture.h"
#include "tests/support/fake_record_clock.h"
#include "tests/support/macro_page_fixtures.h"

namespace zel::macro::ui {
namespace {

void EnsureApplication() {
    if (QApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "macro_tests";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);  // lives for the whole test program
    }
}

using FakeClock = test::FakeRecordClock;
using test::Lines;
using test::MakeMacro;

const std::string kDown(kPressMark);
const std::string kUp(kReleaseMark);
constexpr StepCommand kModifyDelay{StepCommandKind::ModifyDelay};
constexpr StepCommand kDeleteStep{StepCommandKind::DeleteStep};
constexpr StepCommand kInsertLeftPressAfter{StepCommandKind::InsertAfter, 240, 1};

MacroRecord FiveLineMacro(const std::string& name) {
    return MakeMacro(name, {{4, 1}, {4, 2}, {240, 1}}, {0, 120, 30});
}

const MacroControlRects kRects{
    {10, 10, 60, 20}, {80, 10, 120, 20}, {10, 40, 190, 150}, {210, 40, 190, 300}};

// A key event as X11 delivers it: the X key code as native scan code.
void SendKey(RecordingCapture& capture, QEvent::Type type, std::uint32_t xKeycode,
             bool autoRepeat = false) {
    QKeyEvent event(type, 0, Qt::NoModifier, xKeycode, 0, 0, QString(), autoRepeat);
    capture.TakeKeyEvent(event);
}

// A key event as the X server sends it: the X key code and the server's time stamp.
void SendTimedKey(RecordingCapture& capture, QEvent::Type type, std::uint32_t xKeycode,
                  std::uint64_t serverTime) {
    QKeyEvent event(type, 0, Qt::NoModifier, xKeycode, 0, 0);
    event.setTimestamp(serverTime);
    capture.TakeKeyEvent(event);
}

class MacroPageUiTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        dir_ = std::filesystem::temp_directory_path() /
               (std::string("macro_page_ui_") +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        model_ =
            std::make_unique<MacroPageModel>(store_, sink_, dir_ / "Macro_EN.dat", 1, "ZEL_GMouse");
        recorder_ = std::make_unique<Recorder>(*model_, clock_);
        window_.resize(420, 360);
        window_.show();
        capture_ = std::make_unique<RecordingCapture>(*recorder_, window_, KeySource::X11Keycode);
    }
    void TearDown() override {
        page_.reset();
        capture_.reset();
        std::filesystem::remove_all(dir_);
    }

    // Enters the page with these macros.
    void Open(const std::vector<MacroRecord>& records) {
        store_.ReplaceUserMacros(records);
        model_->InitStepSelection();
        page_ = std::make_unique<MacroPageControls>(
            window_, kRects, *model_, *capture_,
            [this](QWidget&, const QPoint&) {
                ++menusShown_;
                return menuChoice_;
            },
            [this] { ++repaints_; });
        page_->RefreshMacroList();
    }

    QPoint LineCentre(int line) const {
        EditableListBox& list = *page_->stepList();
        return list.viewport()->mapToGlobal(list.visualItemRect(list.item(line)).center());
    }
    void RightClick(int line, StepCommand choice) {
        menuChoice_ = choice;
        page_->OpenStepMenu(LineCentre(line));
    }

    QWidget& Window() {
        EnsureApplication();
        windowOwner_ = std::make_unique<QWidget>();
        return *windowOwner_;
    }

    std::filesystem::path dir_;
    MacroStore store_;
    platform::RecordingMessageSink sink_;
    FakeClock clock_;
    std::unique_ptr<MacroPageModel> model_;
    std::unique_ptr<Recorder> recorder_;
    std::unique_ptr<QWidget> windowOwner_;
    QWidget& window_ = Window();
    std::unique_ptr<RecordingCapture> capture_;
    std::unique_ptr<MacroPageControls> page_;
    std::optional<StepCommand> menuChoice_;
    int menusShown_ = 0;
    int repaints_ = 0;
};

TEST_F(MacroPageUiTest, FourControlsWithIdsRectanglesAndColours) {
    Open({FiveLineMacro("M")});
    struct Expected {
        QWidget* control;
        int id;
        QRect rect;
    } const controls[] = {
        {page_->repeatEdit(), kRepeatEditId, kRects.repeatEdit},
        {page_->nameEdit(), kNameEditId, kRects.nameEdit},
        {page_->macroList(), kMacroListId, kRects.macroList},
        {page_->stepList(), kStepListId, kRects.stepList},
    };
    for (const Expected& e : controls) {
        ASSERT_NE(e.control, nullptr);
        EXPECT_EQ(e.control->parentWidget(), &window_);
        EXPECT_EQ(e.control->property("controlId").toInt(), e.id);
        EXPECT_EQ(e.control->geometry(), e.rect);
        EXPECT_TRUE(e.control->isVisible());
        EXPECT_EQ(e.control->palette().color(QPalette::Base), QColor(Qt::black));
        EXPECT_EQ(e.control->palette().color(QPalette::Text), QColor(Qt::white));
    }
    EXPECT_EQ(page_->repeatEdit()->alignment(), Qt::AlignCenter);
    // Creation order: repeat edit, name edit, macro list, step list.
    const QObjectList children = window_.children();
    EXPECT_LT(children.indexOf(page_->repeatEdit()), children.indexOf(page_->nameEdit()));
    EXPECT_LT(children.indexOf(page_->nameEdit()), children.indexOf(page_->macroList()));
    EXPECT_LT(children.indexOf(page_->macroList()), children.indexOf(page_->stepList()));

    page_.reset();
    EXPECT_TRUE(window_.findChildren<QWidget*>().isEmpty());
}

TEST_F(MacroPageUiTest, ShowsTheFiveLineMacroAndRepaintsForItsCounters) {
    Open({MakeMacro("other", {}, {}), FiveLineMacro("M")});
    EXPECT_EQ(Lines(*page_->stepList()),
              (std::vector<std::string>{kDown + "A", "    0ms", kUp + "A", "    120ms",
                                        kDown + "L-KEY"}));
    EXPECT_EQ(Lines(*page_->macroList()), (std::vector<std::string>{"other", "M"}));
    EXPECT_EQ(page_->macroList()->currentRow(), 1);
    EXPECT_EQ(page_->nameEdit()->text(), "M");
    EXPECT_EQ(page_->repeatEdit()->text(), "1");
    EXPECT_FALSE(page_->repeatEdit()->isEnabled());
    EXPECT_EQ(model_->state.downCount, 2);
    EXPECT_EQ(model_->state.upCount, 1);
    EXPECT_GE(repaints_, 1);
    EXPECT_EQ(page_->stepList()->currentRow(), 4);  // the last step line at start

    // Clicking the other macro shows its (empty) step list.
    page_->macroList()->setCurrentRow(0);
    EXPECT_EQ(page_->stepList()->count(), 0);
    EXPECT_EQ(page_->nameEdit()->text(), "other");
    EXPECT_EQ(store_.CurrentMacro(), 0);
}

TEST_F(MacroPageUiTest, ModifyDelayOnLineThreeTyping250AndReturn) {
    Open({FiveLineMacro("M")});
    RightClick(3, kModifyDelay);
    EXPECT_EQ(menusShown_, 1);
    DelayLineEditor* editor = page_->stepList()->editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "    120ms");
    EXPECT_EQ(editor->selectedText(), "    120ms");
    EXPECT_EQ(page_->stepList()->editIndex(), 3);
    editor->setText("250");
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(editor, &release);
    EXPECT_EQ(page_->stepList()->editor(), nullptr);
    EXPECT_EQ(store_.UserMacro(0).delays[1].Value(), 250);
    EXPECT_EQ(page_->stepList()->item(3)->text(), "    250ms");
}

TEST_F(MacroPageUiTest, DelayEditEndings) {
    struct Case {
        const char* what;
        std::function<void(DelayLineEditor&)> end;
        std::uint16_t stored;
    } const cases[] = {
        {"Escape discards",
         [](DelayLineEditor& e) {
             QKeyEvent release(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
             QApplication::sendEvent(&e, &release);
         },
         120},
        {"focus loss keeps",
         [](DelayLineEditor& e) {
             QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
             QApplication::sendEvent(&e, &out);
         },
         77},
        {"keypad Enter keeps",
         [](DelayLineEditor& e) {
             QKeyEvent release(QEvent::KeyRelease, Qt::Key_Enter, Qt::KeypadModifier);
             QApplication::sendEvent(&e, &release);
         },
         77},
        {"another key does not end it",
         [](DelayLineEditor& e) {
             QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier);
             QApplication::sendEvent(&e, &release);
         },
         120},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Open({FiveLineMacro("M")});
        RightClick(3, kModifyDelay);
        DelayLineEditor* editor = page_->stepList()->editor();
        ASSERT_NE(editor, nullptr);
        editor->setText("77ms");
        c.end(*editor);
        EXPECT_EQ(store_.UserMacro(0).delays[1].Value(), c.stored);
        page_.reset();
    }
}

TEST_F(MacroPageUiTest, MenuKeyAndShiftF10OpenTheMenuAtTheSelectedLineAndTheEditReturnsTheKeys) {
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    struct Case {
        const char* what;
        Qt::Key menuKey;
        Qt::KeyboardModifiers modifiers;
        Qt::Key endKey;
        std::uint16_t stored;
    } const cases[] = {
        {"Menu key, Return keeps", Qt::Key_Menu, Qt::NoModifier, Qt::Key_Return, 250},
        {"Shift+F10, Escape discards", Qt::Key_F10, Qt::ShiftModifier, Qt::Key_Escape, 120},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        page_.reset();
        Open({FiveLineMacro("M")});
        EditableListBox& list = *page_->stepList();
        list.setFocus(Qt::TabFocusReason);
        QTest::keyClick(&list, Qt::Key_Home);
        QTest::keyClick(&list, Qt::Key_Down);
        QTest::keyClick(&list, Qt::Key_Down);
        QTest::keyClick(&list, Qt::Key_Down);  // line 3, the 120 ms pause
        menuChoice_ = kModifyDelay;
        const int shown = menusShown_;
        QTest::keyClick(&list, c.menuKey, c.modifiers);
        EXPECT_EQ(menusShown_, shown + 1);
        DelayLineEditor* editor = list.editor();
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(list.editIndex(), 3);
        EXPECT_TRUE(editor->hasFocus());
        QTest::keyClicks(editor, "250");
        QTest::keyClick(editor, c.endKey);
        EXPECT_EQ(list.editor(), nullptr);
        EXPECT_EQ(store_.UserMacro(0).delays[1].Value(), c.stored);
        EXPECT_EQ(list.currentRow(), 3);
        EXPECT_TRUE(list.hasFocus()) << "the keys went to " << QApplication::focusWidget();
    }
}

TEST_F(MacroPageUiTest, ModifyDelayOnAStepLineOpensNoEditor) {
    Open({FiveLineMacro("M")});
    RightClick(2, kModifyDelay);
    EXPECT_EQ(page_->stepList()->editor(), nullptr);
    // Ctrl+A typed in the list edits the selected line, but a step line stores nothing.
    page_->stepList()->setCurrentRow(2);
    QKeyEvent ctrlA(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier, QString(QChar(1)));
    QApplication::sendEvent(page_->stepList(), &ctrlA);
    ASSERT_NE(page_->stepList()->editor(), nullptr);
    page_->stepList()->editor()->setText("5");
    page_->stepList()->EndEdit(true);
    EXPECT_EQ(store_.UserMacro(0).delays[0].Value(), 0);
    EXPECT_EQ(store_.UserMacro(0).delays[1].Value(), 120);
    EXPECT_EQ(page_->stepList()->item(2)->text().toStdString(), kUp + "A");
}

TEST_F(MacroPageUiTest, InsertBeforeAndAfterAndDeleteFromTheMenu) {
    Open({MakeMacro("M", {{4, 1}, {5, 1}, {6, 1}}, {10, 20, 40})});
    RightClick(2, {StepCommandKind::InsertBefore, 240, 1});  // before step 1: left button press
    EXPECT_EQ(store_.UserMacro(0).stepCount, 4);
    EXPECT_EQ(store_.UserMacro(0).steps[1].code, 240);
    EXPECT_EQ(store_.UserMacro(0).delays[1].Value(), 30);
    EXPECT_EQ(page_->stepList()->item(2)->text().toStdString(), kDown + "L-KEY");
    EXPECT_EQ(page_->stepList()->currentRow(), 4);

    RightClick(6, {StepCommandKind::InsertAfter, 242, 2});  // after the last step: middle release
    EXPECT_EQ(store_.UserMacro(0).stepCount, 5);
    EXPECT_EQ(store_.UserMacro(0).steps[4].code, 242);
    EXPECT_EQ(store_.UserMacro(0).steps[4].action, 2);

    RightClick(3, kDeleteStep);  // Delete on a delay line: the step above it
    EXPECT_EQ(store_.UserMacro(0).stepCount, 4);
    EXPECT_EQ(store_.UserMacro(0).steps[1].code, 5);
    EXPECT_EQ(page_->stepList()->count(), 7);
    EXPECT_TRUE(sink_.messages.empty());
}

TEST_F(MacroPageUiTest, MenuOnlyOverTheListsLines) {
    Open({FiveLineMacro("M")});
    const QPoint belowLines =
        LineCentre(4) +
        QPoint(0, 3 * page_->stepList()->visualItemRect(page_->stepList()->item(0)).height());
    menuChoice_ = kDeleteStep;
    page_->OpenStepMenu(belowLines);
    page_->OpenStepMenu(page_->stepList()->mapToGlobal(QPoint(-20, 5)));
    EXPECT_EQ(menusShown_, 0);
    EXPECT_EQ(store_.UserMacro(0).stepCount, 3);
}

TEST_F(MacroPageUiTest, OverflowAt254Steps) {
    Open({MakeMacro("M", std::vector<MacroStep>(254, {4, 1}), std::vector<std::uint16_t>(254, 5))});
    // The list starts scrolled to its last step line.
    RightClick(505, kInsertLeftPressAfter);
    EXPECT_EQ(menusShown_, 1);
    EXPECT_EQ(model_->state.menuStep, 252);
    EXPECT_EQ(sink_.messages, std::vector<std::string>{"Overflow !!!"});
    EXPECT_EQ(store_.UserMacro(0).stepCount, 254);
    // Line 0 is out of sight: no menu there.
    RightClick(0, kInsertLeftPressAfter);
    EXPECT_EQ(menusShown_, 1);
    EXPECT_EQ(sink_.messages.size(), 1u);
}

TEST_F(MacroPageUiTest, AddDeleteAndApply) {
    Open({FiveLineMacro("a"), MakeMacro("b", {{5, 1}}, {0}), MakeMacro("c", {}, {})});
    // Add with an existing name selects it without rebuilding the step list or the name box.
    page_->macroList()->setCurrentRow(2);
    page_->nameEdit()->setText("a");
    page_->Add();
    EXPECT_EQ(page_->macroList()->count(), 3);
    EXPECT_EQ(page_->macroList()->currentRow(), 0);
    EXPECT_EQ(page_->stepList()->count(), 0);  // still the list of "c"
    EXPECT_EQ(store_.CurrentMacro(), 0);

    // Delete of the middle macro selects the first and shows its steps.
    page_->macroList()->setCurrentRow(1);
    EXPECT_EQ(page_->stepList()->count(), 1);
    page_->Delete();
    EXPECT_EQ(Lines(*page_->macroList()), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(page_->macroList()->currentRow(), 0);
    EXPECT_EQ(page_->nameEdit()->text(), "a");
    EXPECT_EQ(page_->stepList()->count(), 5);

    // Apply clamps the typed count and saves.
    page_->repeatEdit()->setEnabled(true);
    page_->repeatEdit()->setText("99999");
    page_->Apply();
    EXPECT_EQ(page_->repeatEdit()->text(), "65535");
    MacroStore reloaded;
    ASSERT_TRUE(LoadUserMacros(reloaded, model_->macroFile(), sink_));
    EXPECT_EQ(reloaded.UserCount(), 2);
    EXPECT_EQ(reloaded.UserMacro(0).repeatCount.Value(), 65535);

    page_->ToggleRepeat();
    EXPECT_TRUE(page_->repeatEdit()->isEnabled());
    EXPECT_EQ(page_->repeatEdit()->text(), "65535");
}

TEST_F(MacroPageUiTest, RecordingFromKeyEventsWithAFakeClock) {
    Open({FiveLineMacro("M")});
    page_->ToggleRecording();
    ASSERT_TRUE(capture_->recording());
    EXPECT_EQ(QWidget::keyboardGrabber(), &window_);
    EXPECT_EQ(page_->stepList()->count(), 0);
    EXPECT_FALSE(page_->repeatEdit()->isEnabled());

    constexpr std::uint32_t kXA = 38;
    constexpr std::uint32_t kXB = 56;
    clock_.now = 1000;
    SendKey(*capture_, QEvent::KeyPress, kXA);
    for (int i = 0; i < 5; ++i) {  // auto-repeat while A is held
        SendKey(*capture_, QEvent::KeyRelease, kXA, true);
        SendKey(*capture_, QEvent::KeyPress, kXA, true);
    }
    clock_.now = 1080;
    SendKey(*capture_, QEvent::KeyRelease, kXA);
    clock_.now = 1200;
    SendKey(*capture_, QEvent::KeyPress, kXB);
    clock_.now = 1260;
    SendKey(*capture_, QEvent::KeyRelease, kXB);
    EXPECT_EQ(page_->stepList()->count(), 7);
    EXPECT_EQ(page_->stepList()->currentRow(), 6);

    page_->ToggleRecording();
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
    const MacroRecord& m = store_.UserMacro(0);
    ASSERT_EQ(m.stepCount, 4);
    const std::uint16_t delays[] = {80, 120, 60, 30};
    const MacroStep steps[] = {{4, 1}, {4, 2}, {5, 1}, {5, 2}};
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(m.steps[k].code, steps[k].code);
        EXPECT_EQ(m.steps[k].action, steps[k].action);
        EXPECT_EQ(m.delays[k].Value(), delays[k]) << k;
    }
    EXPECT_EQ(Lines(*page_->stepList())[3], "    120ms");
}

TEST_F(MacroPageUiTest, HeldKeyAsTheXServerRepeatsItRecordsOnePressAndOneRelease) {
    constexpr std::uint32_t kXC = 54;
    constexpr std::uint32_t kXD = 40;
    struct Case {
        const char* name;
        bool pairs;  // release and press with one time stamp; else presses alone (XKB)
    } const cases[] = {{"release/press pairs", true}, {"detectable auto-repeat", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        page_.reset();  // the page is left before it is entered again
        Open({FiveLineMacro("M")});
        page_->ToggleRecording();
        clock_.now = 5000;
        SendTimedKey(*capture_, QEvent::KeyPress, kXC, 90'000);
        // C held 1.5 s: repeats from 660 ms on, every 40 ms.
        for (std::uint64_t t = 90'660; t < 91'500; t += 40) {
            clock_.now = 5000 + static_cast<std::int64_t>(t - 90'000);
            if (c.pairs) {
                SendTimedKey(*capture_, QEvent::KeyRelease, kXC, t);
            }
            SendTimedKey(*capture_, QEvent::KeyPress, kXC, t);
        }
        clock_.now = 6500;
        SendTimedKey(*capture_, QEvent::KeyRelease, kXC, 91'500);
        // The release shows once no press answers it; its pause is measured to its arrival.
        clock_.now = 6900;
        for (int i = 0; i < 100 && page_->stepList()->count() < 3; ++i) {
            QTest::qWait(10);
        }
        EXPECT_EQ(Lines(*page_->stepList()),
                  (std::vector<std::string>{kDown + "C", "    1500ms", kUp + "C"}));
        // D typed twice quickly: the second press has a time stamp of its own, so it is no
        // repeat; Stop records the last release without waiting.
        clock_.now = 7000;
        SendTimedKey(*capture_, QEvent::KeyPress, kXD, 92'000);
        clock_.now = 7050;
        SendTimedKey(*capture_, QEvent::KeyRelease, kXD, 92'050);
        clock_.now = 7070;
        SendTimedKey(*capture_, QEvent::KeyPress, kXD, 92'070);
        clock_.now = 7100;
        SendTimedKey(*capture_, QEvent::KeyRelease, kXD, 92'100);
        clock_.now = 7200;
        page_->ToggleRecording();

        const MacroRecord& m = store_.UserMacro(0);
        ASSERT_EQ(m.stepCount, 6);
        const MacroStep steps[] = {{6, 1}, {6, 2}, {7, 1}, {7, 2}, {7, 1}, {7, 2}};
        const std::uint16_t delays[] = {1500, 500, 50, 20, 30, 30};
        for (std::size_t k = 0; k < 6; ++k) {
            EXPECT_EQ(m.steps[k].code, steps[k].code) << k;
            EXPECT_EQ(m.steps[k].action, steps[k].action) << k;
            EXPECT_EQ(m.delays[k].Value(), delays[k]) << k;
        }
    }
}

TEST_F(MacroPageUiTest, RecordingLimitsAndHeldKeys) {
    Open({FiveLineMacro("M")});
    page_->ToggleRecording();
    SendKey(*capture_, QEvent::KeyRelease, 50);  // Shift held before Record
    EXPECT_EQ(recorder_->recordedCount(), 0);
    for (int i = 0; i < 108; ++i) {
        SendKey(*capture_, QEvent::KeyPress, 38);
        SendKey(*capture_, QEvent::KeyPress, 56);  // held
        SendKey(*capture_, QEvent::KeyRelease, 56);
        if (i == 53) {
            break;  // 54 presses of A and B each: 108 presses
        }
        SendKey(*capture_, QEvent::KeyRelease, 38);
    }
    EXPECT_EQ(model_->state.downCount, 108);
    SendKey(*capture_, QEvent::KeyPress, 54);  // the 109th press
    EXPECT_EQ(model_->state.downCount, 108);
    SendKey(*capture_, QEvent::KeyRelease, 38);  // the held A still releases
    EXPECT_EQ(recorder_->heldCount(), 0);
    page_->ToggleRecording();
    EXPECT_EQ(store_.UserMacro(0).steps[store_.UserMacro(0).stepCount - 1].code, 4);
    EXPECT_EQ(store_.UserMacro(0).steps[store_.UserMacro(0).stepCount - 1].action, 2);
}

TEST_F(MacroPageUiTest, RecordingOutlivesThePageAndTheGrabEndsWithTheCapture) {
    Open({FiveLineMacro("M")});
    page_->ToggleRecording();
    page_.reset();  // leaving the page
    SendKey(*capture_, QEvent::KeyPress, 38);
    EXPECT_EQ(recorder_->recordedCount(), 1);
    EXPECT_EQ(QWidget::keyboardGrabber(), &window_);
    capture_.reset();
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
}

TEST_F(MacroPageUiTest, EscapeHeldOneSecondStopsTheRecordingShortEscapeIsAKey) {
    constexpr std::uint32_t kXEscape = 9;
    constexpr std::uint32_t kXA = 38;
    constexpr std::uint32_t kXSpace = 65;
    // The steps recorded between Record and the end of each case's keys.
    struct Case {
        const char* name;
        bool held;   // Escape still down after the stop time: the recording stops
        bool pairs;  // its auto-repeat as release/press pairs (else presses alone)
        std::vector<std::string> lines;
    } const cases[] = {
        {"short Escape",
         false,
         false,
         {kDown + "A", "    100ms", kUp + "A", "    100ms", kDown + "ESCAPE", "    200ms",
          kUp + "ESCAPE"}},
        {"held, release/press pairs", true, true, {kDown + "A", "    100ms", kUp + "A"}},
        {"held, presses alone", true, false, {kDown + "A", "    100ms", kUp + "A"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        page_.reset();
        Open({FiveLineMacro("M")});
        // Space pressed Record: its release comes while recording and is no step.
        page_->ToggleRecording();
        clock_.now = 1000;
        SendTimedKey(*capture_, QEvent::KeyRelease, kXSpace, 10'000);
        clock_.now = 1100;
        SendTimedKey(*capture_, QEvent::KeyPress, kXA, 10'100);
        clock_.now = 1200;
        SendTimedKey(*capture_, QEvent::KeyRelease, kXA, 10'200);
        clock_.now = 1300;
        SendTimedKey(*capture_, QEvent::KeyPress, kXEscape, 10'300);
        if (c.held) {
            for (std::uint64_t t = 10'960; t < 11'200; t += 40) {
                if (c.pairs) {
                    SendTimedKey(*capture_, QEvent::KeyRelease, kXEscape, t);
                }
                SendTimedKey(*capture_, QEvent::KeyPress, kXEscape, t);
            }
            QTRY_VERIFY_WITH_TIMEOUT(!capture_->recording(), 20'000);
            EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
            // Its release after the stop is nobody's step.
            SendTimedKey(*capture_, QEvent::KeyRelease, kXEscape, 12'000);
        } else {
            clock_.now = 1500;
            SendTimedKey(*capture_, QEvent::KeyRelease, kXEscape, 10'500);
            QTRY_COMPARE_WITH_TIMEOUT(page_->stepList()->count(), 7, 20'000);
            // Past the stop time, the recording goes on.
            QTest::qWait(static_cast<int>(kStopHoldTime.count()) + 200);
            EXPECT_TRUE(capture_->recording());
            page_->ToggleRecording();
        }
        EXPECT_EQ(Lines(*page_->stepList()), c.lines);
    }
}

TEST_F(MacroPageUiTest, KeysOutsideARecordingAreNotTaken) {
    Open({FiveLineMacro("M")});
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, 38, 0, 0);
    EXPECT_EQ(capture_->TakeKeyEvent(press), RecordKeyResult::NotAKey);
}

// Ctrl plus a letter key as X11 delivers it: the key with its control character as the text.
void TypeControlCharacter(QWidget& target, Qt::Key letter) {
    const QChar character(static_cast<char16_t>(letter - Qt::Key_A + 1));
    QKeyEvent press(QEvent::KeyPress, letter, Qt::ControlModifier, QString(character));
    QApplication::sendEvent(&target, &press);
}

TEST(EditableListBox, EditNotifications) {
    EnsureApplication();
    EditableListBox list;
    list.addItems({"one", "two"});
    list.resize(200, 100);
    list.show();
    std::vector<std::pair<int, QString>> changed;
    int ended = 0;
    QObject::connect(&list, &EditableListBox::itemTextChanged,
                     [&](int index, const QString& old) { changed.emplace_back(index, old); });
    QObject::connect(&list, &EditableListBox::editEnded, [&] { ++ended; });

    list.setCurrentRow(1);
    TypeControlCharacter(list, Qt::Key_B);  // any other character starts nothing
    EXPECT_EQ(list.editor(), nullptr);
    TypeControlCharacter(list, Qt::Key_A);
    ASSERT_NE(list.editor(), nullptr);
    list.EndEdit(true);  // unchanged text: no change notification
    EXPECT_TRUE(changed.empty());
    EXPECT_EQ(ended, 1);

    list.EditSelectedLine();
    list.editor()->setText("zwei");
    list.EndEdit(true);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].first, 1);
    EXPECT_EQ(changed[0].second, "two");
    EXPECT_EQ(list.item(1)->text(), "zwei");
    EXPECT_EQ(list.currentRow(), 1);
    EXPECT_EQ(ended, 2);

    list.EndEdit(true);  // no editor: nothing
    EXPECT_EQ(ended, 2);

    list.setCurrentRow(-1);
    list.clearSelection();
    list.EditSelectedLine();  // nothing selected: nothing to edit
    EXPECT_EQ(list.editor(), nullptr);
    TypeControlCharacter(list, Qt::Key_A);
    EXPECT_EQ(list.editor(), nullptr);

    // A resize keeps an open edit.
    list.setCurrentRow(0);
    list.EditSelectedLine();
    list.editor()->setText("eins");
    list.resize(220, 120);
    EXPECT_EQ(list.editor(), nullptr);
    EXPECT_EQ(list.item(0)->text(), "eins");
    EXPECT_EQ(ended, 3);

    // Destroyed with an open editor.
    auto other = std::make_unique<EditableListBox>();
    other->addItem("x");
    other->setCurrentRow(0);
    other->EditSelectedLine();
    ASSERT_NE(other->editor(), nullptr);
    other.reset();
}

TEST(RecordedKeyOf, QtKeysAndX11Codes) {
    EnsureApplication();
    struct Case {
        QEvent::Type type;
        int key;
        Qt::KeyboardModifiers mods;
        std::uint32_t native;
        KeySource source;
        std::optional<RecordedKey> expected;
    } const cases[] = {
        {QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, 0, KeySource::QtKey, RecordedKey{0x100, 65}},
        {QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, 0, KeySource::QtKey,
         RecordedKey{0x101, 65}},
        {QEvent::KeyPress, Qt::Key_Exclam, Qt::ShiftModifier, 0, KeySource::QtKey,
         RecordedKey{0x100, 49}},
        {QEvent::KeyPress, Qt::Key_1, Qt::KeypadModifier, 0, KeySource::QtKey,
         RecordedKey{0x100, 97}},
        {QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier, 0, KeySource::QtKey,
         RecordedKey{0x100, 160}},
        {QEvent::KeyPress, Qt::Key_F4, Qt::AltModifier, 0, KeySource::QtKey,
         RecordedKey{0x104, 115}},
        {QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier, 0, KeySource::QtKey,
         RecordedKey{0x104, 164}},
        {QEvent::KeyPress, Qt::Key_F10, Qt::NoModifier, 0, KeySource::QtKey,
         RecordedKey{0x104, 121}},
        {QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, 0, KeySource::QtKey, std::nullopt},
        // X11 codes tell the sides and the keypad apart.
        {QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier, 62, KeySource::X11Keycode,
         RecordedKey{0x100, 161}},
        {QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier, 105, KeySource::X11Keycode,
         RecordedKey{0x100, 163}},
        {QEvent::KeyPress, Qt::Key_End, Qt::KeypadModifier, 87, KeySource::X11Keycode,
         RecordedKey{0x100, 97}},
        // An unknown X key code falls back on the Qt key.
        {QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, 3000, KeySource::X11Keycode,
         RecordedKey{0x100, 66}},
    };
    for (const Case& c : cases) {
        QKeyEvent event(c.type, c.key, c.mods, c.native, 0, 0);
        EXPECT_EQ(RecordedKeyOf(event, c.source), c.expected) << c.key << " " << c.native;
    }
    QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, 38, 0, 0, QString(),
                            true);
    EXPECT_FALSE(RecordedKeyOf(repeatRelease, KeySource::X11Keycode));
    // Offscreen gives no X key codes.
    EXPECT_FALSE(PlatformGivesX11Keycodes());
}

}  // namespace
}  // namespace zel::macro::ui
