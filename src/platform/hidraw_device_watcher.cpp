#include "platform/hidraw_device_watcher.h"

#include <libudev.h>
#include <linux/netlink.h>
#include <sys/socket.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace zel::platform {
namespace {

// The kernel broadcasts uevents to this netlink group.
constexpr unsigned kKernelUeventGroup = 1;
// The kernel's uevent buffer is 2 KiB; anything longer is not one of its messages.
constexpr std::size_t kUeventBufferSize = 8192;
constexpr int kUeventReceiveBuffer = 1 << 20;

bool HasParentComponent(std::string_view path) {
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        if (path.substr(start, end - start) == "..") {
            return true;
        }
        start = end + 1;
    }
    return false;
}

}  // namespace

HidrawEventSource DefaultHidrawEventSource() {
    udev* context = udev_new();
    if (context == nullptr) {
        return HidrawEventSource::Kernel;
    }
    // Looks for the daemon's control socket (/run/udev/control).
    udev_queue* queue = udev_queue_new(context);
    const bool running = queue != nullptr && udev_queue_get_udev_is_active(queue) != 0;
    udev_queue_unref(queue);
    udev_unref(context);
    return running ? HidrawEventSource::Udev : HidrawEventSource::Kernel;
}

std::optional<HidDeviceEvent> HidrawEventFrom(std::string_view subsystem, std::string_view action,
                                              std::string_view devname) {
    if (subsystem != "hidraw" || devname.empty() || devname.find('\0') != std::string_view::npos ||
        HasParentComponent(devname)) {
        return std::nullopt;
    }
    HidDeviceEvent event;
    if (action == "add") {
        event.kind = HidDeviceEvent::Kind::Arrival;
    } else if (action == "remove") {
        event.kind = HidDeviceEvent::Kind::Removal;
    } else {
        return std::nullopt;
    }
    if (devname.front() == '/') {
        if (!devname.starts_with("/dev/")) {
            return std::nullopt;
        }
        event.path = devname;
    } else {
        event.path = "/dev/" + std::string(devname);
    }
    return event;
}

std::optional<HidDeviceEvent> HidrawEventFrom(const UeventMessage& message) {
    return HidrawEventFrom(message.Property("SUBSYSTEM").value_or(""), message.action,
                           message.Property("DEVNAME").value_or(""));
}

Result<std::unique_ptr<HidrawDeviceWatcher>> HidrawDeviceWatcher::Create(HidrawEventSource source) {
    std::unique_ptr<HidrawDeviceWatcher> watcher(new HidrawDeviceWatcher());
    watcher->source_ = source;
    if (source == HidrawEventSource::Kernel) {
        UniqueFd socket(::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK,
                                 NETLINK_KOBJECT_UEVENT));
        if (!socket.valid()) {
            return Error{ErrorCode::kIoError, std::string("cannot open a kernel uevent socket: ") +
                                                  std::strerror(errno)};
        }
        sockaddr_nl address{};
        address.nl_family = AF_NETLINK;
        address.nl_groups = kKernelUeventGroup;
        if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
            0) {
            return Error{ErrorCode::kIoError,
                         std::string("cannot listen to kernel uevents: ") + std::strerror(errno)};
        }
        // A burst of uevents (a hub with many devices) must not push out a removal; the
        // system may cap this size, which is fine.
        const int receiveBuffer = kUeventReceiveBuffer;
        ::setsockopt(socket.get(), SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        watcher->socket_ = std::move(socket);
        return watcher;
    }
    watcher->udev_ = udev_new();
    if (watcher->udev_ == nullptr) {
        return Error{ErrorCode::kUnavailable, "cannot start libudev"};
    }
    watcher->monitor_ = udev_monitor_new_from_netlink(watcher->udev_, "udev");
    if (watcher->monitor_ == nullptr ||
        udev_monitor_filter_add_match_subsystem_devtype(watcher->monitor_, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(watcher->monitor_) < 0) {
        return Error{ErrorCode::kUnavailable, "cannot listen to udev events of hidraw devices"};
    }
    return watcher;
}

std::unique_ptr<HidrawDeviceWatcher> HidrawDeviceWatcher::AdoptUeventSocket(UniqueFd socket) {
    if (!socket.valid()) {
        return nullptr;
    }
    std::unique_ptr<HidrawDeviceWatcher> watcher(new HidrawDeviceWatcher());
    watcher->source_ = HidrawEventSource::Kernel;
    watcher->socket_ = std::move(socket);
    watcher->onlyFromKernel_ = false;
    return watcher;
}

HidrawDeviceWatcher::~HidrawDeviceWatcher() {
    udev_monitor_unref(monitor_);
    udev_unref(udev_);
}

int HidrawDeviceWatcher::PollFd() const {
    return monitor_ != nullptr ? udev_monitor_get_fd(monitor_) : socket_.get();
}

std::vector<HidDeviceEvent> HidrawDeviceWatcher::TakeEvents() {
    return monitor_ != nullptr ? TakeUdevEvents() : TakeKernelEvents();
}

std::vector<HidDeviceEvent> HidrawDeviceWatcher::TakeUdevEvents() {
    std::vector<HidDeviceEvent> events;
    // The monitor's socket is non-blocking: receiving returns null once it is drained.
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
        const char* subsystem = udev_device_get_subsystem(device);
        const char* action = udev_device_get_action(device);
        const char* devnode = udev_device_get_devnode(device);
        if (std::optional<HidDeviceEvent> event = HidrawEventFrom(
                subsystem ? subsystem : "", action ? action : "", devnode ? devnode : "")) {
            events.push_back(std::move(*event));
        }
        udev_device_unref(device);
    }
    return events;
}

std::vector<HidDeviceEvent> HidrawDeviceWatcher::TakeKernelEvents() {
    std::vector<HidDeviceEvent> events;
    std::array<char, kUeventBufferSize> buffer;
    for (;;) {
        sockaddr_nl sender{};
        iovec part{buffer.data(), buffer.size()};
        msghdr message{};
        message.msg_name = &sender;
        message.msg_namelen = sizeof sender;
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        const ssize_t got = ::recvmsg(socket_.get(), &message, MSG_DONTWAIT);
        if (got < 0) {
            if (errno == EINTR || errno == ENOBUFS) {
                continue;  // a signal, or the kernel dropped messages we were too slow for
            }
            break;  // EAGAIN: drained
        }
        if ((message.msg_flags & MSG_TRUNC) != 0) {
            continue;
        }
        if (onlyFromKernel_ && (message.msg_namelen != sizeof sender ||
                                sender.nl_family != AF_NETLINK || sender.nl_pid != 0)) {
            continue;  // only the kernel itself sends from port 0
        }
        const std::optional<UeventMessage> uevent =
            ParseKernelUevent(std::span<const char>(buffer.data(), static_cast<std::size_t>(got)));
        if (!uevent) {
            continue;
        }
        if (std::optional<HidDeviceEvent> event = HidrawEventFrom(*uevent)) {
            events.push_back(std::move(*event));
        }
    }
    return events;
}

}  // namespace zel::platform
