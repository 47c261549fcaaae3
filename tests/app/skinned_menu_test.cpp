#include "app/skinned_menu.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QTimer>
#include <vector>

#include "app/edition_menus.h"
#include "shell_test_qt.h"

namespace zel::app {

void PrintTo(const MenuItemRecord& r, std::ostream* out) {
    *out << '"' << r.text.toStdString() << "\" " << r.commandId;
}
bool operator==(const MenuItemRecord& a, const MenuItemRecord& b) {
    return a.text == b.text && a.commandId == b.commandId;
}

namespace {

const QColor kTeal(0, 120, 153);

using Records = std::vector<MenuItemRecord>;

// The records every menu of the editions must give, in depth-first order.
Records ExpectedRecords(int menuNumber) {
    auto r = [](const char* text, int id) { return MenuItemRecord{QString::fromUtf8(text), id}; };
    switch (menuNumber) {
        case kTrayMenuEN:
            return {r("Menu_Tray", -1), r("Show Window", 32801), r("Exit Driver", 32800)};
        case kTrayMenuCN:
            return {r("Escritorio", -1), r("Mostrar ventana", 32837), r("Salir", 32838)};
        case kStepMenuEN:
            return {r("Menu_Macro", -1),      r("Add Forward", -1), r("Left Button", -1),
                    r("Down ", 32802),        r("Up", 32803),       r("Right Button", -1),
                    r("Down", 32804),         r("Up", 32805),       r("Mid Button", -1),
                    r("Down", 32806),         r("Up", 32807),       r("Add Backward", -1),
                    r("Left Button", -1),     r("Down ", 32809),    r("Up", 32810),
                    r("Right Button", -1),    r("Down", 32811),     r("Up", 32812),
                    r("Mid Button", -1),      r("Down", 32813),     r("Up", 32814),
                    r("Modify Delay", 32780), r("Delete", 32781)};
        case kStepMenuCN:
            return {r("Macro", -1),
                    r("Insertar antes del elemento    ", -1),
                    r("Botón izquierdo ", -1),
                    r("Pulsación", 32817),
                    r("Liberación", 32818),
                    r("Clic derecho", -1),
                    r("Pulsación", 32820),
                    r("Liberación ", 32821),
                    r("Botón central", -1),
                    r("Pulsación", 32823),
                    r("Liberación ", 32824),
                    r("Insertar después del elemento  ", -1),
                    r("Botón izquierdo ", -1),
                    r("Pulsación", 32829),
                    r("Liberación", 32830),
                    r("Clic derecho", -1),
                    r("Pulsación", 32831),
                    r("Liberación", 32832),
                    r("Botón central ", -1),
                    r("Pulsación", 32833),
                    r("Liberación ", 32834),
                    r("Modificar el retraso", 32835),
                    r("Eliminar", 32836)};
        default:
            return {};
    }
}

class ZelMenu : public ::testing::Test {
protected:
    shell_testing::ApplicationGuard application;
};

TEST_F(ZelMenu, EveryEditionMenuGivesItsRecordsDepthFirst) {
    for (const int number : {kTrayMenuEN, kTrayMenuCN, kStepMenuEN, kStepMenuCN}) {
        SCOPED_TRACE(number);
        SkinnedMenu menu;
        LoadOwnerDrawnMenu(menu, number);
        EXPECT_EQ(menu.records(), ExpectedRecords(number));
        EXPECT_EQ(menu.ItemCount(), static_cast<int>(ExpectedRecords(number).size()));
        ASSERT_NE(menu.Popup(), nullptr);
        // Every item of the shown pop-up carries its own record.
        for (QAction* action : menu.Popup()->actions()) {
            const MenuItemRecord* record = menu.RecordOf(action);
            ASSERT_NE(record, nullptr);
            EXPECT_EQ(record->text, action->text());
        }
    }
    EXPECT_EQ(ExpectedRecords(kStepMenuEN).size(), 23u);
}

TEST_F(ZelMenu, AnEditionSwitchReplacesTheRecordsInsteadOfAddingThem) {
    SkinnedMenu step;
    SkinnedMenu tray;
    LoadEditionMenus(step, tray, 1);
    QPointer<QMenu> oldPopup = step.Popup();
    LoadEditionMenus(step, tray, 0);
    EXPECT_EQ(step.records(), ExpectedRecords(kStepMenuCN));
    EXPECT_EQ(tray.records(), ExpectedRecords(kTrayMenuCN));
    EXPECT_TRUE(oldPopup.isNull()) << "the previous menu is destroyed";
    LoadEditionMenus(step, tray, 2);  // any non-zero flag is the EN edition
    EXPECT_EQ(step.records(), ExpectedRecords(kStepMenuEN));
    EXPECT_EQ(tray.records(), ExpectedRecords(kTrayMenuEN));
}

TEST_F(ZelMenu, MeasuresEightPixelsPerCharacterByTwenty) {
    struct Case {
        const char* text;
        int commandId;
        QSize size;
    };
    const Case cases[] = {
        {"Show Window", 32801, {88, 20}},
        {"Twelve chars  ", 5, {112, 20}},  // 12 letters and 2 blanks
        {"Insertar antes del elemento    ", -1, {248, 20}},
        {"Liberación ", 32821, {88, 20}},  // characters, not bytes
        {"", 0, {0, 1}},                   // separator
        {"", 7, {0, 20}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(SkinnedMenu::MeasureItem({QString::fromUtf8(c.text), c.commandId}), c.size);
    }
}

// A menu with a command, a separator and a sub-menu, shown and painted.
class ShownMenu : public ZelMenu {
protected:
    void SetUp() override {
        menu.Attach(BuildMenu({MenuItemTemplate::SubMenu(
            "Popup", {MenuItemTemplate::Item("Show Window", 11), MenuItemTemplate::Separator(),
                      MenuItemTemplate::SubMenu("More", {MenuItemTemplate::Item("Inner", 12)}),
                      MenuItemTemplate::Item("Exit Driver", 13)})}));
        menu.MakeOwnerDrawn(menu.AttachedMenu());
        popup = menu.Popup();
        ASSERT_NE(popup, nullptr);
        popup->popup(QPoint(0, 0));
        actions = popup->actions();
        ASSERT_EQ(actions.size(), 4);
    }
    void TearDown() override {
        if (popup != nullptr) {
            popup->hide();
        }
    }

    QImage Grab(QAction* active) {
        popup->setActiveAction(active);
        return popup->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    SkinnedMenu menu;
    QMenu* popup = nullptr;
    QList<QAction*> actions;
};

TEST_F(ShownMenu, RecordsIncludeSeparatorsAndSubMenus) {
    const Records expected = {{"Popup", -1}, {"Show Window", 11}, {"", 0},
                              {"More", -1},  {"Inner", 12},       {"Exit Driver", 13}};
    EXPECT_EQ(menu.records(), expected);
}

TEST_F(ShownMenu, ItemsAreLaidOutAtTheirMeasuredHeights) {
    EXPECT_EQ(popup->actionGeometry(actions[0]).height(), 20);
    EXPECT_EQ(popup->actionGeometry(actions[1]).height(), 1);
    EXPECT_EQ(popup->actionGeometry(actions[2]).height(), 20);
    EXPECT_EQ(popup->actionGeometry(actions[1]).top(), 20);
    EXPECT_EQ(popup->actionGeometry(actions[2]).top(), 21);
    // The column is as wide as its widest item, 11 characters x 8, with the room the system
    // gives an item for its check mark.
    EXPECT_EQ(popup->actionGeometry(actions[0]).width(), 88 + 16);
    EXPECT_EQ(popup->actionGeometry(actions[1]).width(), 88 + 16);
    EXPECT_EQ(popup->actionGeometry(actions[0]).left(), 0);
    EXPECT_EQ(popup->sizeHint().height(), 20 + 1 + 20 + 20);
}

TEST_F(ShownMenu, SelectedItemHasAFrameAndTheIntegerStepGradient) {
    const QImage image = Grab(actions[3]);
    const QRect item = popup->actionGeometry(actions[3]);
    ASSERT_EQ(item.height(), 20);
    // Frame: the outermost pixels of the item, drawn with a black pen.
    EXPECT_EQ(QColor(image.pixel(item.left(), item.top())), QColor(0, 0, 0));
    EXPECT_EQ(QColor(image.pixel(item.left() + 5, item.bottom())), QColor(0, 0, 0));
    EXPECT_EQ(QColor(image.pixel(item.right(), item.top() + 7)), QColor(0, 0, 0));
    // 18 inner rows: green rises by 14 a row (255 / 18 truncated), 0 ... 238; left of the text.
    for (int row = 0; row < 18; ++row) {
        for (const int x : {item.left() + 1, item.left() + 5, item.left() + 9}) {
            EXPECT_EQ(QColor(image.pixel(x, item.top() + 1 + row)), QColor(0, 14 * row, 255))
                << "row " << row << " x " << x;
        }
    }
    // The other command items keep the plain fill.
    const QRect first = popup->actionGeometry(actions[0]);
    EXPECT_EQ(QColor(image.pixel(first.left() + 4, first.top() + 10)), kTeal);
    EXPECT_EQ(QColor(image.pixel(first.left(), first.top())), kTeal);
}

TEST_F(ShownMenu, TextIsWhiteAndStartsTenPixelsIn) {
    const QImage image = Grab(nullptr);
    const QRect item = popup->actionGeometry(actions[0]);
    int firstWhiteColumn = -1;
    for (int x = item.left(); x <= item.right() && firstWhiteColumn < 0; ++x) {
        for (int y = item.top(); y <= item.bottom(); ++y) {
            const QColor c(image.pixel(x, y));
            if (c.red() > 200 && c.green() > 200 && c.blue() > 200) {
                firstWhiteColumn = x - item.left();
                break;
            }
        }
    }
    EXPECT_GE(firstWhiteColumn, 10);
    EXPECT_LE(firstWhiteColumn, 14);
}

TEST_F(ShownMenu, SubMenuItemIsDrawnLikeACommandWhenSelected) {
    const QImage image = Grab(actions[2]);
    const QRect item = popup->actionGeometry(actions[2]);
    EXPECT_EQ(QColor(image.pixel(item.left() + 3, item.top() + 1)), QColor(0, 0, 255));
    EXPECT_EQ(QColor(image.pixel(item.left() + 3, item.top() + 18)), QColor(0, 238, 255));
}

TEST_F(ShownMenu, SeparatorIsALineStartingTwentyFivePixelsIn) {
    const QImage image = Grab(nullptr);
    const QRect line = popup->actionGeometry(actions[1]);
    ASSERT_EQ(line.height(), 1);
    for (int x = line.left(); x < line.left() + 25; ++x) {
        EXPECT_EQ(QColor(image.pixel(x, line.top())), kTeal) << x;
    }
    // A frame one pixel high: its bottom edge, drawn last, covers the top one.
    for (int x = line.left() + 25; x <= line.right(); ++x) {
        EXPECT_EQ(QColor(image.pixel(x, line.top())), QColor(0, 0, 255)) << x;
    }
}

TEST_F(ShownMenu, ChosenItemsReportTheirCommandIdentifier) {
    std::vector<int> chosen;
    QObject::connect(&menu, &SkinnedMenu::commandTriggered,
                     [&chosen](int id) { chosen.push_back(id); });
    actions[3]->trigger();
    actions[2]->menu()->actions().front()->trigger();
    EXPECT_EQ(chosen, (std::vector<int>{13, 12}));
}

TEST_F(ZelMenu, TrackPopupReturnsTheChosenCommandOrNothing) {
    SkinnedMenu menu;
    LoadOwnerDrawnMenu(menu, kStepMenuCN);
    QMenu* popup = menu.Popup();
    auto pressLater = [popup](QAction* item, int key) {
        QTimer::singleShot(0, popup, [popup, item, key] {
            popup->setActiveAction(item);
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(popup, &press);
        });
    };
    pressLater(popup->actions().last(), Qt::Key_Return);
    EXPECT_EQ(menu.TrackPopup(QPoint(10, 10)), 32836);  // "Eliminar"
    pressLater(popup->actions().last(), Qt::Key_Escape);
    EXPECT_EQ(menu.TrackPopup(QPoint(10, 10)), 0);
    EXPECT_EQ(SkinnedMenu().TrackPopup(QPoint(0, 0)), 0) << "no menu attached";
}

TEST_F(ZelMenu, ATallerSeparatorShowsBothEdgeColours) {
    QImage image(60, 4, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        SkinnedMenu::DrawItem(painter, QRect(0, 0, 60, 4), false, {"", 0});
    }
    EXPECT_EQ(QColor(image.pixel(24, 0)), QColor(0, 0, 0));
    EXPECT_EQ(QColor(image.pixel(25, 0)), QColor(255, 0, 0));  // top
    EXPECT_EQ(QColor(image.pixel(25, 2)), QColor(255, 0, 0));  // left
    EXPECT_EQ(QColor(image.pixel(40, 3)), QColor(0, 0, 255));  // bottom
    EXPECT_EQ(QColor(image.pixel(59, 1)), QColor(0, 0, 255));  // right
    EXPECT_EQ(QColor(image.pixel(40, 1)), QColor(0, 0, 0));    // inside untouched
}

TEST(MenuChoices, BothEditionsMapToTheSameCommands) {
    struct Case {
        int en;
        int cn;
        MenuChoice choice;
    };
    const Case cases[] = {
        {32801, 32837, {MenuCommand::ShowWindow}},
        {32800, 32838, {MenuCommand::ExitDriver}},
        {32780, 32835, {MenuCommand::ModifyDelay}},
        {32781, 32836, {MenuCommand::DeleteStep}},
        {32802, 32817, {MenuCommand::InsertBefore, StepButton::Left, true}},
        {32803, 32818, {MenuCommand::InsertBefore, StepButton::Left, false}},
        {32804, 32820, {MenuCommand::InsertBefore, StepButton::Right, true}},
        {32805, 32821, {MenuCommand::InsertBefore, StepButton::Right, false}},
        {32806, 32823, {MenuCommand::InsertBefore, StepButton::Middle, true}},
        {32807, 32824, {MenuCommand::InsertBefore, StepButton::Middle, false}},
        {32809, 32829, {MenuCommand::InsertAfter, StepButton::Left, true}},
        {32810, 32830, {MenuCommand::InsertAfter, StepButton::Left, false}},
        {32811, 32831, {MenuCommand::InsertAfter, StepButton::Right, true}},
        {32812, 32832, {MenuCommand::InsertAfter, StepButton::Right, false}},
        {32813, 32833, {MenuCommand::InsertAfter, StepButton::Middle, true}},
        {32814, 32834, {MenuCommand::InsertAfter, StepButton::Middle, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.en);
        EXPECT_EQ(MenuChoiceOf(c.en), c.choice);
        EXPECT_EQ(MenuChoiceOf(c.cn), c.choice);
    }
    for (const int unknown : {0, -1, 32808, 32819, 32822, 32839}) {
        EXPECT_FALSE(MenuChoiceOf(unknown).has_value()) << unknown;
    }
}

}  // namespace
}  // namespace zel::app
