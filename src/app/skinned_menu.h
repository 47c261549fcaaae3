#pragma once

// SkinnedMenu: a pop-up menu drawn by the program so that it matches the dark skin: white text on
// dark teal, a blue-to-cyan gradient behind the selected item, a thin line for separators.
//
// The menu is a tree of QMenus (the "attached" menu: a root whose first item opens the pop-up
// that is shown). Each item's command identifier is its action's data. MakeOwnerDrawn walks the
// tree depth first, gives every item a record (text and command identifier) and has the item
// drawn and measured from that record by the menu's own style; items without a record are
// drawn by the normal style.

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <memory>
#include <vector>

class QAction;
class QMenu;
class QPainter;

namespace zel::app {

class ZelMenuStyle;

struct MenuItemRecord {
    QString text;   // as read from the menu, trailing blanks included
    int commandId;  // 0 for a separator, -1 for an item that opens a sub-menu
};

inline constexpr int kSeparatorCommandId = 0;
inline constexpr int kSubMenuCommandId = -1;

// Colours and measures of the drawing.
inline constexpr int kMenuCharacterWidth = 8;
inline constexpr int kMenuItemHeight = 20;
inline constexpr int kMenuSeparatorHeight = 1;
inline constexpr int kMenuTextIndent = 10;
inline constexpr int kMenuSeparatorIndent = 25;

class SkinnedMenu : public QObject {
    Q_OBJECT
public:
    explicit SkinnedMenu(QObject* parent = nullptr);
    ~SkinnedMenu() override;
    SkinnedMenu(const SkinnedMenu&) = delete;
    SkinnedMenu& operator=(const SkinnedMenu&) = delete;

    // Takes a freshly built menu; a menu attached before is destroyed.
    void Attach(std::unique_ptr<QMenu> menu);
    // Gives up the attached menu (null when none).
    std::unique_ptr<QMenu> Detach();
    QMenu* AttachedMenu() const { return menu_.get(); }

    // Empties the item records (before a new menu is converted).
    void ClearRecords() { records_.clear(); }

    // Converts `menu` and, recursively, its sub-menus; records are appended in depth-first
    // order, so an item that opens a sub-menu is followed by the records of that sub-menu.
    // Null does nothing.
    void MakeOwnerDrawn(QMenu* menu);

    const std::vector<MenuItemRecord>& records() const { return records_; }
    int ItemCount() const { return static_cast<int>(records_.size()); }
    // The record drawn for `action`, or null when the action has none.
    const MenuItemRecord* RecordOf(const QAction* action) const;

    // The pop-up that is shown: the sub-menu of the attached menu's first item (null when the
    // attached menu has none).
    QMenu* Popup() const;

    // Shows the pop-up at `globalPos` and waits for the choice: the chosen item's command
    // identifier, 0 when the menu was closed without one (or there is no pop-up).
    int TrackPopup(const QPoint& globalPos);

    // Size of an item: characters x 8 by 20 pixels, a separator 1 pixel high.
    static QSize MeasureItem(const MenuItemRecord& record);

    // Draws one item into `itemRect` of `painter`.
    static void DrawItem(QPainter& painter, const QRect& itemRect, bool selected,
                         const MenuItemRecord& record);

signals:
    // An item with a command identifier was chosen in the attached menu.
    void commandTriggered(int commandId);

private:
    void ConnectCommands(QMenu& menu);

    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<ZelMenuStyle> style_;
    std::vector<MenuItemRecord> records_;
};

// Builds the attached-menu tree from a description, for tests and the editions' menus.
struct MenuItemTemplate {
    QString text;
    int commandId = 0;  // ignored for a sub-menu
    std::vector<MenuItemTemplate> children;
    bool separator = false;

    static MenuItemTemplate Item(QString text, int commandId) {
        return {std::move(text), commandId, {}, false};
    }
    static MenuItemTemplate SubMenu(QString text, std::vector<MenuItemTemplate> children) {
        return {std::move(text), kSubMenuCommandId, std::move(children), false};
    }
    static MenuItemTemplate Separator() { return {QString(), kSeparatorCommandId, {}, true}; }
};

// A root menu holding `items` (each command's identifier in its action's data).
std::unique_ptr<QMenu> BuildMenu(const std::vector<MenuItemTemplate>& items);

// The command identifier of a chosen action (0 for none).
int CommandIdOf(const QAction* action);

}  // namespace zel::app
