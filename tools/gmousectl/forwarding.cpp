#include "forwarding.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <thread>

#include "control/instance_requests.h"

namespace zel::gmousectl {
namespace {

constexpr int kSendTimeoutMs = 2000;
// A reset or an upload through the program takes well under this.
constexpr int kReplyTimeoutMs = 30000;
// How often a starting program is asked again while it holds the lock without listening.
constexpr auto kStartRetry = std::chrono::milliseconds(100);

}  // namespace

Forwarding ForwardToProgram(const std::vector<std::string>& words, const std::string& configDir,
                            control::InstanceLock& lock, int startWaitMs) {
    Forwarding result;
    const control::RuntimeFolder runtime = control::UserRuntimeFolder();
    if (runtime.path.empty()) {
        // Without a private folder there is no lock either, and a change could race the program.
        result.error = runtime.error;
        return result;
    }
    if (!runtime.warning.empty()) {
        std::fprintf(stderr, "zel-gmousectl: warning: %s\n", runtime.warning.c_str());
    }
    const std::string& folder = runtime.path;
    // The program runs in a folder of its own: file names go there absolute. Without a current
    // folder they go as given, and the program refuses a relative one.
    std::error_code noFolder;
    const std::filesystem::path here = std::filesystem::current_path(noFolder);
    const auto request = control::EncodeRequest(
        {false, configDir, noFolder ? words : control::WithAbsoluteFileOperands(words, here)});
    if (!request) {
        result.error = "an argument holds a line break";
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(startWaitMs);
    for (;;) {
        if (control::UniqueSocket socket =
                control::ConnectToInstance(control::InstanceSocketPath(folder));
            socket.valid()) {
            if (!control::WriteAll(socket.get(), *request, kSendTimeoutMs)) {
                result.error = "ZEL_GMouse did not take the command";
                return result;
            }
            const auto bytes =
                control::ReadMessage(socket.get(), control::kMaxReplyBytes, kReplyTimeoutMs,
                                     [](const std::string&) { return false; });
            const auto reply = bytes ? control::DecodeReply(*bytes) : std::nullopt;
            if (!reply) {
                result.error = "ZEL_GMouse did not answer; the change may already be saved";
            } else if (reply->elsewhere) {
                result.elsewhere = true;
            } else {
                result.reply = *reply;
            }
            return result;
        }
        if (lock.TryLock(control::InstanceLockPath(folder))) {
            return result;
        }
        const std::string state = control::InstanceState(control::InstanceLockPath(folder));
        if (state.starts_with(control::kNotListeningState)) {
            const auto reason = state.find('\n');
            result.error = "ZEL_GMouse is running, but not taking commands";
            if (reason != std::string::npos && reason + 1 < state.size()) {
                result.error += " (" + state.substr(reason + 1) + ")";
            }
            return result;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            result.error = "ZEL_GMouse is running but does not answer (still starting?)";
            return result;
        }
        std::this_thread::sleep_for(kStartRetry);
    }
}

}  // namespace zel::gmousectl
