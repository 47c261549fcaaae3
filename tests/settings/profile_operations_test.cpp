#include "settings/profile_operations.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>

#include "settings/profile_values.h"

namespace zel::settings {
namespace {

using Flags = std::array<std::uint8_t, 4>;
using Codes = std::array<std::int32_t, 6>;

class ProfileOperations : public testing::Test {
protected:
    void SetUp() override { StoreProfileValues(settings, kResetDefaults); }

    ProfileValues Values() const { return TakeProfileValues(settings); }
    void Set(const ProfileValues& v) { StoreProfileValues(settings, v); }

    ProfileSettings settings;
};

struct ToggleCase {
    const char* what;
    Flags enabledBefore;
    std::int32_t levelBefore;
    std::int32_t toggled;
    Flags enabledAfter;
    std::int32_t levelAfter;
};

const ToggleCase kToggleCases[] = {
    {"only enabled level stays enabled and current", {0, 0, 1, 0}, 2, 2, {0, 0, 1, 0}, 2},
    {"current level 1 with 0 and 3 enabled moves to 3", {1, 1, 0, 1}, 1, 1, {1, 0, 0, 1}, 3},
    {"disabling another level changes nothing else", {1, 1, 1, 1}, 0, 2, {1, 1, 0, 1}, 0},
    {"enabling a disabled level", {1, 0, 0, 0}, 0, 3, {1, 0, 0, 1}, 0},
    {"current level 3 wraps to 0", {1, 0, 0, 1}, 3, 3, {1, 0, 0, 0}, 0},
    {"next enabled level after a gap", {1, 1, 0, 0}, 1, 1, {1, 0, 0, 0}, 0},
    {"non-zero flag from a file counts as enabled", {1, 0, 5, 0}, 0, 0, {0, 0, 5, 0}, 2},
    {"stored level outside 0..3 is not moved", {1, 1, 1, 1}, 7, 1, {1, 0, 1, 1}, 7},
    {"level argument 4 changes nothing", {1, 1, 0, 1}, 1, 4, {1, 1, 0, 1}, 1},
    {"level argument -1 changes nothing", {1, 1, 0, 1}, 1, -1, {1, 1, 0, 1}, 1},
};

TEST_F(ProfileOperations, ToggleDpiLevelEnabled) {
    for (const auto& c : kToggleCases) {
        SCOPED_TRACE(c.what);
        ProfileValues v = kResetDefaults;
        v.DPI_SET_EN = c.enabledBefore;
        v.DPI_LEVEL = c.levelBefore;
        Set(v);
        ToggleDpiLevelEnabled(settings, c.toggled);
        v.DPI_SET_EN = c.enabledAfter;
        v.DPI_LEVEL = c.levelAfter;
        EXPECT_EQ(Values(), v);
    }
}

TEST_F(ProfileOperations, SelectDpiLevelOnlyEnabledLevels) {
    const struct {
        std::int32_t selected;
        std::int32_t levelAfter;
    } cases[] = {{1, 0}, {2, 2}, {3, 3}, {0, 0}, {4, 0}, {-1, 0}, {INT32_MAX, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.selected);
        ProfileValues v = kResetDefaults;
        v.DPI_SET_EN = {1, 0, 1, 1};
        v.DPI_LEVEL = 0;
        Set(v);
        SelectDpiLevel(settings, c.selected);
        EXPECT_EQ(settings.DPI_LEVEL.load(), c.levelAfter);
    }
}

TEST_F(ProfileOperations, PrimaryClickWarningOnlyWhenNoOtherButtonHasIt) {
    const struct {
        Codes k;
        std::int32_t button;
        bool warn;
    } cases[] = {
        {{2, 1, 3, 4, 5, 6}, 1, true},   // the only primary click
        {{2, 1, 3, 4, 5, 6}, 0, false},  // button 1 keeps it
        {{1, 1, 3, 4, 5, 6}, 0, false}, {{2, 3, 4, 5, 6, 1}, 5, true},
        {{2, 3, 4, 5, 6, 7}, 2, true},   // none has it (from a file)
        {{2, 1, 3, 4, 5, 6}, 9, false},  // button outside 0..5: every button is "other"
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        ProfileValues v = kResetDefaults;
        v.K = c.k;
        Set(v);
        EXPECT_EQ(NeedsPrimaryClickWarning(settings, c.button), c.warn);
    }
}

TEST_F(ProfileOperations, AssignButtonFunctionKeepsAPrimaryClick) {
    const struct {
        const char* what;
        Codes before;
        std::int32_t button;
        std::int32_t code;
        Codes after;
    } cases[] = {
        {"button 2 loses the only primary click to button 3",
         {2, 3, 1, 4, 5, 6},
         2,
         7,
         {2, 3, 7, 1, 5, 6}},
        {"button 5 keeps the only primary click", {2, 3, 4, 5, 6, 1}, 5, 7, {2, 3, 4, 5, 6, 1}},
        {"button 0 passes it to button 1", {1, 2, 3, 4, 5, 6}, 0, 44, {44, 1, 3, 4, 5, 6}},
        {"another button still has it", {1, 1, 3, 4, 5, 6}, 0, 7, {7, 1, 3, 4, 5, 6}},
        {"giving code 1 to a second button", {1, 2, 3, 4, 5, 6}, 3, 1, {1, 2, 3, 1, 5, 6}},
        {"file codes are stored as given", {1, 2, 3, 4, 5, 6}, 4, -7, {1, 2, 3, 4, -7, 6}},
        {"button 6 changes nothing", {2, 3, 1, 4, 5, 6}, 6, 7, {2, 3, 1, 4, 5, 6}},
        {"button -1 changes nothing", {2, 3, 1, 4, 5, 6}, -1, 7, {2, 3, 1, 4, 5, 6}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ProfileValues v = kResetDefaults;
        v.K = c.before;
        Set(v);
        AssignButtonFunction(settings, c.button, c.code);
        v.K = c.after;
        EXPECT_EQ(Values(), v);
    }
}

TEST_F(ProfileOperations, SetFireTimeFromSlider) {
    const struct {
        std::int32_t x, left, width;
        std::int32_t after;
    } cases[] = {
        {100, 100, 300, 0},  // left edge
        {101, 100, 300, 1},
        {250, 100, 300, 150},
        {399, 100, 300, 299},  // last pixel inside
        {400, 100, 300, 300},  // right edge and beyond: the top of the range
        {5000, 100, 300, 300},
        {99, 100, 300, 0},  // left of the slider, no wrap-around
        {INT32_MIN, 100, 300, 0},
        {101, 100, 7, 42},
        {INT32_MAX - 1, 0, INT32_MAX, 299},  // no overflow of the product
        {INT32_MAX, INT32_MIN, INT32_MAX, 300},
        {150, 100, 0, 77},   // width 0: unchanged
        {150, 100, -5, 77},  // negative width: unchanged
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << " " << c.left << " " << c.width);
        settings.FIRE_TIME = 77;
        SetFireTimeFromSlider(settings, c.x, c.left, c.width);
        EXPECT_EQ(settings.FIRE_TIME.load(), c.after);
    }
}

TEST_F(ProfileOperations, StepFireTimeStaysInRange) {
    const struct {
        std::int32_t before, direction, after;
    } cases[] = {
        {300, +1, 300},       {299, +1, 300},     {0, -1, 0},  {1, -1, 0},
        {50, +1, 51},         {50, -1, 49},       {50, 0, 50}, {50, +5, 51},
        {1000, +1, 300},      {1000, -1, 999},     // read from a file
        {INT32_MAX, +1, 300}, {INT32_MIN, -1, 0},  // no overflow
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.before << " " << c.direction);
        settings.FIRE_TIME = c.before;
        StepFireTime(settings, c.direction);
        EXPECT_EQ(settings.FIRE_TIME.load(), c.after);
    }
}

TEST_F(ProfileOperations, OnUsbSpeedCycleWrapsAfter3) {
    const struct {
        std::uint8_t before, after;
    } cases[] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 0}, {9, 0}, {255, 0}};
    for (const auto& c : cases) {
        settings.USB_SPEED = c.before;
        EXPECT_EQ(OnUsbSpeedCycle(settings), c.after);
        EXPECT_EQ(settings.USB_SPEED.load(), c.after) << int{c.before};
    }
}

