// The window's weight: while it is hidden to the tray it keeps no decoded picture, no font and
// no advanced-page control, and it comes back looking exactly as it left; at the start it
// paints before the work its first paint does not need, and decodes only the shown page.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>

#include "app/pages/page_table.h"
#include "macro/ui/macro_page.h"
#include "skin/skin_files.h"
#include "tests/support/macro_page_fixtures.h"
#include "window_test_support.h"

namespace zel::test {
namespace {

namespace buttons = app::buttons;
namespace pictures = skin::pictures;

class LeanWindowTest : public WindowTest {
protected:
    // Hidden the way the tray hides it, then shown by the tray icon's way back.
    void HideToTrayAndShow() {
        window().hide();
        ProcessEvents();
        hiddenKeptBytes_ = window().images().KeptBytes();
        hiddenControls_ = window().macroControls() != nullptr;
        window().ShowWindow();
        ProcessEvents();
        window().repaint();
    }
    std::size_t hiddenKeptBytes_ = 1;
    bool hiddenControls_ = true;
};

TEST_F(LeanWindowTest, OnlyTheShownPagesPicturesAreDecodedAndKept) {
    ASSERT_TRUE(Start());
    skin::SkinImageStore& images = window().images();
    for (const auto name : {pictures::kMainNormal, pictures::kMainDown}) {
        EXPECT_TRUE(images.IsKept(name)) << name;
    }
    // The outline is built once; the hover picture waits for the pointer, the other pages
    // until they are shown.
    for (const auto name : {pictures::kMainMask, pictures::kMainOver, pictures::kAdvancedNormal,
                            pictures::kColorNormalPink, pictures::kColorNormalGray}) {
        EXPECT_FALSE(images.IsKept(name)) << name;
    }
    HoverAt(MainButton(buttons::kApply));
    EXPECT_TRUE(images.IsKept(pictures::kMainOver));
    Click(MainButton(buttons::kColorPageButton));
    ProcessEvents();
    window().repaint();
    EXPECT_TRUE(images.IsKept(pictures::kColorNormalPink));
}

TEST_F(LeanWindowTest, HiddenKeepsNoPictureAndShowsEveryPageAsBefore) {
    struct Case {
        const char* name;
        int pageButton;
    };
    const Case cases[] = {{"main", buttons::kMainPageButton},
                          {"advanced", buttons::kAdvancedPageButton},
                          {"colour", buttons::kColorPageButton}};
    ASSERT_TRUE(Start());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Click(MainButton(c.pageButton));
        ProcessEvents();
        HoverAt(QPoint(kSkinWidth - 2, kSkinHeight - 2));
        window().repaint();
        const QImage before = Grab();
        EXPECT_GT(window().images().KeptBytes(), 0u);
        HideToTrayAndShow();
        EXPECT_EQ(hiddenKeptBytes_, 0u);
        EXPECT_EQ(Grab(), before);
        EXPECT_GT(window().images().KeptBytes(), 0u);
    }
}

TEST_F(LeanWindowTest, HiddenOnTheAdvancedPageItsControlsGoAndComeBackWithTheMacros) {
    WindowSetup setup;
    setup.userMacros = {MakeMacro("alpha", {{4, 1}, {4, 2}}, {50, 30}),
                        MakeMacro("beta", {{5, 1}, {5, 2}}, {20, 30})};
    ASSERT_TRUE(Start(setup));
    Click(MainButton(buttons::kAdvancedPageButton));
    ProcessEvents();
    ASSERT_NE(window().macroControls(), nullptr);
    const QFont font = window().macroControls()->nameEdit()->font();

    HideToTrayAndShow();
    EXPECT_FALSE(hiddenControls_);
    macro::ui::MacroPageControls* controls = window().macroControls();
    ASSERT_NE(controls, nullptr);
    EXPECT_TRUE(controls->macroList()->isVisible());
    EXPECT_EQ(controls->macroList()->count(), 2);
    EXPECT_EQ(controls->nameEdit()->font(), font);
    EXPECT_EQ(window().TextFont(), font);
}

TEST_F(LeanWindowTest, HiddenOnAnotherPageTheAdvancedControlsStayAway) {
    ASSERT_TRUE(Start());
    HideToTrayAndShow();
    EXPECT_EQ(window().macroControls(), nullptr);
    Click(MainButton(buttons::kAdvancedPageButton));
    ProcessEvents();
    EXPECT_NE(window().macroControls(), nullptr);
}

TEST_F(LeanWindowTest, TheProgramsStartPaintsBeforeTheUploadAndTheTrayIcon) {
    WindowSetup setup;
    setup.startOrder = app::MainWindow::StartOrder::PaintFirst;
    std::vector<Bytes> sentAtFirstPaint = {{0xEE}};
    bool completeAtFirstPaint = true;
    bool iconAtFirstPaint = true;
    onPaint_ = [&] {
        if (paints() == 1) {
            const auto channel = transport_.LastChannel(kMousePath, platform::HidAccess::Write);
            sentAtFirstPaint = channel ? channel->SentReports() : std::vector<Bytes>{};
            completeAtFirstPaint = window().IsStartComplete();
            iconAtFirstPaint = !window().windowIcon().isNull();
        }
    };
    ASSERT_TRUE(Start(setup));
    if (!window().IsStartComplete()) {
        QSignalSpy completed(&window(), &app::MainWindow::startCompleted);
        ASSERT_TRUE(completed.wait(5000));
    }
    // Before the first paint only what a killed run may have left held goes up; no upload.
    const std::vector<Bytes> released = {{0x07, 0x16, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00},
                                         {0x07, 0x15, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}};
    EXPECT_EQ(sentAtFirstPaint, released);
    EXPECT_FALSE(completeAtFirstPaint);
    EXPECT_FALSE(iconAtFirstPaint);
    // Then the rest follows by itself: the upload reached the mouse, the icon is set.
    const auto channel = transport_.LastChannel(kMousePath, platform::HidAccess::Write);
    ASSERT_NE(channel, nullptr);
    EXPECT_GT(channel->SentCount(), released.size());
    EXPECT_FALSE(window().windowIcon().isNull());
    EXPECT_TRUE(messages_.messages.empty());
}

}  // namespace
}  // namespace zel::test
