#pragma once

// The LED modes: LED_STATUS 0 ... 3 and the device LED code each uploads as.
//   0: blinks through the colours of the four DPI levels, 1200 ms phases
//   1: the same with 800 ms phases
//   2: the colour of the current DPI level, steady
//   3: dark

#include <array>
#include <cstdint>

namespace zel::settings {

inline constexpr std::array<std::uint8_t, 4> kLedCodeTable = {0, 3, 6, 7};

inline constexpr std::uint8_t kLedBlinkSlow = 0;
inline constexpr std::uint8_t kLedBlinkFast = 1;
inline constexpr std::uint8_t kLedSteady = 2;
inline constexpr std::uint8_t kLedDark = 3;

constexpr bool IsValidLedStatus(std::int32_t status) {
    return status >= 0 && status <= 3;
}

// A mode outside 0 ... 3 (read from a file) is taken as mode 0 by the upload and the preview.
constexpr std::uint8_t EffectiveLedStatus(std::int32_t status) {
    return IsValidLedStatus(status) ? static_cast<std::uint8_t>(status) : kLedBlinkSlow;
}

// The device LED code of a mode (byte 3 of the LED report is 0x10 + this code).
constexpr std::uint8_t LedDeviceCode(std::int32_t status) {
    return kLedCodeTable[EffectiveLedStatus(status)];
}

}  // namespace zel::settings
