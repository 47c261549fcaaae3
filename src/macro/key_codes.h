#pragma once

// Conversions between Windows virtual-key codes (how macro files and recorded keystrokes name a
// key) and HID keyboard usage IDs (how macro steps and the mouse name it), and the display text
// of a step code. Pure functions over the whole byte range.

#include <cstdint>
#include <string_view>

namespace zel::macro {

// Step codes of the three main mouse buttons; they are no keyboard key and convert to themselves.
inline constexpr std::uint8_t kLeftButtonCode = 240;
inline constexpr std::uint8_t kRightButtonCode = 241;
inline constexpr std::uint8_t kMiddleButtonCode = 242;

// The usage ID paired with a virtual-key code, or the code itself when it has no pair.
std::uint8_t VkToUsage(std::uint8_t vk);

// The virtual-key code paired with a usage ID, or the usage itself when it has no pair.
std::uint8_t UsageToVk(std::uint8_t usage);

// The text shown for a step code in the step list: "A", "F1", "LCONTROL", "L-KEY", ... and
// "NON-AVAILABLE" for a code that names no key. The text is static.
std::string_view KeyName(std::uint8_t code);

}  // namespace zel::macro
