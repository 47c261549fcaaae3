#pragma once

// A menu read back as a list, depth first: the menu's title first, then every item, an item
// that opens a sub-menu followed by that sub-menu's items.

#include <QAction>
#include <QMenu>
#include <QString>
#include <optional>
#include <ostream>
#include <vector>

#include "app/menus/skinned_menu.h"

namespace zel::app {

struct MenuLine {
    QString text;
    MenuItemKind kind = MenuItemKind::Command;
    std::optional<MenuCommand> command;
    friend bool operator==(const MenuLine&, const MenuLine&) = default;
};

inline void PrintTo(const MenuLine& line, std::ostream* out) {
    *out << '"' << line.text.toStdString() << "\" kind " << static_cast<int>(line.kind)
         << " command " << (line.command ? static_cast<int>(*line.command) : -1);
}

inline void AppendMenuLines(const QMenu& menu, std::vector<MenuLine>& lines) {
    for (const QAction* action : menu.actions()) {
        if (const QMenu* sub = action->menu()) {
            lines.push_back({action->text(), MenuItemKind::SubMenu, CommandOf(action)});
            AppendMenuLines(*sub, lines);
        } else if (action->isSeparator()) {
            lines.push_back({action->text(), MenuItemKind::Separator, CommandOf(action)});
        } else {
            lines.push_back({action->text(), MenuItemKind::Command, CommandOf(action)});
        }
    }
}

inline std::vector<MenuLine> MenuLines(const QMenu& menu) {
    std::vector<MenuLine> lines{{menu.title(), MenuItemKind::SubMenu, std::nullopt}};
    AppendMenuLines(menu, lines);
    return lines;
}

}  // namespace zel::app
