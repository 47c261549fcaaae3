#include "app/hit_test.h"

#include <algorithm>

#include "app/page_table.h"

namespace zel::app {

int HitTest(int px, int py, std::span<const skin::SkinButton> buttons, int last) {
    const int end = std::min(last, static_cast<int>(buttons.size()) - 1);
    for (int i = 0; i <= end; ++i) {
        if (buttons[static_cast<std::size_t>(i)].Rect().Contains(px, py)) {
            return i;
        }
    }
    return kNone;
}

HotIndices ComputeHotIndices(int px, int py, const skin::SkinLayout& layout,
                             std::uint8_t currentPage) {
    HotIndices hot;
    hot.HotButton =
        HitTest(px, py, layout.mainButtons,
                currentPage == kMainPage ? buttons::kLastMainHitTested : buttons::kLastFrameButton);
    hot.colorHot = HitTest(px, py, layout.colorButtons, buttons::kLastColorHitTested);
    hot.advHot = HitTest(px, py, layout.advancedButtons, buttons::kLastAdvancedHitTested);
    return hot;
}

}  // namespace zel::app
