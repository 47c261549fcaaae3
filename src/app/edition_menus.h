#pragma once

// The two pop-up menus of each edition: the context menu of the macro step list and the tray
// menu, with their texts (trailing blanks kept, as the menus carry them) and command
// identifiers. The EN and CN identifiers differ; MenuCommandOf maps both to one command.

#include <optional>
#include <vector>

#include "app/skinned_menu.h"

namespace zel::app {

// Menu numbers of each edition.
inline constexpr int kStepMenuEN = 154;
inline constexpr int kTrayMenuEN = 157;
inline constexpr int kStepMenuCN = 161;
inline constexpr int kTrayMenuCN = 162;

// Command identifiers of the tray menu.
inline constexpr int kShowWindowEN = 32801;
inline constexpr int kExitDriverEN = 32800;
inline constexpr int kShowWindowCN = 32837;
inline constexpr int kExitDriverCN = 32838;

int StepMenuFor(int languageFlag);  // 154 for a non-zero flag (EN), else 161
int TrayMenuFor(int languageFlag);  // 157 for a non-zero flag (EN), else 162

// The items of menu 154, 157, 161 or 162: one pop-up holding the menu's entries. Empty for any
// other number.
std::vector<MenuItemTemplate> MenuItems(int menuNumber);

// Replaces what `menu` holds by menu `menuNumber`, owner-drawn: the records are emptied, the
// new menu attached (the old one destroyed) and converted.
void LoadOwnerDrawnMenu(SkinnedMenu& menu, int menuNumber);

// Both menus of the edition.
void LoadEditionMenus(SkinnedMenu& stepMenu, SkinnedMenu& trayMenu, int languageFlag);

// What a chosen menu item asks for, the same for both editions.
enum class MenuCommand {
    ShowWindow,
    ExitDriver,
    InsertBefore,  // a mouse-button step before the selected step
    InsertAfter,   // ... after it
    ModifyDelay,
    DeleteStep,
};

enum class StepButton { Left, Right, Middle };

struct MenuChoice {
    MenuCommand command;
    StepButton button = StepButton::Left;  // for the insertions
    bool down = false;                     // press (true) or release step, for the insertions

    friend bool operator==(const MenuChoice&, const MenuChoice&) = default;
};

// The command of an identifier of either edition; nothing for an unknown identifier.
std::optional<MenuChoice> MenuChoiceOf(int commandId);

}  // namespace zel::app
