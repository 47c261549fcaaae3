#pragma once

// The system pointer speed (Windows scale 1 ... 20) each DPI_SPEED step sets.

#include <array>
#include <cstdint>

namespace zel::settings {

inline constexpr std::array<std::int32_t, 10> kPointerSpeedTable = {1,  2,  4,  6,  8,
                                                                    10, 12, 14, 16, 18};
// Any step outside the table sets the fastest speed.
inline constexpr std::int32_t kPointerSpeedOutsideTable = 20;
inline constexpr std::int32_t kLastPointerSpeedStep = 9;

constexpr std::int32_t SystemMouseSpeed(std::int32_t step) {
    if (step < 0 || step > kLastPointerSpeedStep) {
        return kPointerSpeedOutsideTable;
    }
    return kPointerSpeedTable[static_cast<std::size_t>(step)];
}

}  // namespace zel::settings
