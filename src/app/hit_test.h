#pragma once

// Which skin button lies under the pointer.

#include <cstdint>
#include <span>

#include "skin/skin_layout.h"

namespace zel::app {

// The first index i in 0 ... last whose rectangle contains (px, py), right and bottom edges
// excluded; 255 when none does or when last is negative. `last` beyond the list is cut to it.
int HitTest(int px, int py, std::span<const skin::SkinButton> buttons, int last);

// The three hot indices of the main window, one per button list.
struct HotIndices {
    int HotButton = 255;  // mainButtons
    int colorHot = 255;   // colorButtons
    int advHot = 255;     // advancedButtons

    friend bool operator==(const HotIndices&, const HotIndices&) = default;
};

// All three lists are tested on every page; the main list up to 114 on the main page and only
// its frame buttons (0 ... 19) on the others.
HotIndices ComputeHotIndices(int px, int py, const skin::SkinLayout& layout,
                             std::uint8_t currentPage);

}  // namespace zel::app
