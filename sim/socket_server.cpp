#include "sim/socket_server.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/hex_text.h"
#include "platform/sim_protocol.h"
#include "sim/arrival_time.h"

namespace zel::sim {
namespace {

namespace proto = zel::platform::sim_protocol;
using proto::MessageType;

// Messages handled from one connection before the others get their turn.
constexpr int kMessagesPerTurn = 64;

std::string_view AccessName(bool reader) {
    return reader ? "read" : "write";
}

}  // namespace

SocketServer::SocketServer(ServeOptions options, EventLog& log)
    : options_(std::move(options)),
      log_(log),
      model_(options_.lengths),
      session_(model_, log_, *this, !options_.startUnplugged),
      commands_(session_, [this](int client, bool ok,
                                 std::string_view text) { ReplyCommand(client, ok, text); }),
      receiveBuffer_(zel::platform::sim_protocol::kMaxMessageLength) {}

SocketServer::~SocketServer() {
    CloseAll();
}

bool SocketServer::Listen(std::string* error) {
    if (!wake_.valid()) {
        *error = std::string("eventfd: ") + std::strerror(wake_.OpenError());
        return false;
    }
    return listener_.Listen(options_.socketPath, 64, error);
}

void SocketServer::Stop() {
    wake_.Signal();
}

void SocketServer::Run(int stopFd) {
    std::vector<pollfd> fds;
    while (!quit_ && listener_.listening()) {
        fds.clear();
        fds.push_back({listener_.fd(), POLLIN, 0});
        fds.push_back({wake_.fd(), POLLIN, 0});
        fds.push_back({stopFd, POLLIN, 0});  // a negative fd is skipped by poll
        const std::size_t polled = connections_.size();
        for (const Connection& connection : connections_) {
            fds.push_back({connection.fd.get(), POLLIN, 0});
        }

        if (!commands_.Poll(fds)) {
            break;
        }
        if (fds[1].revents != 0 || fds[2].revents != 0) {
            break;
        }
        for (std::size_t i = 0; i < polled && !quit_; ++i) {
            if (fds[3 + i].revents != 0 && connections_[i].fd.valid()) {
                Drain(connections_[i]);
            }
        }
        commands_.FinishDueClicks();
        std::erase_if(connections_, [](const Connection& c) { return !c.fd.valid(); });
        if (fds[0].revents != 0 && !quit_) {
            AcceptAll();
        }
    }
    CloseAll();
}

void SocketServer::AcceptAll() {
    listener_.AcceptAll([this](int fd) {
        // Feature reports are logged with the time the kernel queued them for the mouse.
        StampArrivals(fd);
        connections_.push_back({platform::UniqueFd(fd), nextId_++, Role::Fresh});
    });
}

void SocketServer::Drain(Connection& connection) {
    std::vector<std::uint8_t>& buffer = receiveBuffer_;
    for (int turn = 0; turn < kMessagesPerTurn && connection.fd.valid() && !quit_; ++turn) {
        std::int64_t arrived = 0;
        const proto::Received received =
            ReceiveStampedMessage(connection.fd.get(), buffer, MSG_DONTWAIT, &arrived);
        switch (received.status) {
            case proto::ReceiveStatus::WouldBlock:
                return;
            case proto::ReceiveStatus::Closed:
            case proto::ReceiveStatus::Failed:
                Close(connection, "closed");
                return;
            case proto::ReceiveStatus::Message:
                break;
        }
        if (received.truncated) {
            ReplyError(connection, "message longer than " +
                                       std::to_string(proto::kMaxMessageLength) + " bytes");
            continue;
        }
        Handle(connection, std::span(buffer).first(received.length), arrived);
    }
}

void SocketServer::Handle(Connection& connection, std::span<const std::uint8_t> message,
                          std::int64_t tUs) {
    const auto type = static_cast<MessageType>(message[0]);
    const std::span<const std::uint8_t> payload = message.subspan(1);
    switch (type) {
        case MessageType::Describe: {
            proto::Description description;
            description.present = session_.present();
            description.vendorId = kVendorId;
            description.productId = kProductId;
            if (session_.present()) {
                for (const CollectionInfo& c : model_.Collections()) {
                    description.collections.push_back(
                        {c.usagePage, c.usage, static_cast<std::uint16_t>(c.inputReportLength),
                         static_cast<std::uint16_t>(c.featureReportLength)});
                }
            }
            Reply(connection, proto::EncodeDescription(description));
            return;
        }
        case MessageType::Open:
            HandleOpen(connection, payload);
            return;
        case MessageType::Feature: {
            if (connection.role != Role::Writer) {
                ReplyError(connection, "feature reports go on a connection opened for writing");
                return;
            }
            const FeatureResult::Outcome outcome =
                session_.OnFeatureReport(payload, tUs, connection.id);
            const auto status = outcome == FeatureResult::Outcome::Refused
                                    ? proto::FeatureStatus::Refused
                                    : proto::FeatureStatus::Accepted;
            const std::uint8_t statusByte = static_cast<std::uint8_t>(status);
            Reply(connection,
                  proto::EncodeMessage(MessageType::FeatureResult, std::span(&statusByte, 1)));
            return;
        }
        case MessageType::Watch: {
            if (connection.role != Role::Fresh) {
                ReplyError(connection, "this connection is already in use");
                return;
            }
            connection.role = Role::Watcher;
            const std::uint8_t present = session_.present() ? 1 : 0;
            Reply(connection, proto::EncodeMessage(MessageType::Watching, std::span(&present, 1)));
            return;
        }
        case MessageType::Command:
            HandleCommand(connection, payload);
            return;
        default: {
            ReplyError(connection, "unknown message type 0x" + platform::HexNumber(message[0], 2));
            return;
        }
    }
}

void SocketServer::HandleOpen(Connection& connection, std::span<const std::uint8_t> payload) {
    if (connection.role != Role::Fresh) {
        ReplyError(connection, "this connection is already in use");
        return;
    }
    const bool read = payload.size() == 1 && payload[0] == std::uint8_t(proto::Access::Read);
    const bool write = payload.size() == 1 && payload[0] == std::uint8_t(proto::Access::Write);
    if (!read && !write) {
        ReplyError(connection, "open needs one access byte: 1 read or 2 write");
        return;
    }
    if (!session_.present()) {
        ReplyError(connection, "the mouse is unplugged");
        return;
    }
    connection.role = read ? Role::Reader : Role::Writer;
    // Logged before the answer, so the log already shows the channel when the client sees it.
    JsonObject event = EventLog::Event(MonotonicMicros(), "connect");
    event.AddInt("client", connection.id).AddString("access", AccessName(read));
    log_.Write(event);
    Reply(connection, proto::EncodeMessage(MessageType::Opened, std::span<const std::uint8_t>{}));
}

void SocketServer::HandleCommand(Connection& connection, std::span<const std::uint8_t> payload) {
    if (connection.role != Role::Fresh && connection.role != Role::Control) {
        ReplyError(connection, "commands go on a connection of their own");
        return;
    }
    connection.role = Role::Control;
    const std::string_view text(reinterpret_cast<const char*>(payload.data()), payload.size());
    if (commands_.Run(connection.id, text)) {
        quit_ = true;
    }
}

void SocketServer::Reply(Connection& connection, std::span<const std::uint8_t> message) {
    // A client that does not read its answers is dropped rather than waited for.
    if (connection.fd.valid() && !proto::SendMessage(connection.fd.get(), message, MSG_DONTWAIT)) {
        Close(connection, "closed");
    }
}

void SocketServer::ReplyError(Connection& connection, std::string_view text) {
    Reply(connection, proto::EncodeMessage(MessageType::Error, text));
}

void SocketServer::ReplyCommand(int client, bool ok, std::string_view text) {
    Connection* connection = Find(client);
    if (connection == nullptr) {
        return;  // the sender has gone; the command was carried out all the same
    }
    std::vector<std::uint8_t> payload{
        static_cast<std::uint8_t>(ok ? proto::CommandStatus::Ok : proto::CommandStatus::Failed)};
    payload.insert(payload.end(), text.begin(), text.end());
    Reply(*connection, proto::EncodeMessage(MessageType::CommandResult, payload));
}

SocketServer::Connection* SocketServer::Find(int id) {
    for (Connection& connection : connections_) {
        if (connection.id == id && connection.fd.valid()) {
            return &connection;
        }
    }
    return nullptr;
}

void SocketServer::Close(Connection& connection, std::string_view reason) {
    if (!connection.fd.valid()) {
        return;
    }
    if (connection.role == Role::Reader || connection.role == Role::Writer) {
        JsonObject event = EventLog::Event(MonotonicMicros(), "disconnect");
        event.AddInt("client", connection.id)
            .AddString("access", AccessName(connection.role == Role::Reader))
            .AddString("reason", reason);
        log_.Write(event);
    }
    ::shutdown(connection.fd.get(), SHUT_RDWR);
    connection.fd.Reset();
}

void SocketServer::CloseAll() {
    for (Connection& connection : connections_) {
        Close(connection, "quit");
    }
    connections_.clear();
    commands_.AbandonClicks("the simulator ended first");
    listener_.Close();
}

std::size_t SocketServer::SendInput(std::span<const std::uint8_t> report) {
    const std::vector<std::uint8_t> message = proto::EncodeMessage(MessageType::Input, report);
    std::size_t delivered = 0;
    for (Connection& connection : connections_) {
        if (connection.role != Role::Reader || !connection.fd.valid()) {
            continue;
        }
        if (proto::SendMessage(connection.fd.get(), message, MSG_DONTWAIT)) {
            ++delivered;
        } else if (errno != EAGAIN && errno != EWOULDBLOCK) {
            Close(connection, "closed");
        }
        // A full queue drops the report for that reader, as a HID node does.
    }
    return delivered;
}

void SocketServer::Notify(Role role, std::span<const std::uint8_t> message) {
    for (Connection& connection : connections_) {
        if (connection.role == role) {
            Reply(connection, message);
        }
    }
}

void SocketServer::Unplugged() {
    for (Connection& connection : connections_) {
        if (connection.role == Role::Reader || connection.role == Role::Writer) {
            Close(connection, "unplug");
        }
    }
    Notify(Role::Watcher,
           proto::EncodeMessage(MessageType::Removal, std::span<const std::uint8_t>{}));
    commands_.AbandonClicks("unplugged before the release");
}

void SocketServer::Plugged() {
    Notify(Role::Watcher,
           proto::EncodeMessage(MessageType::Arrival, std::span<const std::uint8_t>{}));
}

void SocketServer::AddStatus(JsonObject& state) const {
    const auto count = [this](Role role) {
        return static_cast<std::int64_t>(
            std::count_if(connections_.begin(), connections_.end(),
                          [role](const Connection& c) { return c.fd.valid() && c.role == role; }));
    };
    state.AddInt("readers", count(Role::Reader))
        .AddInt("writers", count(Role::Writer))
        .AddInt("watchers", count(Role::Watcher));
}

}  // namespace zel::sim
