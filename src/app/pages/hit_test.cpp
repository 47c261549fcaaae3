#include "app/pages/hit_test.h"

#include "app/pages/page_table.h"

namespace zel::app {

namespace {

int HotIndexIn(std::span<const Control> table, std::span<const skin::SkinButton> buttons, int px,
               int py) {
    const ControlHit hit = ControlAt(table, buttons, px, py);
    return hit ? hit.Index() : skin::kNoEntry;
}

}  // namespace

HotIndices ComputeHotIndices(int px, int py, const skin::SkinLayout& layout,
                             std::uint8_t currentPage, const PageSet& pages) {
    HotIndices hot;
    hot.HotButton = HotIndexIn(pages.frame, layout.mainButtons, px, py);
    if (hot.HotButton == skin::kNoEntry && currentPage == kMainPage) {
        hot.HotButton = HotIndexIn(pages.Of(kMainPage).controls, layout.mainButtons, px, py);
    }
    hot.colorHot = HotIndexIn(pages.Of(kColorPage).controls, layout.colorButtons, px, py);
    hot.advHot = HotIndexIn(pages.Of(kAdvancedPage).controls, layout.advancedButtons, px, py);
    return hot;
}

}  // namespace zel::app
