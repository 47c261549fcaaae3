#include "app/headless/headless_session.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <utility>

#include "app/session/startup_sequence.h"
#include "app/session/termination_signals.h"
#include "control/instance_requests.h"
#include "device/upload.h"
#include "platform/app_identity.h"
#include "platform/hid_transport_factory.h"
#include "settings/program_files.h"
#include "text/catalog.h"
#include "text/console_text.h"

namespace zel::app {

std::string HeadlessStartLine(const std::string& configPath) {
    return std::string(platform::kProgramName) + " --headless: started (settings " + configPath +
           ")";
}

std::string HeadlessEndLine(HeadlessEnd reason, int signal) {
    std::string why;
    switch (reason) {
        case HeadlessEnd::Running:
            why = "still running";
            break;
        case HeadlessEnd::NoMouse:
            why = "no mouse was found";
            break;
        case HeadlessEnd::MouseRemoved:
            why = "the mouse was removed";
            break;
        case HeadlessEnd::DeviceEventsEnded:
            why = "the device events ended";
            break;
        case HeadlessEnd::HandedOver:
            why = "handed over to a window";
            break;
        case HeadlessEnd::Signal:
            why = signal == SIGTERM   ? "signal SIGTERM"
                  : signal == SIGINT  ? "signal SIGINT"
                  : signal == SIGHUP  ? "signal SIGHUP"
                  : signal == SIGQUIT ? "signal SIGQUIT"
                                      : "a termination signal";
            break;
        case HeadlessEnd::Requested:
            why = "asked to stop";
            break;
        case HeadlessEnd::WaitFailed:
            why = "waiting for device events failed";
            break;
    }
    return std::string(platform::kProgramName) + " --headless: ended: " + why;
}

HeadlessSession::HeadlessSession(platform::AppPaths paths,
                                 std::unique_ptr<platform::HidTransport> transport,
                                 std::unique_ptr<platform::PointerSettings> pointer,
                                 platform::MessageSink& messages)
    : paths_(std::move(paths)),
      transport_(std::move(transport)),
      pointer_(std::move(pointer)),
      messages_(messages),
      core_({link_, profile_, transport_.get(), *pointer_, messages_, paths_, currentProfile_,
             languageFlag_, std::nullopt},
            *this) {}

HeadlessSession::~HeadlessSession() = default;

int HeadlessSession::Run(int stopFd) {
    switch (core_.Start()) {
        case SessionStart::MouseFound:
            core_.GiveProfileToNewMouse();
            break;
        case SessionStart::AwaitingAccess:
            break;
        case SessionStart::NoMouse:
        case SessionStart::NoFiles:
        case SessionStart::Stopped:
            return 1;
    }
    return FollowDevice(stopFd);
}

void HeadlessSession::MouseTookProfile(const device::UploadOutcome& outcome) {
    if (!outcome.reportsSent) {
        messages_.ShowMessage(text::Message(text::TextId::kUploadNotReceived, languageFlag_),
                              platform::kProgramName);
    }
    if (onStart) {
        onStart(*this);
    }
}

void HeadlessSession::StopWorkers() {
    if (onStop) {
        onStop(*this);
    }
}

void HeadlessSession::Ended(SessionEnd /*reason*/) {
    finished_ = true;
}

int HeadlessSession::FollowDevice(int stopFd) {
    enum { kWatcher, kStop, kWake, kRequests, kFixed };
    std::vector<pollfd> fds;
    while (!finished_) {
        // The fixed sources, then one per connection whose request is still arriving; the wait
        // ends at the first such connection's deadline.
        fds.assign({{watchFd_, POLLIN, 0},
                    {stopFd, POLLIN, 0},
                    {wake_.fd(), POLLIN, 0},
                    {server_ != nullptr ? server_->fd() : -1, POLLIN, 0}});
        for (const control::PendingRequest& pending : pending_) {
            fds.push_back({pending.fd(), POLLIN, 0});
        }
        int ready = ::poll(fds.data(), fds.size(), MsUntilFirstRequestDeadline());
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            messages_.ShowMessage(text::Text(text::TextId::kDeviceEventsFailed, languageFlag_),
                                  platform::kProgramName);
            core_.Stop(SessionEnd::WaitFailed);
            break;
        }
        if (fds[kWatcher].revents != 0) {
            core_.FollowDeviceEvents();
            if (finished_) {
                break;
            }
        }
        if (fds[kStop].revents != 0 || fds[kWake].revents != 0) {
            core_.Stop(fds[kStop].revents != 0 ? SessionEnd::Signal : SessionEnd::Requested);
            break;
        }
        std::vector<short> readiness;
        for (std::size_t i = kFixed; i < fds.size(); ++i) {
            readiness.push_back(fds[i].revents);
        }
        ReadPendingRequests(readiness);
        DropExpiredRequests();
        if (fds[kRequests].revents != 0 && !finished_) {
            AcceptRequests();
        }
    }
    return 0;
}

int HeadlessSession::MsUntilFirstRequestDeadline() const {
    if (pending_.empty()) {
        return -1;
    }
    long long earliest = pending_.front().deadlineMs();
    for (const control::PendingRequest& pending : pending_) {
        earliest = std::min(earliest, pending.deadlineMs());
    }
    return static_cast<int>(std::max(0LL, earliest - control::MonotonicMs()));
}

void HeadlessSession::AcceptRequests() {
    for (;;) {
        platform::UniqueFd connection = server_->Accept();
        if (!connection.valid()) {
            return;
        }
        if (pending_.size() < control::kMaxPendingRequests) {
            pending_.emplace_back(std::move(connection),
                                  control::MonotonicMs() + control::kRequestTimeoutMs);
        } else {
            control::TurnAwayBusy(std::move(connection));  // too many clients are still sending
        }
    }
}

