#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/hid_transport.h"
#include "platform/outcome.h"
#include "platform/uevent_message.h"
#include "platform/unique_fd.h"

struct udev;
struct udev_monitor;

namespace zel::platform {

// Where arrival and removal of hidraw nodes are heard.
enum class HidrawEventSource {
    // udev's own events: sent once udev has made the node and applied its access rules.
    Udev,
    // the kernel's uevents, read from a NETLINK_KOBJECT_UEVENT socket: the only source where no
    // udev daemon runs (a container, a bare guest), where udev events never come.
    Kernel,
};

// Udev when a udev daemon runs on this machine, otherwise Kernel.
HidrawEventSource DefaultHidrawEventSource();

// The arrival or removal a uevent announces for a hidraw node; nullopt for other subsystems,
// other actions or a missing or unsafe device name. DEVNAME may be relative to /dev.
std::optional<HidDeviceEvent> HidrawEventFrom(std::string_view subsystem, std::string_view action,
                                              std::string_view devname);
std::optional<HidDeviceEvent> HidrawEventFrom(const UeventMessage& message);

class HidrawDeviceWatcher final : public HidDeviceWatcher {
public:
    // A watcher listening to source, else why the source cannot be listened to.
    static Result<std::unique_ptr<HidrawDeviceWatcher>> Create(HidrawEventSource source);
    // Reads kernel-format uevents from any non-blocking datagram socket, whoever sends them;
    // lets tests feed captured messages.
    static std::unique_ptr<HidrawDeviceWatcher> AdoptUeventSocket(UniqueFd socket);

    ~HidrawDeviceWatcher() override;

    HidrawEventSource source() const { return source_; }
    int PollFd() const override;
    std::vector<HidDeviceEvent> TakeEvents() override;

private:
    HidrawDeviceWatcher() = default;
    std::vector<HidDeviceEvent> TakeUdevEvents();
    std::vector<HidDeviceEvent> TakeKernelEvents();

    HidrawEventSource source_ = HidrawEventSource::Kernel;
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    UniqueFd socket_;
    bool onlyFromKernel_ = true;  // refuse datagrams that another process sent
};

}  // namespace zel::platform
