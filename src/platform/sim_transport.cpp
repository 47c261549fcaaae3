#include "platform/sim_transport.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/sim_protocol.h"
#include "platform/unique_fd.h"

namespace zel::platform {
namespace {

namespace proto = sim_protocol;
using proto::MessageType;

// How long a request may wait for the mouse's answer before the mouse counts as gone.
constexpr std::chrono::milliseconds kAnswerTimeout{2000};

using MessageBuffer = std::array<std::uint8_t, proto::kMaxMessageLength>;

MessageType TypeOf(const MessageBuffer& buffer) {
    return static_cast<MessageType>(buffer[0]);
}

// Waits for the next message; Closed also stands for a timeout or a failed receive.
proto::Received AwaitMessage(int fd, MessageBuffer& buffer) {
    const auto deadline = std::chrono::steady_clock::now() + kAnswerTimeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd pfd{fd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return {proto::ReceiveStatus::Closed, 0, false};
        }
        proto::Received received = proto::ReceiveMessage(fd, buffer);
        if (received.status != proto::ReceiveStatus::Message) {
            received.status = proto::ReceiveStatus::Closed;
        }
        return received;
    }
}

// A connection that has sent request and got an answer of type expected; none otherwise.
UniqueFd Request(const std::string& socketPath, MessageType request,
                 std::span<const std::uint8_t> payload, MessageType expected, MessageBuffer& answer,
                 std::size_t* answerLength) {
    const Result<int> connected = proto::Connect(socketPath);
    if (!connected.ok()) {
        return {};
    }
    UniqueFd fd(*connected);
    if (proto::SendMessage(fd.get(), proto::EncodeMessage(request, payload))) {
        const proto::Received received = AwaitMessage(fd.get(), answer);
        if (received.status == proto::ReceiveStatus::Message && TypeOf(answer) == expected) {
            *answerLength = received.length;
            return fd;
        }
    }
    return {};
}

class SimChannel final : public HidChannel {
public:
    SimChannel(UniqueFd fd, HidAccess access) : fd_(std::move(fd)), access_(access) {}
    SimChannel(const SimChannel&) = delete;
    SimChannel& operator=(const SimChannel&) = delete;

    bool SendFeatureReport(std::span<const std::uint8_t> report) override {
        if (access_ != HidAccess::Write || report.empty() ||
            report.size() > proto::kMaxReportLength) {
            return false;
        }
        const std::lock_guard lock(sendMutex_);
        if (cancelled_) {
            return false;
        }
        if (!proto::SendMessage(fd_.get(), proto::EncodeMessage(MessageType::Feature, report))) {
            return false;
        }
        MessageBuffer answer;
        const proto::Received received = AwaitMessage(fd_.get(), answer);
        if (received.status != proto::ReceiveStatus::Message) {
            Cancel();  // gone or hung: an answer arriving later must not pair with the next send
            return false;
        }
        return TypeOf(answer) == MessageType::FeatureResult && received.length == 2 &&
               answer[1] == static_cast<std::uint8_t>(proto::FeatureStatus::Accepted);
    }

    std::optional<std::size_t> ReadInputReport(std::span<std::uint8_t> buffer) override {
        if (access_ != HidAccess::Read) {
            return std::nullopt;  // a write channel never carries input
        }
        MessageBuffer message;
        while (!cancelled_) {
            const proto::Received received = proto::ReceiveMessage(fd_.get(), message);
            if (received.status != proto::ReceiveStatus::Message) {
                return std::nullopt;  // unplugged, simulator gone, or Cancel()
            }
            if (TypeOf(message) != MessageType::Input || received.length < 2 || cancelled_) {
                continue;
            }
            // As on a hidraw node, a buffer shorter than the report gets its first bytes.
            const std::size_t length = std::min(received.length - 1, buffer.size());
            std::copy_n(message.begin() + 1, length, buffer.begin());
            return length;
        }
        return std::nullopt;
    }