void HeadlessSession::ReadPendingRequests(const std::vector<short>& readiness) {
    // `readiness` follows the order of `pending_` when the wait began; requests answered here
    // are taken out only afterwards, so the order holds throughout.
    std::vector<std::pair<control::ControlRequest, platform::UniqueFd>> whole;
    std::vector<bool> done(pending_.size(), false);
    for (std::size_t i = 0; i < readiness.size() && i < pending_.size(); ++i) {
        if (readiness[i] == 0) {
            continue;
        }
        const auto progress = pending_[i].ReadAvailable();
        if (progress == control::PendingRequest::Progress::Waiting) {
            continue;
        }
        done[i] = true;
        if (progress == control::PendingRequest::Progress::Whole) {
            if (auto request = pending_[i].Request()) {
                whole.emplace_back(std::move(*request), pending_[i].TakeConnection());
            }
        }
    }
    std::size_t index = 0;
    std::erase_if(pending_, [&](const control::PendingRequest&) { return done[index++]; });
    for (auto& [request, connection] : whole) {
        if (finished_) {
            return;
        }
        AnswerRequest(request, std::move(connection));
    }
}

void HeadlessSession::DropExpiredRequests() {
    const long long now = control::MonotonicMs();
    std::erase_if(pending_,
                  [now](const control::PendingRequest& p) { return p.deadlineMs() <= now; });
}

void HeadlessSession::ServeRequests(control::InstanceServer* server, platform::UniqueFd* handover) {
    server_ = server;
    handover_ = handover;
}

void HeadlessSession::AnswerRequest(const control::ControlRequest& request,
                                    platform::UniqueFd connection) {
    control::ControlTarget target{
        paths_.configPath,
        paths_.skinsDir,
        paths_.macroPath,
        languageFlag_,
        profile_,
        currentProfile_,
        {},
        [this] { return MouseProblem(link_); },
        [this] { return core_.Upload(); },
        [this](std::span<const macro::MacroRecord> records) {
            if (onUserMacrosReplaced) {
                onUserMacrosReplaced(records);
            }
        },
    };
    if (request.show) {
        // A window is starting: it takes over once this run has let go of the mouse.
        control::SendReply(connection.get(), std::string(control::kSteppingAsideReply) + "\n");
        if (handover_ != nullptr) {
            *handover_ = std::move(connection);
        }
        core_.StepAside();
        return;
    }
    const control::ControlReply reply = control::AnswerControlRequest(
        request, std::filesystem::path(paths_.configPath).parent_path(), target);
    control::SendReply(connection.get(), control::EncodeReply(reply));
}

void HeadlessSession::RequestShutdown() {
    wake_.Signal();
}

int RunHeadless(const std::function<void(HeadlessSession&)>& prepare) {
    // Before any thread exists, so that every thread inherits the blocked signals.
    TerminationSignals signals;
    // Destroyed in reverse: the session lets go of the mouse, then the socket and the lock go,
    // and only then is a window that asked for the mouse told (its connection closes).
    platform::UniqueFd handover;
    control::InstanceLock lock;
    control::InstanceServer server;
    const platform::Result<control::RuntimeFolder> chosen = control::UserRuntimeFolder();
    if (!chosen.ok()) {
        // Without the lock a second program would play every macro a second time.
        text::console::PrintLine(text::console::kStartEnds, chosen.error().message);
        return 1;
    }
    const control::RuntimeFolder& runtime = *chosen;
    if (!runtime.warning.empty()) {
        text::console::PrintLine(text::console::kStartWarning, runtime.warning);
    }
    // The lock lies where every start of this user finds it, whatever its runtime folder; the
    // socket lies in this start's runtime folder, and the lock file names it.
    const platform::Result<std::string> lockPath = control::UserInstanceLockPath();
    if (!lockPath.ok()) {
        text::console::PrintLine(text::console::kStartEnds, lockPath.error().message);
        return 1;
    }
    if (!lock.TryLock(*lockPath)) {
        text::console::PrintLine(text::console::kAlreadyRunning, {});
        return 0;
    }
    const std::string socketPath = control::InstanceSocketPath(runtime.path);
    if (const platform::Result<void> listening = server.Listen(socketPath); listening.ok()) {
        lock.Announce(control::StateWithSocket(control::kListeningState, socketPath));
    } else {
        lock.Announce(std::string(control::kNotListeningState) + "\n" + listening.error().message);
        text::console::PrintLine(text::console::kUnreachable, listening.error().message);
    }
    platform::StderrMessageSink messages;
    auto files = settings::ResolveProgramFiles(platform::ExecutableDirectory(),
                                               platform::UserEnvironment::FromProcess());
    if (!files.ok()) {
        messages.ShowMessage(files.error().message, platform::kProgramName);
        return 1;
    }
    if (!files->notice.empty()) {
        messages.ShowMessage(files->notice, platform::kProgramName);
    }
    auto paths = std::move(files->paths);
    auto pointer = platform::MakeDesktopPointerSettings();
    HeadlessSession session(std::move(paths), platform::MakeHidTransport(), std::move(pointer),
                            messages);
    if (prepare) {
        prepare(session);
    }
    session.ServeRequests(server.IsListening() ? &server : nullptr, &handover);
    std::fprintf(stderr, "%s\n", HeadlessStartLine(session.paths().configPath).c_str());
    const int status = session.Run(signals.fd());
    const HeadlessEnd reason = session.endReason();
    std::fprintf(
        stderr, "%s\n",
        HeadlessEndLine(reason, reason == HeadlessEnd::Signal ? signals.Take() : 0).c_str());
    return status;
}

}  // namespace zel::app
