// The DPI step, LED code and pointer-speed tables, including the values a file may hold outside
// their ranges.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "settings/dpi_step_table.h"
#include "settings/led_code_table.h"
#include "settings/pointer_speed_table.h"

namespace zel::settings {
namespace {

struct DpiStepCase {
    std::int32_t step;
    std::uint8_t deviceCode;
    std::uint16_t dpiShown;
};

const DpiStepCase kDpiSteps[] = {
    {0, 1, 300},
    {1, 2, 600},
    {2, 3, 900},
    {3, 4, 1200},
    {4, 5, 1500},
    {5, 6, 1800},
    {6, 7, 2400},
    {7, 9, 3000},
    {8, 11, 3600},
    {9, 13, 4800},
    {10, 14, 6400},
    {11, 15, 7200},
    {12, 1, 300},  // outside the table: uploads as step 0 and shows
                   // what it uploads
    {200, 1, 300},
    {255, 1, 300},
    {-1, 1, 300},
};

TEST(DpiStepTable, DeviceCodeOfEachStepAndTheDpiItShows) {
    for (const auto& c : kDpiSteps) {
        SCOPED_TRACE(c.step);
        EXPECT_EQ(DpiDeviceCode(c.step), c.deviceCode);
        EXPECT_EQ(DpiShownForDeviceCode(DpiDeviceCode(c.step)), c.dpiShown);
    }
}

TEST(DpiStepTable, DeviceCodesWithoutRowShow300) {
    for (std::int32_t code : {0, 8, 10, 12, 16, 255, -4}) {
        EXPECT_EQ(DpiShownForDeviceCode(code), 300) << "code " << code;
    }
}

TEST(DpiStepTable, ShownDpiOfTheCurrentLevel) {
    const std::array<std::uint8_t, 4> applied = {4, 7, 9, 8};
    EXPECT_EQ(DpiShownForLevel(applied, 0), 1200);
    EXPECT_EQ(DpiShownForLevel(applied, 1), 2400);
    EXPECT_EQ(DpiShownForLevel(applied, 2), 3000);
    EXPECT_EQ(DpiShownForLevel(applied, 3), 300);  // code 8 has no row
    EXPECT_EQ(DpiShownForLevel(applied, 4), 300);  // a level read from a file
    EXPECT_EQ(DpiShownForLevel(applied, 7), 300);
    EXPECT_EQ(DpiShownForLevel(applied, -1), 300);
}

TEST(LedCodeTable, DeviceCodeOfEachMode) {
    const struct {
        std::int32_t status;
        std::uint8_t code;
    } cases[] = {{0, 0}, {1, 3}, {2, 6}, {3, 7}, {4, 0}, {9, 0}, {255, 0}, {-1, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(LedDeviceCode(c.status), c.code) << "status " << c.status;
    }
}

TEST(PointerSpeedTable, SystemSpeedOfEachStep) {
    const struct {
        std::int32_t step;
        std::int32_t speed;
    } cases[] = {{0, 1},  {1, 2},  {2, 4},  {3, 6},   {4, 8},    {5, 10}, {6, 12},
                 {7, 14}, {8, 16}, {9, 18}, {10, 20}, {255, 20}, {-1, 20}};
    for (const auto& c : cases) {
        EXPECT_EQ(SystemMouseSpeed(c.step), c.speed) << "step " << c.step;
    }
}

}  // namespace
}  // namespace zel::settings
