#pragma once

// The ButtonFunction code table: what each function code of a mouse button means to the mouse
// (the device code put into the button report), to the host (what the macro player does when
// the mouse reports a press) and to the choice lists (where the code is offered).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace zel::settings {

// What the host does when the mouse reports a press of a button with this function.
enum class HostAction : std::uint8_t {
    None,            // the mouse carries the function out itself, or the code has none
    RecordDpiLevel,  // store the DPI level the mouse switched to (codes 6, 15, 16)
    CycleUsbSpeed,   // advance the report-rate step (code 14)
    ConsumerKey,     // send one consumer-control usage (codes 21 ... 30)
    BuiltinMacro,    // play built-in macro code - 31 once (codes 31 ... 38)
    Calculator,      // start a calculator (code 39)
    CommandPrompt,   // start a terminal (code 40)
    UserMacro,       // play user macro code - 41 (codes 41 ... 52)
};

// The choice list that offers a code. The sub-lists are named by the row of the main list that
// opens them.
enum class ChoiceList : std::uint8_t {
    None,             // offered by no list; such codes reach the model only from a file
    Main,             // rows 1 ... 6 of the main list
    DeviceFunctions,  // sub-list of main row 7
    ConsumerKeys,     // sub-list of main row 8
    UserMacros,       // sub-list of main row 9, one row per existing user macro
    BuiltinMacros,    // sub-list of main row 10
};

struct ButtonFunction {
    std::int32_t code = 0;
    std::uint8_t deviceCode = 0;  // byte 3 of the button report; 0 = the host acts
    HostAction hostAction = HostAction::None;
    std::uint16_t consumerUsage = 0;  // HID consumer-page usage, only for ConsumerKey
    ChoiceList list = ChoiceList::None;
    std::uint8_t row = 0;  // 1-based row in `list`; 0 when not offered
};

inline constexpr std::int32_t kFirstButtonFunction = 0;
inline constexpr std::int32_t kLastButtonFunction = 52;
inline constexpr std::int32_t kPrimaryClickFunction = 1;
inline constexpr std::int32_t kFirstBuiltinMacroFunction = 31;
inline constexpr std::int32_t kFirstUserMacroFunction = 41;

