#include "app/popups/choice_list_rows.h"

#include <gtest/gtest.h>

#include "app/pages/page_table.h"
#include "macro/macro_name.h"

namespace zel::app {
namespace {

using skin::kNoEntry;

TEST(ChoiceListRows, GroupsHaveTheirCountsOffsetsAndCodes) {
    struct Case {
        int row, userCount, count, offsetRows, firstCode, lastCode;
    };
    const Case cases[] = {
        {kDeviceGroupRow, 3, 6, 1, 11, 16}, {kConsumerGroupRow, 3, 10, -2, 21, 30},
        {kUserMacroRow, 3, 3, 6, 41, 43},   {kUserMacroRow, 12, 12, -3, 41, 52},
        {kUserMacroRow, 0, 0, 9, 41, 40},   {kBuiltinGroupRow, 3, 8, 2, 31, 38},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        const int count = SubItemCount(c.row, c.userCount, 77);
        EXPECT_EQ(count, c.count);
        EXPECT_EQ(SubListOffsetRows(c.row, c.userCount), c.offsetRows);
        // The group's last item is level with the opening row.
        if (count > 0) {
            EXPECT_EQ(SubListOffsetRows(c.row, c.userCount) + count, c.row);
        }
        EXPECT_EQ(SubItemCode(c.row, 1), c.firstCode);
        EXPECT_EQ(SubItemCode(c.row, count), c.lastCode);
    }
    EXPECT_EQ(SubItemCount(3, 5, 77), 77);  // a row without a group keeps the count
    EXPECT_EQ(SubItemCode(3, 1), 0);
    EXPECT_FALSE(OpensGroup(6));
    EXPECT_TRUE(OpensGroup(7));
    EXPECT_TRUE(OpensGroup(10));
    EXPECT_FALSE(OpensGroup(11));
}

TEST(ChoiceListRows, RowsAreBandsOfTheRowHeight) {
    struct Case {
        int x, y, maxRow, expected;
    };
    const Case cases[] = {
        {0, 0, 12, 1},          {119, 11, 12, 1},
        {50, 12, 12, 2},        {50, 119, 12, 10},
        {50, 120, 12, 11},  // the strip below row 10 falls in row 11
        {50, 143, 12, 12},      {50, 144, 12, kNoEntry},
        {120, 5, 12, kNoEntry}, {-1, 5, 12, kNoEntry},
        {5, -1, 12, kNoEntry},  {5, 36, 3, kNoEntry},  // below the last item
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RowAt(c.x, c.y, 120, 12, c.maxRow), c.expected) << c.x << "," << c.y;
    }
    EXPECT_EQ(RowAt(5, 5, 120, 0, 12), kNoEntry);  // no pictures, no rows
}

TEST(ChoiceListRows, ItemTextsComeFromFunctionNamesOrMacroNames) {
    std::array<std::string, 55> names;
    for (std::size_t i = 0; i < names.size(); ++i) {
        names[i] = "F" + std::to_string(i);
    }
    macro::MacroStore macros;
    macro::MacroRecord first{};
    macro::SetName(first, "Combo");
    macros.ReplaceUserMacros(std::span(&first, 1));

    EXPECT_EQ(SubItemText(kDeviceGroupRow, 4, names, macros), "F14");
    EXPECT_EQ(SubItemText(kConsumerGroupRow, 10, names, macros), "F30");
    EXPECT_EQ(SubItemText(kBuiltinGroupRow, 1, names, macros), "F31");
    EXPECT_EQ(SubItemText(kUserMacroRow, 1, names, macros), "Combo");
    EXPECT_EQ(SubItemText(kUserMacroRow, 13, names, macros), "");
    EXPECT_EQ(SubItemText(2, 1, names, macros), "");
}

}  // namespace
}  // namespace zel::app
