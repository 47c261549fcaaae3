#include "sim/control_socket.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "platform/sim_protocol.h"

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
    if (!listener_.Listen(path, 16, error)) {
        return false;
    }
    buffer_.resize(proto::kMaxMessageLength);
    return true;
}

void ControlSocket::AppendPollFds(std::vector<pollfd>& fds) const {
    fds.push_back({listener_.fd(), POLLIN, 0});
    for (const Connection& connection : connections_) {
        fds.push_back({connection.fd.get(), POLLIN, 0});
    }
}

void ControlSocket::Service(std::span<const pollfd> polled, const CommandHandler& onCommand) {
    // Connections accepted below were not polled: they wait for the next turn.
    const std::size_t count = std::min(connections_.size(), polled.empty() ? 0 : polled.size() - 1);
    for (std::size_t i = 0; i < count; ++i) {
        if (polled[1 + i].revents != 0 && connections_[i].fd.valid()) {
            Drain(connections_[i], onCommand);
        }
    }
    std::erase_if(connections_, [](const Connection& c) { return !c.fd.valid(); });
    if (!polled.empty() && polled[0].revents != 0) {
        listener_.AcceptAll([this](int fd) {
            connections_.push_back({platform::UniqueFd(fd), nextId_++});
        });
    }
}

void ControlSocket::Drain(Connection& connection, const CommandHandler& onCommand) {
    for (int turn = 0; turn < kMessagesPerTurn && connection.fd.valid(); ++turn) {
        const proto::Received received =
            proto::ReceiveMessage(connection.fd.get(), buffer_, MSG_DONTWAIT);
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
        if (connection.id == client && connection.fd.valid()) {
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
    if (connection.fd.valid() && !proto::SendMessage(connection.fd.get(), message, MSG_DONTWAIT)) {
        CloseConnection(connection);
    }
}

void ControlSocket::CloseConnection(Connection& connection) {
    if (connection.fd.valid()) {
        ::shutdown(connection.fd.get(), SHUT_RDWR);
        connection.fd.Reset();
    }
}

void ControlSocket::Close() {
    for (Connection& connection : connections_) {
        CloseConnection(connection);
    }
    connections_.clear();
    listener_.Close();
}

}  // namespace zel::sim
