#pragma once

// Plain copies of ProfileSettings: a value type to compare, print in tests, pass to pure
// functions, and to load or save a profile in one go.

#include <array>
#include <cstdint>

#include "settings/profile_settings.h"

namespace zel::settings {

// The stored fields, same names and widths as ProfileSettings.
struct ProfileValues {
    std::array<std::int32_t, 6> K{};
    std::int32_t DPI_LEVEL = 0;
    std::array<std::uint8_t, 4> DPI_SET{};
    std::array<std::uint8_t, 4> DPI_SET_EN{};
    std::int32_t WHEEL_STATUS = 0;
    std::int32_t MACRO_MODE2 = 0;
    std::uint8_t LED_STATUS = 0;
    std::uint8_t DPI_SPEED = 0;
    std::uint8_t WHEEL_SPEED = 0;
    std::int32_t FIRE_TIME = 0;
    std::uint8_t USB_SPEED = 0;

    friend bool operator==(const ProfileValues&, const ProfileValues&) = default;
};

// The fields each upload derives.
struct DerivedValues {
    std::array<std::uint8_t, 4> appliedDpiCode{};
    std::uint8_t appliedLedStatus = 0;
    std::array<bool, 6> reportsDpiLevel{};
    std::array<bool, 6> cyclesUsbSpeed{};

    friend bool operator==(const DerivedValues&, const DerivedValues&) = default;
};

// Field by field; each field is read whole, but a concurrent writer may change one field
// between two reads.
ProfileValues TakeProfileValues(const ProfileSettings& settings);
void StoreProfileValues(ProfileSettings& settings, const ProfileValues& values);

DerivedValues TakeDerivedValues(const ProfileSettings& settings);
void StoreDerivedValues(ProfileSettings& settings, const DerivedValues& values);

}  // namespace zel::settings
