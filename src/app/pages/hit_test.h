#pragma once

// Which skin button lies under the pointer.

#include <cstdint>
#include <span>

#include "app/pages/page_controls.h"
#include "skin/skin_layout.h"

namespace zel::app {

// The first index i in 0 ... last whose rectangle contains (px, py), right and bottom edges
// excluded; 255 when none does or when last is negative. `last` beyond the list is cut to it.
// (The choice lists and the warning window, which have no control tables.)
int HitTest(int px, int py, std::span<const skin::SkinButton> buttons, int last);

// The three hot indices of the main window, one per button list.
struct HotIndices {
    int HotButton = 255;  // mainButtons
    int colorHot = 255;   // colorButtons
    int advHot = 255;     // advancedButtons

    int Of(ButtonList list) const {
        return list == ButtonList::Advanced ? advHot
               : list == ButtonList::Color  ? colorHot
                                            : HotButton;
    }

    friend bool operator==(const HotIndices&, const HotIndices&) = default;
};

// The lit controls of the tables under the pointer, one per list. The frame's table is tested on
// every page and the main page's only while it is shown; the advanced and lighting pages' tables
// are tested on every page, so a press over one of their places shows as a press everywhere.
HotIndices ComputeHotIndices(int px, int py, const skin::SkinLayout& layout,
                             std::uint8_t currentPage);

}  // namespace zel::app
