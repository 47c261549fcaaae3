#pragma once

// Switching the running program between its two editions (EN and CN): the flag is stored, the
// skin layouts, the user macro file and the two menus of the new edition are loaded and the
// window title is set again. The loaded profile is left alone; texts and fonts follow the flag at
// the next paint.

#include <cstdint>
#include <filesystem>
#include <functional>

#include "platform/app_paths.h"

namespace zel::app {

inline constexpr std::int32_t kEditionCN = 0;
inline constexpr std::int32_t kEditionEN = 1;

// What the switch asks of the window. An empty hook is skipped.
struct EditionSwitchHooks {
    // Reads the main, colour, advanced and warning layouts again, in this order, each from the
    // file of the new edition. False when the program is ending instead (a layout file is
    // missing): the switch stops there.
    std::function<bool()> reloadLayouts;
    // Replaces the user macros with those of `macroFile` (and refreshes the macro page when it
    // is shown).
    std::function<void(const std::filesystem::path& macroFile)> loadUserMacros;
    // Replaces the step-list and tray menus by those of the edition, owner-drawn.
    std::function<void(std::int32_t languageFlag)> loadMenus;
    // Sets the window title again.
    std::function<void()> setWindowTitle;
};

struct EditionSwitchContext {
    std::int32_t& languageFlag;
    platform::AppPaths& paths;  // configPath is written, macroPath follows the edition
    EditionSwitchHooks hooks;
};

// Runs the five steps for `languageFlag` (0 CN, 1 EN); selecting the edition already active runs
// them too.
void SelectEdition(const EditionSwitchContext& context, std::int32_t languageFlag);

inline void SelectEditionCN(const EditionSwitchContext& context) {
    SelectEdition(context, kEditionCN);
}
inline void SelectEditionEN(const EditionSwitchContext& context) {
    SelectEdition(context, kEditionEN);
}

}  // namespace zel::app
