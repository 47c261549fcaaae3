#include "sim/control_client.h"

#include <poll.h>
#include <unistd.h>

#include <vector>

#include "platform/sim_protocol.h"
#include "platform/unique_fd.h"

namespace zel::sim {
namespace {

namespace proto = zel::platform::sim_protocol;

ControlReply Unreachable(std::string text) {
    return {ControlReply::Status::Unreachable, std::move(text)};
}

ControlReply Await(int fd, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::vector<std::uint8_t> buffer(proto::kMaxMessageLength);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd pfd{fd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
        if (ready == 0) {
            return Unreachable("the simulator did not answer");
        }
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Unreachable("poll failed");
        }
        const proto::Received received = proto::ReceiveMessage(fd, buffer);
        if (received.status != proto::ReceiveStatus::Message) {
            return Unreachable("the simulator closed the connection without an answer");
        }
        const std::span<const std::uint8_t> message = std::span(buffer).first(received.length);
        const auto type = static_cast<proto::MessageType>(message[0]);
        if (type == proto::MessageType::CommandResult && message.size() >= 2) {
            const bool ok = message[1] == static_cast<std::uint8_t>(proto::CommandStatus::Ok);
            return {ok ? ControlReply::Status::Ok : ControlReply::Status::Failed,
                    std::string(message.begin() + 2, message.end())};
        }
        if (type == proto::MessageType::Error) {
            return {ControlReply::Status::Failed, std::string(message.begin() + 1, message.end())};
        }
        // Anything else is not meant for a control connection: keep waiting for the answer.
    }
}

}  // namespace

ControlReply SendControlCommand(std::string_view socketPath, std::string_view command,
                                std::chrono::milliseconds timeout) {
    const platform::Result<int> connected = proto::Connect(socketPath);
    if (!connected.ok()) {
        return Unreachable("no simulator: " + connected.error().message);
    }
    const platform::UniqueFd fd(*connected);
    if (!proto::SendMessage(fd.get(), proto::EncodeMessage(proto::MessageType::Command, command))) {
        return Unreachable("cannot send to the simulator");
    }
    return Await(fd.get(), timeout);
}

}  // namespace zel::sim
