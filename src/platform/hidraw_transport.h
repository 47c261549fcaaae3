#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/hid_report_descriptor.h"
#include "platform/hid_transport.h"
#include "platform/outcome.h"

namespace zel::platform {

// Receives the transport's explanations: why a device is skipped or a channel refused.
using HidrawDiagnostics = std::function<void(std::string_view)>;

// Writes each explanation as one line on standard error.
void WriteHidrawDiagnosticToStderr(std::string_view text);

// Bus and IDs from a HID device's HID_ID property, "0003:000018F8:00001286" (hex).
struct HidId {
    std::uint16_t bus = 0;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
};
std::optional<HidId> ParseHidId(std::string_view text);

// 12 for "hidraw12"; nullopt for anything else.
std::optional<unsigned> HidrawNodeNumber(std::string_view sysname);

// One entry per top-level collection of a node's descriptor, in descriptor order.
std::vector<HidCollectionInfo> CollectionsOfNode(const std::string& path, const HidId& id,
                                                 const HidReportDescriptor& descriptor);

// Whether a collection's reports fit kMaxHidReportLength, else which one does not.
Result<void> CheckReportLengths(const HidCollectionInfo& collection);

// HID interfaces through the kernel's hidraw nodes, found with libudev.
class HidrawTransport final : public HidTransport {
public:
    explicit HidrawTransport(HidrawDiagnostics diagnostics = WriteHidrawDiagnosticToStderr);

    // Collections of every /dev/hidrawN, ordered by N, then in descriptor order. Nodes whose
    // descriptor cannot be read or is malformed are left out (with a diagnostic).
    std::vector<HidCollectionInfo> Enumerate() override;
    // Opens the node read-only or write-only. Refused (with a diagnostic) when the collection
    // declares a report longer than kMaxHidReportLength, when the node is not a hidraw node,
    // when it no longer holds that collection of that device, or, for reading, when another
    // reader holds the node's lock (LockSoleReader).
    std::unique_ptr<HidChannel> Open(const HidCollectionInfo& collection,
                                     HidAccess access) override;
    // Follows udev when its daemon runs, the kernel's uevents otherwise.
    std::unique_ptr<HidDeviceWatcher> Watch() override;

private:
    void Report(const std::string& text) const;

    HidrawDiagnostics diagnostics_;
};

}  // namespace zel::platform