    void Cancel() override {
        cancelled_ = true;
        ::shutdown(fd_.get(),
                   SHUT_RDWR);  // wakes a blocked receive; the fd stays valid until closed
    }

private:
    const UniqueFd fd_;
    const HidAccess access_;
    std::atomic<bool> cancelled_{false};
    std::mutex sendMutex_;
};

class SimWatcher final : public HidDeviceWatcher {
public:
    // fd: a connection that has been answered Watching (present), or none when none could be
    // made.
    SimWatcher(UniqueFd fd, bool present, std::string path)
        : fd_(std::move(fd)), present_(present), path_(std::move(path)) {
        if (std::optional<PipeEnds> pipe = OpenPipe()) {
            silentPipe_ = std::move(*pipe);
        }
        if (!fd_.valid()) {
            fd_ = std::move(silentPipe_.read);
        }
    }
    SimWatcher(const SimWatcher&) = delete;
    SimWatcher& operator=(const SimWatcher&) = delete;

    int PollFd() const override { return fd_.get(); }

    std::vector<HidDeviceEvent> TakeEvents() override {
        std::vector<HidDeviceEvent> events;
        MessageBuffer message;
        while (!silent_) {
            const proto::Received received =
                proto::ReceiveMessage(fd_.get(), message, MSG_DONTWAIT);
            if (received.status == proto::ReceiveStatus::WouldBlock) {
                break;
            }
            if (received.status != proto::ReceiveStatus::Message) {
                // The simulator has ended: its mouse is gone with it.
                if (present_) {
                    events.push_back({HidDeviceEvent::Kind::Removal, path_});
                }
                present_ = false;
                FallSilent();
                break;
            }
            if (TypeOf(message) == MessageType::Arrival && !present_) {
                present_ = true;
                events.push_back({HidDeviceEvent::Kind::Arrival, path_});
            } else if (TypeOf(message) == MessageType::Removal && present_) {
                present_ = false;
                events.push_back({HidDeviceEvent::Kind::Removal, path_});
            }
        }
        return events;
    }

private:
    // Keeps PollFd() the same number but never readable again, so an event loop watching it
    // does not spin on the closed connection.
    void FallSilent() {
        silent_ = true;
        if (silentPipe_.read.valid()) {
            ::dup2(silentPipe_.read.get(), fd_.get());
        }
    }

    UniqueFd fd_;
    bool present_;
    bool silent_ = false;
    PipeEnds silentPipe_;  // the write end stays open so the read end never reads end-of-file
    std::string path_;
};

}  // namespace

SimTransport::SimTransport(std::string socketPath) : socketPath_(std::move(socketPath)) {}

std::unique_ptr<SimTransport> SimTransport::FromEnvironment() {
    const char* value = std::getenv(kSimSocketVariable);
    if (value == nullptr || *value == '\0') {
        return nullptr;
    }
    return std::make_unique<SimTransport>(value);
}

std::vector<HidCollectionInfo> SimTransport::Enumerate() {
    MessageBuffer answer;
    std::size_t length = 0;
    if (!Request(socketPath_, MessageType::Describe, {}, MessageType::Description, answer, &length)
             .valid()) {
        return {};
    }
    const auto description = proto::DecodeDescription(std::span(answer).first(length));
    std::vector<HidCollectionInfo> collections;
    if (!description || !description->present) {
        return collections;
    }
    for (const proto::Collection& c : description->collections) {
        collections.push_back({InterfacePath(), description->vendorId, description->productId,
                               c.usagePage, c.usage, c.inputLength, c.featureLength});
    }
    return collections;
}

std::unique_ptr<HidChannel> SimTransport::Open(const HidCollectionInfo& collection,
                                               HidAccess access) {
    if (!collection.path.starts_with(kSimPathPrefix)) {
        return nullptr;
    }
    const std::string socketPath = collection.path.substr(kSimPathPrefix.size());
    const std::uint8_t accessByte = static_cast<std::uint8_t>(
        access == HidAccess::Read ? proto::Access::Read : proto::Access::Write);
    MessageBuffer answer;
    std::size_t length = 0;
    UniqueFd fd = Request(socketPath, MessageType::Open, std::span(&accessByte, 1),
                          MessageType::Opened, answer, &length);
    if (!fd.valid()) {
        return nullptr;
    }
    return std::make_unique<SimChannel>(std::move(fd), access);
}

std::unique_ptr<HidDeviceWatcher> SimTransport::Watch() {
    MessageBuffer answer;
    std::size_t length = 0;
    UniqueFd fd =
        Request(socketPath_, MessageType::Watch, {}, MessageType::Watching, answer, &length);
    const bool present = fd.valid() && length == 2 && answer[1] == 1;
    return std::make_unique<SimWatcher>(std::move(fd), present, InterfacePath());
}

}  // namespace zel::platform
