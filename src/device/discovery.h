#pragma once

// Finding the mouse among the HID interfaces and following its arrival and removal.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/hid_transport.h"
#include "platform/message_sink.h"

namespace zel::device {

class DeviceLink;

inline constexpr std::uint16_t kMouseVendorId = 0x18F8;
inline constexpr std::uint16_t kMouseProductId = 0x1286;
// The input collection the reader blocks on, and the feature collection commands go to.
inline constexpr std::uint16_t kReadUsagePage = 0xFF00;
inline constexpr std::uint16_t kWriteUsagePage = 0xFF01;
inline constexpr std::uint16_t kChannelUsage = 1;
// Discovery looks at the first this many enumerated collections.
inline constexpr std::size_t kDiscoveryIndexCount = 100;

// Examines the collections at positions 0 ... 99 of the transport's enumeration. Each one of
// the mouse (vendor and product ID) sets the link's device path; the read collection is opened
// for reading and the write collection for writing, unless the link already has that channel
// open. The scan stops at the first mouse collection examined once both channels are open.
// Result: true when it stopped so; otherwise whether the last collection examined was the
// mouse's. A collection whose report length the link cannot serve (0 or above its buffer) is
// refused with a message (in the words of `languageFlag`'s edition) and does not count as the
// mouse's; nothing of the refused device is opened. Also stores the result in the link's `found`. A
// write channel newly opened gets ReleaseAll at once, before the read channel is attached: whatever
// an earlier run that was killed left held in the mouse goes up before the start's first report.
bool DiscoverMouse(DeviceLink& link, platform::HidTransport& transport,
                   platform::MessageSink& messages, std::int32_t languageFlag);

// What a discovery found out beyond the link's `found`.
struct DiscoveryResult {
    bool found = false;
    // A node of the mouse that is present but could not be opened (the user has no access to
    // it: the udev rule is missing). The mouse then counts as not found and nothing of it stays
    // open. Empty otherwise.
    std::string refusedNode;
};

// DiscoverMouse, telling also which node of a present mouse could not be opened.
DiscoveryResult DiscoverMouseReportingAccess(DeviceLink& link, platform::HidTransport& transport,
                                             platform::MessageSink& messages,
                                             std::int32_t languageFlag);

// While the mouse waits for access (present, node refused): any arrival repeats the discovery,
// as the replugged mouse may come back under another node; removals change nothing, the
// program keeps waiting. Returns the repeated discovery's result (nothing found for a removal).
DiscoveryResult RetryDiscoveryOnArrival(const platform::HidDeviceEvent& event, DeviceLink& link,
                                        platform::HidTransport& transport,
                                        platform::MessageSink& messages, std::int32_t languageFlag);

// Path comparison of device events: ASCII letters compare without regard to case.
bool SameDevicePath(std::string_view a, std::string_view b);

// One arrival or removal event. Arrival of the device path while the mouse is not found
// repeats the discovery (nothing else: no upload). Removal of the device path marks the mouse
// absent and calls `shutdownLink`. Other events and other paths are ignored.
void FollowDeviceChange(const platform::HidDeviceEvent& event, DeviceLink& link,
                        platform::HidTransport& transport, platform::MessageSink& messages,
                        std::int32_t languageFlag, const std::function<void()>& shutdownLink);

}  // namespace zel::device
