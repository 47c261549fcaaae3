#include "app/menus/edition_menus.h"

namespace zel::app {
namespace {

MenuEntry Command(const char* textEN, const char* textCN, MenuCommand command) {
    return {textEN, textCN, command, {}};
}

MenuEntry SubMenu(const char* textEN, const char* textCN, std::vector<MenuEntry> children) {
    return {textEN, textCN, std::nullopt, std::move(children)};
}

QString TextOf(const MenuEntry& entry, int languageFlag) {
    return QString::fromUtf8(languageFlag != 0 ? entry.textEN : entry.textCN);
}

void AddEntries(SkinnedMenu& menu, const std::vector<MenuEntry>& entries, int languageFlag) {
    for (const MenuEntry& entry : entries) {
        if (entry.command) {
            menu.AddCommand(TextOf(entry, languageFlag), *entry.command);
        } else {
            AddEntries(*menu.AddSubMenu(TextOf(entry, languageFlag)), entry.children, languageFlag);
        }
    }
}

}  // namespace

MenuEntry StepMenuEntry() {
    using C = MenuCommand;
    return SubMenu(
        "Menu_Macro", "Macro",
        {SubMenu("Add Forward", "Insertar antes del elemento    ",
                 {SubMenu("Left Button", "Botón izquierdo ",
                          {Command("Down ", "Pulsación", C::InsertLeftPressBefore),
                           Command("Up", "Liberación", C::InsertLeftReleaseBefore)}),
                  SubMenu("Right Button", "Clic derecho",
                          {Command("Down", "Pulsación", C::InsertRightPressBefore),
                           Command("Up", "Liberación ", C::InsertRightReleaseBefore)}),
                  SubMenu("Mid Button", "Botón central",
                          {Command("Down", "Pulsación", C::InsertMiddlePressBefore),
                           Command("Up", "Liberación ", C::InsertMiddleReleaseBefore)})}),
         SubMenu("Add Backward", "Insertar después del elemento  ",
                 {SubMenu("Left Button", "Botón izquierdo ",
                          {Command("Down ", "Pulsación", C::InsertLeftPressAfter),
                           Command("Up", "Liberación", C::InsertLeftReleaseAfter)}),
                  SubMenu("Right Button", "Clic derecho",
                          {Command("Down", "Pulsación", C::InsertRightPressAfter),
                           Command("Up", "Liberación", C::InsertRightReleaseAfter)}),
                  SubMenu("Mid Button", "Botón central ",
                          {Command("Down", "Pulsación", C::InsertMiddlePressAfter),
                           Command("Up", "Liberación ", C::InsertMiddleReleaseAfter)})}),
         Command("Modify Delay", "Modificar el retraso", C::ModifyDelay),
         Command("Delete", "Eliminar", C::DeleteStep)});
}

MenuEntry TrayMenuEntry() {
    return SubMenu("Menu_Tray", "Escritorio",
                   {Command("Show Window", "Mostrar ventana", MenuCommand::ShowWindow),
                    Command("Exit Driver", "Salir", MenuCommand::Exit)});
}

void FillMenu(SkinnedMenu& menu, const MenuEntry& entry, int languageFlag) {
    menu.ClearItems();
    menu.setTitle(TextOf(entry, languageFlag));
    AddEntries(menu, entry.children, languageFlag);
}

void LoadEditionMenus(SkinnedMenu& stepMenu, SkinnedMenu& trayMenu, int languageFlag) {
    FillMenu(stepMenu, StepMenuEntry(), languageFlag);
    FillMenu(trayMenu, TrayMenuEntry(), languageFlag);
}

}  // namespace zel::app
