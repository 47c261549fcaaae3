#pragma once

#include <poll.h>

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sim/listening_socket.h"

namespace zel::sim {

// A Unix socket that carries only the control commands of `zel-mouse-sim send` (the Command
// and CommandResult messages of sim/PROTOCOL.md), for a front-end whose HID traffic goes
// elsewhere. Any other message is answered with Error. Single-threaded: the owner polls the
// descriptors and calls Service.
class ControlSocket {
public:
    // client identifies the connection for Reply; text is the command as received.
    using CommandHandler = std::function<void(int client, std::string_view text)>;

    ControlSocket() = default;
    ~ControlSocket();
    ControlSocket(const ControlSocket&) = delete;
    ControlSocket& operator=(const ControlSocket&) = delete;

    // Creates the socket (replacing a stale one left by a dead simulator). False with *error
    // when the path is unusable or another program serves on it.
    bool Listen(const std::string& path, std::string* error);
    bool listening() const { return listener_.listening(); }

    // Appends what to poll: the listening socket, then every connection.
    void AppendPollFds(std::vector<pollfd>& fds) const;
    // Acts on the poll results of exactly the descriptors AppendPollFds appended, in that
    // order: accepts connections and hands every command to onCommand.
    void Service(std::span<const pollfd> polled, const CommandHandler& onCommand);
    // The answer to a command; dropped when the client has gone.
    void Reply(int client, bool ok, std::string_view text);
    // Closes every connection and removes the socket file (unless another program has taken
    // the path since).
    void Close();

private:
    struct Connection {
        platform::UniqueFd fd;  // none once closed; removed at the end of Service
        int id = 0;
    };

    void Drain(Connection& connection, const CommandHandler& onCommand);
    void Send(Connection& connection, std::span<const std::uint8_t> message);
    static void CloseConnection(Connection& connection);

    ListeningSocket listener_;
    std::vector<Connection> connections_;
    std::vector<std::uint8_t> buffer_;
    int nextId_ = 1;
};

}  // namespace zel::sim
