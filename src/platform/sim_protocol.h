#pragma once

// The messages between the virtual mouse (zel-mouse-sim serve) and its clients over a Unix
// SOCK_SEQPACKET socket: one message per packet, byte 0 the type, then the payload. Integers
// are little-endian. sim/PROTOCOL.md describes the conversation.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/outcome.h"

namespace zel::platform::sim_protocol {

inline constexpr std::uint8_t kVersion = 1;
// Largest report either side carries, and the largest message: room for a report, or for a
// control command carrying one as spaced hex ("input 06 f3 …").
inline constexpr std::size_t kMaxReportLength = 4096;
inline constexpr std::size_t kMaxMessageLength = 16384;

enum class MessageType : std::uint8_t {
    // Client to mouse.
    Describe = 0x01,  // no payload
    Open = 0x02,      // [access]
    Feature = 0x03,   // [report bytes]
    Watch = 0x04,     // no payload
    Command = 0x05,   // [control command text]
    // Mouse to client.
    Description = 0x81,    // see Description
    Opened = 0x82,         // no payload
    FeatureResult = 0x83,  // [FeatureStatus]
    Watching = 0x84,       // [present 0/1]
    Arrival = 0x85,        // no payload
    Removal = 0x86,        // no payload
    CommandResult = 0x87,  // [CommandStatus][text]
    Input = 0x88,          // [report bytes]
    Error = 0xFF,          // [text]
};

enum class Access : std::uint8_t { Read = 1, Write = 2 };
enum class FeatureStatus : std::uint8_t { Accepted = 0, Refused = 1 };
enum class CommandStatus : std::uint8_t { Ok = 0, Failed = 1 };

struct Collection {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::uint16_t inputLength = 0;
    std::uint16_t featureLength = 0;
};

// Payload: [version][present][vendor u16][product u16][count] then count collections of four
// u16 each (usage page, usage, input length, feature length). An absent mouse has none.
struct Description {
    std::uint8_t version = kVersion;
    bool present = false;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::vector<Collection> collections;
};

std::vector<std::uint8_t> EncodeMessage(MessageType type, std::span<const std::uint8_t> payload);
std::vector<std::uint8_t> EncodeMessage(MessageType type, std::string_view text);
std::vector<std::uint8_t> EncodeDescription(const Description& description);
// nullopt when the message is not a well-formed description.
std::optional<Description> DecodeDescription(std::span<const std::uint8_t> message);

// Whether path fits a Unix socket address, else why not.
Result<void> CheckSocketPath(std::string_view path);

// A connected SOCK_SEQPACKET socket (close-on-exec, blocking; the caller closes it), else why
// there is none.
Result<int> Connect(std::string_view path);

// Sends one whole message; false when the peer is gone or the socket refused it. Never raises
// SIGPIPE. flags are added to the send flags (e.g. MSG_DONTWAIT).
bool SendMessage(int fd, std::span<const std::uint8_t> message, int flags = 0);

enum class ReceiveStatus { Message, Closed, WouldBlock, Failed };
struct Received {
    ReceiveStatus status = ReceiveStatus::Failed;
    std::size_t length = 0;  // bytes in the buffer
    bool truncated = false;  // the message was longer than the buffer
};
// Receives one message (retrying on EINTR). A zero-length packet reads as Closed. With
// `arrival`, also the kernel's stamp of the message's arrival (CLOCK_REALTIME, SO_TIMESTAMPNS
// on the socket), or {0, 0} when there is none.
Received ReceiveMessage(int fd, std::span<std::uint8_t> buffer, int flags = 0,
                        timespec* arrival = nullptr);

}  // namespace zel::platform::sim_protocol
