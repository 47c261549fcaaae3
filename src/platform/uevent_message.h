#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zel::platform {

// One kernel uevent as the kernel broadcasts it on NETLINK_KOBJECT_UEVENT:
// "ACTION@DEVPATH\0KEY=VALUE\0KEY=VALUE\0...".
struct UeventMessage {
    std::string action;
    std::string devpath;
    std::vector<std::pair<std::string, std::string>> properties;

    std::optional<std::string_view> Property(std::string_view key) const;
};

// nullopt when the datagram is not a kernel uevent: no "ACTION@DEVPATH" header (udev's own
// "libudev" messages have none) or an ACTION property that contradicts the header. Fields
// without '=' are skipped.
std::optional<UeventMessage> ParseKernelUevent(std::span<const char> datagram);

}  // namespace zel::platform
