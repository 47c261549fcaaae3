#pragma once

// Who the program is to the desktop: one reverse-DNS application id used for the desktop entry,
// the AppStream data, the icon name and Wayland's app id, and the version every tool prints.

namespace zel::platform {

inline constexpr const char* kAppId = "com.zel.GMouse";
inline constexpr const char* kProgramName = "ZEL_GMouse";
inline constexpr const char* kVersion = ZEL_VERSION;

}  // namespace zel::platform
