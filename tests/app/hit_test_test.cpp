#include "app/pages/hit_test.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "app/pages/page_table.h"

namespace zel::app {
namespace {

using skin::kNoEntry;

skin::SkinButton Button(int x, int y, int w, int h) {
    return {x, y, w, h, {}};
}

TEST(HitTest, FindsTheFirstContainingRectangleWithExclusiveEdges) {
    const std::vector<skin::SkinButton> list = {
        Button(10, 10, 20, 10),  // 0
        Button(0, 0, 0, 0),      // 1: empty, never hot
        Button(25, 15, 20, 20),  // 2: overlaps 0
        Button(-5, -5, 3, 3),    // 3: negative coordinates
    };
    struct Case {
        int x, y, last, expected;
    };
    const Case cases[] = {
        {10, 10, 3, 0},          // top-left corner is inside
        {29, 19, 3, 0},          // last pixel inside
        {30, 15, 3, 2},          // right edge of 0 excluded, 2 starts at 25
        {27, 17, 3, 0},          // inside both: the lower index wins
        {0, 0, 3, kNoEntry},     // the empty rectangle holds no point
        {-4, -4, 3, 3},          //
        {27, 17, -1, kNoEntry},  // nothing tested
        {40, 30, 1, kNoEntry},   // 2 is beyond `last`
        {40, 30, 99, 2},         // `last` beyond the list is cut to it
        {45, 35, 99, kNoEntry},  // bottom-right corner excluded
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HitTest(c.x, c.y, list, c.last), c.expected)
            << "(" << c.x << ", " << c.y << ") last " << c.last;
    }
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

    EXPECT_EQ(ComputeHotIndices(5, 5, layout, kMainPage), (HotIndices{3, kNoEntry, kNoEntry}));
    EXPECT_EQ(ComputeHotIndices(5, 5, layout, kAdvancedPage), (HotIndices{3, kNoEntry, kNoEntry}));
    // All three lists are tested on every page.
    EXPECT_EQ(ComputeHotIndices(25, 5, layout, kMainPage), (HotIndices{25, 4, 37}));
    EXPECT_EQ(ComputeHotIndices(25, 5, layout, kColorPage), (HotIndices{kNoEntry, 4, 37}));
    EXPECT_EQ(ComputeHotIndices(45, 5, layout, kMainPage).HotButton, 114);
    EXPECT_EQ(ComputeHotIndices(45, 5, layout, kAdvancedPage).HotButton, kNoEntry);
    EXPECT_EQ(ComputeHotIndices(65, 5, layout, kMainPage).HotButton, kNoEntry);
    // Caption-only entries of the page lists are never hot.
    EXPECT_EQ(ComputeHotIndices(85, 5, layout, kColorPage), (HotIndices{}));
}

}  // namespace
}  // namespace zel::app
