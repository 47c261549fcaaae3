// Fuzzes the virtual mouse's socket protocol: one simulator serves in this process, and each
// input is a conversation of up to 24 messages on up to two connections (raw packets, or
// Describe, Open, Feature, Watch and Command messages with fuzzed payloads, and oversized
// packets). "quit" is never sent; a "click" is sent and its connection dropped at once, before
// the delayed answer. After the conversation the mouse is plugged in and its buttons released.
//
// Checked: every packet gets exactly one answer, within 20 seconds, of the type that message
// allows (Error otherwise); descriptions decode and name the mouse; a command that does not
// parse fails and "state" succeeds with a JSON object; only an unplug during the conversation
// ends a channel. Without a socket: a control command parses back from its canonical text, and
// a description packet that decodes encodes to the same bytes.

#include <fcntl.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "fuzz_support.h"
#include "platform/sim_protocol.h"
#include "sim/control_command.h"
#include "sim/event_log.h"
#include "sim/mouse_model.h"
#include "sim/socket_server.h"

namespace {

namespace proto = zel::platform::sim_protocol;
using proto::MessageType;
using zel::sim::ControlCommand;

using zel::fuzz::Check;

constexpr std::uint8_t Byte(MessageType type) {
    return static_cast<std::uint8_t>(type);
}

// The simulator, on its own thread for the life of the process.
class Simulator {
public:
    Simulator() {
        char pattern[] = "/tmp/zel-fuzz-sim.XXXXXX";  // short: a socket path has 108 bytes
        Check(::mkdtemp(pattern) != nullptr);
        folder_ = pattern;
        socketPath = folder_ + "/mouse.sock";
        logFd_ = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        log_ = std::make_unique<zel::sim::EventLog>(logFd_);
        server_ = std::make_unique<zel::sim::SocketServer>(
            zel::sim::ServeOptions{socketPath, {}, false}, *log_);
        std::string error;
        Check(server_->Listen(&error));
        thread_ = std::thread([this] { server_->Run(); });
    }
    ~Simulator() {
        server_->Stop();
        thread_.join();
        server_.reset();
        ::close(logFd_);
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    std::string socketPath;

private:
    std::string folder_;
    int logFd_ = -1;
    std::unique_ptr<zel::sim::EventLog> log_;
    std::unique_ptr<zel::sim::SocketServer> server_;
    std::thread thread_;
};

enum class Role { Fresh, Channel, Watcher, Control };

struct Connection {
    int fd = -1;
    Role role = Role::Fresh;
    bool gone = false;  // the mouse closed it, or it was dropped after a click

