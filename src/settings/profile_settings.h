#pragma once

#include <array>
#include <atomic>
#include <cstdint>

namespace zel::settings {

// The one loaded profile. Every field is read by worker threads (player, reader, LED preview)
// while the window thread edits it, so each is an atomic of the stored width; a reader sees the
// value before or after a concurrent write, never a torn one. Accesses are relaxed: no field
// publishes another.
struct ProfileSettings {
    // Stored fields, one per configuration key.
    std::array<std::atomic<std::int32_t>, 6> K{};  // K0 ... K5: ButtonFunction codes
    std::atomic<std::int32_t> DPI_LEVEL{0};
    std::array<std::atomic<std::uint8_t>, 4> DPI_SET{};     // DPI_SET0 ... DPI_SET3
    std::array<std::atomic<std::uint8_t>, 4> DPI_SET_EN{};  // DPI_SET_EN0 ... 3, 0 or 1
    std::atomic<std::int32_t> WHEEL_STATUS{0};
    std::atomic<std::int32_t> MACRO_MODE2{0};
    std::atomic<std::uint8_t> LED_STATUS{0};
    std::atomic<std::uint8_t> DPI_SPEED{0};
    std::atomic<std::uint8_t> WHEEL_SPEED{0};
    std::atomic<std::int32_t> FIRE_TIME{0};
    std::atomic<std::uint8_t> USB_SPEED{0};

    // Derived fields, set by each upload.
    std::array<std::atomic<std::uint8_t>, 4> appliedDpiCode{};
    std::atomic<std::uint8_t> appliedLedStatus{0};
    std::array<std::atomic<bool>, 6> reportsDpiLevel{};
    std::array<std::atomic<bool>, 6> cyclesUsbSpeed{};
};

}  // namespace zel::settings
