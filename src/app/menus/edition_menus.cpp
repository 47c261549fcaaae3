#include "app/menus/edition_menus.h"

#include "text/catalog.h"

namespace zel::app {
namespace {

using text::TextId;

MenuEntry Command(TextId text, MenuCommand command) {
    return {text, command, {}};
}

MenuEntry SubMenu(TextId text, std::vector<MenuEntry> children) {
    return {text, std::nullopt, std::move(children)};
}

QString TextOf(const MenuEntry& entry, int languageFlag) {
    const std::string_view words = text::Text(entry.text, languageFlag);
    return QString::fromUtf8(words.data(), static_cast<qsizetype>(words.size()));
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
        TextId::kStepMenuTitle,
        {SubMenu(
             TextId::kStepMenuInsertBefore,
             {SubMenu(TextId::kStepMenuLeftButton,
                      {Command(TextId::kStepMenuLeftPress, C::InsertLeftPressBefore),
                       Command(TextId::kStepMenuRelease, C::InsertLeftReleaseBefore)}),
              SubMenu(TextId::kStepMenuRightButton,
                      {Command(TextId::kStepMenuPress, C::InsertRightPressBefore),
                       Command(TextId::kStepMenuReleaseSpaced, C::InsertRightReleaseBefore)}),
              SubMenu(TextId::kStepMenuMiddleButton,
                      {Command(TextId::kStepMenuPress, C::InsertMiddlePressBefore),
                       Command(TextId::kStepMenuReleaseSpaced, C::InsertMiddleReleaseBefore)})}),
         SubMenu(TextId::kStepMenuInsertAfter,
                 {SubMenu(TextId::kStepMenuLeftButton,
                          {Command(TextId::kStepMenuLeftPress, C::InsertLeftPressAfter),
                           Command(TextId::kStepMenuRelease, C::InsertLeftReleaseAfter)}),
                  SubMenu(TextId::kStepMenuRightButton,
                          {Command(TextId::kStepMenuPress, C::InsertRightPressAfter),
                           Command(TextId::kStepMenuRelease, C::InsertRightReleaseAfter)}),
                  SubMenu(TextId::kStepMenuMiddleButtonAfter,
                          {Command(TextId::kStepMenuPress, C::InsertMiddlePressAfter),
                           Command(TextId::kStepMenuReleaseSpaced, C::InsertMiddleReleaseAfter)})}),
         Command(TextId::kStepMenuModifyDelay, C::ModifyDelay),
         Command(TextId::kStepMenuDelete, C::DeleteStep)});
}

MenuEntry TrayMenuEntry() {
    return SubMenu(TextId::kTrayMenuTitle,
                   {Command(TextId::kTrayMenuShowWindow, MenuCommand::ShowWindow),
                    Command(TextId::kTrayMenuExit, MenuCommand::Exit)});
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
