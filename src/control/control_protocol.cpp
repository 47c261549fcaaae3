#include "control/control_protocol.h"

#include "platform/whole_number.h"

namespace zel::control {
namespace {

constexpr std::string_view kCtlLine = "ctl";
constexpr std::string_view kEndLine = "end";
constexpr std::string_view kDirPrefix = "dir ";
constexpr std::string_view kArgPrefix = "arg ";

// Takes the next line (without its newline) off the front; nullopt when none is whole.
std::optional<std::string_view> TakeLine(std::string_view& bytes) {
    const auto end = bytes.find('\n');
    if (end == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view line = bytes.substr(0, end);
    bytes.remove_prefix(end + 1);
    return line;
}

std::optional<std::size_t> ParseCount(std::string_view text) {
    return platform::ParseWholeNumber<std::size_t>(text);
}

std::optional<int> ParseStatus(std::string_view text) {
    return platform::ParseWholeNumber<int>(text);
}

// "NAME LEN\n" and LEN bytes.
std::optional<std::string> TakeBlock(std::string_view& bytes, std::string_view name) {
    const auto line = TakeLine(bytes);
    if (!line || !line->starts_with(name) || line->size() <= name.size() ||
        (*line)[name.size()] != ' ') {
        return std::nullopt;
    }
    const auto length = ParseCount(line->substr(name.size() + 1));
    if (!length || *length > bytes.size()) {
        return std::nullopt;
    }
    std::string block(bytes.substr(0, *length));
    bytes.remove_prefix(*length);
    return block;
}

}  // namespace

std::optional<std::string> EncodeRequest(const ControlRequest& request) {
    if (request.show) {
        return std::string(kShowRequest) + "\n";
    }
    std::string bytes = std::string(kCtlLine) + "\n";
    if (!request.configDir.empty()) {
        if (request.configDir.find('\n') != std::string::npos) {
            return std::nullopt;
        }
        bytes += std::string(kDirPrefix) + request.configDir + "\n";
    }
    for (const std::string& word : request.args) {
        if (word.find('\n') != std::string::npos) {
            return std::nullopt;
        }
        bytes += std::string(kArgPrefix) + word + "\n";
    }
    return bytes + std::string(kEndLine) + "\n";
}

bool RequestComplete(std::string_view bytes) {
    if (bytes.starts_with(std::string(kShowRequest) + "\n")) {
        return true;
    }
    if (bytes.find('\n') != std::string_view::npos && !bytes.starts_with("ctl\n")) {
        return true;  // not ours: no need to wait for more
    }
    return bytes.ends_with("\nend\n");
}

std::optional<ControlRequest> DecodeRequest(std::string_view bytes) {
    ControlRequest request;
    const auto first = TakeLine(bytes);
    if (!first) {
        return std::nullopt;
    }
    if (*first == kShowRequest) {
        request.show = true;
        return bytes.empty() ? std::optional(request) : std::nullopt;
    }
    if (*first != kCtlLine) {
        return std::nullopt;
    }
    bool firstPart = true;
    while (const auto line = TakeLine(bytes)) {
        if (*line == kEndLine) {
            return bytes.empty() ? std::optional(request) : std::nullopt;
        }
        if (firstPart && line->starts_with(kDirPrefix)) {
            request.configDir = std::string(line->substr(kDirPrefix.size()));
        } else if (line->starts_with(kArgPrefix)) {
            request.args.emplace_back(line->substr(kArgPrefix.size()));
        } else {
            return std::nullopt;
        }
        firstPart = false;
    }
    return std::nullopt;
}

std::string EncodeReply(const ControlReply& reply) {
    if (reply.busy) {
        return std::string(kBusyReply) + "\n";
    }
    if (reply.elsewhere) {
        return std::string(kElsewhereReply) + "\n";
    }
    return "exit " + std::to_string(reply.status) + "\nout " + std::to_string(reply.out.size()) +
           "\n" + reply.out + "err " + std::to_string(reply.err.size()) + "\n" + reply.err;
}

std::optional<ControlReply> DecodeReply(std::string_view bytes) {
    ControlReply reply;
    if (bytes == std::string(kElsewhereReply) + "\n") {
        reply.elsewhere = true;
        return reply;
    }
    if (bytes == std::string(kBusyReply) + "\n") {
        reply.busy = true;
        return reply;
    }
    const auto exitLine = TakeLine(bytes);
    if (!exitLine || !exitLine->starts_with("exit ")) {
        return std::nullopt;
    }
    const auto status = ParseStatus(exitLine->substr(5));
    if (!status) {
        return std::nullopt;
    }
    reply.status = *status;
    auto out = TakeBlock(bytes, "out");
    auto err = out ? TakeBlock(bytes, "err") : std::nullopt;
    if (!err || !bytes.empty()) {
        return std::nullopt;
    }
    reply.out = std::move(*out);
    reply.err = std::move(*err);
    return reply;
}

}  // namespace zel::control
