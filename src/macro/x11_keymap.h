#pragma once

// Windows virtual-key codes of the keys of a PC keyboard as X11 (and Wayland) name them. An X
// key code is the kernel's evdev key code + 8. Left and right Shift, Control, Alt and the
// Windows (Super) keys keep their own codes, and the keypad keys keep the keypad codes whatever
// the Num Lock state, so a recorded macro names the key that was pressed.

#include <cstdint>

namespace zel::macro {

inline constexpr std::uint32_t kX11KeycodeOffset = 8;

// The virtual-key code of X key code `keycode`, or 0 when the key has none.
std::uint8_t X11KeycodeToVk(std::uint32_t keycode);

// The same for an evdev key code.
std::uint8_t EvdevCodeToVk(std::uint32_t evdevCode);

}  // namespace zel::macro
