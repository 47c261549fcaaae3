#include "app/menus/skinned_menu.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <vector>

#include "app/menus/edition_menus.h"
#include "menu_lines.h"
#include "shell_test_qt.h"

namespace zel::app {
namespace {

const QColor kTeal(0, 120, 153);

using Lines = std::vector<MenuLine>;
using C = MenuCommand;

MenuLine Sub(const char* text) {
    return {QString::fromUtf8(text), MenuItemKind::SubMenu, std::nullopt};
}
MenuLine Cmd(const char* text, MenuCommand command) {
    return {QString::fromUtf8(text), MenuItemKind::Command, command};
}

enum class Menu { Step, Tray };

// The lines every menu of the editions must give, in depth-first order.
Lines ExpectedLines(Menu menu, bool english) {
    if (menu == Menu::Tray) {
        return english ? Lines{Sub("Menu_Tray"), Cmd("Show Window", C::ShowWindow),
                               Cmd("Exit Driver", C::Exit)}
                       : Lines{Sub("Escritorio"), Cmd("Mostrar ventana", C::ShowWindow),
                               Cmd("Salir", C::Exit)};
    }
    if (english) {
        return {Sub("Menu_Macro"),
                Sub("Add Forward"),
                Sub("Left Button"),
                Cmd("Down ", C::InsertLeftPressBefore),
                Cmd("Up", C::InsertLeftReleaseBefore),
                Sub("Right Button"),
                Cmd("Down", C::InsertRightPressBefore),
                Cmd("Up", C::InsertRightReleaseBefore),
                Sub("Mid Button"),
                Cmd("Down", C::InsertMiddlePressBefore),
                Cmd("Up", C::InsertMiddleReleaseBefore),
                Sub("Add Backward"),
                Sub("Left Button"),
                Cmd("Down ", C::InsertLeftPressAfter),
                Cmd("Up", C::InsertLeftReleaseAfter),
                Sub("Right Button"),
                Cmd("Down", C::InsertRightPressAfter),
                Cmd("Up", C::InsertRightReleaseAfter),
                Sub("Mid Button"),
                Cmd("Down", C::InsertMiddlePressAfter),
                Cmd("Up", C::InsertMiddleReleaseAfter),
                Cmd("Modify Delay", C::ModifyDelay),
                Cmd("Delete", C::DeleteStep)};
    }
    return {Sub("Macro"),
            Sub("Insertar antes del elemento    "),
            Sub("Botón izquierdo "),
            Cmd("Pulsación", C::InsertLeftPressBefore),
            Cmd("Liberación", C::InsertLeftReleaseBefore),
            Sub("Clic derecho"),
            Cmd("Pulsación", C::InsertRightPressBefore),
            Cmd("Liberación ", C::InsertRightReleaseBefore),
            Sub("Botón central"),
            Cmd("Pulsación", C::InsertMiddlePressBefore),
            Cmd("Liberación ", C::InsertMiddleReleaseBefore),
            Sub("Insertar después del elemento  "),
            Sub("Botón izquierdo "),
            Cmd("Pulsación", C::InsertLeftPressAfter),
            Cmd("Liberación", C::InsertLeftReleaseAfter),
            Sub("Clic derecho"),
            Cmd("Pulsación", C::InsertRightPressAfter),
            Cmd("Liberación", C::InsertRightReleaseAfter),
            Sub("Botón central "),
            Cmd("Pulsación", C::InsertMiddlePressAfter),
            Cmd("Liberación ", C::InsertMiddleReleaseAfter),
            Cmd("Modificar el retraso", C::ModifyDelay),
            Cmd("Eliminar", C::DeleteStep)};
}

// Every menu of the tree under `menu`, `menu` first.
std::vector<const QMenu*> MenuTree(const QMenu& menu) {
    std::vector<const QMenu*> menus{&menu};
    for (const QAction* action : menu.actions()) {
        if (const QMenu* sub = action->menu()) {
            const std::vector<const QMenu*> below = MenuTree(*sub);
            menus.insert(menus.end(), below.begin(), below.end());
        }
    }
    return menus;
}

class ZelMenu : public ::testing::Test {
protected:
    shell_testing::ApplicationGuard application;
};

TEST_F(ZelMenu, EveryEditionMenuListsItsItemsDepthFirst) {
    for (const bool english : {true, false}) {
        for (const Menu which : {Menu::Step, Menu::Tray}) {
            SCOPED_TRACE(english ? "EN" : "CN");
            SkinnedMenu menu;
            FillMenu(menu, which == Menu::Step ? StepMenuEntry() : TrayMenuEntry(),
                     english ? 1 : 0);
            EXPECT_EQ(MenuLines(menu), ExpectedLines(which, english));
            // Every pop-up of the tree is drawn by the menu's own style.
            EXPECT_NE(menu.style(), QApplication::style());
            for (const QMenu* sub : MenuTree(menu)) {
                EXPECT_EQ(sub->style(), menu.style()) << sub->title().toStdString();
            }
        }
    }
    EXPECT_EQ(ExpectedLines(Menu::Step, true).size(), 23u);
}

TEST_F(ZelMenu, AnEditionSwitchReplacesTheItemsInsteadOfAddingThem) {
    SkinnedMenu step;
    SkinnedMenu tray;
    LoadEditionMenus(step, tray, 1);
    QPointer<QMenu> oldSubMenu = step.actions().front()->menu();
    ASSERT_FALSE(oldSubMenu.isNull());
    LoadEditionMenus(step, tray, 0);
    EXPECT_EQ(MenuLines(step), ExpectedLines(Menu::Step, false));
    EXPECT_EQ(MenuLines(tray), ExpectedLines(Menu::Tray, false));
    EXPECT_TRUE(oldSubMenu.isNull()) << "the previous sub-menus are destroyed";
    LoadEditionMenus(step, tray, 2);  // any non-zero flag is the EN edition
    EXPECT_EQ(MenuLines(step), ExpectedLines(Menu::Step, true));
    EXPECT_EQ(MenuLines(tray), ExpectedLines(Menu::Tray, true));
}

TEST_F(ZelMenu, MeasuresEightPixelsPerCharacterByTwenty) {
    struct Case {
        const char* text;
        MenuItemKind kind;
        QSize size;
    };
    const Case cases[] = {
        {"Show Window", MenuItemKind::Command, {88, 20}},
        {"Twelve chars  ", MenuItemKind::Command, {112, 20}},  // 12 letters and 2 blanks
        {"Insertar antes del elemento    ", MenuItemKind::SubMenu, {248, 20}},
        {"Liberación ", MenuItemKind::Command, {88, 20}},  // characters, not bytes
        {"", MenuItemKind::Separator, {0, 1}},
        {"", MenuItemKind::Command, {0, 20}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(SkinnedMenu::MeasureItem({QString::fromUtf8(c.text), c.kind}), c.size);
    }
}

// A menu with a command, a separator and a sub-menu, shown and painted.
class ShownMenu : public ZelMenu {
protected:
    void SetUp() override {
        menu.setTitle("Popup");
        menu.AddCommand("Show Window", MenuCommand::ShowWindow);
        menu.addSeparator();
        menu.AddSubMenu("More")->AddCommand("Inner", MenuCommand::ModifyDelay);
        menu.AddCommand("Exit Driver", MenuCommand::Exit);
        popup = &menu;
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

TEST_F(ShownMenu, ItemsIncludeSeparatorsAndSubMenus) {
    const Lines expected = {Sub("Popup"),
                            Cmd("Show Window", C::ShowWindow),
                            {"", MenuItemKind::Separator, std::nullopt},
                            Sub("More"),
                            Cmd("Inner", C::ModifyDelay),
                            Cmd("Exit Driver", C::Exit)};
    EXPECT_EQ(MenuLines(menu), expected);
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

TEST_F(ShownMenu, ChosenItemsReportTheirCommand) {
    std::vector<MenuCommand> chosen;
    QObject::connect(&menu, &QMenu::triggered, [&chosen](QAction* action) {
        if (const std::optional<MenuCommand> command = CommandOf(action)) {
            chosen.push_back(*command);
        }
    });
    actions[3]->trigger();
    actions[2]->menu()->actions().front()->trigger();  // a sub-menu's item reaches its root
    EXPECT_EQ(chosen, (std::vector<MenuCommand>{C::Exit, C::ModifyDelay}));
    EXPECT_EQ(CommandOf(actions[1]), std::nullopt) << "a separator";
    EXPECT_EQ(CommandOf(actions[2]), std::nullopt) << "an item that opens a sub-menu";
    EXPECT_EQ(CommandOf(nullptr), std::nullopt);
}

TEST_F(ZelMenu, ExecReturnsTheChosenItemOrNothing) {
    SkinnedMenu menu;
    FillMenu(menu, StepMenuEntry(), 0);
    auto pressLater = [&menu](QAction* item, int key) {
        QTimer::singleShot(0, &menu, [&menu, item, key] {
            menu.setActiveAction(item);
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(&menu, &press);
        });
    };
    pressLater(menu.actions().last(), Qt::Key_Return);
    QAction* chosen = menu.exec(QPoint(10, 10));
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->text(), "Eliminar");
    EXPECT_EQ(CommandOf(chosen), MenuCommand::DeleteStep);
    pressLater(menu.actions().last(), Qt::Key_Escape);
    EXPECT_EQ(menu.exec(QPoint(10, 10)), nullptr);
}

TEST_F(ZelMenu, ATallerSeparatorShowsBothEdgeColours) {
    QImage image(60, 4, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        SkinnedMenu::DrawItem(painter, QRect(0, 0, 60, 4), false, {"", MenuItemKind::Separator});
    }
    EXPECT_EQ(QColor(image.pixel(24, 0)), QColor(0, 0, 0));
    EXPECT_EQ(QColor(image.pixel(25, 0)), QColor(255, 0, 0));  // top
    EXPECT_EQ(QColor(image.pixel(25, 2)), QColor(255, 0, 0));  // left
    EXPECT_EQ(QColor(image.pixel(40, 3)), QColor(0, 0, 255));  // bottom
    EXPECT_EQ(QColor(image.pixel(59, 1)), QColor(0, 0, 255));  // right
    EXPECT_EQ(QColor(image.pixel(40, 1)), QColor(0, 0, 0));    // inside untouched
}

TEST(MenuCommands, StepCommandsBecomeTheirStepOperations) {
    using macro::StepCommand;
    using macro::StepCommandKind;
    const StepCommandKind before = StepCommandKind::InsertBefore;
    const StepCommandKind after = StepCommandKind::InsertAfter;
    struct Case {
        MenuCommand command;
        std::optional<StepCommand> operation;
    };
    const Case cases[] = {
        {C::ShowWindow, std::nullopt},
        {C::Exit, std::nullopt},
        {C::ModifyDelay, StepCommand{StepCommandKind::ModifyDelay}},
        {C::DeleteStep, StepCommand{StepCommandKind::DeleteStep}},
        {C::InsertLeftPressBefore, StepCommand{before, 240, 1}},
        {C::InsertLeftReleaseBefore, StepCommand{before, 240, 2}},
        {C::InsertRightPressBefore, StepCommand{before, 241, 1}},
        {C::InsertRightReleaseBefore, StepCommand{before, 241, 2}},
        {C::InsertMiddlePressBefore, StepCommand{before, 242, 1}},
        {C::InsertMiddleReleaseBefore, StepCommand{before, 242, 2}},
        {C::InsertLeftPressAfter, StepCommand{after, 240, 1}},
        {C::InsertLeftReleaseAfter, StepCommand{after, 240, 2}},
        {C::InsertRightPressAfter, StepCommand{after, 241, 1}},
        {C::InsertRightReleaseAfter, StepCommand{after, 241, 2}},
        {C::InsertMiddlePressAfter, StepCommand{after, 242, 1}},
        {C::InsertMiddleReleaseAfter, StepCommand{after, 242, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.command));
        EXPECT_EQ(StepCommandOf(c.command), c.operation);
    }
}

}  // namespace
}  // namespace zel::app
