#pragma once

// The byte layout of the mouse's reports.
//
// Feature report (host to mouse), always sent at the write collection's full feature-report
// length:
//   byte 0   report ID 0x07
//   byte 1   command
//   byte 2.. payload of the command; bytes a command does not write keep what the previous
//            report left in the one shared report buffer
//
// Input report (mouse to host):
//   byte 0   report ID; only 0x06 carries events
//   byte 1   event code: 0xF1 ... 0xFF is the button whose number is code - 0xF0; 0x00 ... 0xF0
//            names no button
//   byte 2   value: 0x80 is a release, anything else a press; for a DPI switch the press value
//            is the DPI level (0 ... 3) the mouse switched to

#include <cstddef>
#include <cstdint>

namespace zel::device {

inline constexpr std::size_t kReportBufferSize = 256;
inline constexpr std::uint8_t kFeatureReportId = 0x07;

enum class Command : std::uint8_t {
    RPT_DPI_LEVEL = 0x09,        // 2: 0x40 + current level; 3: (DPI code << 4) + 8 + level
                                 // index; 4: enable mask
    RPT_BUTTON_FUNCTION = 0x10,  // 2: button number; 3: device code of its function
    RPT_WHEEL = 0x11,            // 2: wheel status; 3: 0
    RPT_FIRE_TIME = 0x12,        // 2, 3: fire interval / 8, big-endian; 4 ... 7: 0
    RPT_LED = 0x13,              // 2: 0x7F; 3: 0x10 + LED code
    RPT_KEYS = 0x15,             // 2 ... 7: the six injected key slots
    RPT_MOUSE_BUTTONS = 0x16,    // 3: injected button state (active low); byte 2 not written
    RPT_CONSUMER_KEY = 0x17,     // 2, 3: consumer usage, big-endian
    RPT_SHUTDOWN = 0x20,         // 2: 0; 3: 0
};

// Injection codes, the event codes of macro steps: 0x00 ... 0xEF are HID keyboard usages,
// 0xF0 ... 0xF2 the left, right and middle mouse button, 0xF3 ... 0xFF name nothing.
inline constexpr std::uint8_t kFirstMouseButtonCode = 0xF0;
inline constexpr std::uint8_t kLastMouseButtonCode = 0xF2;

// Actions of InjectEvent; any other value resends the current state.
inline constexpr std::uint8_t kActionPress = 1;
inline constexpr std::uint8_t kActionRelease = 2;

// Injected mouse buttons, active low: a set bit is a released button.
inline constexpr std::uint8_t kAllButtonsReleased = 0xFF;
inline constexpr std::uint8_t kInjectedButtonBits = 0x07;

inline constexpr std::uint8_t kInputReportId = 0x06;
inline constexpr std::uint8_t kButtonEventBase = 0xF0;
inline constexpr std::uint8_t kReleaseValue = 0x80;

}  // namespace zel::device
