#pragma once

// What an upload sends to the mouse and the system for a profile, as pure functions of the
// stored fields. Every function accepts any stored value (values read from a file are not range
// checked) and maps the ones outside the ranges the interface produces to a defined result.

#include <array>
#include <cstdint>

#include "settings/button_function.h"
#include "settings/dpi_step_table.h"
#include "settings/led_code_table.h"
#include "settings/pointer_speed_table.h"
#include "settings/profile_values.h"

namespace zel::settings {

// The upload reports the DPI level of buttons with these functions (6, 15, 16) ...
constexpr bool ReportsDpiLevel(std::int32_t code) {
    return HostActionOf(code) == HostAction::RecordDpiLevel;
}
// ... and advances USB_SPEED for this one (14).
constexpr bool CyclesUsbSpeed(std::int32_t code) {
    return HostActionOf(code) == HostAction::CycleUsbSpeed;
}

// The current level as the DPI report carries it (byte 2 = 0x40 + level). A DPI_LEVEL outside
// 0 ... 3 is sent as level 0.
constexpr std::uint8_t UploadedDpiLevel(std::int32_t dpiLevel) {
    return (dpiLevel >= 0 && dpiLevel <= 3) ? static_cast<std::uint8_t>(dpiLevel) : 0;
}

// Bit i set when level i is enabled (a non-zero flag).
constexpr std::uint8_t DpiEnableMask(const std::array<std::uint8_t, 4>& enabled) {
    std::uint8_t mask = 0;
    for (std::size_t i = 0; i < enabled.size(); ++i) {
        if (enabled[i] != 0) {
            mask = static_cast<std::uint8_t>(mask | (1u << i));
        }
    }
    return mask;
}

// The system wheel scroll lines: WHEEL_SPEED + 1. The one 8-bit value whose successor would
// wrap to 0 (255) gives 255, so a stray file value never switches wheel scrolling off.
constexpr std::int32_t WheelScrollLines(std::uint8_t wheelSpeed) {
    return wheelSpeed == 0xFF ? 0xFF : wheelSpeed + 1;
}

// The fire interval the mouse receives: FIRE_TIME / 8, truncating toward zero, kept within the
// report's 16 bits (a negative FIRE_TIME sends 0, a huge one 0xFFFF).
constexpr std::uint16_t FireIntervalUnits(std::int32_t fireTime) {
    const std::int32_t t = fireTime / 8;
    if (t < 0) {
        return 0;
    }
    return t > 0xFFFF ? std::uint16_t{0xFFFF} : static_cast<std::uint16_t>(t);
}

// Everything one upload derives from a profile.
struct UploadValues {
    std::array<std::uint8_t, 6> buttonDeviceCode{};  // byte 3 of each button report
    std::uint8_t wheelStatus = 0;                    // byte 2 of the wheel report
    std::uint8_t dpiLevel = 0;                       // UploadedDpiLevel(DPI_LEVEL)
    std::uint8_t dpiEnableMask = 0;
    std::uint8_t ledDeviceCode = 0;
    std::int32_t systemMouseSpeed = 0;  // pointer-speed table
    std::int32_t wheelScrollLines = 0;
    std::int32_t fireTime = 0;  // FIRE_TIME as stored; the report sends FireIntervalUnits of it
    // The derived model fields the upload stores (appliedDpiCode doubles as the DPI codes sent).
    DerivedValues derived;

    friend bool operator==(const UploadValues&, const UploadValues&) = default;
};

UploadValues DeriveUploadValues(const ProfileValues& values);

}  // namespace zel::settings
