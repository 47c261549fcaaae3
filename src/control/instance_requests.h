#pragma once

// The running program's side of the instance socket: reading one request from a connection and
// answering a zel-gmousectl command with the program's own state.

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "control/command_line.h"
#include "control/control_protocol.h"
#include "control/control_target.h"
#include "platform/unique_fd.h"

namespace zel::control {

// A client is on the same machine and sends its request at once; one that does not is dropped
// after this long. Requests are read as their bytes arrive, so a silent client holds nobody
// up meanwhile.
inline constexpr int kRequestTimeoutMs = 2000;
// Connections whose request is still arriving; a further one is closed at once.
inline constexpr std::size_t kMaxPendingRequests = 32;

// The running program answers this while it cannot take commands yet (it is starting, or shows
// a message before it ends); zel-gmousectl says so at once.
inline constexpr std::string_view kNotTakingCommandsYet =
    "ZEL_GMouse is running, but not taking commands yet (it is starting, or showing a message)";

// Now on the clock of the deadlines below, in milliseconds.
long long MonotonicMs();

// An accepted connection whose request is still arriving. The owner's event loop calls
// ReadAvailable whenever the connection is readable; it never waits for bytes.
class PendingRequest {
public:
    PendingRequest(platform::UniqueFd connection, long long deadlineMs);

    enum class Progress {
        Waiting,  // more bytes are to come
        Whole,    // the request is complete (or the client closed): see Request()
        Refused,  // too much, or the connection failed: drop it
    };
    Progress ReadAvailable();
    // The request once Whole; nullopt for garbage.
    std::optional<ControlRequest> Request() const { return DecodeRequest(bytes_); }

    int fd() const { return connection_.get(); }
    long long deadlineMs() const { return deadlineMs_; }
    platform::UniqueFd TakeConnection() { return std::move(connection_); }

private:
    platform::UniqueFd connection_;
    std::string bytes_;
    long long deadlineMs_;
};

bool SendReply(int connection, std::string_view reply);

// Past kMaxPendingRequests: tells the client at once that the program is busy (its request is
// never read, so nothing is done) and closes the connection. Never waits.
void TurnAwayBusy(platform::UniqueFd connection);

// The command words with the FILE of export, import, macros export and macros import made
// absolute against `workingFolder`: the program that carries the command out runs in a folder
// of its own. Other words are kept as they are.
std::vector<std::string> WithAbsoluteFileOperands(std::span<const std::string> words,
                                                  const std::filesystem::path& workingFolder);
// The same for a parsed command, its FILE and its words alike: the tool names a file the same
// way, in every message, whether it works alone or the running program carries the command out.
void MakeFileOperandAbsolute(ParsedCommand& command, const std::filesystem::path& workingFolder);

// Carries out a forwarded command line on `target`, after removing the temporaries that killed
// writers left beside its files. A request naming another folder than `ownConfigFolder` (the
// folder of the program's config.ini) is answered with `elsewhere`.
ControlReply AnswerControlRequest(const ControlRequest& request,
                                  const std::filesystem::path& ownConfigFolder,
                                  ControlTarget& target);

}  // namespace zel::control
