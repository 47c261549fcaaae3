#include "app/pages/page_focus.h"

#include <algorithm>
#include <tuple>

#include "app/pages/page_table.h"

namespace zel::app {

namespace {

bool IsBottomButton(const Control& row) {
    return row.command == Command::Save || row.command == Command::RevertAndHide ||
           row.command == Command::Apply;
}

skin::LayoutRect FirstRect(const Control& row, const skin::SkinLayout& layout) {
    const auto list = ButtonsOf(layout, row.list);
    const auto index = static_cast<std::size_t>(row.first);
    return index < list.size() ? list[index].Rect() : skin::LayoutRect{};
}

void SortByPlace(std::vector<const Control*>& rows, const skin::SkinLayout& layout) {
    std::stable_sort(rows.begin(), rows.end(), [&](const Control* a, const Control* b) {
        const skin::LayoutRect ra = FirstRect(*a, layout);
        const skin::LayoutRect rb = FirstRect(*b, layout);
        return std::tie(ra.top, ra.left) < std::tie(rb.top, rb.left);
    });
}

}  // namespace

std::vector<const Control*> FocusOrder(std::uint8_t page, const skin::SkinLayout& layout,
                                       const PageSet& pages) {
    std::vector<const Control*> frameTop;
    std::vector<const Control*> frameBottom;
    for (const Control& row : pages.frame) {
        if (row.command != Command::NoCommand) {
            (IsBottomButton(row) ? frameBottom : frameTop).push_back(&row);
        }
    }
    SortByPlace(frameTop, layout);
    SortByPlace(frameBottom, layout);

    std::vector<const Control*> order = std::move(frameTop);
    for (const Control& row : pages.Of(page).controls) {
        if (row.command != Command::NoCommand) {
            order.push_back(&row);
        }
    }
    order.insert(order.end(), frameBottom.begin(), frameBottom.end());
    return order;
}

ControlHit FocusEntry(const Control& row, const PageStateView& view) {
    if (row.kind == ControlKind::StepBar) {
        return {&row, std::clamp(ControlValue(row, view), 0, row.count - 1)};
    }
    for (int member = 0; member < row.count; ++member) {
        if (IsShownPressed(row, member, view)) {
            return {&row, member};
        }
    }
    return {&row, 0};
}

ControlHit NextFocus(const std::vector<const Control*>& order, const ControlHit& current,
                     bool forward, const PageStateView& view) {
    if (order.empty()) {
        return {};
    }
    const auto at = std::find(order.begin(), order.end(), current.control);
    const auto count = static_cast<std::ptrdiff_t>(order.size());
    std::ptrdiff_t next = 0;
    if (at == order.end()) {
        next = forward ? 0 : count - 1;
    } else {
        next = ((at - order.begin()) + (forward ? 1 : count - 1)) % count;
    }
    return FocusEntry(*order[static_cast<std::size_t>(next)], view);
}

ControlHit RowRunning(std::uint8_t page, Command command, const PageSet& pages) {
    for (const std::span<const Control> table : {pages.frame, pages.Of(page).controls}) {
        for (const Control& row : table) {
            if (row.command == command) {
                return {&row, 0};
            }
        }
    }
    return {};
}

ControlHit MoveWithinGroup(const ControlHit& current, int delta) {
    if (!current) {
        return current;
    }
    return {current.control, std::clamp(current.member + delta, 0, current.control->count - 1)};
}

}  // namespace zel::app
