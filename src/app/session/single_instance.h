#pragma once

// One running program per user, window or headless. The first start takes the instance lock,
// whose place does not depend on the environment, and listens on a local socket in its runtime
// folder, which the lock file names (src/control/instance_channel.h; zel-gmousectl meets the
// program there too). A later window
// start finds the lock taken and asks the running program to show its window; a headless
// instance answers by stepping aside, and once it has let go of the mouse and the lock the
// window starts. A start while the first one is still initialising (its requests held) ends
// without showing anything.
//
// The runtime folder belongs to the user alone (mode 0700) and the socket is made reachable by
// its owner only, so no other user can send requests. When the usual folder is not private a
// replacement is used (see control::ChooseRuntimeFolder); without any, the program does not
// start.
//
// Requests are read on the event loop as their bytes arrive, each connection with its own
// deadline, so a client that connects and says nothing holds neither the window nor others up.

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <list>

#include "control/control_protocol.h"
#include "control/instance_channel.h"
#include "control/instance_requests.h"

class QSocketNotifier;

namespace zel::app {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `runtimeDir`: the folder of the lock and the socket; empty picks the user's runtime folder
    // (XDG_RUNTIME_DIR, or a private folder under the temporary folder) for the socket and the
    // user's instance lock (control::UserInstanceLockPath), which does not depend on it.
    explicit SingleInstance(QString runtimeDir = {}, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this is the first instance (it then holds the lock until it is destroyed). A
    // lock left by a program that no longer runs does not count. False as well when no private
    // folder can be had: RuntimeProblem() then says why, and the program must not start.
    bool TryBecomeFirst();
    QString RuntimeProblem() const { return runtimeProblem_; }
    // Why the usual runtime folder was replaced; empty when it was not.
    QString RuntimeWarning() const { return runtimeWarning_; }

    // First instance: starts taking requests. False when the socket could not be opened
    // (ListenProblem() says why; zel-gmousectl is told the program takes no commands).
    bool Listen();
    bool IsListening() const;
    QString ListenProblem() const { return listenProblem_; }
    // While held, a later start is told the program is starting (nothing is shown) and commands
    // are refused with kNotTakingCommandsYet: the window is not made yet, or a message box of
    // the start is up.
    void HoldRequests(bool hold) { held_ = hold; }

    // What the running program answered a later start.
    enum class FirstAnswer {
        NoAnswer,      // nobody listened or answered within the time
        Shown,         // a window showed itself
        SteppedAside,  // a headless instance let go of the mouse and the lock and ended
    };
    // Later instance: asks the first to show its window; a headless first steps aside, and
    // this waits up to `stepAsideMs` for it to end.
    FirstAnswer AskFirst(int timeoutMs = 2000, int stepAsideMs = 10000);

    // Carries out zel-gmousectl commands (on the window thread); without a handler they are
    // answered with a failure.
    using CommandHandler = std::function<control::ControlReply(const control::ControlRequest&)>;
    void SetCommandHandler(CommandHandler handler) { commandHandler_ = std::move(handler); }

    QString lockPath() const;
    // This instance's socket.
    QString socketPath() const;
    // The socket of the instance holding the lock, as its lock file names it (it may run with
    // another runtime folder); this instance's own socket path when the file names none.
    std::string HolderSocketPath() const;

    // The user's runtime folder, made if needed; empty when none can be had.
    static QString DefaultRuntimeDir();

signals:
    // A later start asked for the window.
    void showRequested();

private:
    struct PendingConnection;
    void AcceptConnections();
    void ReadPending(int fd);
    void Answer(const control::ControlRequest& request, platform::UniqueFd connection);
    void Forget(std::list<PendingConnection>::iterator pending);
    void DropExpired();
    void ArmExpiry();

    QString runtimeDir_;
    std::string lockPath_;
    QString runtimeProblem_;
    QString runtimeWarning_;
    QString listenProblem_;
    control::InstanceLock lock_;
    control::InstanceServer server_;
    QSocketNotifier* notifier_ = nullptr;
    CommandHandler commandHandler_;
    bool held_ = false;
    std::list<PendingConnection> pending_;
    QTimer expiry_;
};

}  // namespace zel::app
