#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/hid_transport.h"

namespace zel::platform {

// Names the socket of a running `zel-mouse-sim serve`; when set, the program uses that virtual
// mouse instead of hidraw.
inline constexpr const char* kSimSocketVariable = "ZEL_GMOUSE_SIM";
// Interface path of the virtual mouse: this prefix and the socket path. Both of its collections
// share the path, as on a hidraw node.
inline constexpr std::string_view kSimPathPrefix = "sim:";

// HID transport to the virtual mouse over its Unix socket (sim/PROTOCOL.md). Every open
// channel and every watcher is a connection of its own, so the mouse's unplug ends them as a
// removed hidraw node ends its open files. Thread-safe in the way of the interface: one thread
// per channel, Cancel() from any thread.
class SimTransport final : public HidTransport {
public:
    explicit SimTransport(std::string socketPath);
    // The transport ZEL_GMOUSE_SIM asks for; nullptr when the variable is unset or empty.
    static std::unique_ptr<SimTransport> FromEnvironment();

    const std::string& socketPath() const { return socketPath_; }
    std::string InterfacePath() const { return std::string(kSimPathPrefix) + socketPath_; }

    // The two collections while the mouse is plugged in; nothing while it is unplugged or no
    // simulator serves on the socket.
    std::vector<HidCollectionInfo> Enumerate() override;
    // nullptr when the path is not a virtual mouse's, the mouse is unplugged or unreachable.
    std::unique_ptr<HidChannel> Open(const HidCollectionInfo& collection,
                                     HidAccess access) override;
    // Reports Removal and Arrival of InterfacePath() on unplug and plug. When the simulator
    // ends, a present mouse is reported removed and the watcher falls silent.
    std::unique_ptr<HidDeviceWatcher> Watch() override;

private:
    std::string socketPath_;
};

}  // namespace zel::platform
