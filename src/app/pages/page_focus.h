#pragma once

// The keyboard's way through the window: the rows Tab stops at, in reading order, and the member
// of a group that a stop starts on.

#include <cstdint>
#include <vector>

#include "app/pages/page_controls.h"
#include "app/pages/page_state.h"
#include "app/pages/page_table.h"
#include "skin/skin_layout.h"

namespace zel::app {

// The rows that act, in reading order: the frame's title bar and side (page tabs, title-bar
// buttons, editions, profiles, import, export, reset) by their places, then the shown page's
// rows in their table's order, then the frame's bottom buttons (Save, Cancel, Apply) from the
// left.
std::vector<const Control*> FocusOrder(std::uint8_t page, const skin::SkinLayout& layout,
                                       const PageSet& pages);

// Where the keyboard lands on entering a row: a step bar's step that shows its value, the member
// shown pressed (the current profile, the selected level or speed), else the first.
ControlHit FocusEntry(const Control& row, const PageStateView& view);

// The next (or previous) stop after `current`, wrapping around; the first (or last) stop when
// `current` is not in the order. Empty when nothing acts.
ControlHit NextFocus(const std::vector<const Control*>& order, const ControlHit& current,
                     bool forward, const PageStateView& view);

// The row of the frame or of page `page` that runs `command`; empty when none does.
ControlHit RowRunning(std::uint8_t page, Command command, const PageSet& pages);

// `current` moved by `delta` members within its group, kept inside it.
ControlHit MoveWithinGroup(const ControlHit& current, int delta);

}  // namespace zel::app
