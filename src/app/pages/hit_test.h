#pragma once

// Which control of the pages lies under the pointer, found through the tables.

#include <cstdint>

#include "app/pages/page_controls.h"
#include "app/pages/page_table.h"
#include "skin/skin_layout.h"

namespace zel::app {

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
                             std::uint8_t currentPage, const PageSet& pages);

}  // namespace zel::app
