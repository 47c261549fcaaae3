#include "control/instance_requests.h"

#include <sys/socket.h>
#include <time.h>

#include <cerrno>

#include "control/command_line.h"
#include "control/control_commands.h"
#include "control/instance_channel.h"
#include "settings/write_leftovers.h"

namespace zel::control {
namespace {

constexpr int kReplyTimeoutMs = 5000;

bool SameFolder(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code error;
    return std::filesystem::weakly_canonical(a, error) ==
           std::filesystem::weakly_canonical(b, error);
}

bool TakesAFile(CommandKind kind) {
    return kind == CommandKind::Export || kind == CommandKind::Import ||
           kind == CommandKind::MacrosExport || kind == CommandKind::MacrosImport;
}

// Where the FILE operand of a command that takes one stands among its words; nullopt when the
// words are no such command.
std::optional<std::size_t> FileOperandIndex(std::span<const std::string> words) {
    const ParseResult parsed = ParseCommandLine(words);
    if (!parsed.ok() || !TakesAFile(parsed->kind) || !parsed->configDir.empty()) {
        return std::nullopt;
    }
    const bool macros =
        parsed->kind == CommandKind::MacrosExport || parsed->kind == CommandKind::MacrosImport;
    for (std::size_t i = macros ? 2 : 1; i < words.size(); ++i) {
        if (words[i] == "--profile") {
            ++i;  // its number
        } else if (!(words[i].starts_with("-") && words[i].size() > 1)) {
            return i;
        }
    }
    return std::nullopt;
}

bool IsRelativeFile(const std::string& word) {
    return !word.empty() && std::filesystem::path(word).is_relative();
}

}  // namespace

std::vector<std::string> WithAbsoluteFileOperands(std::span<const std::string> words,
                                                  const std::filesystem::path& workingFolder) {
    std::vector<std::string> result(words.begin(), words.end());
    if (const auto index = FileOperandIndex(words); index && IsRelativeFile(result[*index])) {
        result[*index] = (workingFolder / result[*index]).string();
    }
    return result;
}

void MakeFileOperandAbsolute(ParsedCommand& command, const std::filesystem::path& workingFolder) {
    if (!TakesAFile(command.kind) || !IsRelativeFile(command.operand)) {
        return;
    }
    command.words = WithAbsoluteFileOperands(command.words, workingFolder);
    command.operand = (workingFolder / command.operand).string();
}

long long MonotonicMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

PendingRequest::PendingRequest(platform::UniqueFd connection, long long deadlineMs)
    : connection_(std::move(connection)), deadlineMs_(deadlineMs) {}

PendingRequest::Progress PendingRequest::ReadAvailable() {
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::recv(connection_.get(), buffer, sizeof buffer, MSG_DONTWAIT);
        if (got > 0) {
            bytes_.append(buffer, static_cast<std::size_t>(got));
            if (bytes_.size() > kMaxRequestBytes) {
                return Progress::Refused;
            }
            if (RequestComplete(bytes_)) {
                return Progress::Whole;
            }
        } else if (got == 0) {
            return Progress::Whole;  // the client closed: what came is all there is
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return Progress::Waiting;
        } else if (errno != EINTR) {
            return Progress::Refused;
        }
    }
}

bool SendReply(int connection, std::string_view reply) {
    return WriteAll(connection, reply, kReplyTimeoutMs);
}

void TurnAwayBusy(platform::UniqueFd connection) {
    ControlReply busy;
    busy.busy = true;
    const std::string reply = EncodeReply(busy);
    // A new connection's send buffer is empty: the few bytes go at once or not at all.
    [[maybe_unused]] const ssize_t sent =
        ::send(connection.get(), reply.data(), reply.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
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
    if (!parsed.ok()) {
        return {false, kExitUsage, {}, "zel-gmousectl: " + parsed.error().message + "\n"};
    }
    // A relative name would be taken in the program's folder, not in the caller's.
    if (const auto index = FileOperandIndex(request.args);
        index && IsRelativeFile(request.args[*index])) {
        return {false,
                kExitUsage,
                {},
                "zel-gmousectl: \"" + request.args[*index] +
                    "\": the running ZEL_GMouse takes only absolute file names\n"};
    }
    // What writers killed in the middle of a write left goes now, as when the tool works alone,
    // not only at the program's next start.
    settings::RemoveLeftoverWriteTemporaries(target.configPath.parent_path());
    return RunCommand(*parsed, target);
}

}  // namespace zel::control
