#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/wake_up_event.h"
#include "sim/command_runner.h"
#include "sim/event_log.h"
#include "sim/listening_socket.h"
#include "sim/mouse_model.h"
#include "sim/mouse_session.h"

namespace zel::sim {

struct ServeOptions {
    std::string socketPath;
    ReportLengths lengths;
    bool startUnplugged = false;
};

// The Unix-socket front-end of the virtual mouse: serves the utility's HID traffic and the
// control commands of `zel-mouse-sim send` on one SOCK_SEQPACKET socket (sim/PROTOCOL.md).
// One thread runs Run(); Stop() may be called from any thread.
class SocketServer final : private HostPort {
public:
    SocketServer(ServeOptions options, EventLog& log);
    ~SocketServer() override;
    SocketServer(const SocketServer&) = delete;
    SocketServer& operator=(const SocketServer&) = delete;

    // Creates the socket (replacing a stale one left by a dead simulator). False with *error
    // when the path is unusable or another simulator serves on it.
    bool Listen(std::string* error);
    // Serves until "quit", Stop(), or stopFd (e.g. a signalfd) becomes readable; then closes
    // every connection and removes the socket file.
    void Run(int stopFd = -1);
    void Stop();

private:
    enum class Role { Fresh, Reader, Writer, Watcher, Control };
    struct Connection {
        platform::UniqueFd fd;  // none once closed; removed from the list after the poll round
        int id = 0;
        Role role = Role::Fresh;
    };

    void AcceptAll();
    void Drain(Connection& connection);
    void Handle(Connection& connection, std::span<const std::uint8_t> message, std::int64_t tUs);
    void HandleOpen(Connection& connection, std::span<const std::uint8_t> payload);
    void HandleCommand(Connection& connection, std::span<const std::uint8_t> payload);
    void Reply(Connection& connection, std::span<const std::uint8_t> message);
    void ReplyError(Connection& connection, std::string_view text);
    void ReplyCommand(int client, bool ok, std::string_view text);
    void Close(Connection& connection, std::string_view reason);
    void CloseAll();
    Connection* Find(int id);

    // HostPort
    std::size_t SendInput(std::span<const std::uint8_t> report) override;
    void Unplugged() override;
    void Plugged() override;
    void AddStatus(JsonObject& state) const override;
    void Notify(Role role, std::span<const std::uint8_t> message);

    ServeOptions options_;
    EventLog& log_;
    MouseModel model_;
    MouseSession session_;
    CommandRunner commands_;
    ListeningSocket listener_;
    platform::WakeUpEvent wake_;
    std::vector<Connection> connections_;
    std::vector<std::uint8_t> receiveBuffer_;
    int nextId_ = 1;
    bool quit_ = false;
};

}  // namespace zel::sim
