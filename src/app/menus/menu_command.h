#pragma once

// What an item of the program's pop-up menus asks for. Every menu item carries one of these in
// its action's data, whatever the edition; the step list's commands are turned into the macro
// page's step operations here.

#include <optional>

#include "macro/step_list.h"

namespace zel::app {

enum class MenuCommand {
    // Tray menu.
    ShowWindow,
    Exit,
    // Step list's context menu: a mouse-button press or release step inserted before or after
    // the step under the pointer, the delay edit, the deletion.
    InsertLeftPressBefore,
    InsertLeftReleaseBefore,
    InsertRightPressBefore,
    InsertRightReleaseBefore,
    InsertMiddlePressBefore,
    InsertMiddleReleaseBefore,
    InsertLeftPressAfter,
    InsertLeftReleaseAfter,
    InsertRightPressAfter,
    InsertRightReleaseAfter,
    InsertMiddlePressAfter,
    InsertMiddleReleaseAfter,
    ModifyDelay,
    DeleteStep,
};

// The step operation of a step-list command; nothing for the tray's commands.
std::optional<macro::StepCommand> StepCommandOf(MenuCommand command);

}  // namespace zel::app
