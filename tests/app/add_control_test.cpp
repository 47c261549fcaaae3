// Adding a control the way docs/architecture.md says: a row in its page's table and a rectangle,
// labelled with the row's name, in the layout. Here a push button on the main page that steps the
// fire interval up takes the place of the unused entry 114; nothing else is written for it, and
// the window paints it, runs it when clicked, reaches it with Tab and names it to assistive
// technology.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <array>
#include <string>
#include <vector>

#include "app/pages/page_table.h"
#include "app/window/accessible_main_window.h"
#include "window_test_support.h"

namespace zel::test {
namespace {

constexpr int kNewEntry = 114;
constexpr const char* kNewCaption = "Fire +";

constexpr app::Control kNewRow{.name = "fire_faster",
                               .kind = app::ControlKind::PushButton,
                               .list = app::ButtonList::Main,
                               .first = kNewEntry,
                               .trigger = app::Trigger::Press,
                               .command = app::Command::StepFireTimeUp,
                               .look = app::Look::Action};

// The shipped tables with the new row in the main page's table, in place of the unused entry.
// They outlive every window of the tests.
struct TablesWithNewRow {
    std::vector<app::Control> main{std::begin(app::kMainPageControls),
                                   std::end(app::kMainPageControls)};
    std::array<app::PageInfo, 3> pages{app::kPages[0], app::kPages[1], app::kPages[2]};
    app::PageSet set;
    bool replacedUnused = false;

    TablesWithNewRow() {
        for (app::Control& row : main) {
            if (row.first == kNewEntry && row.kind == app::ControlKind::Unused) {
                row = kNewRow;
                replacedUnused = true;
            }
        }
        pages[app::kMainPage].controls = main;
        set = {app::kFrameControls, pages};
    }
};

const TablesWithNewRow& Tables() {
    static const TablesWithNewRow tables;
    return tables;
}

class AddControlTest : public WindowTest {
protected:
    AddControlTest() { QAccessible::installFactory(app::MainWindowAccessibleFactory); }
    ~AddControlTest() override { QAccessible::removeFactory(app::MainWindowAccessibleFactory); }

    bool StartWithNewControl() {
        if (!Tables().replacedUnused) {
            ADD_FAILURE() << "entry " << kNewEntry << " is no longer an unused row";
            return false;
        }
        WindowSetup setup;
        setup.pages = &Tables().set;
        setup.profile["FIRE_TIME"] = "100";
        const QRect r = GridRect(kNewEntry);
        setup.layoutOverrides["main/BUTTONPOS/" + std::to_string(kNewEntry)] =
            std::string(kNewRow.name) + "," + std::to_string(r.x()) + "," + std::to_string(r.y()) +
            "," + std::to_string(r.width()) + "," + std::to_string(r.height()) + "," + kNewCaption +
            ",";
        return Start(setup);
    }
    void PressKey(int key) {
        QWidget* target = QApplication::focusWidget();
        if (target == nullptr) {
            target = &window();
        }
        Key(*target, QEvent::KeyPress, key);
        Key(*target, QEvent::KeyRelease, key);
        ProcessEvents();
    }
    bool Focused() {
        const app::ControlHit& focus = window().keyboardFocus();
        return focus && focus.control->name == kNewRow.name;
    }
    int FireTime() const { return profile_.FIRE_TIME.load(); }
    // The accessible object called `name` among the window's children.
    QAccessibleInterface* Accessible(const std::string& name) {
        QAccessibleInterface* root = QAccessible::queryAccessibleInterface(&window());
        for (int i = 0; root != nullptr && i < root->childCount(); ++i) {
            QAccessibleInterface* node = root->child(i);
            if (node != nullptr && node->text(QAccessible::Name).toStdString() == name) {
                return node;
            }
        }
        return nullptr;
    }
};

TEST_F(AddControlTest, ItsEntryIsLabelledWithTheRowsName) {
    ASSERT_TRUE(StartWithNewControl());
    EXPECT_EQ(layout().mainButtons[kNewEntry].label, app::LayoutLabel(kNewRow, 0));
}

TEST_F(AddControlTest, ItIsPaintedWithItsCaptionAndLitUnderThePointer) {
    ASSERT_TRUE(StartWithNewControl());
    const skin::SkinButton& entry = layout().mainButtons[kNewEntry];
    HoverAt({kSkinWidth - 2, kSkinHeight - 2});
    EXPECT_TRUE(Near(Corner(Grab(), entry), skin_colors::kMainNormal));
    HoverAt(MainButton(kNewEntry));
    const QImage lit = Grab();
    EXPECT_TRUE(Near(Corner(lit, entry), skin_colors::kMainOver));
    int captionPixels = 0;
    for (int y = entry.y; y < entry.y + entry.height; ++y) {
        for (int x = entry.x; x < entry.x + entry.width; ++x) {
            captionPixels += Near(lit.pixelColor(x, y), Qt::white, 60) ? 1 : 0;
        }
    }
    EXPECT_GT(captionPixels, 3);
}

TEST_F(AddControlTest, AClickAtItsPlaceRunsItsCommand) {
    ASSERT_TRUE(StartWithNewControl());
    Click(MainButton(kNewEntry));
    EXPECT_EQ(FireTime(), 101);
    Click(MainButton(kNewEntry));
    EXPECT_EQ(FireTime(), 102);
}

TEST_F(AddControlTest, TabReachesItAndSpacePressesItAsTheClickDoes) {
    ASSERT_TRUE(StartWithNewControl());
    window().activateWindow();
    window().setFocus();
    ProcessEvents();
    bool reached = false;
    for (int i = 0; i < 80 && !reached; ++i) {
        PressKey(Qt::Key_Tab);
        reached = Focused();
    }
    ASSERT_TRUE(reached);
    EXPECT_EQ(FireTime(), 100);
    PressKey(Qt::Key_Space);
    EXPECT_EQ(FireTime(), 101);
}

TEST_F(AddControlTest, AssistiveTechnologySeesAPushButtonNamedByItsCaptionThatPressesIt) {
    ASSERT_TRUE(StartWithNewControl());
    QAccessibleInterface* node = Accessible(kNewCaption);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->role(), QAccessible::Button);
    QAccessibleActionInterface* actions = node->actionInterface();
    ASSERT_NE(actions, nullptr);
    actions->doAction(QAccessibleActionInterface::pressAction());
    ProcessEvents();
    EXPECT_EQ(FireTime(), 101);
}

}  // namespace
}  // namespace zel::test
