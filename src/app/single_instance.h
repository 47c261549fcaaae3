#pragma once

// One running program per user. The first start takes a lock file in the user's runtime folder
// and, once its window exists, listens on a local socket beside it; a later start finds the lock
// taken, asks the running program through the socket to show its window, and ends. A start
// while the first one is still initialising finds nobody listening and ends without showing
// anything.
//
// The runtime folder belongs to the user alone (mode 0700) and the socket is made reachable by
// its owner only, so no other user can send requests.

#include <QByteArray>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLocalSocket;

namespace zel::app {

inline constexpr const char* kInstanceName = "ZEL_GMouse";
inline constexpr const char* kShowRequest = "show";

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `runtimeDir`: the folder of the lock and the socket; empty picks the user's runtime folder
    // (XDG_RUNTIME_DIR, or a private folder Qt makes under /tmp).
    explicit SingleInstance(QString runtimeDir = {}, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this is the first instance (it then holds the lock until it is destroyed). A
    // lock left by a program that no longer runs does not count. When no private folder can be
    // had, the program runs unguarded as a first instance.
    bool TryBecomeFirst();

    // First instance, once its window exists: starts taking requests. False when the socket
    // could not be opened (the program runs on, a later start then simply ends).
    bool Listen();
    bool IsListening() const;

    // Later instance: asks the first to show its window. False when nobody answered within
    // `timeoutMs` (the first is still initialising, or gone).
    bool AskFirstToShow(int timeoutMs = 2000);

    QString lockPath() const;
    QString socketPath() const;

    // The user's runtime folder, made if needed; empty when none can be had.
    static QString DefaultRuntimeDir();

signals:
    // A later start asked for the window.
    void showRequested();

private:
    void AcceptConnections();
    void ReadRequest(QLocalSocket& socket);

    QString runtimeDir_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
};

}  // namespace zel::app