TEST_F(ProfileOperations, OnDeviceDpiLevelStoresOnlyLevels0To3) {
    for (std::uint8_t level : {0, 1, 2, 3}) {
        settings.DPI_LEVEL = 1;
        EXPECT_TRUE(OnDeviceDpiLevel(settings, level));
        EXPECT_EQ(settings.DPI_LEVEL.load(), level);
    }
    for (std::uint8_t level : {4, 0x80, 0xFF}) {
        settings.DPI_LEVEL = 1;
        EXPECT_FALSE(OnDeviceDpiLevel(settings, level));
        EXPECT_EQ(settings.DPI_LEVEL.load(), 1) << int{level};
    }
}

TEST_F(ProfileOperations, ApplyResetDefaultsKeepsMacroModeAndDerivedFields) {
    for (std::int32_t macroMode : {0, 1, 9}) {
        ProfileValues junk;
        junk.K = {9, 9, 9, 9, 9, 9};
        junk.DPI_LEVEL = 3;
        junk.DPI_SET = {200, 1, 1, 1};
        junk.DPI_SET_EN = {0, 0, 0, 1};
        junk.WHEEL_STATUS = 1;
        junk.MACRO_MODE2 = macroMode;
        junk.LED_STATUS = 9;
        junk.DPI_SPEED = 1;
        junk.WHEEL_SPEED = 9;
        junk.FIRE_TIME = 300;
        junk.USB_SPEED = 0;
        Set(junk);
        DerivedValues derived;
        derived.appliedDpiCode = {1, 2, 3, 4};
        derived.appliedLedStatus = 3;
        derived.reportsDpiLevel[2] = true;
        StoreDerivedValues(settings, derived);

        ApplyResetDefaults(settings);

        ProfileValues expected = kResetDefaults;
        expected.MACRO_MODE2 = macroMode;
        EXPECT_EQ(Values(), expected);
        EXPECT_EQ(TakeDerivedValues(settings), derived);
    }
}

