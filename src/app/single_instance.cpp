#include "app/single_instance.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

namespace zel::app {
namespace {

// A request is one short word; anything longer is not ours.
constexpr qsizetype kMaxRequestBytes = 16;
// A connection that says nothing is dropped after this long.
constexpr int kRequestTimeoutMs = 2000;

bool IsPrivateFolder(const QString& path) {
    const QFileInfo info(path);
    if (!info.isDir() || info.ownerId() != static_cast<uint>(::getuid())) {
        return false;
    }
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                        QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    return (info.permissions() & others) == 0;
}

}  // namespace

SingleInstance::SingleInstance(QString runtimeDir, QObject* parent)
    : QObject(parent), runtimeDir_(runtimeDir.isEmpty() ? DefaultRuntimeDir() : runtimeDir) {}

SingleInstance::~SingleInstance() {
    if (server_) {
        server_->close();
    }
}

QString SingleInstance::DefaultRuntimeDir() {
    // Qt makes the folder (or fixes its mode) when it has to fall back to /tmp.
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return !dir.isEmpty() && IsPrivateFolder(dir) ? dir : QString();
}

QString SingleInstance::lockPath() const {
    return runtimeDir_.isEmpty() ? QString()
                                 : QDir(runtimeDir_).filePath(QString(kInstanceName) + ".lock");
}

QString SingleInstance::socketPath() const {
    return runtimeDir_.isEmpty() ? QString()
                                 : QDir(runtimeDir_).filePath(QString(kInstanceName) + ".socket");
}

bool SingleInstance::TryBecomeFirst() {
    if (lock_) {
        return true;
    }
    if (runtimeDir_.isEmpty() || !IsPrivateFolder(runtimeDir_)) {
        return true;
    }
    auto lock = std::make_unique<QLockFile>(lockPath());
    // The first instance may run for days: only a lock whose program has ended is stale.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        return false;
    }
    lock_ = std::move(lock);
    return true;
}

bool SingleInstance::Listen() {
    if (server_ && server_->isListening()) {
        return true;
    }
    if (!lock_) {
        return false;  // only the lock holder may replace the socket
    }
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket file left by a program that ended without closing it.
    QLocalServer::removeServer(socketPath());
    if (!server_->listen(socketPath())) {
        server_.reset();
        return false;
    }
    connect(server_.get(), &QLocalServer::newConnection, this, &SingleInstance::AcceptConnections);
    return true;
}

bool SingleInstance::IsListening() const {
    return server_ && server_->isListening();
}

void SingleInstance::AcceptConnections() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadRequest(*socket); });
        // A silent client does not keep its connection.
        QTimer::singleShot(kRequestTimeoutMs, socket, [socket] { socket->abort(); });
        if (socket->bytesAvailable() > 0) {
            ReadRequest(*socket);
        }
    }
}

void SingleInstance::ReadRequest(QLocalSocket& socket) {
    // The request is one line; the bytes of an unfinished line wait on the socket itself.
    if (!socket.canReadLine()) {
        if (socket.bytesAvailable() > kMaxRequestBytes) {
            socket.abort();
        }
        return;
    }
    const QByteArray line = socket.readLine(kMaxRequestBytes + 1).trimmed();
    socket.disconnect(this);
    socket.disconnectFromServer();
    if (line == kShowRequest) {
        emit showRequested();
    }
}

bool SingleInstance::AskFirstToShow(int timeoutMs) {
    if (runtimeDir_.isEmpty()) {
        return false;
    }
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(timeoutMs)) {
        return false;
    }
    socket.write(QByteArray(kShowRequest) + '\n');
    const bool sent = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) {
        socket.waitForDisconnected(timeoutMs);
    }
    return sent;
}

}  // namespace zel::app
