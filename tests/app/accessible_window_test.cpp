// The skinned window's accessible objects, built from the pages' tables: roles, names in both
// editions, states, and actions that run what a click runs.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QCoreApplication>
#include <map>
#include <string>

#include "app/pages/page_table.h"
#include "app/window/accessible_main_window.h"
#include "window_test_support.h"

namespace zel::test {
namespace {

namespace buttons = app::buttons;

// Captions for the entries the tests name (the synthetic skin has none).
WindowSetup CaptionedSetup(int languageFlag) {
    WindowSetup setup = ProfileAndEdition(1, languageFlag);
    const auto entry = [](int cell, const std::string& caption) {
        const QRect r = GridRect(cell);
        return "entry," + std::to_string(r.x()) + "," + std::to_string(r.y()) + "," +
               std::to_string(r.width()) + "," + std::to_string(r.height()) + "," + caption + ",";
    };
    const std::map<int, std::string> main = {{buttons::kApply, "Apply"},
                                             {buttons::kFirstProfile + 2, "Profile 3"},
                                             {buttons::kAdvancedPageButton, "ADVANCED"},
                                             {33, "Right button"},
                                             {50, "Level 1"},
                                             {51, "Level 2"},
                                             {52, "Level 3"}};
    for (const auto& [index, caption] : main) {
        setup.layoutOverrides["main/BUTTONPOS/" + std::to_string(index)] = entry(index, caption);
    }
    // The page lists start at cell 20 of the grid.
    setup.layoutOverrides["advance/BUTTONPOS/42"] = entry(20 + 42, "FIRE");
    return setup;
}

class AccessibleWindowTest : public WindowTest {
protected:
    AccessibleWindowTest() { QAccessible::installFactory(app::MainWindowAccessibleFactory); }
    ~AccessibleWindowTest() override {
        QAccessible::removeFactory(app::MainWindowAccessibleFactory);
    }

    QAccessibleInterface* Root() { return QAccessible::queryAccessibleInterface(&window()); }

    // "role name" of every skinned child, in order.
    std::vector<std::string> Tree() {
        std::vector<std::string> lines;
        QAccessibleInterface* root = Root();
        for (int i = 0; i < root->childCount(); ++i) {
            QAccessibleInterface* node = root->child(i);
            if (node == nullptr || node->object() != nullptr) {
                continue;  // the macro page's own widgets describe themselves
            }
            lines.push_back(RoleName(node->role()) + " " +
                            node->text(QAccessible::Name).toStdString());
        }
        return lines;
    }
    QAccessibleInterface* Find(QAccessible::Role role, const std::string& name) {
        QAccessibleInterface* root = Root();
        for (int i = 0; i < root->childCount(); ++i) {
            QAccessibleInterface* node = root->child(i);
            if (node != nullptr && node->role() == role &&
                node->text(QAccessible::Name).toStdString() == name) {
                return node;
            }
        }
        return nullptr;
    }
    static std::string RoleName(QAccessible::Role role) {
        static const std::map<QAccessible::Role, std::string> names = {
            {QAccessible::Button, "button"},   {QAccessible::RadioButton, "radio"},
            {QAccessible::CheckBox, "check"},  {QAccessible::PageTab, "tab"},
            {QAccessible::Slider, "slider"},   {QAccessible::ComboBox, "combo"},
            {QAccessible::StaticText, "text"},
        };
        const auto known = names.find(role);
        return known != names.end() ? known->second : "role" + std::to_string(role);
    }
    static bool Contains(const std::vector<std::string>& lines, const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

TEST_F(AccessibleWindowTest, TheMainPageListsItsControlsWithRolesAndNamesInBothEditions) {
    ASSERT_TRUE(Start(CaptionedSetup(1)));
    std::vector<std::string> tree = Tree();
    for (const char* line :
         {"tab ADVANCED", "radio Profile 3", "button Close", "button Minimise", "check Level 1",
          "radio Level 2", "slider Level 3", "button Apply", "combo Right button: Fn2"}) {
        EXPECT_TRUE(Contains(tree, line)) << line;
    }
    EXPECT_FALSE(Contains(tree, "button Cerrar"));

    Click(MainButton(buttons::kEditionCN));
    tree = Tree();
    for (const char* line : {"button Cerrar", "button Minimizar", "combo Right button: Fs2"}) {
        EXPECT_TRUE(Contains(tree, line)) << "the CN edition's words: " << line;
    }
}

TEST_F(AccessibleWindowTest, StatesFollowTheProfileAndActionsRunTheClick) {
    ASSERT_TRUE(Start(CaptionedSetup(1)));
    QAccessibleInterface* node = Find(QAccessible::RadioButton, "Profile 3");
    ASSERT_NE(node, nullptr);
    EXPECT_TRUE(node->state().checkable);
    EXPECT_FALSE(node->state().checked);
    ASSERT_NE(node->actionInterface(), nullptr);
    node->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    // The press runs after the action's reply, from the event loop (a modal window it opens
    // must not hold the reply back).
    EXPECT_EQ(state().currentProfile.load(), 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(state().currentProfile.load(), 3);
    EXPECT_TRUE(node->state().checked);

    const auto writer = transport_.LastChannel(kMousePath, platform::HidAccess::Write);
    ASSERT_NE(writer, nullptr);
    writer->ClearSent();
    QAccessibleInterface* apply = Find(QAccessible::Button, "Apply");
    ASSERT_NE(apply, nullptr);
    apply->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCoreApplication::processEvents();
    const auto byAction = writer->SentReports();
    writer->ClearSent();
    Click(MainButton(buttons::kApply));
    EXPECT_FALSE(byAction.empty());
    EXPECT_EQ(byAction, writer->SentReports()) << "the action sends what the click sends";
}

TEST_F(AccessibleWindowTest, SlidersTakeValuesThroughTheValueInterface) {
    WindowSetup setup = CaptionedSetup(1);
    setup.profile["FIRE_TIME"] = "50";
    setup.profile["DPI_SET1"] = "3";
    ASSERT_TRUE(Start(setup));
    QAccessibleInterface* level2 = Find(QAccessible::Slider, "Level 2");
    ASSERT_NE(level2, nullptr);
    ASSERT_NE(level2->valueInterface(), nullptr);
    EXPECT_EQ(level2->valueInterface()->currentValue().toInt(), 3);
    EXPECT_EQ(level2->valueInterface()->maximumValue().toInt(), 11);
    level2->valueInterface()->setCurrentValue(8);
    EXPECT_EQ(profile_.DPI_SET[1].load(), 8);
    level2->actionInterface()->doAction(QAccessibleActionInterface::decreaseAction());
    EXPECT_EQ(profile_.DPI_SET[1].load(), 7);

    Click(MainButton(buttons::kAdvancedPageButton));
    QAccessibleInterface* fire = Find(QAccessible::Slider, layout().advancedButtons[42].caption);
    ASSERT_NE(fire, nullptr);
    EXPECT_EQ(fire->valueInterface()->currentValue().toInt(), 50);
    fire->valueInterface()->setCurrentValue(51);
    EXPECT_EQ(profile_.FIRE_TIME.load(), 51);
    fire->valueInterface()->setCurrentValue(200);
    EXPECT_EQ(profile_.FIRE_TIME.load(), 200);
    // The macro page's own widgets follow the skinned controls.
    bool widgetSeen = false;
    for (int i = 0; i < Root()->childCount(); ++i) {
        widgetSeen = widgetSeen || (Root()->child(i) && Root()->child(i)->object() != nullptr);
    }
    EXPECT_TRUE(widgetSeen);
}

}  // namespace
}  // namespace zel::test
