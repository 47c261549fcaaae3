// Fuzzes the messages of the instance socket from both ends. Any bytes: a decoded request or
// reply encodes back to one that decodes the same, and a request that decodes is complete.
// Built from fuzzed parts: encoding refuses exactly the words with a newline, an encoded
// message decodes to what was encoded, and no prefix of it (cut at or near a line break, and at
// spread points) passes for a whole one
// (so a reader never acts on a cut-off message).

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "control/control_protocol.h"
#include "fuzz_support.h"

namespace {

using zel::control::ControlReply;
using zel::control::ControlRequest;

using zel::fuzz::Check;

bool Same(const ControlRequest& a, const ControlRequest& b) {
    return a.show == b.show && a.configDir == b.configDir && a.args == b.args;
}

bool Same(const ControlReply& a, const ControlReply& b) {
    return a.elsewhere == b.elsewhere && a.status == b.status && a.out == b.out && a.err == b.err;
}

// The cuts worth trying in a message: around each line break, where a part ends, and eight
// more spread over it (every cut would make a run quadratic in the message's length).
std::vector<std::size_t> Cuts(std::string_view message) {
    std::vector<std::size_t> cuts;
    for (std::size_t at = message.find('\n'); at != std::string_view::npos;
         at = message.find('\n', at + 1)) {
        for (const std::size_t cut : {at, at + 1, at + 2}) {
            if (cut < message.size()) {
                cuts.push_back(cut);
            }
        }
        if (at > 0) {
            cuts.push_back(at - 1);
        }
    }
    for (std::size_t i = 0; i < 8; ++i) {
        cuts.push_back(message.size() * i / 8);
    }
    return cuts;
}

bool HasNewline(std::string_view text) {
    return text.find('\n') != std::string_view::npos;
}

void CheckArbitraryBytes(std::string_view bytes) {
    using namespace zel::control;
    if (const auto request = DecodeRequest(bytes)) {
        Check(RequestComplete(bytes));
        Check(!HasNewline(request->configDir));
        const auto encoded = EncodeRequest(*request);
        Check(encoded.has_value());
        const auto again = DecodeRequest(*encoded);
        Check(again && Same(*again, *request));
    }
    if (const auto reply = DecodeReply(bytes)) {
        const auto again = DecodeReply(EncodeReply(*reply));
        Check(again && Same(*again, *reply));
    }
}

void CheckBuiltRequest(FuzzedDataProvider& input) {
    using namespace zel::control;
    ControlRequest request;
    request.show = input.ConsumeIntegralInRange<int>(0, 7) == 0;
    if (!request.show) {
        request.configDir = input.ConsumeRandomLengthString(64);
        const auto count = input.ConsumeIntegralInRange<std::size_t>(0, 8);
        for (std::size_t i = 0; i < count; ++i) {
            request.args.push_back(input.ConsumeRandomLengthString(32));
        }
    }
    bool sendable = !HasNewline(request.configDir);
    for (const std::string& word : request.args) {
        sendable = sendable && !HasNewline(word);
    }
    const auto encoded = EncodeRequest(request);
    Check(encoded.has_value() == sendable);
    if (!encoded) {
        return;
    }
    Check(encoded->size() <= 64 + 8 * 40 + 16);
    const auto decoded = DecodeRequest(*encoded);
    Check(decoded && Same(*decoded, request));
    Check(RequestComplete(*encoded));
    for (const std::size_t cut : Cuts(*encoded)) {
        const std::string_view prefix = std::string_view(*encoded).substr(0, cut);
        Check(!DecodeRequest(prefix));
        Check(!RequestComplete(prefix));
    }
}

void CheckBuiltReply(FuzzedDataProvider& input) {
    using namespace zel::control;
    ControlReply reply;
    reply.elsewhere = input.ConsumeIntegralInRange<int>(0, 7) == 0;
    if (!reply.elsewhere) {
        reply.status = input.ConsumeIntegral<int>();
        reply.out = input.ConsumeRandomLengthString(256);
        reply.err = input.ConsumeRandomLengthString(256);
    }
    const std::string encoded = EncodeReply(reply);
    const auto decoded = DecodeReply(encoded);
    Check(decoded && Same(*decoded, reply));
    for (const std::size_t cut : Cuts(encoded)) {
        Check(!DecodeReply(std::string_view(encoded).substr(0, cut)));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckArbitraryBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    FuzzedDataProvider input(data, size);
    CheckBuiltRequest(input);
    CheckBuiltReply(input);
    return 0;
}
