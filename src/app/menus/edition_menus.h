#pragma once

// The program's two pop-up menus, each defined once as a tree of catalog texts (whose words in
// each edition keep the trailing blanks the menus carry): the context menu of the macro step
// list and the tray menu. The items carry the same commands in both editions.

#include <QString>
#include <optional>
#include <vector>

#include "app/menus/menu_command.h"
#include "app/menus/skinned_menu.h"
#include "text/text_id.h"

namespace zel::app {

// One entry of a menu: a command, or a sub-menu holding `children`.
struct MenuEntry {
    text::TextId text;
    std::optional<MenuCommand> command;  // none for a sub-menu
    std::vector<MenuEntry> children;
};

// The menus: one entry each, the pop-up whose title is the menu's name and whose children are
// its items.
MenuEntry StepMenuEntry();
MenuEntry TrayMenuEntry();

// Replaces what `menu` holds by the items of `entry` in the words of `languageFlag`'s edition;
// the menu takes the entry's title.
void FillMenu(SkinnedMenu& menu, const MenuEntry& entry, int languageFlag);

// Both menus of the edition.
void LoadEditionMenus(SkinnedMenu& stepMenu, SkinnedMenu& trayMenu, int languageFlag);

}  // namespace zel::app
