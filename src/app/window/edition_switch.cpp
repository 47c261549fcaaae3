#include "app/window/edition_switch.h"

#include "settings/config_files.h"

namespace zel::app {

void SelectEdition(const EditionSwitchContext& context, std::int32_t languageFlag) {
    const EditionSwitchHooks& hooks = context.hooks;

    context.languageFlag = languageFlag;
    settings::WriteEditionFlag(context.paths.configPath, static_cast<std::uint8_t>(languageFlag));

    if (hooks.reloadLayouts && !hooks.reloadLayouts()) {
        return;
    }

    context.paths.SetLanguage(languageFlag);
    if (hooks.loadUserMacros) {
        hooks.loadUserMacros(context.paths.macroPath);
    }

    if (hooks.loadMenus) {
        hooks.loadMenus(languageFlag);
    }

    if (hooks.setWindowTitle) {
        hooks.setWindowTitle();
    }
}

}  // namespace zel::app