    ~Connection() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

// The next answer: nullopt when the mouse ended the connection. No answer in time aborts (the
// limit is generous: the campaign runs at the lowest priority on a busy machine).
std::optional<std::vector<std::uint8_t>> Receive(int fd) {
    // libFuzzer's timeout alarm interrupts the wait now and then: that is no missing answer.
    pollfd pfd{fd, POLLIN, 0};
    int ready = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    do {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        ready = ::poll(&pfd, 1, static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
    } while (ready < 0 && errno == EINTR);
    Check(ready == 1);
    std::vector<std::uint8_t> buffer(proto::kMaxMessageLength);
    const proto::Received received = proto::ReceiveMessage(fd, buffer);
    if (received.status == proto::ReceiveStatus::Closed ||
        received.status == proto::ReceiveStatus::Failed) {
        return std::nullopt;
    }
    Check(received.status == proto::ReceiveStatus::Message && !received.truncated);
    buffer.resize(received.length);
    Check(!buffer.empty());
    return buffer;
}

// The answer to the message just sent, past the notices the role receives unasked.
std::optional<std::vector<std::uint8_t>> Answer(const Connection& connection) {
    for (;;) {
        auto message = Receive(connection.fd);
        if (!message) {
            return message;
        }
        const std::uint8_t type = message->front();
        const bool notice =
            (connection.role == Role::Channel && type == Byte(MessageType::Input)) ||
            (connection.role == Role::Watcher &&
             (type == Byte(MessageType::Arrival) || type == Byte(MessageType::Removal)));
        if (!notice) {
            return message;
        }
    }
}

void CheckDescription(std::span<const std::uint8_t> message) {
    const auto description = proto::DecodeDescription(message);
    Check(description.has_value());
    Check(description->vendorId == zel::sim::kVendorId &&
          description->productId == zel::sim::kProductId);
    Check(description->collections.size() == (description->present ? 2u : 0u));
    Check(proto::EncodeDescription(*description) ==
          std::vector<std::uint8_t>(message.begin(), message.end()));
}

constexpr std::array<std::string_view, 9> kCommandWords = {
    "press", "release", "click", "input", "unplug", "plug", "state", "PRESS", "bogus"};

std::string CommandText(FuzzedDataProvider& input) {
    if (input.ConsumeBool()) {
        return input.ConsumeRandomLengthString(64);
    }
    std::string text(
        kCommandWords[input.ConsumeIntegralInRange<std::size_t>(0, kCommandWords.size() - 1)]);
    switch (input.ConsumeIntegralInRange<int>(0, 3)) {
        case 0:
            break;
        case 1:
            text += " " + std::to_string(input.ConsumeIntegralInRange<int>(-1, 8));
            break;
        default:
            text += " " + input.ConsumeRandomLengthString(48);
    }
    return text;
}

std::vector<std::uint8_t> FeatureReport(FuzzedDataProvider& input) {
    std::vector<std::uint8_t> report;
    if (input.ConsumeBool()) {
        report = {zel::sim::kFeatureReportId, input.ConsumeIntegral<std::uint8_t>()};
        report.resize(8);  // the mouse's feature report length
        for (std::size_t i = 2; i < report.size(); ++i) {
            report[i] = input.ConsumeIntegral<std::uint8_t>();
        }
    } else {
        const std::string bytes = input.ConsumeRandomLengthString(32);
        report.assign(bytes.begin(), bytes.end());
    }
    return report;
}

// Whether answer type `answer` may follow message type `sent` on a connection in `role`.
bool Allowed(std::uint8_t sent, std::uint8_t answer, Role role) {
    const std::uint8_t error = Byte(MessageType::Error);
    switch (static_cast<MessageType>(sent)) {
        case MessageType::Describe:
            return answer == Byte(MessageType::Description);
        case MessageType::Open:
            return answer == Byte(MessageType::Opened) || answer == error;
        case MessageType::Feature:
            return answer == (role == Role::Channel ? Byte(MessageType::FeatureResult) : error) ||
                   answer == error;
        case MessageType::Watch:
            return answer == (role == Role::Fresh ? Byte(MessageType::Watching) : error);
        case MessageType::Command:
            return answer == (role == Role::Fresh || role == Role::Control
                                  ? Byte(MessageType::CommandResult)
                                  : error);
        default:
            return answer == error;
    }
}

void PlugAndRelease(const Simulator& simulator) {
    Connection control{proto::Connect(simulator.socketPath).value_or(-1)};
    Check(control.fd >= 0);
    for (const std::string_view text :
         {"plug", "release 1", "release 2", "release 3", "release 4", "release 5", "release 6"}) {
        Check(proto::SendMessage(control.fd, proto::EncodeMessage(MessageType::Command, text)));
        const auto answer = Receive(control.fd);
        Check(answer && answer->front() == Byte(MessageType::CommandResult));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Simulator simulator;
    const std::span<const std::uint8_t> bytes(data, size);
    if (const auto description = proto::DecodeDescription(bytes)) {
        Check(proto::EncodeDescription(*description) ==
              std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    }

    FuzzedDataProvider input(data, size);
    std::array<Connection, 2> connections;
    bool unplugged = false;       // the mouse is off the bus now
    bool unplugHappened = false;  // it was at some time in this conversation
    bool changedButtons = false;
    for (int turn = 0; turn < 24 && input.remaining_bytes() > 0; ++turn) {
        Connection& connection = connections[input.ConsumeBool() ? 1 : 0];
        if (connection.gone) {
            continue;
        }
        if (connection.fd < 0) {
            connection.fd = proto::Connect(simulator.socketPath).value_or(-1);
            Check(connection.fd >= 0);
        }
        std::vector<std::uint8_t> message;
        std::optional<ControlCommand> command;
        switch (input.ConsumeIntegralInRange<int>(0, 7)) {
            case 0:
                message = proto::EncodeMessage(MessageType::Describe, std::string_view());
                break;
            case 1:
                message = {Byte(MessageType::Open)};
                for (std::size_t n = input.ConsumeIntegralInRange<std::size_t>(0, 2); n > 0; --n) {
                    message.push_back(input.ConsumeIntegralInRange<std::uint8_t>(0, 3));
                }
                break;
            case 2:
                message = proto::EncodeMessage(MessageType::Feature, FeatureReport(input));
                break;
            case 3:
                message = proto::EncodeMessage(MessageType::Watch, std::string_view());
                break;
            case 4:
            case 5:
                message = proto::EncodeMessage(MessageType::Command, CommandText(input));
                break;
            case 6: {
                const std::string raw = input.ConsumeRandomLengthString(96);
                if (raw.empty()) {
                    continue;  // an empty packet is the end of the connection
                }
                message.assign(raw.begin(), raw.end());
                break;
            }
            default:
                message.assign(proto::kMaxMessageLength + 1 + input.ConsumeIntegral<std::uint8_t>(),
                               Byte(MessageType::Command));
        }

        const bool oversized = message.size() > proto::kMaxMessageLength;
        if (message.front() == Byte(MessageType::Command) && !oversized) {
            const std::string_view text(reinterpret_cast<const char*>(message.data()) + 1,
                                        message.size() - 1);
            const zel::sim::ControlCommandParse parsed = zel::sim::ParseControlCommand(text);
            Check(parsed.command.has_value() == parsed.error.empty());
            if (parsed.command) {
                const auto again =
                    zel::sim::ParseControlCommand(zel::sim::FormatControlCommand(*parsed.command));
                Check(again.command && again.command->kind == parsed.command->kind &&
                      again.command->button == parsed.command->button &&
                      again.command->bytes == parsed.command->bytes);
                if (parsed.command->kind == ControlCommand::Kind::Quit) {
                    continue;
                }
                command = parsed.command;
            }
        }
        const bool sent = proto::SendMessage(connection.fd, message);
        Check(sent || connection.role == Role::Channel);
        if (command && command->kind == ControlCommand::Kind::Click) {
            changedButtons = true;
            ::close(connection.fd);  // before the answer: the mouse must cope
            connection.fd = -1;
            connection.gone = true;
            continue;
        }
        const auto answer = sent ? Answer(connection) : std::nullopt;
        if (!answer) {
            // Only an unplug ends a connection, and only an open channel.
            Check(unplugHappened && connection.role == Role::Channel);
            connection.gone = true;
            continue;
        }
        const std::uint8_t type = answer->front();
        Check(oversized ? type == Byte(MessageType::Error)
                        : Allowed(message.front(), type, connection.role));
        if (type == Byte(MessageType::Description)) {
            CheckDescription(*answer);
        } else if (type == Byte(MessageType::Opened)) {
            connection.role = Role::Channel;
        } else if (type == Byte(MessageType::Watching)) {
            connection.role = Role::Watcher;
            Check(answer->size() == 2 && answer->at(1) == (unplugged ? 0 : 1));
        } else if (type == Byte(MessageType::CommandResult)) {
            connection.role = Role::Control;
            Check(answer->size() >= 2 && answer->at(1) <= 1);
            const bool ok = answer->at(1) == static_cast<std::uint8_t>(proto::CommandStatus::Ok);
            Check(command.has_value() || !ok);
            if (command && command->kind == ControlCommand::Kind::State) {
                Check(ok && answer->size() > 2 && answer->at(2) == '{');
            }
            if (ok && command) {
                unplugged = (unplugged || command->kind == ControlCommand::Kind::Unplug) &&
                            command->kind != ControlCommand::Kind::Plug;
                unplugHappened = unplugHappened || unplugged;
                changedButtons = changedButtons || command->kind == ControlCommand::Kind::Press;
            }
        }
    }
    if (unplugged || changedButtons) {
        PlugAndRelease(simulator);
    }
    return 0;
}
