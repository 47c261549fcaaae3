#include "app/choice_list_rows.h"

#include "app/page_table.h"

namespace zel::app {

int RowAt(int x, int y, int width, int rowHeight, int maxRow) {
    if (rowHeight <= 0 || x < 0 || x >= width || y < 0) {
        return kNone;
    }
    const int row = y / rowHeight + 1;
    return row <= maxRow ? row : kNone;
}

int SubItemCount(int firstRow, int userCount, int previous) {
    switch (firstRow) {
        case kDeviceGroupRow:
            return 6;
        case kConsumerGroupRow:
            return 10;
        case kBuiltinGroupRow:
            return 8;
        case kUserMacroRow:
            return userCount;
        default:
            return previous;
    }
}

int SubListOffsetRows(int firstRow, int userCount) {
    switch (firstRow) {
        case kDeviceGroupRow:
            return 1;
        case kConsumerGroupRow:
            return -2;
        case kUserMacroRow:
            return 9 - userCount;
        case kBuiltinGroupRow:
            return 2;
        default:
            return 0;
    }
}

int SubItemCode(int firstRow, int item) {
    switch (firstRow) {
        case kDeviceGroupRow:
            return item + 10;
        case kConsumerGroupRow:
            return item + 20;
        case kBuiltinGroupRow:
            return item + 30;
        case kUserMacroRow:
            return item + 40;
        default:
            return 0;
    }
}

std::string SubItemText(int firstRow, int item, const std::array<std::string, 55>& functionNames,
                        const macro::MacroStore& macros) {
    const int code = SubItemCode(firstRow, item);
    if (firstRow == kUserMacroRow) {
        return macros.MacroLabel(code);
    }
    if (code <= 0 || code >= static_cast<int>(functionNames.size())) {
        return {};
    }
    return functionNames[static_cast<std::size_t>(code)];
}

}  // namespace zel::app
