#include "sim/control_socket.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/sim_protocol.h"
#include "sim/unix_socket_path.h"

namespace zel::sim {
namespace {

namespace proto = zel::platform::sim_protocol;
using proto::MessageType;

// Messages handled from one connection before the others get their turn.
constexpr int kMessagesPerTurn = 64;

}  // namespace

ControlSocket::~ControlSocket() {
    Close();
}

bool ControlSocket::Listen(const std::string& path, std::string* error) {
    if (std::string problem = proto::CheckSocketPath(path); !problem.empty()) {
        *error = problem;
        return false;
    }
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode)) {
            *error = path + " exists and is not a socket";
            return false;
        }
        if (SomeoneListens(path)) {
            *error = "another program is serving on " + path;
            return false;
        }
        ::unlink(path.c_str());  // left behind by a simulator that did not end cleanly
    }
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const sockaddr_un address = UnixSocketAddress(path);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) < 0 ||
        ::listen(fd, 16) < 0) {
        *error = "cannot listen on " + path + ": " + std::strerror(errno);
        if (fd >= 0) {
            ::close(fd);
        }
        return false;
    }
    struct stat created {};
    if (::stat(path.c_str(), &created) == 0) {
        socketDevice_ = created.st_dev;
        socketInode_ = created.st_ino;
    }
    listenFd_ = fd;
    path_ = path;
    buffer_.resize(proto::kMaxMessageLength);
    return true;
}

void ControlSocket::AppendPollFds(std::vector<pollfd>& fds) const {
    fds.push_back({listenFd_, POLLIN, 0});
    for (const Connection& connection : connections_) {
        fds.push_back({connection.fd, POLLIN, 0});
    }
}

void ControlSocket::Service(std::span<const pollfd> polled, const CommandHandler& onCommand) {
    // Connections accepted below were not polled: they wait for the next turn.
    const std::size_t count = std::min(connections_.size(), polled.empty() ? 0 : polled.size() - 1);
    for (std::size_t i = 0; i < count; ++i) {
        if (polled[1 + i].revents != 0 && connections_[i].fd >= 0) {
            Drain(connections_[i], onCommand);
        }
    }
    std::erase_if(connections_, [](const Connection& c) { return c.fd < 0; });
    if (!polled.empty() && polled[0].revents != 0 && listenFd_ >= 0) {
        AcceptAll();
    }
}

void ControlSocket::AcceptAll() {
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            return;  // EAGAIN, or out of descriptors: try again on the next turn
        }
        connections_.push_back({fd, nextId_++});
    }
}

void ControlSocket::Drain(Connection& connection, const CommandHandler& onCommand) {
    for (int turn = 0; turn < kMessagesPerTurn && connection.fd >= 0; ++turn) {
        const proto::Received received =
            proto::ReceiveMessage(connection.fd, buffer_, MSG_DONTWAIT);
        if (received.status == proto::ReceiveStatus::WouldBlock) {
            return;
        }
        if (received.status != proto::ReceiveStatus::Message) {
            CloseConnection(connection);
            return;
        }
        if (received.truncated) {
            Send(connection,
                 proto::EncodeMessage(
                     MessageType::Error,
                     "message longer than " + std::to_string(proto::kMaxMessageLength) + " bytes"));
            continue;
        }
        const auto type = static_cast<MessageType>(buffer_[0]);
        if (type != MessageType::Command) {
            Send(connection,
                 proto::EncodeMessage(MessageType::Error,
                                      "this mouse is a kernel HID device (uhid): the socket serves "
                                      "control commands only"));
            continue;
        }
        const std::string text(reinterpret_cast<const char*>(buffer_.data()) + 1,
                               received.length - 1);
        // The handler may answer at once (Reply), which may close this very connection.
        onCommand(connection.id, text);
    }
}

void ControlSocket::Reply(int client, bool ok, std::string_view text) {
    for (Connection& connection : connections_) {
        if (connection.id == client && connection.fd >= 0) {
            std::vector<std::uint8_t> payload{static_cast<std::uint8_t>(
                ok ? proto::CommandStatus::Ok : proto::CommandStatus::Failed)};
            payload.insert(payload.end(), text.begin(), text.end());
            Send(connection, proto::EncodeMessage(MessageType::CommandResult, payload));
            return;
        }
    }
}

void ControlSocket::Send(Connection& connection, std::span<const std::uint8_t> message) {
    // A client that does not read its answers is dropped rather than waited for.
    if (connection.fd >= 0 && !proto::SendMessage(connection.fd, message, MSG_DONTWAIT)) {
        CloseConnection(connection);
    }
}

void ControlSocket::CloseConnection(Connection& connection) {
    if (connection.fd >= 0) {
        ::shutdown(connection.fd, SHUT_RDWR);
        ::close(connection.fd);
        connection.fd = -1;
    }
}

void ControlSocket::Close() {
    for (Connection& connection : connections_) {
        CloseConnection(connection);
    }
    connections_.clear();
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        listenFd_ = -1;
        struct stat current {};
        if (::lstat(path_.c_str(), &current) == 0 && current.st_dev == socketDevice_ &&
            current.st_ino == socketInode_) {
            ::unlink(path_.c_str());
        }
    }
}

}  // namespace zel::sim
