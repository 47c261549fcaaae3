#include "app/single_instance.h"

#include <QDir>
#include <QSocketNotifier>

#include "control/command_line.h"
#include "control/instance_requests.h"

namespace zel::app {

SingleInstance::SingleInstance(QString runtimeDir, QObject* parent)
    : QObject(parent), runtimeDir_(runtimeDir.isEmpty() ? DefaultRuntimeDir() : runtimeDir) {}

SingleInstance::~SingleInstance() {
    delete notifier_;  // before the descriptor it watches closes
    notifier_ = nullptr;
    server_.Close();
}

QString SingleInstance::DefaultRuntimeDir() {
    return QString::fromStdString(control::UserRuntimeFolder());
}

QString SingleInstance::lockPath() const {
    return runtimeDir_.isEmpty()
               ? QString()
               : QString::fromStdString(control::InstanceLockPath(runtimeDir_.toStdString()));
}

QString SingleInstance::socketPath() const {
    return runtimeDir_.isEmpty()
               ? QString()
               : QString::fromStdString(control::InstanceSocketPath(runtimeDir_.toStdString()));
}

bool SingleInstance::TryBecomeFirst() {
    if (lock_.IsLocked()) {
        return true;
    }
    if (runtimeDir_.isEmpty() || !control::IsPrivateFolder(runtimeDir_.toStdString())) {
        return true;
    }
    return lock_.TryLock(lockPath().toStdString());
}

bool SingleInstance::Listen() {
    if (server_.IsListening()) {
        return true;
    }
    if (!lock_.IsLocked()) {
        return false;  // only the lock holder may replace the socket
    }
    if (!server_.Listen(socketPath().toStdString())) {
        return false;
    }
    notifier_ = new QSocketNotifier(server_.fd(), QSocketNotifier::Read);
    connect(notifier_, &QSocketNotifier::activated, this, &SingleInstance::AcceptConnections);
    return true;
}

bool SingleInstance::IsListening() const {
    return server_.IsListening();
}

void SingleInstance::AcceptConnections() {
    for (;;) {
        control::UniqueSocket connection = server_.Accept();
        if (!connection.valid()) {
            break;
        }
        const auto request = control::ReadRequest(connection.get());
        if (!request) {
            continue;  // not ours: dropped
        }
        if (request->show) {
            control::SendReply(connection.get(), std::string(control::kShownReply) + "\n");
            connection.Reset();
            emit showRequested();
            continue;
        }
        const control::ControlReply reply =
            commandHandler_
                ? commandHandler_(*request)
                : control::ControlReply{
                      false, control::kExitFailed, {}, "ZEL_GMouse cannot take commands yet\n"};
        control::SendReply(connection.get(), control::EncodeReply(reply));
    }
}

bool SingleInstance::AskFirstToShow(int timeoutMs) {
    if (runtimeDir_.isEmpty()) {
        return false;
    }
    control::UniqueSocket socket = control::ConnectToInstance(socketPath().toStdString());
    return socket.valid() &&
           control::WriteAll(socket.get(), std::string(control::kShowRequest) + "\n", timeoutMs);
}

SingleInstance::FirstAnswer SingleInstance::AskFirst(int timeoutMs, int stepAsideMs) {
    if (runtimeDir_.isEmpty()) {
        return FirstAnswer::NoAnswer;
    }
    control::UniqueSocket socket = control::ConnectToInstance(socketPath().toStdString());
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
