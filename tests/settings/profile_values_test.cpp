#include "settings/profile_values.h"

#include <gtest/gtest.h>

namespace zel::settings {
namespace {

// Every field is copied to and from its own place: distinct values per field would catch a
// swapped or forgotten field.
TEST(ProfileValues, StoreThenTakeGivesTheSameValues) {
    ProfileValues v;
    v.K = {11, 12, 13, 14, 15, 16};
    v.DPI_LEVEL = 2;
    v.DPI_SET = {21, 22, 23, 24};
    v.DPI_SET_EN = {1, 0, 1, 0};
    v.WHEEL_STATUS = 31;
    v.MACRO_MODE2 = 32;
    v.LED_STATUS = 33;
    v.DPI_SPEED = 34;
    v.WHEEL_SPEED = 35;
    v.FIRE_TIME = -36;
    v.USB_SPEED = 37;
    ProfileSettings s;
    StoreProfileValues(s, v);
    EXPECT_EQ(TakeProfileValues(s), v);
    EXPECT_EQ(s.FIRE_TIME.load(), -36);
    EXPECT_EQ(s.DPI_SET[3].load(), 24);
    EXPECT_EQ(TakeDerivedValues(s), DerivedValues{});

    DerivedValues d;
    d.appliedDpiCode = {1, 2, 3, 4};
    d.appliedLedStatus = 5;
    d.reportsDpiLevel = {true, false, false, false, false, true};
    d.cyclesUsbSpeed = {false, true, false, false, false, false};
    StoreDerivedValues(s, d);
    EXPECT_EQ(TakeDerivedValues(s), d);
    EXPECT_EQ(TakeProfileValues(s), v);
}

}  // namespace
}  // namespace zel::settings
