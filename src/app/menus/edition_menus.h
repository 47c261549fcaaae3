#pragma once

// The program's two pop-up menus, each defined once with its texts in both editions (trailing
// blanks kept, as the menus carry them): the context menu of the macro step list and the tray
// menu. The items carry the same commands in both editions.

#include <QString>
#include <optional>
#include <vector>

#include "app/menus/menu_command.h"
#include "app/menus/skinned_menu.h"

namespace zel::app {

// One entry of a menu: a command, or a sub-menu holding `children`.
struct MenuEntry {
    const char* textEN;
    const char* textCN;
    std::optional<MenuCommand> command;  // none for a sub-menu
    std::vector<MenuEntry> children;
};

// The menus: one entry each, the pop-up whose title is the menu's name and whose children are
// its items.
MenuEntry StepMenuEntry();
MenuEntry TrayMenuEntry();

// Replaces what `menu` holds by the items of `entry` in the edition of `languageFlag` (EN for
// any non-zero flag); the menu takes the entry's title.
void FillMenu(SkinnedMenu& menu, const MenuEntry& entry, int languageFlag);

// Both menus of the edition.
void LoadEditionMenus(SkinnedMenu& stepMenu, SkinnedMenu& trayMenu, int languageFlag);

}  // namespace zel::app
