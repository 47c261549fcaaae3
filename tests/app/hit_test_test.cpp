#include "app/pages/hit_test.h"

#include <gtest/gtest.h>

#include "app/pages/page_table.h"

namespace zel::app {
namespace {

using skin::kNoEntry;

skin::SkinButton Button(int x, int y, int w, int h) {
    return {x, y, w, h, {}, {}};
}

TEST(HitTest, OtherPagesFindOnlyFrameButtonsOfTheMainList) {
    skin::SkinLayout layout;
    layout.mainButtons[3] = Button(0, 0, 10, 10);
    layout.mainButtons[25] = Button(20, 0, 10, 10);
    layout.mainButtons[114] = Button(40, 0, 10, 10);
    layout.mainButtons[115] = Button(60, 0, 10, 10);  // a hover companion, never hot
    layout.colorButtons[4] = Button(20, 0, 10, 10);
    layout.colorButtons[5] = Button(80, 0, 10, 10);
    layout.advancedButtons[37] = Button(20, 0, 10, 10);
    layout.advancedButtons[38] = Button(80, 0, 10, 10);

    EXPECT_EQ(ComputeHotIndices(5, 5, layout, kMainPage, kShippedPages),
              (HotIndices{3, kNoEntry, kNoEntry}));
    EXPECT_EQ(ComputeHotIndices(5, 5, layout, kAdvancedPage, kShippedPages),
              (HotIndices{3, kNoEntry, kNoEntry}));
    // All three lists are tested on every page.
    EXPECT_EQ(ComputeHotIndices(25, 5, layout, kMainPage, kShippedPages), (HotIndices{25, 4, 37}));
    EXPECT_EQ(ComputeHotIndices(25, 5, layout, kColorPage, kShippedPages),
              (HotIndices{kNoEntry, 4, 37}));
    EXPECT_EQ(ComputeHotIndices(45, 5, layout, kMainPage, kShippedPages).HotButton, 114);
    EXPECT_EQ(ComputeHotIndices(45, 5, layout, kAdvancedPage, kShippedPages).HotButton, kNoEntry);
    EXPECT_EQ(ComputeHotIndices(65, 5, layout, kMainPage, kShippedPages).HotButton, kNoEntry);
    // Caption-only entries of the page lists are never hot.
    EXPECT_EQ(ComputeHotIndices(85, 5, layout, kColorPage, kShippedPages), (HotIndices{}));
}

}  // namespace
}  // namespace zel::app
