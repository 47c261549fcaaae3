// Clicks, page changes, drags and the keyboard pre-filter of the main window.

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include "app/pages/page_table.h"
#include "app/window/key_filter.h"
#include "device/feature_report.h"
#include "settings/ini_file.h"
#include "window_test_support.h"

namespace zel::test {
namespace {

using skin::kNoEntry;
namespace buttons = app::buttons;

class MainWindowInputTest : public WindowTest {};

TEST_F(MainWindowInputTest, FrameButtonsChangePagesAndLeaveTheOthersAlone) {
    ASSERT_TRUE(Start());
    EXPECT_EQ(state().currentPage, app::kMainPage);
    Click(MainButton(buttons::kMainPageButton));  // already shown: nothing
    EXPECT_EQ(state().currentPage, app::kMainPage);
    Click(MainButton(buttons::kAdvancedPageButton));
    EXPECT_EQ(state().currentPage, app::kAdvancedPage);
    Click(MainButton(buttons::kAdvancedPageButton));
    EXPECT_EQ(state().currentPage, app::kAdvancedPage);
    Click(MainButton(buttons::kColorPageButton));
    EXPECT_EQ(state().currentPage, app::kColorPage);
    EXPECT_TRUE(window().IsLedPreviewRunning());
    Click(MainButton(buttons::kAdvancedPageButton));
    EXPECT_EQ(state().currentPage, app::kAdvancedPage);
    Click(MainButton(buttons::kMainPageButton));
    EXPECT_EQ(state().currentPage, app::kMainPage);
    Click(MainButton(buttons::kColorPageButton));
    Click(MainButton(buttons::kMainPageButton));
    EXPECT_EQ(state().currentPage, app::kMainPage);
}

TEST_F(MainWindowInputTest, MainPageButtonsEditTheProfile) {
    ASSERT_TRUE(Start());
    Click(MainButton(buttons::kWheelStatus1));
    EXPECT_EQ(profile_.WHEEL_STATUS.load(), 1);
    Click(MainButton(buttons::kWheelStatus0));
    EXPECT_EQ(profile_.WHEEL_STATUS.load(), 0);

    Click(MainButton(66 + 12 * 2 + 5));  // level 2, step 5
    EXPECT_EQ(profile_.DPI_SET[2].load(), 5);
    Click(MainButton(66 + 11));
    EXPECT_EQ(profile_.DPI_SET[0].load(), 11);

    Click(MainButton(buttons::kFirstDpiSelect + 2));
    EXPECT_EQ(profile_.DPI_LEVEL.load(), 2);
    Click(MainButton(buttons::kFirstDpiEnable + 1));  // disable level 1
    EXPECT_EQ(profile_.DPI_SET_EN[1].load(), 0);
    Click(MainButton(buttons::kFirstDpiSelect + 1));  // a disabled level is not selected
    EXPECT_EQ(profile_.DPI_LEVEL.load(), 2);
    Click(MainButton(buttons::kFirstDpiEnable + 2));  // disabling the current level moves on
    EXPECT_EQ(profile_.DPI_LEVEL.load(), 3);
}

TEST_F(MainWindowInputTest, AdvancedPageButtonsEditTheProfile) {
    ASSERT_TRUE(Start());
    Click(MainButton(buttons::kAdvancedPageButton));
    Click(AdvancedButton(buttons::kFirstPointerSpeed + 4));
    EXPECT_EQ(profile_.DPI_SPEED.load(), 4);
    Click(AdvancedButton(buttons::kLastWheelSpeed));
    EXPECT_EQ(profile_.WHEEL_SPEED.load(), 9);
    Click(AdvancedButton(buttons::kMacroModeSwitch));
    EXPECT_EQ(profile_.MACRO_MODE2.load(), 1);

    const auto& slider = layout().advancedButtons[buttons::kFireSlider];
    Click({slider.x, slider.y + 1});
    EXPECT_EQ(profile_.FIRE_TIME.load(), 0);
    Click({slider.x + 10, slider.y + 1});  // 10 of 30 pixels
    EXPECT_EQ(profile_.FIRE_TIME.load(), 100);
    Click(AdvancedButton(buttons::kFireUp));
    EXPECT_EQ(profile_.FIRE_TIME.load(), 101);
    Click(AdvancedButton(buttons::kFireDown));
    Click(AdvancedButton(buttons::kFireDown));
    EXPECT_EQ(profile_.FIRE_TIME.load(), 99);
}

TEST_F(MainWindowInputTest, ColourPageButtonsSetTheLedMode) {
    ASSERT_TRUE(Start());
    Click(MainButton(buttons::kColorPageButton));
    for (const int mode : {3, 1, 2, 0}) {
        Click(ColorButton(mode));
        EXPECT_EQ(profile_.LED_STATUS.load(), mode);
    }
    Click(ColorButton(4));  // hot, but not a mode
    EXPECT_EQ(profile_.LED_STATUS.load(), 0);
}

TEST_F(MainWindowInputTest, ApplySendsTheProfileToTheMouseAndStoresIt) {
    ASSERT_TRUE(Start(ProfileAndEdition(3, 1)));
    auto channel = transport_.LastChannel(kMousePath, platform::HidAccess::Write);
    ASSERT_NE(channel, nullptr);
    EXPECT_GT(channel->SentCount(), 0u) << "the start-up upload";
    channel->ClearSent();

    Click(MainButton(66 + 12 * 1 + 8));  // level 1 to step 8 (3600 DPI, device code 11)
    EXPECT_EQ(channel->SentCount(), 0u) << "an edit is not sent";
    Click(MainButton(buttons::kApply));

    const auto reports = channel->SentReports();
    ASSERT_FALSE(reports.empty());
    bool levelOneSent = false;
    for (const auto& report : reports) {
        ASSERT_GE(report.size(), 4u);
        EXPECT_EQ(report[0], device::kFeatureReportId);
        if (report[1] == static_cast<std::uint8_t>(device::Command::RPT_DPI_LEVEL) &&
            (report[3] & 0x0F) == 8 + 1) {
            EXPECT_EQ(report[3] >> 4, 11);
            levelOneSent = true;
        }
    }
    EXPECT_TRUE(levelOneSent);
    EXPECT_EQ(profile_.appliedDpiCode[1].load(), 11);
    const ini::IniDocument config = ini::IniDocument::Load(ConfigPath());
    EXPECT_EQ(config.Get("Init", "CurConfig"), "3");
    EXPECT_EQ(config.Get("Config3", "DPI_SET1"), "8");
    EXPECT_EQ(config.Get("Config6", "DPI_SET1"), "8");
}

TEST_F(MainWindowInputTest, ProfileButtonsActOnReleaseOnly) {
    ASSERT_TRUE(Start());
    auto channel = transport_.LastChannel(kMousePath, platform::HidAccess::Write);
    ASSERT_NE(channel, nullptr);
    channel->ClearSent();
    const QPoint profile4 = MainButton(buttons::kFirstProfile + 3);
    HoverAt(profile4);
    Press(profile4);
    EXPECT_EQ(state().currentProfile, 1);
    Release(profile4);
    EXPECT_EQ(channel->SentCount(), 0u) << "choosing a profile uploads nothing";
}

TEST_F(MainWindowInputTest, MinimiseAndCloseMinimiseTheWindowAndClearTheHotButton) {
    ASSERT_TRUE(Start());
    Click(MainButton(buttons::kMinimise));
    EXPECT_EQ(state().hot.HotButton, kNoEntry);
    ProcessEvents();
    EXPECT_TRUE(window().isMinimized());

    window().showNormal();
    ProcessEvents();
    Click(MainButton(buttons::kClose));
    EXPECT_EQ(state().hot.HotButton, kNoEntry);
    EXPECT_TRUE(window().isMinimized());

    // A close request from the window manager (Alt+F4) never ends the program.
    window().showNormal();
    ProcessEvents();
    EXPECT_FALSE(window().close());
    EXPECT_TRUE(window().isMinimized());
    EXPECT_FALSE(window().IsShutDown());
}

TEST_F(MainWindowInputTest, PressOnEmptySkinAreaDragsTheWindow) {
    ASSERT_TRUE(Start());
    const QPoint start = window().pos();
    const QPoint empty(kSkinWidth - 10, kSkinHeight - 10);
    HoverAt(empty);
    ASSERT_EQ(state().hot, app::HotIndices{});
    Press(empty);
    // Offscreen there is no window manager to move it: the window follows the pointer itself.
    QMouseEvent drag(QEvent::MouseMove, QPointF(empty),
                     QPointF(window().mapToGlobal(empty) + QPoint(30, 20)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window(), &drag);
    EXPECT_EQ(window().pos(), start + QPoint(30, 20));
    Release(empty);
    // A press on a button does not drag.
    const QPoint moved = window().pos();
    HoverAt(MainButton(60));
    Press(MainButton(60));
    QMouseEvent noDrag(QEvent::MouseMove, QPointF(MainButton(60)),
                       QPointF(window().mapToGlobal(MainButton(60)) + QPoint(30, 20)), Qt::NoButton,
                       Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window(), &noDrag);
    EXPECT_EQ(window().pos(), moved);
    Release(MainButton(60));
}

TEST_F(MainWindowInputTest, KeyFilterConsumesEscapeReturnAndF10) {
    ASSERT_TRUE(Start());
    auto* edit = new QLineEdit(&window());
    edit->setGeometry(10, 230, 60, 20);
    edit->show();
    int returnPressed = 0;
    QObject::connect(edit, &QLineEdit::returnPressed, [&returnPressed] { ++returnPressed; });

    struct Case {
        QEvent::Type type;
        int key;
        bool consumed;
    };
    const Case cases[] = {
        {QEvent::KeyPress, Qt::Key_Escape, true},    {QEvent::KeyPress, Qt::Key_Return, true},
        {QEvent::KeyPress, Qt::Key_Enter, true},     {QEvent::KeyPress, Qt::Key_F10, true},
        {QEvent::KeyRelease, Qt::Key_F10, true},     {QEvent::KeyRelease, Qt::Key_Escape, false},
        {QEvent::KeyRelease, Qt::Key_Return, false}, {QEvent::KeyPress, Qt::Key_Y, false},
        {QEvent::KeyPress, Qt::Key_F9, false},
    };
    for (const Case& c : cases) {
        QKeyEvent event(c.type, c.key, Qt::NoModifier, c.key == Qt::Key_Y ? "y" : QString());
        EXPECT_EQ(app::IsConsumedDialogKey(event), c.consumed) << c.key;
        for (QWidget* target : {static_cast<QWidget*>(&window()), static_cast<QWidget*>(edit)}) {
            EXPECT_EQ(window().FilterKeyBeforeReceiver(*target, event), c.consumed) << c.key;
        }
    }
    // Shift+F10 is the context menu's key: it reaches the list that has the focus.
    const QKeyEvent shiftF10(QEvent::KeyPress, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_FALSE(app::IsConsumedDialogKey(shiftF10));
    // Delivered for real: Return never reaches the edit box, letters do.
    edit->setFocus();
    Key(*edit, QEvent::KeyPress, Qt::Key_Return);
    EXPECT_EQ(returnPressed, 0);
    QKeyEvent y(QEvent::KeyPress, Qt::Key_Y, Qt::NoModifier, "y");
    QApplication::sendEvent(edit, &y);
    EXPECT_EQ(edit->text(), "y");
    EXPECT_FALSE(window().IsShutDown());
}

TEST_F(MainWindowInputTest, ChildControlsTakeTheSkinColoursAndFont) {
    ASSERT_TRUE(Start(ProfileAndEdition(1, 0)));
    auto* edit = new QLineEdit(&window());
    edit->show();
    ProcessEvents();
    EXPECT_EQ(edit->palette().color(QPalette::Base), QColor(Qt::black));
    EXPECT_EQ(edit->palette().color(QPalette::Text), QColor(Qt::white));
    EXPECT_EQ(edit->font(), window().fonts().fontCN);
}

}  // namespace
}  // namespace zel::test
