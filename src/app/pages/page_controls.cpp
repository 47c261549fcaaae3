#include "app/pages/page_controls.h"

namespace zel::app {

namespace {

// Both constnesses of the layout.
template <typename Button, typename Layout>
std::span<Button> ListOf(Layout& layout, ButtonList list) {
    switch (list) {
        case ButtonList::Advanced:
            return layout.advancedButtons;
        case ButtonList::Color:
            return layout.colorButtons;
        case ButtonList::Main:
            break;
    }
    return layout.mainButtons;
}

}  // namespace

std::string LayoutLabel(const Control& control, int member) {
    std::string label(control.name);
    if (control.count == 1) {
        return label;
    }
    const auto index = static_cast<std::size_t>(member);
    if (index < control.members.size()) {
        return label + "_" + std::string(control.members[index]);
    }
    return label + std::to_string(member);
}

std::span<const skin::SkinButton> ButtonsOf(const skin::SkinLayout& layout, ButtonList list) {
    return ListOf<const skin::SkinButton>(layout, list);
}

std::span<skin::SkinButton> ButtonsOf(skin::SkinLayout& layout, ButtonList list) {
    return ListOf<skin::SkinButton>(layout, list);
}

ControlHit ControlAtIndex(std::span<const Control> table, int index) {
    for (const Control& control : table) {
        if (control.Holds(index)) {
            return {&control, index - control.first};
        }
    }
    return {};
}

ControlHit ControlAt(std::span<const Control> table, std::span<const skin::SkinButton> buttons,
                     int px, int py) {
    for (const Control& control : table) {
        if (!control.lit) {
            continue;
        }
        for (int member = 0; member < control.count; ++member) {
            const int index = control.first + member;
            if (index >= 0 && index < static_cast<int>(buttons.size()) &&
                buttons[static_cast<std::size_t>(index)].Rect().Contains(px, py)) {
                return {&control, member};
            }
        }
    }
    return {};
}

}  // namespace zel::app
