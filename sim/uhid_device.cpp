#include "sim/uhid_device.h"

#include <fcntl.h>
#include <linux/uhid.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zel::sim {
namespace {

static_assert(kUhidMaxReportLength == UHID_DATA_MAX);
static_assert(kUhidMaxDescriptorLength == HID_MAX_DESCRIPTOR_SIZE);

std::string OpenAdvice(const std::string& path, int error) {
    std::string text = "cannot open " + path + ": " + std::strerror(error);
    if (error == ENOENT || error == ENODEV || error == ENXIO) {
        text += " (the kernel's uhid module is not loaded: run 'sudo modprobe uhid')";
    } else if (error == EACCES || error == EPERM) {
        text += " (making kernel HID devices needs root or write access to " + path + ")";
    }
    return text;
}

UhidRequest::ReportType ReportTypeOf(std::uint8_t rtype) {
    switch (rtype) {
        case UHID_FEATURE_REPORT:
            return UhidRequest::ReportType::Feature;
        case UHID_OUTPUT_REPORT:
            return UhidRequest::ReportType::Output;
        case UHID_INPUT_REPORT:
            return UhidRequest::ReportType::Input;
        default:
            return UhidRequest::ReportType::Unknown;
    }
}

UhidRequest Decode(const uhid_event& event) {
    UhidRequest request;
    request.type = event.type;
    switch (event.type) {
        case UHID_START:
            request.kind = UhidRequest::Kind::Start;
            request.startFlags = event.u.start.dev_flags;
            break;
        case UHID_STOP:
            request.kind = UhidRequest::Kind::Stop;
            break;
        case UHID_OPEN:
            request.kind = UhidRequest::Kind::Open;
            break;
        case UHID_CLOSE:
            request.kind = UhidRequest::Kind::Close;
            break;
        case UHID_OUTPUT: {
            request.kind = UhidRequest::Kind::Output;
            request.reportType = ReportTypeOf(event.u.output.rtype);
            const std::size_t size = std::min<std::size_t>(event.u.output.size, UHID_DATA_MAX);
            request.data.assign(event.u.output.data, event.u.output.data + size);
            break;
        }
        case UHID_GET_REPORT:
            request.kind = UhidRequest::Kind::GetReport;
            request.id = event.u.get_report.id;
            request.reportNumber = event.u.get_report.rnum;
            request.reportType = ReportTypeOf(event.u.get_report.rtype);
            break;
        case UHID_SET_REPORT: {
            request.kind = UhidRequest::Kind::SetReport;
            request.id = event.u.set_report.id;
            request.reportNumber = event.u.set_report.rnum;
            request.reportType = ReportTypeOf(event.u.set_report.rtype);
            const std::size_t size = std::min<std::size_t>(event.u.set_report.size, UHID_DATA_MAX);
            request.data.assign(event.u.set_report.data, event.u.set_report.data + size);
            break;
        }
        default:
            request.kind = UhidRequest::Kind::Other;
            break;
    }
    return request;
}

}  // namespace

std::unique_ptr<UhidDevice> UhidDevice::Open(const std::string& path, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *error = OpenAdvice(path, errno);
        return nullptr;
    }
    return std::make_unique<UhidDevice>(platform::UniqueFd(fd));
}

UhidDevice::UhidDevice(platform::UniqueFd fd) : fd_(std::move(fd)) {
    if (fd_.valid()) {
        const int flags = ::fcntl(fd_.get(), F_GETFL);
        if (flags >= 0) {
            ::fcntl(fd_.get(), F_SETFL, flags | O_NONBLOCK);
        }
    }
}

bool UhidDevice::Write(const void* event, std::size_t size, std::string_view what,
                       std::string* error) {
    for (;;) {
        const ssize_t written = ::write(fd_.get(), event, size);
        if (written == static_cast<ssize_t>(size)) {
            return true;
        }
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (error != nullptr) {
            *error = std::string(what) + ": " +
                     (written < 0 ? std::strerror(errno) : "short write to the uhid device");
        }
        return false;
    }
}

