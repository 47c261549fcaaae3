#include "app/session/single_instance.h"

#include <QDir>
#include <QSocketNotifier>
#include <algorithm>

#include "control/command_line.h"

namespace zel::app {

struct SingleInstance::PendingConnection {
    control::PendingRequest request;
    QSocketNotifier* notifier = nullptr;
};

SingleInstance::SingleInstance(QString runtimeDir, QObject* parent)
    : QObject(parent), runtimeDir_(std::move(runtimeDir)) {
    if (runtimeDir_.isEmpty()) {
        const platform::Result<control::RuntimeFolder> folder = control::UserRuntimeFolder();
        if (folder.ok()) {
            runtimeDir_ = QString::fromStdString(folder->path);
            runtimeWarning_ = QString::fromStdString(folder->warning);
        } else {
            runtimeProblem_ = QString::fromStdString(folder.error().message);
        }
        if (const platform::Result<std::string> lock = control::UserInstanceLockPath(); lock.ok()) {
            lockPath_ = *lock;
        } else if (runtimeProblem_.isEmpty()) {
            runtimeProblem_ = QString::fromStdString(lock.error().message);
        }
    } else {
        lockPath_ = control::InstanceLockPath(runtimeDir_.toStdString());
    }
    expiry_.setSingleShot(true);
    connect(&expiry_, &QTimer::timeout, this, &SingleInstance::DropExpired);
}

SingleInstance::~SingleInstance() {
    // The notifiers go before the descriptors they watch close.
    for (PendingConnection& pending : pending_) {
        delete pending.notifier;
    }
    pending_.clear();
    delete notifier_;
    notifier_ = nullptr;
    server_.Close();
}

QString SingleInstance::DefaultRuntimeDir() {
    return QString::fromStdString(control::UserRuntimeFolder().value_or({}).path);
}

QString SingleInstance::lockPath() const {
    return QString::fromStdString(lockPath_);
}

QString SingleInstance::socketPath() const {
    return runtimeDir_.isEmpty()
               ? QString()
               : QString::fromStdString(control::InstanceSocketPath(runtimeDir_.toStdString()));
}

std::string SingleInstance::HolderSocketPath() const {
    const std::string named = control::SocketOfInstance(control::InstanceState(lockPath_));
    return named.empty() ? socketPath().toStdString() : named;
}

bool SingleInstance::TryBecomeFirst() {
    if (lock_.IsLocked()) {
        return true;
    }
    if (runtimeDir_.isEmpty() || lockPath_.empty() ||
        !control::IsPrivateFolder(runtimeDir_.toStdString())) {
        // Without a private folder there is no guard: a second program would attach to the
        // same mouse and a zel-gmousectl would write beside it.
        if (runtimeProblem_.isEmpty()) {
            runtimeProblem_ = QStringLiteral("the runtime folder %1 is not private to this user")
                                  .arg(runtimeDir_);
        }
        return false;
    }
    if (!lock_.TryLock(lockPath_)) {
        return false;
    }
    lock_.Announce(control::StateWithSocket(control::kStartingState, socketPath().toStdString()));
    return true;
}

bool SingleInstance::Listen() {
    if (server_.IsListening()) {
        return true;
    }
    if (!lock_.IsLocked()) {
        return false;  // only the lock holder may replace the socket
    }
    if (const platform::Result<void> listening = server_.Listen(socketPath().toStdString());
        !listening.ok()) {
        listenProblem_ = QString::fromStdString(listening.error().message);
        lock_.Announce(std::string(control::kNotListeningState) + "\n" +
                       listenProblem_.toStdString());
        return false;
    }
    lock_.Announce(control::StateWithSocket(control::kListeningState, socketPath().toStdString()));
    notifier_ = new QSocketNotifier(server_.fd(), QSocketNotifier::Read);
    connect(notifier_, &QSocketNotifier::activated, this, &SingleInstance::AcceptConnections);
    return true;
}

bool SingleInstance::IsListening() const {
    return server_.IsListening();
}

void SingleInstance::AcceptConnections() {
    for (;;) {
        platform::UniqueFd connection = server_.Accept();
        if (!connection.valid()) {
            break;
        }
        if (pending_.size() >= control::kMaxPendingRequests) {
            control::TurnAwayBusy(std::move(connection));  // too many clients are still sending
            continue;
        }
        const int fd = connection.get();
        auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        pending_.push_back(
            {control::PendingRequest(std::move(connection),
                                     control::MonotonicMs() + control::kRequestTimeoutMs),
             notifier});
        connect(notifier, &QSocketNotifier::activated, this, [this, fd] { ReadPending(fd); });
    }
    ArmExpiry();
}

void SingleInstance::ReadPending(int fd) {
    const auto pending = std::find_if(pending_.begin(), pending_.end(),
                                      [fd](const auto& p) { return p.request.fd() == fd; });
    if (pending == pending_.end()) {
        return;
    }
    const auto progress = pending->request.ReadAvailable();
    if (progress == control::PendingRequest::Progress::Waiting) {
        return;
    }
    const auto request = progress == control::PendingRequest::Progress::Whole
                             ? pending->request.Request()
                             : std::nullopt;
    platform::UniqueFd connection = pending->request.TakeConnection();
    Forget(pending);
    ArmExpiry();
    if (request) {
        Answer(*request, std::move(connection));
    }
}

void SingleInstance::Answer(const control::ControlRequest& request, platform::UniqueFd connection) {
    if (request.show) {
        if (held_) {
            // Still starting: the later start ends without anything shown.
            control::SendReply(connection.get(), std::string(control::kStartingReply) + "\n");
            return;
        }
        control::SendReply(connection.get(), std::string(control::kShownReply) + "\n");
        connection.Reset();
        emit showRequested();
        return;
    }
    control::ControlReply reply;
    if (held_ || !commandHandler_) {
        reply = {
            false, control::kExitFailed, {}, std::string(control::kNotTakingCommandsYet) + "\n"};
    } else {
        reply = commandHandler_(request);
    }
    control::SendReply(connection.get(), control::EncodeReply(reply));
}

void SingleInstance::Forget(std::list<PendingConnection>::iterator pending) {
    // Possibly inside the notifier's own signal: it goes once the signal has returned.
    pending->notifier->setEnabled(false);
    pending->notifier->deleteLater();
    pending_.erase(pending);
}

void SingleInstance::DropExpired() {
    const long long now = control::MonotonicMs();
    for (auto pending = pending_.begin(); pending != pending_.end();) {
        const auto next = std::next(pending);
        if (pending->request.deadlineMs() <= now) {
            Forget(pending);
        }
        pending = next;
    }
    ArmExpiry();
}

void SingleInstance::ArmExpiry() {
    if (pending_.empty()) {
        expiry_.stop();
        return;
    }
    long long earliest = pending_.front().request.deadlineMs();
    for (const PendingConnection& pending : pending_) {
        earliest = std::min(earliest, pending.request.deadlineMs());
    }
    expiry_.start(static_cast<int>(std::max(0LL, earliest - control::MonotonicMs())));
}

SingleInstance::FirstAnswer SingleInstance::AskFirst(int timeoutMs, int stepAsideMs) {
    if (runtimeDir_.isEmpty()) {
        return FirstAnswer::NoAnswer;
    }
    platform::UniqueFd socket = control::ConnectToInstance(HolderSocketPath());
    if (!socket.valid() ||
        !control::WriteAll(socket.get(), std::string(control::kShowRequest) + "\n", timeoutMs)) {
        return FirstAnswer::NoAnswer;
    }
    const auto line = control::ReadMessage(socket.get(), 64, timeoutMs, [](const std::string& b) {
        return b.find('\n') != std::string::npos;
    });
    if (!line) {
        return FirstAnswer::NoAnswer;
    }
    if (*line != std::string(control::kSteppingAsideReply) + "\n") {
        return FirstAnswer::Shown;
    }
    // The headless instance closes the connection after it has let go of the lock.
    const auto rest = control::ReadMessage(socket.get(), 64, stepAsideMs,
                                           [](const std::string&) { return false; });
    return rest ? FirstAnswer::SteppedAside : FirstAnswer::NoAnswer;
}

}  // namespace zel::app
