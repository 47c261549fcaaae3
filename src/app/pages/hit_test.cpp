#include "app/pages/hit_test.h"

#include <algorithm>

#include "app/pages/page_table.h"

namespace zel::app {

namespace {

int HotIndexIn(std::span<const Control> table, std::span<const skin::SkinButton> buttons, int px,
               int py) {
    const ControlHit hit = ControlAt(table, buttons, px, py);
    return hit ? hit.Index() : skin::kNoEntry;
}

}  // namespace

int HitTest(int px, int py, std::span<const skin::SkinButton> buttons, int last) {
    const int end = std::min(last, static_cast<int>(buttons.size()) - 1);
    for (int i = 0; i <= end; ++i) {
        if (buttons[static_cast<std::size_t>(i)].Rect().Contains(px, py)) {
            return i;
        }
    }
    return skin::kNoEntry;
}

HotIndices ComputeHotIndices(int px, int py, const skin::SkinLayout& layout,
                             std::uint8_t currentPage) {
    HotIndices hot;
    hot.HotButton = HotIndexIn(kFrameControls, layout.mainButtons, px, py);
    if (hot.HotButton == skin::kNoEntry && currentPage == kMainPage) {
        hot.HotButton = HotIndexIn(kMainPageControls, layout.mainButtons, px, py);
    }
    hot.colorHot = HotIndexIn(kColorPageControls, layout.colorButtons, px, py);
    hot.advHot = HotIndexIn(kAdvancedPageControls, layout.advancedButtons, px, py);
    return hot;
}

}  // namespace zel::app
