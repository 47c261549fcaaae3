#include "app/edition_menus.h"

#include <QMenu>
#include <array>

namespace zel::app {
namespace {

using T = MenuItemTemplate;

// One insertion pop-up: three buttons, each with a press and a release entry.
struct ButtonTexts {
    const char* button;
    const char* down;
    const char* up;
    int downId;
    int upId;
};

T InsertionMenu(const char* title, const std::array<ButtonTexts, 3>& buttons) {
    std::vector<T> entries;
    for (const ButtonTexts& b : buttons) {
        entries.push_back(
            T::SubMenu(QString::fromUtf8(b.button), {T::Item(QString::fromUtf8(b.down), b.downId),
                                                     T::Item(QString::fromUtf8(b.up), b.upId)}));
    }
    return T::SubMenu(QString::fromUtf8(title), std::move(entries));
}

std::vector<T> StepMenuEN() {
    return {
        T::SubMenu("Menu_Macro",
                   {InsertionMenu("Add Forward", {{{"Left Button", "Down ", "Up", 32802, 32803},
                                                   {"Right Button", "Down", "Up", 32804, 32805},
                                                   {"Mid Button", "Down", "Up", 32806, 32807}}}),
                    InsertionMenu("Add Backward", {{{"Left Button", "Down ", "Up", 32809, 32810},
                                                    {"Right Button", "Down", "Up", 32811, 32812},
                                                    {"Mid Button", "Down", "Up", 32813, 32814}}}),
                    T::Item("Modify Delay", 32780), T::Item("Delete", 32781)})};
}

std::vector<T> StepMenuCN() {
    return {T::SubMenu(
        "Macro", {InsertionMenu("Insertar antes del elemento    ",
                                {{{"Botón izquierdo ", "Pulsación", "Liberación", 32817, 32818},
                                  {"Clic derecho", "Pulsación", "Liberación ", 32820, 32821},
                                  {"Botón central", "Pulsación", "Liberación ", 32823, 32824}}}),
                  InsertionMenu("Insertar después del elemento  ",
                                {{{"Botón izquierdo ", "Pulsación", "Liberación", 32829, 32830},
                                  {"Clic derecho", "Pulsación", "Liberación", 32831, 32832},
                                  {"Botón central ", "Pulsación", "Liberación ", 32833, 32834}}}),
                  T::Item("Modificar el retraso", 32835), T::Item("Eliminar", 32836)})};
}

std::vector<T> TrayMenuEN() {
    return {T::SubMenu("Menu_Tray", {T::Item("Show Window", kShowWindowEN),
                                     T::Item("Exit Driver", kExitDriverEN)})};
}

std::vector<T> TrayMenuCN() {
    return {T::SubMenu("Escritorio", {T::Item("Mostrar ventana", kShowWindowCN),
                                      T::Item("Salir", kExitDriverCN)})};
}

struct InsertionIds {
    MenuCommand command;
    StepButton button;
    int downId;
    int upId;
};

constexpr InsertionIds kInsertionIds[] = {
    {MenuCommand::InsertBefore, StepButton::Left, 32802, 32803},
    {MenuCommand::InsertBefore, StepButton::Right, 32804, 32805},
    {MenuCommand::InsertBefore, StepButton::Middle, 32806, 32807},
    {MenuCommand::InsertAfter, StepButton::Left, 32809, 32810},
    {MenuCommand::InsertAfter, StepButton::Right, 32811, 32812},
    {MenuCommand::InsertAfter, StepButton::Middle, 32813, 32814},
    {MenuCommand::InsertBefore, StepButton::Left, 32817, 32818},
    {MenuCommand::InsertBefore, StepButton::Right, 32820, 32821},
    {MenuCommand::InsertBefore, StepButton::Middle, 32823, 32824},
    {MenuCommand::InsertAfter, StepButton::Left, 32829, 32830},
    {MenuCommand::InsertAfter, StepButton::Right, 32831, 32832},
    {MenuCommand::InsertAfter, StepButton::Middle, 32833, 32834},
};

}  // namespace

int StepMenuFor(int languageFlag) {
    return languageFlag != 0 ? kStepMenuEN : kStepMenuCN;
}

int TrayMenuFor(int languageFlag) {
    return languageFlag != 0 ? kTrayMenuEN : kTrayMenuCN;
}

std::vector<MenuItemTemplate> MenuItems(int menuNumber) {
    switch (menuNumber) {
        case kStepMenuEN:
            return StepMenuEN();
        case kTrayMenuEN:
            return TrayMenuEN();
        case kStepMenuCN:
            return StepMenuCN();
        case kTrayMenuCN:
            return TrayMenuCN();
        default:
            return {};
    }
}

void LoadOwnerDrawnMenu(SkinnedMenu& menu, int menuNumber) {
    menu.ClearRecords();
    menu.Attach(BuildMenu(MenuItems(menuNumber)));
    menu.MakeOwnerDrawn(menu.AttachedMenu());
}

void LoadEditionMenus(SkinnedMenu& stepMenu, SkinnedMenu& trayMenu, int languageFlag) {
    LoadOwnerDrawnMenu(stepMenu, StepMenuFor(languageFlag));
    LoadOwnerDrawnMenu(trayMenu, TrayMenuFor(languageFlag));
}

std::optional<MenuChoice> MenuChoiceOf(int commandId) {
    switch (commandId) {
        case kShowWindowEN:
        case kShowWindowCN:
            return MenuChoice{MenuCommand::ShowWindow};
        case kExitDriverEN:
        case kExitDriverCN:
            return MenuChoice{MenuCommand::ExitDriver};
        case 32780:
        case 32835:
            return MenuChoice{MenuCommand::ModifyDelay};
        case 32781:
        case 32836:
            return MenuChoice{MenuCommand::DeleteStep};
        default:
            break;
    }
    for (const InsertionIds& ids : kInsertionIds) {
        if (commandId == ids.downId || commandId == ids.upId) {
            return MenuChoice{ids.command, ids.button, commandId == ids.downId};
        }
    }
    return std::nullopt;
}

}  // namespace zel::app
