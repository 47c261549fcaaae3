#include "forwarding.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <thread>

#include "control/command_line.h"
#include "control/instance_requests.h"

namespace zel::gmousectl {
namespace {

constexpr int kSendTimeoutMs = 2000;
// A reset or an upload through the program takes well under this.
constexpr int kReplyTimeoutMs = 30000;
// How often a starting program is asked again while it holds the lock without listening.
constexpr auto kStartRetry = std::chrono::milliseconds(100);

}  // namespace

platform::Result<Forwarding> ForwardToProgram(const std::vector<std::string>& words,
                                              const std::string& configDir,
                                              control::InstanceLock& lock, int startWaitMs) {
    Forwarding result;
    const platform::Result<control::RuntimeFolder> chosen = control::UserRuntimeFolder();
    if (!chosen.ok()) {
        // Without a private folder there is no lock either, and a change could race the program.
        return chosen.error();
    }
    const control::RuntimeFolder& runtime = *chosen;
    if (!runtime.warning.empty()) {
        std::fprintf(stderr, "zel-gmousectl: warning: %s\n", runtime.warning.c_str());
    }
    const std::string& folder = runtime.path;
    // The program's lock does not depend on the runtime folder; the socket it names does.
    const platform::Result<std::string> lockPath = control::UserInstanceLockPath();
    if (!lockPath.ok()) {
        return lockPath.error();
    }
    // The program runs in a folder of its own: file names go there absolute. Without a current
    // folder they go as given, and the program refuses a relative one.
    std::error_code noFolder;
    const std::filesystem::path here = std::filesystem::current_path(noFolder);
    const auto request = control::EncodeRequest(
        {false, configDir, noFolder ? words : control::WithAbsoluteFileOperands(words, here)});
    if (!request) {
        return platform::Error{platform::ErrorCode::kInvalidInput,
                               "an argument holds a line break"};
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(startWaitMs);
    for (;;) {
        std::string socketPath = control::SocketOfInstance(control::InstanceState(*lockPath));
        if (socketPath.empty()) {
            socketPath = control::InstanceSocketPath(folder);
        }
        if (platform::UniqueFd socket = control::ConnectToInstance(socketPath); socket.valid()) {
            const bool sent = control::WriteAll(socket.get(), *request, kSendTimeoutMs);
            // A program that turns the command away unread says so at once, and may have closed
            // the connection before the request was all sent.
            const auto bytes = control::ReadMessage(
                socket.get(), control::kMaxReplyBytes, sent ? kReplyTimeoutMs : kSendTimeoutMs,
                [](const std::string& got) {
                    return got == std::string(control::kBusyReply) + "\n";
                });
            const auto reply = bytes ? control::DecodeReply(*bytes) : std::nullopt;
            if (reply && reply->busy) {
                result.reply = control::ControlReply{
                    false,
                    control::kExitBusy,
                    {},
                    "zel-gmousectl: ZEL_GMouse is busy: too many commands are arriving at once; "
                    "nothing was done, try again\n"};
                return result;
            }
            if (!sent) {
                return platform::Error{platform::ErrorCode::kIoError,
                                       "ZEL_GMouse did not take the command"};
            }
            if (!reply) {
                return platform::Error{
                    platform::ErrorCode::kIoError,
                    "ZEL_GMouse did not answer; the change may already be saved"};
            }
            if (reply->elsewhere) {
                result.elsewhere = true;
            } else {
                result.reply = *reply;
            }
            return result;
        }
        if (lock.TryLock(*lockPath)) {
            return result;
        }
        const std::string state = control::InstanceState(*lockPath);
        if (state.starts_with(control::kNotListeningState)) {
            const auto reason = state.find('\n');
            std::string message = "ZEL_GMouse is running, but not taking commands";
            if (reason != std::string::npos && reason + 1 < state.size()) {
                message += " (" + state.substr(reason + 1) + ")";
            }
            return platform::Error{platform::ErrorCode::kUnavailable, std::move(message)};
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return platform::Error{platform::ErrorCode::kUnavailable,
                                   "ZEL_GMouse is running but does not answer (still starting?)"};
        }
        std::this_thread::sleep_for(kStartRetry);
    }
}

}  // namespace zel::gmousectl
