#pragma once

// One macro as the program keeps it in memory: a fixed 1064-byte record that is copied whole.
// The byte layout is fixed (the macro files spell it out group by group), so every multi-byte
// number is kept as explicit low and high bytes and the record has no padding.

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace zel::macro {

inline constexpr int kNameUnits = 20;  // UTF-16 code units of the name field, terminator included
inline constexpr int kMaxNameLength = 19;  // UTF-16 code units of the longest name
inline constexpr int kMaxSteps = 255;

// Step actions. Other values are kept and played as they are.
inline constexpr std::uint8_t kPressAction = 1;
inline constexpr std::uint8_t kReleaseAction = 2;

// An unsigned 16-bit number stored as two bytes, low byte first.
struct LittleEndian16 {
    std::uint8_t low{};
    std::uint8_t high{};

    constexpr std::uint16_t Value() const { return static_cast<std::uint16_t>(low | (high << 8)); }
    constexpr void Set(std::uint16_t value) {
        low = static_cast<std::uint8_t>(value & 0xFF);
        high = static_cast<std::uint8_t>(value >> 8);
    }
};

// One step: a HID keyboard usage ID or a mouse-button code (240 left, 241 right, 242 middle),
// and its action.
struct MacroStep {
    std::uint8_t code{};
    std::uint8_t action{};
};

// A value-initialised record (MacroRecord{}) is the blank record: every byte 0.
struct MacroRecord {
    std::array<char16_t, kNameUnits> name{};  // zero-terminated; the units after it are 0
    std::uint8_t repeatOn{};                  // 0: play once; 1: play repeatCount times
    LittleEndian16 repeatCount{};
    std::uint8_t stepCount{};  // valid entries of steps and delays, 0 ... 255
    std::array<MacroStep, kMaxSteps> steps{};
    std::array<LittleEndian16, kMaxSteps> delays{};  // pause in ms after each step
};

static_assert(sizeof(LittleEndian16) == 2 && alignof(LittleEndian16) == 1);
static_assert(sizeof(MacroStep) == 2 && alignof(MacroStep) == 1);
static_assert(sizeof(MacroRecord) == 1064);
static_assert(std::is_standard_layout_v<MacroRecord>);
static_assert(std::is_trivially_copyable_v<MacroRecord>);
static_assert(offsetof(MacroRecord, name) == 0);
static_assert(offsetof(MacroRecord, repeatOn) == 40);
static_assert(offsetof(MacroRecord, repeatCount) == 41);
static_assert(offsetof(MacroRecord, stepCount) == 43);
static_assert(offsetof(MacroRecord, steps) == 44);
static_assert(offsetof(MacroRecord, delays) == 554);

}  // namespace zel::macro
