#pragma once

// Where the programs of one user meet: a lock file held by the running ZEL_GMouse (window or
// headless) in a per-user folder that does not depend on the environment, and a Unix stream
// socket in the holder's private runtime folder, which the lock file names. Plain POSIX, so
// that zel-gmousectl reaches the program without Qt.

#include <optional>
#include <string>
#include <string_view>

#include "platform/outcome.h"
#include "platform/unique_fd.h"

namespace zel::control {

// True when `path` is a folder (not a link to one) owned by this user that nobody else may
// enter or read.
bool IsPrivateFolder(const std::string& path);

// Where the lock and the socket of this user live.
struct RuntimeFolder {
    std::string path;
    std::string warning;  // why the usual folder is not used (empty: it is)
};

// The usual folder is `xdgRuntimeDir`, or `tempDir`/runtime-<user> (made with mode 0700) when
// that is empty. When it is not private to this user, the replacement `tempDir`/zel-gmouse-<uid>
// is used instead, made or checked here (a folder, not a link, owned by this user, mode 0700),
// with a warning. Every start and zel-gmousectl choose alike, so that they find each other.
// Fails, saying why, when no private folder can be had.
platform::Result<RuntimeFolder> ChooseRuntimeFolder(const std::string& xdgRuntimeDir,
                                                    const std::string& tempDir);
// ChooseRuntimeFolder with $XDG_RUNTIME_DIR and ${TMPDIR:-/tmp}.
platform::Result<RuntimeFolder> UserRuntimeFolder();

std::string InstanceLockPath(const std::string& folder);    // folder/ZEL_GMouse.lock
std::string InstanceSocketPath(const std::string& folder);  // folder/ZEL_GMouse.socket

// The instance lock does not depend on the environment: a desktop session, a `su` or `ssh`
// login and the service each have their own XDG_RUNTIME_DIR (or none), but all of them see
// `base`/zel-gmouse-<uid> (base: /tmp). It is made (mode 0700) or checked here: a folder, not a
// link, owned by this user, closed to others. Fails, saying why, when that cannot be had.
platform::Result<std::string> InstanceLockFolder(const std::string& base = "/tmp");
// The name of the lock of the mouse the programs use: ZEL_GMouse.lock for the machine's mouse;
// with a virtual mouse (`simSocket`, the value of ZEL_GMOUSE_SIM, not empty) one lock per
// virtual mouse, ZEL_GMouse-sim-<hash of the socket path>.lock, so that a virtual mouse gets its
// own program beside the real one.
std::string InstanceLockName(const std::string& simSocket);
// InstanceLockFolder()/InstanceLockName($ZEL_GMOUSE_SIM): every start and zel-gmousectl of this
// user meet there, whatever their runtime folder.
platform::Result<std::string> UserInstanceLockPath();

// An advisory lock (flock) on the lock file, held while the object holds it. The kernel drops
// it when the process ends however it ends, so a lock left behind never counts. A lock file
// removed or replaced while it was being taken is taken anew, and the holder keeps a shared lock
// on the folder, which the cleaning of temporary folders (systemd-tmpfiles) leaves alone. The
// holder removes the file when it lets go.
class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock() { Unlock(); }
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when this object now holds the lock; false when another holder has it or the file
    // cannot be made.
    bool TryLock(const std::string& path);
    void Unlock();
    bool IsLocked() const { return fd_.valid(); }
    // Tells zel-gmousectl what the holder does (see InstanceState); kept in the lock file.
    void Announce(std::string_view state);

private:
    platform::UniqueFd fd_;
    platform::UniqueFd folder_;
    std::string path_;
};

// The listening end. Connections are taken one at a time by the owner's event loop.
class InstanceServer {
public:
    InstanceServer() = default;
    ~InstanceServer() { Close(); }
    InstanceServer(const InstanceServer&) = delete;
    InstanceServer& operator=(const InstanceServer&) = delete;

    // Replaces a socket file left behind and listens; only this user may connect (mode 0600
    // inside a private folder), else says why it cannot. A socket another program listens on
    // (one for another mouse) is not replaced. Call it only while holding the instance lock.
    platform::Result<void> Listen(const std::string& path);
    bool IsListening() const { return fd_.valid(); }
    int fd() const { return fd_.get(); }
    // A waiting connection; an invalid socket when there is none.
    platform::UniqueFd Accept();
    // Stops listening and removes the socket file.
    void Close();

private:
    platform::UniqueFd fd_;
    std::string path_;
};

// What the holder of the lock said of itself: kStartingState until it listens,
// kListeningState, or kNotListeningState and the reason on the next line. Empty when nothing
// can be read.
inline constexpr std::string_view kStartingState = "starting";
inline constexpr std::string_view kListeningState = "listening";
inline constexpr std::string_view kNotListeningState = "not-listening";
std::string InstanceState(const std::string& lockPath);
// What a holder announces while it starts or listens: the state and, on the next line, the
// socket it listens on, which lies in the holder's runtime folder, not necessarily the reader's.
std::string StateWithSocket(std::string_view state, const std::string& socketPath);
// The socket a holder's announcement names; empty when it names none.
std::string SocketOfInstance(std::string_view state);

// Whether `path` can be tried for listening or connecting, else why not.
platform::Result<void> CheckInstanceSocketPath(const std::string& path);

// Connects to the socket; an invalid socket when nobody listens there.
platform::UniqueFd ConnectToInstance(const std::string& path);

// Reads until `complete(bytes)` says the message is whole, the peer closes (then whatever
// came is returned), more than `maxBytes` arrive or `timeoutMs` passes (both: nullopt).
template <class Complete>
std::optional<std::string> ReadMessage(int fd, std::size_t maxBytes, int timeoutMs,
                                       Complete complete);
// Writes everything within `timeoutMs`.
bool WriteAll(int fd, std::string_view bytes, int timeoutMs);

namespace detail {
// One read of at most `room` bytes, waiting at most until the deadline: bytes read, 0 at the
// end of the stream, -1 on error or timeout.
long ReadSome(int fd, char* buffer, std::size_t room, long long deadlineMs);
long long DeadlineAfter(int timeoutMs);
}  // namespace detail

template <class Complete>
std::optional<std::string> ReadMessage(int fd, std::size_t maxBytes, int timeoutMs,
                                       Complete complete) {
    std::string bytes;
    const long long deadline = detail::DeadlineAfter(timeoutMs);
    char buffer[4096];
    while (!complete(bytes)) {
        const long got = detail::ReadSome(fd, buffer, sizeof buffer, deadline);
        if (got < 0) {
            return std::nullopt;
        }
        if (got == 0) {
            return bytes;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
        if (bytes.size() > maxBytes) {
            return std::nullopt;
        }
    }
    return bytes;
}

}  // namespace zel::control
