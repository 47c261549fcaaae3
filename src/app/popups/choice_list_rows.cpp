#include "app/popups/choice_list_rows.h"

#include "skin/skin_layout.h"

namespace zel::app {

int RowOfFunction(int code) {
    if (code >= 1 && code <= kLastDirectChoiceRow) {
        return code;
    }
    for (int row = kDeviceGroupRow; row <= kBuiltinGroupRow; ++row) {
        for (int item = 1; SubItemCode(row, item) != 0; ++item) {
            if (SubItemCode(row, item) == code) {
                return row;
            }
        }
    }
    return 0;
}

settings::ChoiceList GroupOpenedBy(int firstRow) {
    switch (firstRow) {
        case kDeviceGroupRow:
            return settings::ChoiceList::DeviceFunctions;
        case kConsumerGroupRow:
            return settings::ChoiceList::ConsumerKeys;
        case kUserMacroRow:
            return settings::ChoiceList::UserMacros;
        case kBuiltinGroupRow:
            return settings::ChoiceList::BuiltinMacros;
        default:
            return settings::ChoiceList::None;
    }
}

int RowAt(int x, int y, int width, int rowHeight, int maxRow) {
    if (rowHeight <= 0 || x < 0 || x >= width || y < 0) {
        return skin::kNoEntry;
    }
    const int row = y / rowHeight + 1;
    return row <= maxRow ? row : skin::kNoEntry;
}

int SubItemCount(int firstRow, int userCount, int previous) {
    const settings::ChoiceList group = GroupOpenedBy(firstRow);
    if (group == settings::ChoiceList::None) {
        return previous;
    }
    return group == settings::ChoiceList::UserMacros ? userCount : settings::RowCountOfList(group);
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
    const settings::ChoiceList group = GroupOpenedBy(firstRow);
    return group == settings::ChoiceList::None ? 0 : settings::CodeOfListRow(group, item);
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
