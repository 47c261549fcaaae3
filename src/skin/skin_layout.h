#pragma once

// The in-memory result of the four skin layout files: where every button of every surface is,
// what it says, the display names of the button functions and the rectangles of the advanced
// page's child controls. Filled by SkinLayoutLoader, read by painting and hit-testing.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace zel::skin {

inline constexpr std::size_t kMainButtonCount = 124;
inline constexpr std::size_t kColorButtonCount = 13;
inline constexpr std::size_t kAdvancedButtonCount = 52;
inline constexpr std::size_t kWarningButtonCount = 3;
inline constexpr std::size_t kFunctionNameCount = 55;  // index 0 .. 54, 0 stays empty
inline constexpr int kUsbSpeedFunction = 14;           // always labelled "OFF"

// No button, no row, no item: the value every hot index and row holds when nothing is hot.
inline constexpr int kNoEntry = 255;

// A rectangle with exclusive right and bottom edges, in window pixels.
struct LayoutRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(std::int32_t px, std::int32_t py) const {
        return left <= px && px < right && top <= py && py < bottom;
    }
    friend bool operator==(const LayoutRect&, const LayoutRect&) = default;
};

// left + extent without overflow: a layout file may hold any number, and a far-off edge is as
// useless as a wrapped one but cannot turn into a negative rectangle.
inline std::int32_t AddClamped(std::int32_t origin, std::int32_t extent) {
    const std::int64_t sum = std::int64_t{origin} + std::int64_t{extent};
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        sum, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

inline LayoutRect MakeRect(std::int32_t x, std::int32_t y, std::int32_t width,
                           std::int32_t height) {
    return {x, y, AddClamped(x, width), AddClamped(y, height)};
}

// One entry of a button list. A missing key leaves all numbers 0 and the caption empty, which
// is an empty rectangle no point lies in.
struct SkinButton {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::string caption;  // UTF-8
    std::string label;    // what the layout file calls the entry (the name of the page row)

    LayoutRect Rect() const { return MakeRect(x, y, width, height); }
    friend bool operator==(const SkinButton&, const SkinButton&) = default;
};

// A child-control rectangle in both forms: the four numbers as read and the derived rectangle.
struct ControlRect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    LayoutRect rect;

    friend bool operator==(const ControlRect&, const ControlRect&) = default;
};

struct SkinLayout {
    std::array<SkinButton, kMainButtonCount> mainButtons;
    std::array<SkinButton, kColorButtonCount> colorButtons;
    std::array<SkinButton, kAdvancedButtonCount> advancedButtons;
    std::array<SkinButton, kWarningButtonCount> warningButtons;
    std::array<std::string, kFunctionNameCount> functionNames;  // UTF-8

    ControlRect editRect3;          // repeat-count edit
    ControlRect editRect4;          // macro-name edit
    ControlRect macroDisplayRect1;  // macro list
    ControlRect macroDisplayRect2;  // step list
};

}  // namespace zel::skin
