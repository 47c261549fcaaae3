#include "forwarding.h"

#include <chrono>
#include <thread>

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
    const std::string folder = control::UserRuntimeFolder();
    if (folder.empty()) {
        return result;  // no private runtime folder: no program can be reached either
    }
    const auto request = control::EncodeRequest({false, configDir, words});
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
        if (std::chrono::steady_clock::now() >= deadline) {
            result.error = "ZEL_GMouse is running but does not answer (still starting?)";
            return result;
        }
        std::this_thread::sleep_for(kStartRetry);
    }
}

}  // namespace zel::gmousectl
