// The skinned window from the keyboard alone: the focus order, moving within groups, pressing
// with Space and Return exactly as a click does, and the focus mark.

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/pages/page_focus.h"
#include "app/pages/page_table.h"
#include "window_test_support.h"

namespace zel::test {
namespace {

namespace buttons = app::buttons;

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class KeyboardWindowTest : public WindowTest {
protected:
    void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget();
        if (target == nullptr) {
            target = &window();
        }
        Key(*target, QEvent::KeyPress, key, modifiers);
        Key(*target, QEvent::KeyRelease, key, modifiers);
        ProcessEvents();
    }
    void Tab(int times = 1) {
        for (int i = 0; i < times; ++i) {
            Press(Qt::Key_Tab);
        }
    }
    // "name[member]" of the focused control.
    std::string Focused() {
        const app::ControlHit& focus = window().keyboardFocus();
        if (!focus) {
            return "-";
        }
        return std::string(focus.control->name) + "[" + std::to_string(focus.member) + "]";
    }
    // Tabs until the focus is on `name`; false when a whole round does not reach it.
    bool TabTo(std::string_view name) {
        for (int i = 0; i < 80; ++i) {
            if (window().keyboardFocus() && window().keyboardFocus().control->name == name) {
                return true;
            }
            Tab();
        }
        return false;
    }
    void Activate() {
        window().activateWindow();
        window().setFocus();
        ProcessEvents();
    }
};

TEST_F(KeyboardWindowTest, TabWalksTheFrameThenThePageThenTheBottomButtonsAndWraps) {
    ASSERT_TRUE(Start(ProfileAndEdition(2, 1)));
    Activate();
    std::vector<std::string> walk;
    for (int i = 0; i < 24; ++i) {
        Tab();
        walk.push_back(Focused());
    }
    // The test skin lays its entries out on a grid in index order: the frame's rows by place
    // are then in index order too.
    const std::vector<std::string> expected = {
        "profile[1]",     "page_main[0]",  "page_advanced[0]",  "page_lighting[0]",
        "minimise[0]",    "close[0]",      "import_profile[0]", "export_profile[0]",
        "reset_all[0]",   "edition_es[0]", "edition_en[0]",     "function[0]",
        "wheel[0]",       "dpi_enable[0]", "dpi_select[0]",     "dpi0_step[3]",
        "dpi1_step[6]",   "dpi2_step[9]",  "dpi3_step[10]",     "save[0]",
        "cancel_hide[0]", "apply[0]",      "profile[1]",        "page_main[0]",
    };
    EXPECT_EQ(walk, expected);
    Press(Qt::Key_Backtab);
    EXPECT_EQ(Focused(), "profile[1]");
    Press(Qt::Key_Backtab);
    EXPECT_EQ(Focused(), "apply[0]");
}

TEST_F(KeyboardWindowTest, ArrowsMoveWithinAGroupAndSpaceOrReturnPressLikeAClick) {
    ASSERT_TRUE(Start(ProfileAndEdition(1, 1)));
    Activate();
    ASSERT_TRUE(TabTo("profile"));
    EXPECT_EQ(Focused(), "profile[0]");  // the current profile
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    EXPECT_EQ(Focused(), "profile[2]");
    EXPECT_EQ(state().currentProfile.load(), 1) << "moving the focus changes nothing";
    Press(Qt::Key_Space);
    EXPECT_EQ(state().currentProfile.load(), 3);
    Press(Qt::Key_End);
    EXPECT_EQ(Focused(), "profile[4]");
    Press(Qt::Key_Down);
    EXPECT_EQ(Focused(), "profile[4]") << "the group's end holds";
    Press(Qt::Key_Return);
    EXPECT_EQ(state().currentProfile.load(), 5);
    EXPECT_TRUE(window().isVisible()) << "Return never closes the window";
    Press(Qt::Key_Escape);
    EXPECT_TRUE(window().isVisible()) << "nor does Escape";

    ASSERT_TRUE(TabTo("dpi2_step"));
    Press(Qt::Key_Home);
    for (int i = 0; i < 7; ++i) {
        Press(Qt::Key_Right);
    }
    Press(Qt::Key_Space);
    EXPECT_EQ(profile_.DPI_SET[2].load(), 7);

    ASSERT_TRUE(TabTo("dpi_enable"));
    const int enabled = profile_.DPI_SET_EN[0].load();
    Press(Qt::Key_Space);
    EXPECT_NE(profile_.DPI_SET_EN[0].load(), enabled);
}

TEST_F(KeyboardWindowTest, AKeyboardApplySendsWhatAClickOnApplySends) {
    ASSERT_TRUE(Start(ProfileAndEdition(2, 1)));
    const auto writer = transport_.LastChannel(kMousePath, platform::HidAccess::Write);
    ASSERT_NE(writer, nullptr);
    writer->ClearSent();
    Click(MainButton(buttons::kApply));
    const auto byClick = writer->SentReports();
    const std::string configByClick = FileText(ConfigPath());
    ASSERT_FALSE(byClick.empty());

    writer->ClearSent();
    Activate();
    ASSERT_TRUE(TabTo("apply"));
    Press(Qt::Key_Return);
    EXPECT_EQ(writer->SentReports(), byClick);
    EXPECT_EQ(FileText(ConfigPath()), configByClick);
}

TEST_F(KeyboardWindowTest, TheFireSliderStepsWithTheArrowsAndTabReachesTheMacroWidgets) {
    WindowSetup setup = ProfileAndEdition(1, 1);
    setup.profile["FIRE_TIME"] = "50";
    ASSERT_TRUE(Start(setup));
    Activate();
    ASSERT_TRUE(TabTo("page_advanced"));
    Press(Qt::Key_Space);
    ASSERT_EQ(state().currentPage, app::kAdvancedPage);
    ASSERT_TRUE(TabTo("fire_slider"));
    Press(Qt::Key_Right);
    Press(Qt::Key_Right);
    Press(Qt::Key_Left);
    EXPECT_EQ(profile_.FIRE_TIME.load(), 51);

    // Past the last skinned control the focus goes into the page's own widgets, and from them
    // back into the skin.
    ASSERT_TRUE(TabTo("apply"));
    Tab();
    QWidget* const widget = QApplication::focusWidget();
    ASSERT_NE(widget, nullptr);
    EXPECT_NE(widget, &window());
    EXPECT_TRUE(window().isAncestorOf(widget));
    EXPECT_EQ(Focused(), "-");
    for (int i = 0; i < 10 && QApplication::focusWidget() != &window(); ++i) {
        Tab();
    }
    EXPECT_EQ(Focused(), "profile[0]");
}

TEST_F(KeyboardWindowTest, TheFocusMarkShowsOnlyAfterTheKeyboardIsUsedAndAClickHidesIt) {
    ASSERT_TRUE(Start(ProfileAndEdition(1, 1)));
    Activate();
    const auto& close = layout().mainButtons[buttons::kClose];
    const QImage before = Grab();
    EXPECT_FALSE(window().IsFocusMarkShown());
    ASSERT_TRUE(TabTo("close"));
    EXPECT_TRUE(window().IsFocusMarkShown());
    const QImage marked = Grab();
    int changedOnTheEdge = 0;
    for (int x = close.x; x < close.x + close.width; ++x) {
        changedOnTheEdge += marked.pixelColor(x, close.y) != before.pixelColor(x, close.y) ? 1 : 0;
    }
    EXPECT_GE(changedOnTheEdge, close.width / 3) << "the mark lies on the control's edge";
    Click(MainButton(buttons::kMainPageButton));
    EXPECT_FALSE(window().IsFocusMarkShown());
    const QRect closeRect(close.x, close.y, close.width, close.height);
    EXPECT_EQ(Grab().copy(closeRect), before.copy(closeRect));
}

// A step bar is a slider: Tab lands on the step that shows its value, the arrows set the value at
// once (as a click on the next step does), Home and End go to the ends, Space and Return change
// nothing.
TEST_F(KeyboardWindowTest, AStepBarIsOneStopWhoseArrowsHomeAndEndSetItsValueAndSpaceKeepsIt) {
    ASSERT_TRUE(Start(ProfileAndEdition(1, 1)));  // DPI_SET1 6, DPI_SPEED 6, WHEEL_SPEED 2
    Activate();
    ASSERT_TRUE(TabTo("dpi1_step"));
    EXPECT_EQ(Focused(), "dpi1_step[6]") << "the stop shows the value";
    struct Step {
        Qt::Key key;
        int value;
    };
    const Step steps[] = {{Qt::Key_Space, 6}, {Qt::Key_Return, 6}, {Qt::Key_Right, 7},
                          {Qt::Key_Up, 8},    {Qt::Key_Left, 7},   {Qt::Key_Down, 6},
                          {Qt::Key_End, 11},  {Qt::Key_Right, 11}, {Qt::Key_Home, 0},
                          {Qt::Key_Left, 0},  {Qt::Key_Space, 0}};
    for (const Step& step : steps) {
        Press(step.key);
        EXPECT_EQ(profile_.DPI_SET[1].load(), step.value) << "after key " << step.key;
        EXPECT_EQ(Focused(), "dpi1_step[" + std::to_string(step.value) + "]");
    }
    Tab();
    EXPECT_EQ(Focused(), "dpi2_step[9]") << "one Tab leaves the bar";
    EXPECT_EQ(profile_.DPI_SET[2].load(), 9);

    // A click on a step that makes a value the keyboard then continues from.
    Click(MainButton(66 + 12 * 3 + 4));
    Activate();
    ASSERT_TRUE(TabTo("dpi3_step"));
    EXPECT_EQ(Focused(), "dpi3_step[4]");
    Press(Qt::Key_Right);
    EXPECT_EQ(profile_.DPI_SET[3].load(), 5);

    ASSERT_TRUE(TabTo("page_advanced"));
    Press(Qt::Key_Space);
    ASSERT_TRUE(TabTo("pointer_speed"));
    EXPECT_EQ(Focused(), "pointer_speed[6]");
    Press(Qt::Key_Space);
    EXPECT_EQ(profile_.DPI_SPEED.load(), 6);
    Press(Qt::Key_Right);
    EXPECT_EQ(profile_.DPI_SPEED.load(), 7);
    ASSERT_TRUE(TabTo("wheel_speed"));
    Press(Qt::Key_Home);
    EXPECT_EQ(profile_.WHEEL_SPEED.load(), 0);
    Press(Qt::Key_End);
    EXPECT_EQ(profile_.WHEEL_SPEED.load(), 9);
}

// A click ends keyboard mode: Return and Space then press the control the click was on, or
// nothing when it was on no control; never the control whose mark the click hid.
TEST_F(KeyboardWindowTest, AfterAClickReturnAndSpacePressWhatWasClickedNeverTheHiddenControl) {
    ASSERT_TRUE(Start(ProfileAndEdition(1, 1)));
    const auto writer = transport_.LastChannel(kMousePath, platform::HidAccess::Write);
    ASSERT_NE(writer, nullptr);
    const auto typeKey = [this](Qt::Key key) {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target != nullptr ? target : &window(), key);
        ProcessEvents();
    };
    const auto clickAt = [this](QPoint p) {
        QTest::mouseClick(&window(), Qt::LeftButton, Qt::NoModifier, p);
        ProcessEvents();
    };
    struct Case {
        const char* what;
        Qt::Key tab;        // puts the keyboard on Apply (Shift+Tab) or Close (Tab to it)
        int clicked;        // main list entry clicked afterwards
        Qt::Key key;        // then typed
        std::string focus;  // where the keyboard is after the click
    };
    const Case cases[] = {
        {"Shift+Tab, the shown page's own tab, Return", Qt::Key_Backtab, buttons::kMainPageButton,
         Qt::Key_Return, "page_main[0]"},
        {"Shift+Tab, the shown page's own tab, Space", Qt::Key_Backtab, buttons::kMainPageButton,
         Qt::Key_Space, "page_main[0]"},
        {"Shift+Tab, a caption, Return", Qt::Key_Backtab, 20, Qt::Key_Return, "-"},
        {"Shift+Tab, a caption, Space", Qt::Key_Backtab, 20, Qt::Key_Space, "-"},
        {"Tab to Close, level 2's check box, Space", Qt::Key_Tab, buttons::kFirstDpiEnable + 1,
         Qt::Key_Space, "dpi_enable[1]"},
        {"Tab to Close, level 2's check box, Return", Qt::Key_Tab, buttons::kFirstDpiEnable + 1,
         Qt::Key_Return, "dpi_enable[1]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Activate();
        if (c.tab == Qt::Key_Backtab) {
            typeKey(Qt::Key_Backtab);
            if (Focused() != "apply[0]") {
                ASSERT_TRUE(TabTo("apply"));
            }
        } else {
            ASSERT_TRUE(TabTo("close"));
        }
        ASSERT_TRUE(window().IsFocusMarkShown());
        const int enabled = profile_.DPI_SET_EN[1].load();
        clickAt(MainButton(c.clicked));
        EXPECT_FALSE(window().IsFocusMarkShown());
        EXPECT_EQ(Focused(), c.focus);
        const int enabledByClick = profile_.DPI_SET_EN[1].load();
        writer->ClearSent();
        typeKey(c.key);
        EXPECT_TRUE(writer->SentReports().empty()) << "nothing went to the mouse";
        EXPECT_TRUE(window().isVisible()) << "Close was not pressed";
        EXPECT_EQ(state().currentPage, app::kMainPage);
        if (c.focus == "dpi_enable[1]") {
            EXPECT_NE(enabledByClick, enabled);
            EXPECT_EQ(profile_.DPI_SET_EN[1].load(), enabled) << "the key pressed the clicked box";
            EXPECT_TRUE(window().IsFocusMarkShown()) << "the key shows the mark again";
        } else {
            EXPECT_EQ(profile_.DPI_SET_EN[1].load(), enabled);
        }
    }
}

}  // namespace
}  // namespace zel::test
