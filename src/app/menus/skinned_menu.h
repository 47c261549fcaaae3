#pragma once

// SkinnedMenu: a pop-up menu drawn by the program so that it matches the dark skin: white text on
// dark teal, a blue-to-cyan gradient behind the selected item, a thin line for separators.
//
// Every item is a QAction: a command item carries its MenuCommand as the action's data, a
// sub-menu made by AddSubMenu is drawn the same way. The menu's own style measures and draws
// each item from its text and kind; QMenu does the rest (show with exec or popup, the keyboard,
// the sub-menus).

#include <QMenu>
#include <QRect>
#include <QSize>
#include <QString>
#include <memory>
#include <optional>

#include "app/menus/menu_command.h"

class QAction;
class QPainter;
class QStyle;

namespace zel::app {

enum class MenuItemKind { Command, SubMenu, Separator };

// What an item is drawn and measured from.
struct MenuItemLook {
    QString text;  // as the action carries it, trailing blanks included
    MenuItemKind kind = MenuItemKind::Command;
};

// Colours and measures of the drawing.
inline constexpr int kMenuCharacterWidth = 8;
inline constexpr int kMenuItemHeight = 20;
inline constexpr int kMenuSeparatorHeight = 1;
inline constexpr int kMenuTextIndent = 10;
inline constexpr int kMenuSeparatorIndent = 25;

namespace detail {
// Holds the drawing style of a menu tree. A base class of SkinnedMenu ahead of QMenu, so that
// the style is made before the menu and outlives it and all its sub-menus. (QMenu is therefore
// not the first base and SkinnedMenu has no Q_OBJECT of its own: cast it as a QMenu.)
struct MenuStyleOwner {
    MenuStyleOwner();
    ~MenuStyleOwner();
    MenuStyleOwner(const MenuStyleOwner&) = delete;
    MenuStyleOwner& operator=(const MenuStyleOwner&) = delete;
    std::unique_ptr<QStyle> ownStyle;  // null in a sub-menu: it uses its root's
};
}  // namespace detail

class SkinnedMenu : private detail::MenuStyleOwner, public QMenu {
public:
    explicit SkinnedMenu(QWidget* parent = nullptr);
    ~SkinnedMenu() override;
    SkinnedMenu(const SkinnedMenu&) = delete;
    SkinnedMenu& operator=(const SkinnedMenu&) = delete;

    // Appends an item that asks for `command`.
    QAction* AddCommand(const QString& text, MenuCommand command);
    // Appends an item that opens a sub-menu drawn the same way; this menu owns it.
    SkinnedMenu* AddSubMenu(const QString& title);
    // Removes every item, the sub-menus made by AddSubMenu with them.
    void ClearItems();

    // Size of an item: characters x 8 by 20 pixels, a separator 1 pixel high.
    static QSize MeasureItem(const MenuItemLook& item);
    // Draws one item into `itemRect` of `painter`.
    static void DrawItem(QPainter& painter, const QRect& itemRect, bool selected,
                         const MenuItemLook& item);

private:
    SkinnedMenu(const QString& title, SkinnedMenu& parentMenu);
};

// The command of an action of a SkinnedMenu (as QMenu::exec returns or QMenu::triggered gives
// it); nothing for a null action or one without a command.
std::optional<MenuCommand> CommandOf(const QAction* action);

}  // namespace zel::app
