#include "settings/button_function.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <set>

namespace zel::settings {
namespace {

struct DeviceCodeCase {
    std::int32_t code;
    std::uint8_t deviceCode;
    HostAction action;
};

// Every code of the table plus values a file may hold outside it.
const DeviceCodeCase kDeviceCodeCases[] = {
    {0, 0, HostAction::None},
    {1, 1, HostAction::None},
    {2, 2, HostAction::None},
    {5, 5, HostAction::None},
    {6, 6, HostAction::RecordDpiLevel},
    {7, 0, HostAction::None},
    {8, 0, HostAction::None},
    {9, 0, HostAction::None},
    {10, 0, HostAction::None},
    {11, 7, HostAction::None},
    {12, 8, HostAction::None},
    {13, 9, HostAction::None},
    {14, 10, HostAction::CycleUsbSpeed},
    {15, 11, HostAction::RecordDpiLevel},
    {16, 12, HostAction::RecordDpiLevel},
    {17, 13, HostAction::None},
    {18, 0, HostAction::None},
    {19, 0, HostAction::None},
    {20, 0, HostAction::None},
    {21, 0, HostAction::ConsumerKey},
    {30, 0, HostAction::ConsumerKey},
    {31, 0, HostAction::BuiltinMacro},
    {38, 0, HostAction::BuiltinMacro},
    {39, 0, HostAction::Calculator},
    {40, 0, HostAction::CommandPrompt},
    {41, 0, HostAction::UserMacro},
    {52, 0, HostAction::UserMacro},
    {53, 0, HostAction::None},
    {99, 0, HostAction::None},
    {-1, 0, HostAction::None},
    {INT32_MIN, 0, HostAction::None},
    {INT32_MAX, 0, HostAction::None},
};

TEST(ButtonFunctionTable, DeviceCodeAndHostActionOfEachCode) {
    for (const auto& c : kDeviceCodeCases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(DeviceButtonCode(c.code), c.deviceCode);
        EXPECT_EQ(HostActionOf(c.code), c.action);
        EXPECT_EQ(FindButtonFunction(c.code).code, c.code);
    }
}

// The device-code rule in closed form: 0 ... 6 unchanged, 11 ... 17 minus 4, the rest 0.
TEST(ButtonFunctionTable, DeviceCodeMatchesClosedFormForEveryCode) {
    for (std::int32_t code = -5; code <= 60; ++code) {
        std::int32_t expected = 0;
        if (code >= 0 && code <= 6) {
            expected = code;
        } else if (code >= 11 && code <= 17) {
            expected = code - 4;
        }
        EXPECT_EQ(DeviceButtonCode(code), expected) << "code " << code;
    }
}

TEST(ButtonFunctionTable, ConsumerUsagesOfCodes21To30) {
    const std::uint16_t expected[] = {0x223, 0x183, 0x18A, 0xE9, 0xEA,
                                      0xB6,  0xB5,  0xE2,  0xCD, 0x192};
    for (std::int32_t i = 0; i < 10; ++i) {
        EXPECT_EQ(ConsumerUsageOf(21 + i), std::optional<std::uint16_t>(expected[i]))
            << "code " << 21 + i;
    }
    for (std::int32_t code : {-1, 0, 1, 20, 31, 39, 52, 99}) {
        EXPECT_EQ(ConsumerUsageOf(code), std::nullopt) << "code " << code;
    }
}

struct RowCase {
    ChoiceList list;
    std::int32_t row;
    std::optional<std::int32_t> code;
};

const RowCase kRowCases[] = {
    {ChoiceList::Main, 1, 1},
    {ChoiceList::Main, 6, 6},
    {ChoiceList::Main, 7, std::nullopt},  // opens a sub-list
    {ChoiceList::Main, 10, std::nullopt},
    {ChoiceList::DeviceFunctions, 1, 11},
    {ChoiceList::DeviceFunctions, 4, 14},
    {ChoiceList::DeviceFunctions, 6, 16},
    {ChoiceList::DeviceFunctions, 7, std::nullopt},
    {ChoiceList::ConsumerKeys, 1, 21},
    {ChoiceList::ConsumerKeys, 10, 30},
    {ChoiceList::UserMacros, 1, 41},
    {ChoiceList::UserMacros, 12, 52},
    {ChoiceList::UserMacros, 13, std::nullopt},
    {ChoiceList::BuiltinMacros, 1, 31},
    {ChoiceList::BuiltinMacros, 8, 38},
    {ChoiceList::BuiltinMacros, 0, std::nullopt},
    {ChoiceList::None, 0, std::nullopt},
    {ChoiceList::Main, -3, std::nullopt},
};

// The code a row of a list chooses, for the rows the list has.
std::optional<std::int32_t> OfferedCode(ChoiceList list, std::int32_t row) {
    if (list == ChoiceList::None || row < 1 || row > RowCountOfList(list)) {
        return std::nullopt;
    }
    return CodeOfListRow(list, row);
}

TEST(ButtonFunctionTable, ChoiceListRowsChooseTheirCodes) {
    for (const auto& c : kRowCases) {
        SCOPED_TRACE(testing::Message() << "list " << static_cast<int>(c.list) << " row " << c.row);
        EXPECT_EQ(OfferedCode(c.list, c.row), c.code);
    }
    EXPECT_EQ(RowCountOfList(ChoiceList::None), 0);
    EXPECT_EQ(CodeOfListRow(ChoiceList::UserMacros, 0), 40);  // continues the count below row 1
}

// Each offered code has exactly one (list, row) and it leads back to the code.
TEST(ButtonFunctionTable, OfferedRowsAreUniqueAndRoundTrip) {
    std::set<std::pair<int, int>> seen;
    int offered = 0;
    for (const ButtonFunction& f : kButtonFunctionTable) {
        if (f.list == ChoiceList::None) {
            EXPECT_EQ(f.row, 0) << "code " << f.code;
            continue;
        }
        ++offered;
        EXPECT_TRUE(seen.insert({static_cast<int>(f.list), f.row}).second) << "code " << f.code;
        EXPECT_EQ(OfferedCode(f.list, f.row), f.code);
    }
    // 6 main rows, 6 device functions, 10 consumer keys, 8 built-in and 12 user macros.
    EXPECT_EQ(offered, 42);
}

}  // namespace
}  // namespace zel::settings
