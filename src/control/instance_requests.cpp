#include "control/instance_requests.h"

#include "control/command_line.h"
#include "control/control_commands.h"
#include "control/instance_channel.h"

namespace zel::control {
namespace {

constexpr int kReplyTimeoutMs = 5000;

bool SameFolder(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code error;
    return std::filesystem::weakly_canonical(a, error) ==
           std::filesystem::weakly_canonical(b, error);
}

}  // namespace

std::optional<ControlRequest> ReadRequest(int connection) {
    const auto bytes = ReadMessage(connection, kMaxRequestBytes, kRequestTimeoutMs,
                                   [](const std::string& read) { return RequestComplete(read); });
    return bytes ? DecodeRequest(*bytes) : std::nullopt;
}

bool SendReply(int connection, std::string_view reply) {
    return WriteAll(connection, reply, kReplyTimeoutMs);
}

ControlReply AnswerControlRequest(const ControlRequest& request,
                                  const std::filesystem::path& ownConfigFolder,
                                  ControlTarget& target) {
    if (!request.configDir.empty() && !SameFolder(request.configDir, ownConfigFolder)) {
        ControlReply reply;
        reply.elsewhere = true;
        return reply;
    }
    const ParseResult parsed = ParseCommandLine(request.args);
    if (!parsed.command) {
        return {false, kExitUsage, {}, "zel-gmousectl: " + parsed.error + "\n"};
    }
    return RunCommand(*parsed.command, target);
}

}  // namespace zel::control
