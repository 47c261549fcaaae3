#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/unique_fd.h"

namespace zel::sim {

inline constexpr std::string_view kUhidPath = "/dev/uhid";
// Bus type of a USB device (BUS_USB of linux/input.h).
inline constexpr std::uint16_t kBusUsb = 0x03;
// Largest report the uhid interface carries in either direction.
inline constexpr std::size_t kUhidMaxReportLength = 4096;
inline constexpr std::size_t kUhidMaxDescriptorLength = 4096;

// What the kernel is told about a device when it is created.
struct UhidDeviceInfo {
    std::string name;  // at most 127 bytes are used
    std::uint16_t bus = kBusUsb;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::vector<std::uint8_t> reportDescriptor;
};

// One event the kernel's HID core sends to the device.
struct UhidRequest {
    enum class Kind {
        Start,      // the HID core took the device
        Stop,       // the HID core let it go
        Open,       // the first host user opened it
        Close,      // the last host user closed it
        Output,     // an output report (a host write())
        GetReport,  // the host asks for a report; answer with ReplyGetReport
        SetReport,  // the host sends a report; answer with ReplySetReport
        Other,      // a type this program does not handle
    };
    enum class ReportType { Feature, Output, Input, Unknown };

    Kind kind = Kind::Other;
    std::uint32_t type = 0;                       // the raw event type
    std::uint32_t id = 0;                         // GetReport, SetReport: the number to answer with
    std::uint8_t reportNumber = 0;                // GetReport, SetReport
    ReportType reportType = ReportType::Unknown;  // GetReport, SetReport, Output
    std::vector<std::uint8_t> data;               // Output, SetReport: report ID first
    // Start: which report types the kernel numbers (UHID_DEV_NUMBERED_*_REPORTS bits).
    std::uint64_t startFlags = 0;
};

// A HID device in the kernel made from user space through the uhid interface. Everything goes
// through one descriptor; any descriptor that speaks struct uhid_event works (tests use a
// socket pair and play the kernel themselves). Not thread-safe.
class UhidDevice {
public:
    // Opens path (normally /dev/uhid) for a new device; nullptr with *error when it cannot,
    // the error saying what to do about it.
    static std::unique_ptr<UhidDevice> Open(const std::string& path, std::string* error);

    // Takes a descriptor that is already open; it is made non-blocking.
    explicit UhidDevice(platform::UniqueFd fd);

    int fd() const { return fd_.get(); }
    bool created() const { return created_; }

    // UHID_CREATE2. Refused when the descriptor or name does not fit or the kernel refuses.
    bool Create(const UhidDeviceInfo& info, std::string* error);
    // UHID_DESTROY: the device leaves the bus; it may be created again later.
    bool Destroy(std::string* error);
    // UHID_INPUT2: one input report, report ID first.
    bool SendInput(std::span<const std::uint8_t> report, std::string* error);
    // Answers a SetReport request; err is 0 or an errno value the host's call fails with.
    bool ReplySetReport(std::uint32_t id, std::uint16_t err, std::string* error);
    // Answers a GetReport request with data (report ID first) or, when err is not 0, a failure.
    bool ReplyGetReport(std::uint32_t id, std::uint16_t err, std::span<const std::uint8_t> data,
                        std::string* error);

    enum class ReadStatus { Request, Nothing, Closed, Failed };
    struct ReadResult {
        ReadStatus status = ReadStatus::Failed;
        UhidRequest request;  // when status is Request
        std::string error;    // when status is Failed
    };
    // The next waiting event, without blocking.
    ReadResult Read();

private:
    bool Write(const void* event, std::size_t size, std::string_view what, std::string* error);

    platform::UniqueFd fd_;
    bool created_ = false;
};

}  // namespace zel::sim
