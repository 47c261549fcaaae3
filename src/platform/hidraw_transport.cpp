#include "platform/hidraw_transport.h"

#include <fcntl.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/hex_text.h"
#include "platform/hidraw_channel.h"
#include "platform/hidraw_device_watcher.h"
#include "platform/unique_fd.h"
#include "platform/whole_number.h"

namespace zel::platform {
namespace {

struct UdevDeleter {
    void operator()(udev* p) const { udev_unref(p); }
    void operator()(udev_enumerate* p) const { udev_enumerate_unref(p); }
    void operator()(udev_device* p) const { udev_device_unref(p); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevDeleter>;

struct HidrawNode {
    unsigned number = 0;
    std::string path;
    HidId id;
    std::string hidSyspath;  // the parent HID device, which holds a copy of the descriptor
};

std::optional<std::uint16_t> ParseHex16(std::string_view text) {
    if (text.empty() || text.size() > 8) {
        return std::nullopt;
    }
    const std::optional<std::uint32_t> value = ParseWholeNumber<std::uint32_t>(text, 16);
    if (!value || *value > 0xFFFF) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(*value);
}

std::string CollectionName(const HidCollectionInfo& c) {
    return c.path + " (" + HexNumber(c.vendorId, 4) + ":" + HexNumber(c.productId, 4) +
           ", collection " + HexNumber(c.usagePage, 4) + ":" + HexNumber(c.usage, 4) + ")";
}

std::optional<std::vector<std::uint8_t>> DescriptorFromNode(int fd) {
    int size = 0;
    if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0 || size < 0 || size > HID_MAX_DESCRIPTOR_SIZE) {
        return std::nullopt;
    }
    auto descriptor = std::make_unique<hidraw_report_descriptor>();
    descriptor->size = static_cast<std::uint32_t>(size);
    if (::ioctl(fd, HIDIOCGRDESC, descriptor.get()) < 0) {
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(descriptor->value, descriptor->value + size);
}

// The HID device's copy, readable without access to the node.
std::optional<std::vector<std::uint8_t>> DescriptorFromSysfs(const std::string& hidSyspath) {
    const std::string file = hidSyspath + "/report_descriptor";
    UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(kMaxHidDescriptorLength + 1);
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return bytes;
}

std::vector<HidrawNode> FindHidrawNodes() {
    std::vector<HidrawNode> nodes;
    const UdevPtr<udev> context(udev_new());
    if (!context) {
        return nodes;
    }
    const UdevPtr<udev_enumerate> enumeration(udev_enumerate_new(context.get()));
    if (!enumeration || udev_enumerate_add_match_subsystem(enumeration.get(), "hidraw") < 0 ||
        udev_enumerate_scan_devices(enumeration.get()) < 0) {
        return nodes;
    }
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumeration.get())) {
        const UdevPtr<udev_device> device(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        if (!device) {
            continue;
        }
        const char* sysname = udev_device_get_sysname(device.get());
        const char* devnode = udev_device_get_devnode(device.get());
        // The parent belongs to the child: it is not unreferenced separately.
        udev_device* hid =
            udev_device_get_parent_with_subsystem_devtype(device.get(), "hid", nullptr);
        if (sysname == nullptr || devnode == nullptr || hid == nullptr) {
            continue;
        }
        const std::optional<unsigned> number = HidrawNodeNumber(sysname);
        const char* hidId = udev_device_get_property_value(hid, "HID_ID");
        const std::optional<HidId> id = ParseHidId(hidId != nullptr ? hidId : "");
        const char* hidSyspath = udev_device_get_syspath(hid);
        if (!number || !id || hidSyspath == nullptr) {
            continue;
        }
        nodes.push_back({*number, devnode, *id, hidSyspath});
    }
    std::sort(nodes.begin(), nodes.end(),
              [](const HidrawNode& a, const HidrawNode& b) { return a.number < b.number; });
    return nodes;
}

}  // namespace

void WriteHidrawDiagnosticToStderr(std::string_view text) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

std::optional<HidId> ParseHidId(std::string_view text) {
    const std::size_t first = text.find(':');
    const std::size_t second =
        first == std::string_view::npos ? std::string_view::npos : text.find(':', first + 1);
    if (second == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<std::uint16_t> bus = ParseHex16(text.substr(0, first));
    const std::optional<std::uint16_t> vendor =
        ParseHex16(text.substr(first + 1, second - first - 1));
    const std::optional<std::uint16_t> product = ParseHex16(text.substr(second + 1));
    if (!bus || !vendor || !product) {
        return std::nullopt;
    }
    return HidId{*bus, *vendor, *product};
}

std::optional<unsigned> HidrawNodeNumber(std::string_view sysname) {
    constexpr std::string_view kPrefix = "hidraw";
    if (!sysname.starts_with(kPrefix) || sysname.size() == kPrefix.size()) {
        return std::nullopt;
    }
    return ParseWholeNumber<unsigned>(sysname.substr(kPrefix.size()));
}

std::vector<HidCollectionInfo> CollectionsOfNode(const std::string& path, const HidId& id,
                                                 const HidReportDescriptor& descriptor) {
    std::vector<HidCollectionInfo> collections;
    for (const HidTopLevelCollection& top : descriptor.collections) {
        HidCollectionInfo info;
        info.path = path;
        info.vendorId = id.vendorId;
        info.productId = id.productId;
        info.usagePage = top.usagePage;
        info.usage = top.usage;
        info.inputReportLength = top.inputReportLength;
        info.featureReportLength = top.featureReportLength;
        collections.push_back(std::move(info));
    }
    return collections;
}

Result<void> CheckReportLengths(const HidCollectionInfo& collection) {
    const auto refusal = [&](std::size_t length, const char* kind) {
        return Error{ErrorCode::kUnsupported,
                     CollectionName(collection) + " declares a " + std::to_string(length) +
                         "-byte " + kind + " report; reports longer than " +
                         std::to_string(kMaxHidReportLength) + " bytes are not supported"};
    };
    if (collection.inputReportLength > kMaxHidReportLength) {
        return refusal(collection.inputReportLength, "input");
    }
    if (collection.featureReportLength > kMaxHidReportLength) {
        return refusal(collection.featureReportLength, "feature");
    }
    return Ok();
}

HidrawTransport::HidrawTransport(HidrawDiagnostics diagnostics)
    : diagnostics_(std::move(diagnostics)) {}

void HidrawTransport::Report(const std::string& text) const {
    if (diagnostics_) {
        diagnostics_(text);
    }
}

std::vector<HidCollectionInfo> HidrawTransport::Enumerate() {
    std::vector<HidCollectionInfo> collections;
    for (const HidrawNode& node : FindHidrawNodes()) {
        // Reading the descriptor through the node gives the one the kernel uses (after any
        // driver fix-up); without access to the node the HID device's copy still tells what
        // the node holds, so that opening it can explain the refusal.
        std::optional<std::vector<std::uint8_t>> bytes;
        if (UniqueFd fd(::open(node.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
            fd.valid()) {
            bytes = DescriptorFromNode(fd.get());
        }
        if (!bytes) {
            bytes = DescriptorFromSysfs(node.hidSyspath);
        }
        if (!bytes) {
            Report(node.path + ": cannot read its report descriptor; skipped");
            continue;
        }
        const Result<HidReportDescriptor> descriptor = ParseHidReportDescriptor(*bytes);
        if (!descriptor.ok()) {
            Report(node.path + " (" + HexNumber(node.id.vendorId, 4) + ":" +
                   HexNumber(node.id.productId, 4) +
                   "): malformed report descriptor: " + descriptor.error().message + "; skipped");
            continue;
        }
        for (HidCollectionInfo& info : CollectionsOfNode(node.path, node.id, *descriptor)) {
            collections.push_back(std::move(info));
        }
    }
    return collections;
}

std::unique_ptr<HidChannel> HidrawTransport::Open(const HidCollectionInfo& collection,
                                                  HidAccess access) {
    if (const Result<void> fits = CheckReportLengths(collection); !fits.ok()) {
        Report(fits.error().message);
        return nullptr;
    }
    const bool reading = access == HidAccess::Read;
    const std::string purpose = reading ? "reading" : "writing";
    // Non-blocking: reads wait in poll() so that Cancel() can wake them, and a path that is
    // not a device (a FIFO) cannot hang the open.
    UniqueFd fd(::open(collection.path.c_str(),
                       (reading ? O_RDONLY : O_WRONLY) | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.valid()) {
        const int error = errno;
        std::string text = "cannot open " + CollectionName(collection) + " for " + purpose + ": " +
                           std::strerror(error);
        if (error == EACCES || error == EPERM) {
            text +=
                " (install the udev rule 70-zel-gmouse.rules, see ZEL_GMouse(1), ACCESS TO THE "
                "MOUSE)";
        }
        Report(text);
        return nullptr;
    }
    struct stat status {};
    hidraw_devinfo info{};
    if (::fstat(fd.get(), &status) != 0 || !S_ISCHR(status.st_mode) ||
        ::ioctl(fd.get(), HIDIOCGRAWINFO, &info) < 0) {
        Report(collection.path + " is not a hidraw device; not opened");
        return nullptr;
    }
    if (static_cast<std::uint16_t>(info.vendor) != collection.vendorId ||
        static_cast<std::uint16_t>(info.product) != collection.productId) {
        Report(CollectionName(collection) + " now belongs to another device; not opened");
        return nullptr;
    }
    if (reading) {
        if (const Result<void> sole = LockSoleReader(fd.get()); !sole.ok()) {
            Report("cannot open " + CollectionName(collection) +
                   " for reading: " + sole.error().message);
            return nullptr;
        }
    }
    const std::optional<std::vector<std::uint8_t>> bytes = DescriptorFromNode(fd.get());
    const HidReportDescriptor descriptor =
        bytes ? ParseHidReportDescriptor(*bytes).value_or({}) : HidReportDescriptor{};
    HidrawChannelOptions options;
    options.access = access;
    options.featureReportLength = collection.featureReportLength;
    options.filterInputReportIds = descriptor.usesReportIds;
    bool present = false;
    for (const HidTopLevelCollection& top : descriptor.collections) {
        if (top.usagePage != collection.usagePage || top.usage != collection.usage ||
            top.inputReportLength != collection.inputReportLength ||
            top.featureReportLength != collection.featureReportLength) {
            continue;
        }
        present = true;
        for (std::uint8_t id : top.inputReportIds) {
            options.inputReportIds.set(id);
        }
    }
    if (!present) {
        Report(CollectionName(collection) + " no longer holds that collection; not opened");
        return nullptr;
    }
    std::unique_ptr<HidrawChannel> channel = HidrawChannel::Adopt(std::move(fd), options);
    if (!channel) {
        Report("cannot open " + CollectionName(collection) + ": " + std::strerror(errno));
    }
    return channel;
}

std::unique_ptr<HidDeviceWatcher> HidrawTransport::Watch() {
    const HidrawEventSource preferred = DefaultHidrawEventSource();
    Result<std::unique_ptr<HidrawDeviceWatcher>> watcher = HidrawDeviceWatcher::Create(preferred);
    if (watcher.ok()) {
        return std::move(watcher).value();
    }
    const HidrawEventSource other =
        preferred == HidrawEventSource::Udev ? HidrawEventSource::Kernel : HidrawEventSource::Udev;
    Result<std::unique_ptr<HidrawDeviceWatcher>> otherWatcher = HidrawDeviceWatcher::Create(other);
    if (otherWatcher.ok()) {
        return std::move(otherWatcher).value();
    }
    Report("cannot follow HID devices being plugged and unplugged: " + watcher.error().message +
           "; " + otherWatcher.error().message);
    return nullptr;
}

}  // namespace zel::platform
