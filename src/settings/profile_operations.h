#pragma once

// The operations that change the loaded profile. None of them writes a file or repaints; the
// caller does both where needed.
//
// Values read from a file may be outside the ranges the operations produce (a DPI_LEVEL of 7,
// an enable flag of 5); every operation stays within its arrays for any stored value, and an
// enable flag counts as set when it is non-zero. An argument outside its documented range
// leaves the model unchanged.

#include <cstdint>

#include "settings/profile_settings.h"
#include "settings/profile_values.h"

namespace zel::settings {

inline constexpr std::int32_t kDpiLevelCount = 4;
inline constexpr std::int32_t kButtonCount = 6;
inline constexpr std::int32_t kMaxFireTime = 300;
inline constexpr std::int32_t kLastSpeedStep = 9;
inline constexpr std::uint8_t kLastUsbSpeed = 3;

// What ApplyResetDefaults puts into the model (MACRO_MODE2 excepted: the reset keeps it).
inline constexpr ProfileValues kResetDefaults = {
    .K = {1, 2, 3, 4, 5, 6},
    .DPI_LEVEL = 0,
    .DPI_SET = {3, 6, 9, 10},
    .DPI_SET_EN = {1, 1, 1, 1},
    .WHEEL_STATUS = 0,
    .MACRO_MODE2 = 0,
    .LED_STATUS = 0,
    .DPI_SPEED = 6,
    .WHEEL_SPEED = 2,
    .FIRE_TIME = 50,
    .USB_SPEED = 2,
};

// ---- Window thread ----

// DPI_LEVEL = level when that level is enabled; otherwise nothing.
void SelectDpiLevel(ProfileSettings& settings, std::int32_t level);

// Enables a disabled level. Disables an enabled one; when it was the current level, the next
// enabled level (3 wraps to 0) becomes current, and when there is none the level stays enabled
// and current.
void ToggleDpiLevelEnabled(ProfileSettings& settings, std::int32_t level);

// DPI_SET<level> = step (level 0 ... 3, step 0 ... 11).
void SetDpiStep(ProfileSettings& settings, std::int32_t level, std::int32_t step);

// WHEEL_STATUS = 0 or 1 (any non-zero value stores 1).
void SetWheelStatus(ProfileSettings& settings, std::int32_t value);

// MACRO_MODE2 = 1 when it is 0, else 0.
void ToggleMacroMode(ProfileSettings& settings);

// DPI_SPEED = step (0 ... 9).
void SetPointerSpeed(ProfileSettings& settings, std::int32_t step);

// WHEEL_SPEED = step (0 ... 9).
void SetWheelSpeed(ProfileSettings& settings, std::int32_t step);

// FIRE_TIME = (clickX - sliderLeft) * 300 / sliderWidth in unsigned arithmetic: 0 ... 299 for a
// click inside the slider. A click left of the slider gives 0, at or beyond its right end 300;
// a slider of width 0 or less changes nothing.
void SetFireTimeFromSlider(ProfileSettings& settings, std::int32_t clickX, std::int32_t sliderLeft,
                           std::int32_t sliderWidth);

// direction > 0: FIRE_TIME + 1, at most 300. direction < 0: FIRE_TIME - 1, at least 0.
// direction 0: nothing.
void StepFireTime(ProfileSettings& settings, std::int32_t direction);

// LED_STATUS = mode (0 ... 3).
void SetLedStatus(ProfileSettings& settings, std::int32_t mode);

// True when no button other than `button` has the primary click (code 1): changing this
// button's function would take the last primary click away, so the caller warns first.
bool NeedsPrimaryClickWarning(const ProfileSettings& settings, std::int32_t button);

// The two things a profile must keep for the mouse to stay usable: a button with the primary
// click and an enabled DPI level.
bool HasPrimaryClick(const ProfileSettings& settings);
bool HasEnabledDpiLevel(const ProfileSettings& settings);

// K<button> = code (button 0 ... 5). When no button is left with code 1, button 5 gets it back
// if it was the one assigned, otherwise button + 1 gets code 1.
void AssignButtonFunction(ProfileSettings& settings, std::int32_t button, std::int32_t code);

// Puts kResetDefaults into every stored field except MACRO_MODE2. Derived fields are left
// alone: the next upload sets them.
void ApplyResetDefaults(ProfileSettings& settings);

// ---- Macro player thread: changes the mouse made by itself ----

// DPI_LEVEL = the level byte of the mouse's report. A byte above 3 names no level: it is
// ignored and false is returned (then there is nothing to repaint or save).
bool OnDeviceDpiLevel(ProfileSettings& settings, std::uint8_t level);

// USB_SPEED advances 0 -> 1 -> 2 -> 3 -> 0; a value above 3 read from a file goes to 0.
// Returns the new value.
std::uint8_t OnUsbSpeedCycle(ProfileSettings& settings);

}  // namespace zel::settings