TEST_F(ProfileOperations, ResetDefaultsAreTheDocumentedOnes) {
    EXPECT_EQ(kResetDefaults.K, (Codes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(kResetDefaults.DPI_SET, (Flags{3, 6, 9, 10}));
    EXPECT_EQ(kResetDefaults.DPI_SET_EN, (Flags{1, 1, 1, 1}));
    EXPECT_EQ(kResetDefaults.DPI_LEVEL, 0);
    EXPECT_EQ(kResetDefaults.WHEEL_STATUS, 0);
    EXPECT_EQ(kResetDefaults.LED_STATUS, 0);
    EXPECT_EQ(kResetDefaults.DPI_SPEED, 6);
    EXPECT_EQ(kResetDefaults.WHEEL_SPEED, 2);
    EXPECT_EQ(kResetDefaults.FIRE_TIME, 50);
    EXPECT_EQ(kResetDefaults.USB_SPEED, 2);
}

TEST_F(ProfileOperations, SettersAcceptTheirRangeAndIgnoreTheRest) {
    SetDpiStep(settings, 2, 11);
    EXPECT_EQ(settings.DPI_SET[2].load(), 11);
    SetDpiStep(settings, 2, 12);
    SetDpiStep(settings, 4, 0);
    SetDpiStep(settings, -1, 0);
    EXPECT_EQ(Values().DPI_SET, (Flags{3, 6, 11, 10}));

    SetPointerSpeed(settings, 9);
    SetPointerSpeed(settings, 10);
    SetPointerSpeed(settings, -1);
    EXPECT_EQ(settings.DPI_SPEED.load(), 9);

    SetWheelSpeed(settings, 0);
    SetWheelSpeed(settings, 10);
    EXPECT_EQ(settings.WHEEL_SPEED.load(), 0);

    SetLedStatus(settings, 3);
    SetLedStatus(settings, 4);
    EXPECT_EQ(settings.LED_STATUS.load(), 3);

    SetWheelStatus(settings, 1);
    EXPECT_EQ(settings.WHEEL_STATUS.load(), 1);
    SetWheelStatus(settings, 0);
    EXPECT_EQ(settings.WHEEL_STATUS.load(), 0);
    SetWheelStatus(settings, 5);
    EXPECT_EQ(settings.WHEEL_STATUS.load(), 1);
}

TEST_F(ProfileOperations, ToggleMacroMode) {
    const struct { std::int32_t before, after; } cases[] = {{0, 1}, {1, 0}, {7, 0}, {-1, 0}};
    for (const auto& c : cases) {
        settings.MACRO_MODE2 = c.before;
        ToggleMacroMode(settings);
        EXPECT_EQ(settings.MACRO_MODE2.load(), c.after) << c.before;
    }
}

}  // namespace
}  // namespace zel::settings