// Every defined code, indexed by code. Consumer usages are from the HID Usage Tables, Consumer
// page.
inline constexpr std::array<ButtonFunction, kLastButtonFunction + 1> kButtonFunctionTable = {{
    {0, 0, HostAction::None, 0x000, ChoiceList::None, 0},  // no function assigned by the lists
    {1, 1, HostAction::None, 0x000, ChoiceList::Main, 1},  // primary click
    {2, 2, HostAction::None, 0x000, ChoiceList::Main, 2},
    {3, 3, HostAction::None, 0x000, ChoiceList::Main, 3},
    {4, 4, HostAction::None, 0x000, ChoiceList::Main, 4},
    {5, 5, HostAction::None, 0x000, ChoiceList::Main, 5},
    {6, 6, HostAction::RecordDpiLevel, 0x000, ChoiceList::Main, 6},  // DPI switch
    {7, 0, HostAction::None, 0x000, ChoiceList::None, 0},
    {8, 0, HostAction::None, 0x000, ChoiceList::None, 0},
    {9, 0, HostAction::None, 0x000, ChoiceList::None, 0},
    {10, 0, HostAction::None, 0x000, ChoiceList::None, 0},
    {11, 7, HostAction::None, 0x000, ChoiceList::DeviceFunctions, 1},
    {12, 8, HostAction::None, 0x000, ChoiceList::DeviceFunctions, 2},
    {13, 9, HostAction::None, 0x000, ChoiceList::DeviceFunctions, 3},
    {14, 10, HostAction::CycleUsbSpeed, 0x000, ChoiceList::DeviceFunctions, 4},   // report rate
    {15, 11, HostAction::RecordDpiLevel, 0x000, ChoiceList::DeviceFunctions, 5},  // DPI switch
    {16, 12, HostAction::RecordDpiLevel, 0x000, ChoiceList::DeviceFunctions, 6},  // DPI switch
    {17, 13, HostAction::None, 0x000, ChoiceList::None, 0},
    {18, 0, HostAction::None, 0x000, ChoiceList::None, 0},
    {19, 0, HostAction::None, 0x000, ChoiceList::None, 0},
    {20, 0, HostAction::None, 0x000, ChoiceList::None, 0},
    {21, 0, HostAction::ConsumerKey, 0x223, ChoiceList::ConsumerKeys, 1},    // AC Home
    {22, 0, HostAction::ConsumerKey, 0x183, ChoiceList::ConsumerKeys, 2},    // AL Control Config
    {23, 0, HostAction::ConsumerKey, 0x18A, ChoiceList::ConsumerKeys, 3},    // AL Email Reader
    {24, 0, HostAction::ConsumerKey, 0x0E9, ChoiceList::ConsumerKeys, 4},    // Volume Increment
    {25, 0, HostAction::ConsumerKey, 0x0EA, ChoiceList::ConsumerKeys, 5},    // Volume Decrement
    {26, 0, HostAction::ConsumerKey, 0x0B6, ChoiceList::ConsumerKeys, 6},    // Scan Previous Track
    {27, 0, HostAction::ConsumerKey, 0x0B5, ChoiceList::ConsumerKeys, 7},    // Scan Next Track
    {28, 0, HostAction::ConsumerKey, 0x0E2, ChoiceList::ConsumerKeys, 8},    // Mute
    {29, 0, HostAction::ConsumerKey, 0x0CD, ChoiceList::ConsumerKeys, 9},    // Play/Pause
    {30, 0, HostAction::ConsumerKey, 0x192, ChoiceList::ConsumerKeys, 10},   // AL Calculator
    {31, 0, HostAction::BuiltinMacro, 0x000, ChoiceList::BuiltinMacros, 1},  // built-in macro 0
    {32, 0, HostAction::BuiltinMacro, 0x000, ChoiceList::BuiltinMacros, 2},  // built-in macro 1
    {33, 0, HostAction::BuiltinMacro, 0x000, ChoiceList::BuiltinMacros, 3},  // built-in macro 2
    {34, 0, HostAction::BuiltinMacro, 0x000, ChoiceList::BuiltinMacros, 4},  // built-in macro 3
    {35, 0, HostAction::BuiltinMacro, 0x000, ChoiceList::BuiltinMacros, 5},  // built-in macro 4
    {36, 0, HostAction::BuiltinMacro, 0x000, ChoiceList::BuiltinMacros, 6},  // built-in macro 5
    {37, 0, HostAction::BuiltinMacro, 0x000, ChoiceList::BuiltinMacros, 7},  // built-in macro 6
    {38, 0, HostAction::BuiltinMacro, 0x000, ChoiceList::BuiltinMacros, 8},  // built-in macro 7
    {39, 0, HostAction::Calculator, 0x000, ChoiceList::None, 0},
    {40, 0, HostAction::CommandPrompt, 0x000, ChoiceList::None, 0},
    {41, 0, HostAction::UserMacro, 0x000, ChoiceList::UserMacros, 1},   // user macro 0
    {42, 0, HostAction::UserMacro, 0x000, ChoiceList::UserMacros, 2},   // user macro 1
    {43, 0, HostAction::UserMacro, 0x000, ChoiceList::UserMacros, 3},   // user macro 2
    {44, 0, HostAction::UserMacro, 0x000, ChoiceList::UserMacros, 4},   // user macro 3
    {45, 0, HostAction::UserMacro, 0x000, ChoiceList::UserMacros, 5},   // user macro 4
    {46, 0, HostAction::UserMacro, 0x000, ChoiceList::UserMacros, 6},   // user macro 5
    {47, 0, HostAction::UserMacro, 0x000, ChoiceList::UserMacros, 7},   // user macro 6
    {48, 0, HostAction::UserMacro, 0x000, ChoiceList::UserMacros, 8},   // user macro 7
    {49, 0, HostAction::UserMacro, 0x000, ChoiceList::UserMacros, 9},   // user macro 8
    {50, 0, HostAction::UserMacro, 0x000, ChoiceList::UserMacros, 10},  // user macro 9
    {51, 0, HostAction::UserMacro, 0x000, ChoiceList::UserMacros, 11},  // user macro 10
    {52, 0, HostAction::UserMacro, 0x000, ChoiceList::UserMacros, 12},  // user macro 11
}};

