#include "platform/sim_protocol.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/unique_fd.h"

namespace zel::platform::sim_protocol {
namespace {

void PutU16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

std::uint16_t GetU16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

constexpr std::size_t kDescriptionHeader = 1 + 1 + 1 + 2 + 2 + 1;
constexpr std::size_t kCollectionBytes = 8;

}  // namespace

std::vector<std::uint8_t> EncodeMessage(MessageType type, std::span<const std::uint8_t> payload) {
    std::vector<std::uint8_t> message;
    message.reserve(1 + payload.size());
    message.push_back(static_cast<std::uint8_t>(type));
    message.insert(message.end(), payload.begin(), payload.end());
    return message;
}

std::vector<std::uint8_t> EncodeMessage(MessageType type, std::string_view text) {
    return EncodeMessage(
        type, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::vector<std::uint8_t> EncodeDescription(const Description& d) {
    std::vector<std::uint8_t> out{static_cast<std::uint8_t>(MessageType::Description), d.version,
                                  static_cast<std::uint8_t>(d.present ? 1 : 0)};
    PutU16(out, d.vendorId);
    PutU16(out, d.productId);
    const std::size_t count = std::min<std::size_t>(d.collections.size(), 255);
    out.push_back(static_cast<std::uint8_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        PutU16(out, d.collections[i].usagePage);
        PutU16(out, d.collections[i].usage);
        PutU16(out, d.collections[i].inputLength);
        PutU16(out, d.collections[i].featureLength);
    }
    return out;
}

std::optional<Description> DecodeDescription(std::span<const std::uint8_t> m) {
    if (m.size() < kDescriptionHeader ||
        m[0] != static_cast<std::uint8_t>(MessageType::Description) || m[2] > 1) {
        return std::nullopt;
    }
    Description d;
    d.version = m[1];
    d.present = m[2] == 1;
    d.vendorId = GetU16(m, 3);
    d.productId = GetU16(m, 5);
    const std::size_t count = m[7];
    if (m.size() != kDescriptionHeader + count * kCollectionBytes) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = kDescriptionHeader + i * kCollectionBytes;
        d.collections.push_back(
            {GetU16(m, at), GetU16(m, at + 2), GetU16(m, at + 4), GetU16(m, at + 6)});
    }
    return d;
}

Result<void> CheckSocketPath(std::string_view path) {
    if (path.empty()) {
        return Error{ErrorCode::kInvalidInput, "the socket path is empty"};
    }
    if (path.size() >= sizeof(sockaddr_un::sun_path)) {
        return Error{ErrorCode::kInvalidInput,
                     "the socket path is longer than " +
                         std::to_string(sizeof(sockaddr_un::sun_path) - 1) + " bytes"};
    }
    if (path.find('\0') != std::string_view::npos) {
        return Error{ErrorCode::kInvalidInput, "the socket path holds a NUL byte"};
    }
    return Ok();
}

Result<int> Connect(std::string_view path) {
    if (Result<void> usable = CheckSocketPath(path); !usable.ok()) {
        return usable.error();
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    UniqueFd fd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
    if (!fd.valid()) {
        return Error{ErrorCode::kIoError, std::string("socket: ") + std::strerror(errno)};
    }
    int result;
    do {
        result = ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (result < 0 && errno == EINTR);
    if (result < 0) {
        const int error = errno;
        return Error{
            error == ENOENT || error == ECONNREFUSED ? ErrorCode::kNotFound : ErrorCode::kIoError,
            "cannot connect to " + std::string(path) + ": " + std::strerror(error)};
    }
    return fd.Release();
}

bool SendMessage(int fd, std::span<const std::uint8_t> message, int flags) {
    ssize_t sent;
    do {
        sent = ::send(fd, message.data(), message.size(), MSG_NOSIGNAL | flags);
    } while (sent < 0 && errno == EINTR);
    return sent == static_cast<ssize_t>(message.size());
}

Received ReceiveMessage(int fd, std::span<std::uint8_t> buffer, int flags, timespec* arrival) {
    Received received;
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(timespec))];
    iovec part{buffer.data(), buffer.size()};
    msghdr message{};
    ssize_t length;
    do {
        message = {};
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        if (arrival != nullptr) {
            message.msg_control = control;
            message.msg_controllen = sizeof control;
        }
        length = ::recvmsg(fd, &message, MSG_TRUNC | flags);
    } while (length < 0 && errno == EINTR);
    if (arrival != nullptr) {
        *arrival = {};
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); length > 0 && c != nullptr;
             c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
                std::memcpy(arrival, CMSG_DATA(c), sizeof *arrival);
            }
        }
    }
    if (length < 0) {
        received.status = (errno == EAGAIN || errno == EWOULDBLOCK) ? ReceiveStatus::WouldBlock
                                                                    : ReceiveStatus::Failed;
        return received;
    }
    if (length == 0) {
        received.status = ReceiveStatus::Closed;
        return received;
    }
    received.status = ReceiveStatus::Message;
    received.truncated = static_cast<std::size_t>(length) > buffer.size();
    received.length = std::min(static_cast<std::size_t>(length), buffer.size());
    return received;
}

}  // namespace zel::platform::sim_protocol
