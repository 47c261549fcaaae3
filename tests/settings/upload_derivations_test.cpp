#include "settings/upload_derivations.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "settings/profile_operations.h"

namespace zel::settings {
namespace {

TEST(UploadDerivations, DefaultProfile) {
    const UploadValues u = DeriveUploadValues(kResetDefaults);
    EXPECT_EQ(u.buttonDeviceCode, (std::array<std::uint8_t, 6>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(u.wheelStatus, 0);
    EXPECT_EQ(u.dpiLevel, 0);
    EXPECT_EQ(u.dpiEnableMask, 0x0F);
    // Steps 3, 6, 9, 10 are device codes 4, 7, 13, 14.
    EXPECT_EQ(u.derived.appliedDpiCode, (std::array<std::uint8_t, 4>{4, 7, 13, 14}));
    EXPECT_EQ(u.derived.appliedLedStatus, 0);
    EXPECT_EQ(u.ledDeviceCode, 0);
    EXPECT_EQ(u.systemMouseSpeed, 12);
    EXPECT_EQ(u.wheelScrollLines, 3);
    EXPECT_EQ(u.fireTime, 50);
    EXPECT_EQ(FireIntervalUnits(u.fireTime), 6);
    // Button 5 has function 6, the DPI switch.
    EXPECT_EQ(u.derived.reportsDpiLevel,
              (std::array<bool, 6>{false, false, false, false, false, true}));
    EXPECT_EQ(u.derived.cyclesUsbSpeed, (std::array<bool, 6>{}));
}

TEST(UploadDerivations, ButtonFlagsAndDeviceCodes) {
    ProfileValues v = kResetDefaults;
    v.K = {41, 15, 14, 16, 17, 99};
    const UploadValues u = DeriveUploadValues(v);
    EXPECT_EQ(u.buttonDeviceCode, (std::array<std::uint8_t, 6>{0, 11, 10, 12, 13, 0}));
    EXPECT_EQ(u.derived.reportsDpiLevel,
              (std::array<bool, 6>{false, true, false, true, false, false}));
    EXPECT_EQ(u.derived.cyclesUsbSpeed,
              (std::array<bool, 6>{false, false, true, false, false, false}));
}

TEST(UploadDerivations, FileValuesOutsideTheirRanges) {
    ProfileValues v = kResetDefaults;
    v.DPI_LEVEL = 7;
    v.DPI_SET = {200, 12, 255, 11};
    v.DPI_SET_EN = {5, 0, 1, 0};
    v.LED_STATUS = 9;
    v.DPI_SPEED = 200;
    v.WHEEL_SPEED = 255;
    v.WHEEL_STATUS = 0x1234;
    v.FIRE_TIME = -100;
    const UploadValues u = DeriveUploadValues(v);
    EXPECT_EQ(u.dpiLevel, 0);
    EXPECT_EQ(u.derived.appliedDpiCode, (std::array<std::uint8_t, 4>{1, 1, 1, 15}));
    EXPECT_EQ(u.dpiEnableMask, 0x05);
    EXPECT_EQ(u.derived.appliedLedStatus, 9);  // kept as stored
    EXPECT_EQ(u.ledDeviceCode, 0);
    EXPECT_EQ(u.systemMouseSpeed, 20);
    EXPECT_EQ(u.wheelScrollLines, 255);
    EXPECT_EQ(u.wheelStatus, 0x34);
    EXPECT_EQ(FireIntervalUnits(u.fireTime), 0);
}

TEST(UploadDerivations, FireIntervalIsAnEighthTruncatedInto16Bits) {
    const struct {
        std::int32_t fireTime;
        std::uint16_t units;
    } cases[] = {{0, 0},
                 {7, 0},
                 {8, 1},
                 {50, 6},
                 {300, 37},
                 {-7, 0},
                 {-8, 0},
                 {-100000, 0},
                 {524280, 0xFFFF},
                 {524288, 0xFFFF},
                 {INT32_MAX, 0xFFFF},
                 {INT32_MIN, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(FireIntervalUnits(c.fireTime), c.units) << c.fireTime;
    }
}

TEST(UploadDerivations, WheelLinesAndLevels) {
    EXPECT_EQ(WheelScrollLines(0), 1);
    EXPECT_EQ(WheelScrollLines(2), 3);
    EXPECT_EQ(WheelScrollLines(9), 10);
    EXPECT_EQ(WheelScrollLines(254), 255);
    EXPECT_EQ(WheelScrollLines(255), 255);
    for (std::int32_t level : {0, 1, 2, 3}) {
        EXPECT_EQ(UploadedDpiLevel(level), level);
    }
    for (std::int32_t level : {4, 7, -1, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(UploadedDpiLevel(level), 0) << level;
    }
}

}  // namespace
}  // namespace zel::settings
