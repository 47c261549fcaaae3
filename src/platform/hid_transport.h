#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zel::platform {

// One top-level collection of a present HID interface. Several collections may share one path
// (one hidraw node holds every collection of its interface).
struct HidCollectionInfo {
    std::string path;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    // Largest report of each kind inside the collection, report ID byte included; 0 = none.
    std::size_t inputReportLength = 0;
    std::size_t featureReportLength = 0;
};

enum class HidAccess { Read, Write };

// An open HID interface.
class HidChannel {
public:
    virtual ~HidChannel() = default;
    // Sends one feature report, report ID first. False when the device refused it or is gone.
    virtual bool SendFeatureReport(std::span<const std::uint8_t> report) = 0;
    // Blocks until one input report arrives and returns its length (report ID first); nullopt
    // once the device is gone or Cancel() was called.
    virtual std::optional<std::size_t> ReadInputReport(std::span<std::uint8_t> buffer) = 0;
    // Wakes a blocked ReadInputReport from any thread; every later read fails at once.
    virtual void Cancel() = 0;
};

struct HidDeviceEvent {
    enum class Kind { Arrival, Removal };
    Kind kind = Kind::Arrival;
    std::string path;
};

// Arrival and removal of HID interfaces. The owner polls PollFd() in its event loop (a
// QSocketNotifier in the window) and drains the events when it becomes readable.
class HidDeviceWatcher {
public:
    virtual ~HidDeviceWatcher() = default;
    virtual int PollFd() const = 0;
    virtual std::vector<HidDeviceEvent> TakeEvents() = 0;  // never blocks
};

class HidTransport {
public:
    virtual ~HidTransport() = default;
    // The present collections, in a stable order: the member index of discovery is the position.
    virtual std::vector<HidCollectionInfo> Enumerate() = 0;
    // Opens the interface behind a collection; nullptr when it cannot be opened.
    virtual std::unique_ptr<HidChannel> Open(const HidCollectionInfo& collection,
                                             HidAccess access) = 0;
    virtual std::unique_ptr<HidDeviceWatcher> Watch() = 0;
};

}  // namespace zel::platform
