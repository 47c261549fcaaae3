#pragma once

// The rows of the function choice lists: the first-level list has ten rows, rows 1 ... 6
// choose function codes 1 ... 6 and rows 7 ... 10 open a second-level list of one group.

#include <array>
#include <cstddef>
#include <string>

#include "macro/macro_store.h"
#include "settings/button_function.h"

namespace zel::app {

inline constexpr int kMenuRows = 10;
inline constexpr int kLastDirectChoiceRow = 6;
inline constexpr int kDeviceGroupRow = 7;    // codes 11 ... 16
inline constexpr int kConsumerGroupRow = 8;  // codes 21 ... 30
inline constexpr int kUserMacroRow = 9;      // codes 41 ...
inline constexpr int kBuiltinGroupRow = 10;  // codes 31 ... 38
inline constexpr int kFirstListWidth = 300;
inline constexpr int kFirstListHeight = 300;
inline constexpr int kSecondListWidth = 300;
inline constexpr int kSecondListHeight = 400;

constexpr bool OpensGroup(int firstRow) {
    return firstRow >= kDeviceGroupRow && firstRow <= kBuiltinGroupRow;
}

// The first-level row that shows function `code`: its own row, or the row of its group; 0 for a
// code no row shows.
int RowOfFunction(int code);

// The list of functions a first-level row opens; None for rows 1 ... 6.
settings::ChoiceList GroupOpenedBy(int firstRow);

// Row 1 ... rowCount under y (x between 0 and width), or 255. Rows beyond rowCount (the
// strip below the last row, and anything under it) are still numbered while they lie in
// 1 ... maxRow, as the lists number them.
int RowAt(int x, int y, int width, int rowHeight, int maxRow);

// Number of items of the group a first-level row opens; `previous` for a row that opens none.
int SubItemCount(int firstRow, int userCount, int previous);

// How far below the first-level list's top the group's list starts, in rows of the first
// list, so that its last item is level with the opening row.
int SubListOffsetRows(int firstRow, int userCount);

// The function code of item `item` (1-based) of the group a first-level row opens, by the
// function table's rows; 0 when the row opens no group.
int SubItemCode(int firstRow, int item);

// The text of an item: the function's display name, or the user macro's own name.
std::string SubItemText(int firstRow, int item, const std::array<std::string, 55>& functionNames,
                        const macro::MacroStore& macros);

}  // namespace zel::app
