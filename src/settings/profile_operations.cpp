#include "settings/profile_operations.h"

#include <cstddef>

#include "settings/button_function.h"
#include "settings/dpi_step_table.h"
#include "settings/led_code_table.h"

namespace zel::settings {
namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

constexpr bool IsLevel(std::int32_t level) {
    return level >= 0 && level < kDpiLevelCount;
}
constexpr bool IsButton(std::int32_t button) {
    return button >= 0 && button < kButtonCount;
}
constexpr bool IsSpeedStep(std::int32_t step) {
    return step >= 0 && step <= kLastSpeedStep;
}

bool LevelEnabled(const ProfileSettings& s, std::int32_t level) {
    return s.DPI_SET_EN[static_cast<std::size_t>(level)].load(kRelaxed) != 0;
}

void SetLevelEnabled(ProfileSettings& s, std::int32_t level, bool enabled) {
    s.DPI_SET_EN[static_cast<std::size_t>(level)].store(enabled ? 1 : 0, kRelaxed);
}

}  // namespace

void SelectDpiLevel(ProfileSettings& s, std::int32_t level) {
    if (IsLevel(level) && LevelEnabled(s, level)) {
        s.DPI_LEVEL.store(level, kRelaxed);
    }
}

void ToggleDpiLevelEnabled(ProfileSettings& s, std::int32_t level) {
    if (!IsLevel(level)) {
        return;
    }
    if (!LevelEnabled(s, level)) {
        SetLevelEnabled(s, level, true);
        return;
    }
    SetLevelEnabled(s, level, false);
    if (s.DPI_LEVEL.load(kRelaxed) != level) {
        return;
    }
    // The current level was disabled: move forward to the next enabled one.
    std::int32_t candidate = level;
    for (std::int32_t i = 0; i < kDpiLevelCount; ++i) {
        candidate = (candidate == kDpiLevelCount - 1) ? 0 : candidate + 1;
        s.DPI_LEVEL.store(candidate, kRelaxed);
        if (LevelEnabled(s, candidate)) {
            return;
        }
    }
    // It was the only enabled level: it stays enabled and current.
    s.DPI_LEVEL.store(level, kRelaxed);
    SetLevelEnabled(s, level, true);
}

void SetDpiStep(ProfileSettings& s, std::int32_t level, std::int32_t step) {
    if (IsLevel(level) && IsValidDpiStep(step)) {
        s.DPI_SET[static_cast<std::size_t>(level)].store(static_cast<std::uint8_t>(step), kRelaxed);
    }
}

void SetWheelStatus(ProfileSettings& s, std::int32_t value) {
    s.WHEEL_STATUS.store(value != 0 ? 1 : 0, kRelaxed);
}

void ToggleMacroMode(ProfileSettings& s) {
    s.MACRO_MODE2.store(s.MACRO_MODE2.load(kRelaxed) == 0 ? 1 : 0, kRelaxed);
}

void SetPointerSpeed(ProfileSettings& s, std::int32_t step) {
    if (IsSpeedStep(step)) {
        s.DPI_SPEED.store(static_cast<std::uint8_t>(step), kRelaxed);
    }
}

void SetWheelSpeed(ProfileSettings& s, std::int32_t step) {
    if (IsSpeedStep(step)) {
        s.WHEEL_SPEED.store(static_cast<std::uint8_t>(step), kRelaxed);
    }
}

void SetFireTimeFromSlider(ProfileSettings& s, std::int32_t clickX, std::int32_t sliderLeft,
                           std::int32_t sliderWidth) {
    if (sliderWidth <= 0) {
        return;
    }
    // Compare first so that a click left of the slider cannot wrap around to a huge offset.
    if (clickX <= sliderLeft) {
        s.FIRE_TIME.store(0, kRelaxed);
        return;
    }
    const std::uint32_t offset =
        static_cast<std::uint32_t>(clickX) - static_cast<std::uint32_t>(sliderLeft);
    const std::uint32_t width = static_cast<std::uint32_t>(sliderWidth);
    if (offset >= width) {
        s.FIRE_TIME.store(kMaxFireTime, kRelaxed);
        return;
    }
    // offset < width, so the quotient is below 300; the product is taken in 64 bits so that
    // even a slider millions of pixels wide cannot wrap it.
    const std::uint64_t value = std::uint64_t{offset} * kMaxFireTime / width;
    s.FIRE_TIME.store(static_cast<std::int32_t>(value), kRelaxed);
}

void StepFireTime(ProfileSettings& s, std::int32_t direction) {
    const std::int32_t current = s.FIRE_TIME.load(kRelaxed);
    if (direction > 0) {
        s.FIRE_TIME.store(current >= kMaxFireTime ? kMaxFireTime : current + 1, kRelaxed);
    } else if (direction < 0) {
        s.FIRE_TIME.store(current <= 0 ? 0 : current - 1, kRelaxed);
    }
}

void SetLedStatus(ProfileSettings& s, std::int32_t mode) {
    if (IsValidLedStatus(mode)) {
        s.LED_STATUS.store(static_cast<std::uint8_t>(mode), kRelaxed);
    }
}

bool NeedsPrimaryClickWarning(const ProfileSettings& s, std::int32_t button) {
    for (std::int32_t i = 0; i < kButtonCount; ++i) {
        if (i != button &&
            s.K[static_cast<std::size_t>(i)].load(kRelaxed) == kPrimaryClickFunction) {
            return false;
        }
    }
    return true;
}

bool HasPrimaryClick(const ProfileSettings& s) {
    for (const auto& code : s.K) {
        if (code.load(kRelaxed) == kPrimaryClickFunction) {
            return true;
        }
    }
    return false;
}

bool HasEnabledDpiLevel(const ProfileSettings& s) {
    for (const auto& enabled : s.DPI_SET_EN) {
        if (enabled.load(kRelaxed) != 0) {
            return true;
        }
    }
    return false;
}

void AssignButtonFunction(ProfileSettings& s, std::int32_t button, std::int32_t code) {
    if (!IsButton(button)) {
        return;
    }
    s.K[static_cast<std::size_t>(button)].store(code, kRelaxed);
    for (std::int32_t i = kButtonCount - 1; i >= 0; --i) {
        if (s.K[static_cast<std::size_t>(i)].load(kRelaxed) == kPrimaryClickFunction) {
            return;
        }
    }
    const std::int32_t keeper = (button == kButtonCount - 1) ? button : button + 1;
    s.K[static_cast<std::size_t>(keeper)].store(kPrimaryClickFunction, kRelaxed);
}

void ApplyResetDefaults(ProfileSettings& s) {
    ProfileValues values = kResetDefaults;
    values.MACRO_MODE2 = s.MACRO_MODE2.load(kRelaxed);
    StoreProfileValues(s, values);
}

bool OnDeviceDpiLevel(ProfileSettings& s, std::uint8_t level) {
    if (!IsLevel(level)) {
        return false;
    }
    s.DPI_LEVEL.store(level, kRelaxed);
    return true;
}

std::uint8_t OnUsbSpeedCycle(ProfileSettings& s) {
    const std::uint8_t current = s.USB_SPEED.load(kRelaxed);
    const std::uint8_t next = current >= kLastUsbSpeed ? 0 : static_cast<std::uint8_t>(current + 1);
    s.USB_SPEED.store(next, kRelaxed);
    return next;
}

}  // namespace zel::settings