namespace detail {
constexpr bool TableIsIndexedByCode() {
    for (std::size_t i = 0; i < kButtonFunctionTable.size(); ++i) {
        if (kButtonFunctionTable[i].code != static_cast<std::int32_t>(i)) {
            return false;
        }
    }
    return true;
}
}  // namespace detail
static_assert(detail::TableIsIndexedByCode());

constexpr bool IsKnownButtonFunction(std::int32_t code) {
    return code >= kFirstButtonFunction && code <= kLastButtonFunction;
}

// The row of `code`. A code outside 0 ... 52 (a value read from a file) gets a row of its own
// with device code 0, no host action and no list, so it uploads and plays like code 0.
constexpr ButtonFunction FindButtonFunction(std::int32_t code) {
    if (!IsKnownButtonFunction(code)) {
        return ButtonFunction{code, 0, HostAction::None, 0, ChoiceList::None, 0};
    }
    return kButtonFunctionTable[static_cast<std::size_t>(code)];
}

// Byte 3 of the button report for `code`: 0 ... 6 for codes 0 ... 6, 7 ... 13 for codes
// 11 ... 17, otherwise 0.
constexpr std::uint8_t DeviceButtonCode(std::int32_t code) {
    return FindButtonFunction(code).deviceCode;
}

constexpr HostAction HostActionOf(std::int32_t code) {
    return FindButtonFunction(code).hostAction;
}

// The consumer-control usage of codes 21 ... 30; nullopt for every other code.
constexpr std::optional<std::uint16_t> ConsumerUsageOf(std::int32_t code) {
    const ButtonFunction f = FindButtonFunction(code);
    if (f.hostAction != HostAction::ConsumerKey) {
        return std::nullopt;
    }
    return f.consumerUsage;
}

// How many rows `list` offers: for the user macros the most there can be; the list shows one
// row per existing user macro, which the caller counts.
constexpr std::int32_t RowCountOfList(ChoiceList list) {
    std::int32_t rows = 0;
    for (const ButtonFunction& f : kButtonFunctionTable) {
        if (list != ChoiceList::None && f.list == list) {
            ++rows;
        }
    }
    return rows;
}

// The code row 1 of `list` chooses; 0 for ChoiceList::None.
constexpr std::int32_t FirstCodeOfList(ChoiceList list) {
    for (const ButtonFunction& f : kButtonFunctionTable) {
        if (list != ChoiceList::None && f.list == list && f.row == 1) {
            return f.code;
        }
    }
    return 0;
}

// The code row `row` (1-based) of `list` chooses. The rows of a list choose consecutive codes,
// so this is arithmetic: a row outside the list continues the count (row 0 is the code just
// before row 1), and the caller, which knows how many rows it shows, only asks for those.
constexpr std::int32_t CodeOfListRow(ChoiceList list, std::int32_t row) {
    return FirstCodeOfList(list) + row - 1;
}

namespace detail {
constexpr bool ListRowsChooseConsecutiveCodes() {
    for (const ButtonFunction& f : kButtonFunctionTable) {
        if (f.list != ChoiceList::None && (f.row < 1 || f.row > RowCountOfList(f.list) ||
                                           CodeOfListRow(f.list, f.row) != f.code)) {
            return false;
        }
    }
    return true;
}
}  // namespace detail
static_assert(detail::ListRowsChooseConsecutiveCodes());

}  // namespace zel::settings
