#pragma once

// The twelve DPI steps a level can be set to: the device code sent in the DPI report and the
// DPI the interface shows for a device code.

#include <array>
#include <cstdint>

namespace zel::settings {

struct DpiStep {
    std::uint8_t deviceCode = 0;
    std::uint16_t dpi = 0;
};

inline constexpr std::array<DpiStep, 12> DpiStepTable = {{
    {1, 300},
    {2, 600},
    {3, 900},
    {4, 1200},
    {5, 1500},
    {6, 1800},
    {7, 2400},
    {9, 3000},
    {11, 3600},
    {13, 4800},
    {14, 6400},
    {15, 7200},
}};

inline constexpr std::int32_t kLastDpiStep = 11;
// What a device code without a row shows, and the step that stands in for a step outside the
// table (its device code shows as exactly that).
inline constexpr std::uint16_t kFallbackDpi = 300;
inline constexpr std::int32_t kFallbackDpiStep = 0;

constexpr bool IsValidDpiStep(std::int32_t step) {
    return step >= 0 && step <= kLastDpiStep;
}

// The device code of a DPI step. A step outside 0 ... 11 (a DPI_SET read from a file) uploads
// as step 0: device code 1, 300 DPI, which is also what the interface shows for it.
constexpr std::uint8_t DpiDeviceCode(std::int32_t step) {
    const std::int32_t row = IsValidDpiStep(step) ? step : kFallbackDpiStep;
    return DpiStepTable[static_cast<std::size_t>(row)].deviceCode;
}

// The DPI shown for a device code; 300 for a code that has no row.
constexpr std::uint16_t DpiShownForDeviceCode(std::int32_t deviceCode) {
    for (const DpiStep& s : DpiStepTable) {
        if (s.deviceCode == deviceCode) {
            return s.dpi;
        }
    }
    return kFallbackDpi;
}

// The DPI the colour page shows for the current level: the applied device code of that level
// looked up in the table. A level outside 0 ... 3 has no code and shows 300.
constexpr std::uint16_t DpiShownForLevel(const std::array<std::uint8_t, 4>& appliedDpiCode,
                                         std::int32_t dpiLevel) {
    if (dpiLevel < 0 || dpiLevel >= static_cast<std::int32_t>(appliedDpiCode.size())) {
        return kFallbackDpi;
    }
    return DpiShownForDeviceCode(appliedDpiCode[static_cast<std::size_t>(dpiLevel)]);
}

}  // namespace zel::settings
