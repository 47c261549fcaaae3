#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/wake_up_event.h"
#include "sim/command_runner.h"
#include "sim/control_socket.h"
#include "sim/event_log.h"
#include "sim/mouse_model.h"
#include "sim/mouse_session.h"
#include "sim/socket_server.h"
#include "sim/uhid_device.h"

namespace zel::sim {

// The name the kernel shows for the virtual mouse.
inline constexpr std::string_view kUhidDeviceName = "ZEL virtual gaming mouse";

// The kernel front-end of the virtual mouse: the mouse becomes a USB HID device of the running
// kernel (through uhid), which the host finds and drives on a hidraw node like the real mouse.
// Feature reports arrive as set-report requests and are answered once the model has taken
// them; input reports leave as UHID_INPUT2; unplug and plug destroy and create the device.
// Control commands come over options.socketPath when it is set (control only). One thread
// runs Run(); Stop() may be called from any thread.
class UhidFrontend final : private HostPort {
public:
    UhidFrontend(ServeOptions options, EventLog& log, std::unique_ptr<UhidDevice> device);
    ~UhidFrontend() override;
    UhidFrontend(const UhidFrontend&) = delete;
    UhidFrontend& operator=(const UhidFrontend&) = delete;

    // Listens for control commands (when a socket path is set) and, unless the mouse starts
    // unplugged, creates the device. False with *error when either fails.
    bool Start(std::string* error);
    // Serves until "quit", Stop(), stopFd (e.g. a signalfd) becoming readable, or the loss of
    // the uhid descriptor; then the device leaves the bus and the control socket is removed.
    // False when it ended because the uhid descriptor failed.
    bool Run(int stopFd = -1);
    void Stop();

private:
    // False when the descriptor failed or closed.
    bool DrainDevice();
    void OnRequest(const UhidRequest& request, std::int64_t tUs);
    void OnSetReport(const UhidRequest& request, std::int64_t tUs);
    void OnGetReport(const UhidRequest& request, std::int64_t tUs);
    void OnCommand(int client, std::string_view text);
    void LogHostOpen(bool open, std::string_view reason);
    bool CreateDevice(std::string* error);
    void Leave(std::string_view reason);

    // HostPort
    std::size_t SendInput(std::span<const std::uint8_t> report) override;
    void Unplugged() override;
    void Plugged() override;
    void AddStatus(JsonObject& state) const override;

    ServeOptions options_;
    EventLog& log_;
    std::unique_ptr<UhidDevice> device_;
    MouseModel model_;
    MouseSession session_;
    ControlSocket control_;
    CommandRunner commands_;
    platform::WakeUpEvent wake_;
    // The host has the device open (between the kernel's open and close requests).
    bool hostOpen_ = false;
    // Numbers the host's open periods; logged as "client" like a socket connection.
    int client_ = 0;
    // The last feature report carried out; a get-feature request answers with it.
    std::vector<std::uint8_t> lastFeature_;
    bool quit_ = false;
};

// `zel-mouse-sim serve --uhid`: the mouse on kernelDevicePath (normally /dev/uhid) until quit
// or stopFd. Returns the process's exit status; errors go to standard error.
int ServeOnUhid(const ServeOptions& options, EventLog& log, int stopFd,
                const std::string& kernelDevicePath = std::string(kUhidPath));

}  // namespace zel::sim