bool UhidDevice::Create(const UhidDeviceInfo& info, std::string* error) {
    if (info.reportDescriptor.empty() || info.reportDescriptor.size() > HID_MAX_DESCRIPTOR_SIZE) {
        *error = "a report descriptor has 1.." + std::to_string(HID_MAX_DESCRIPTOR_SIZE) + " bytes";
        return false;
    }
    auto event = std::make_unique<uhid_event>();
    std::memset(event.get(), 0, sizeof *event);
    event->type = UHID_CREATE2;
    auto& create = event->u.create2;
    const std::size_t nameLength = std::min(info.name.size(), sizeof create.name - 1);
    std::memcpy(create.name, info.name.data(), nameLength);
    create.rd_size = static_cast<__u16>(info.reportDescriptor.size());
    create.bus = info.bus;
    create.vendor = info.vendorId;
    create.product = info.productId;
    std::memcpy(create.rd_data, info.reportDescriptor.data(), info.reportDescriptor.size());
    if (!Write(event.get(), sizeof *event, "creating the device", error)) {
        return false;
    }
    created_ = true;
    return true;
}

bool UhidDevice::Destroy(std::string* error) {
    uhid_event event{};
    event.type = UHID_DESTROY;
    created_ = false;  // whatever the kernel says, this device is gone for us
    return Write(&event, sizeof event, "destroying the device", error);
}

bool UhidDevice::SendInput(std::span<const std::uint8_t> report, std::string* error) {
    if (report.empty() || report.size() > UHID_DATA_MAX) {
        if (error != nullptr) {
            *error = "an input report has 1.." + std::to_string(UHID_DATA_MAX) + " bytes";
        }
        return false;
    }
    auto event = std::make_unique<uhid_event>();
    std::memset(event.get(), 0, sizeof *event);
    event->type = UHID_INPUT2;
    event->u.input2.size = static_cast<__u16>(report.size());
    std::memcpy(event->u.input2.data, report.data(), report.size());
    return Write(event.get(), sizeof *event, "sending an input report", error);
}

bool UhidDevice::ReplySetReport(std::uint32_t id, std::uint16_t err, std::string* error) {
    uhid_event event{};
    event.type = UHID_SET_REPORT_REPLY;
    event.u.set_report_reply.id = id;
    event.u.set_report_reply.err = err;
    return Write(&event, sizeof event, "answering a set-report request", error);
}

bool UhidDevice::ReplyGetReport(std::uint32_t id, std::uint16_t err,
                                std::span<const std::uint8_t> data, std::string* error) {
    auto event = std::make_unique<uhid_event>();
    std::memset(event.get(), 0, sizeof *event);
    event->type = UHID_GET_REPORT_REPLY;
    auto& reply = event->u.get_report_reply;
    reply.id = id;
    reply.err = err;
    if (err == 0) {
        const std::size_t size = std::min<std::size_t>(data.size(), UHID_DATA_MAX);
        reply.size = static_cast<__u16>(size);
        std::memcpy(reply.data, data.data(), size);
    }
    return Write(event.get(), sizeof *event, "answering a get-report request", error);
}

UhidDevice::ReadResult UhidDevice::Read() {
    ReadResult result;
    auto event = std::make_unique<uhid_event>();
    for (;;) {
        // The kernel may hand over shorter events than this program knows: the rest reads 0.
        std::memset(event.get(), 0, sizeof *event);
        const ssize_t got = ::read(fd_.get(), event.get(), sizeof *event);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            result.status = ReadStatus::Nothing;
            return result;
        }
        if (got < 0) {
            result.status = ReadStatus::Failed;
            result.error = std::string("reading from the uhid device: ") + std::strerror(errno);
            return result;
        }
        if (got == 0) {
            result.status = ReadStatus::Closed;
            return result;
        }
        if (static_cast<std::size_t>(got) < sizeof event->type) {
            continue;  // not an event: nothing to act on
        }
        result.status = ReadStatus::Request;
        result.request = Decode(*event);
        return result;
    }
}

}  // namespace zel::sim
