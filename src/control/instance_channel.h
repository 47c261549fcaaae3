#pragma once

// Where the programs of one user meet: a lock file held by the running ZEL_GMouse (window or
// headless) and a Unix stream socket beside it in the user's private runtime folder. Plain
// POSIX, so that zel-gmousectl reaches the program without Qt.

#include <optional>
#include <string>
#include <string_view>

#include "control/unique_socket.h"

namespace zel::control {

inline constexpr std::string_view kInstanceName = "ZEL_GMouse";

// True when `path` is a folder owned by this user that nobody else may enter or read.
bool IsPrivateFolder(const std::string& path);

// $XDG_RUNTIME_DIR, or ${TMPDIR:-/tmp}/runtime-<user> (made with mode 0700) when it is unset;
// empty when the folder is not private to this user.
std::string UserRuntimeFolder();

std::string InstanceLockPath(const std::string& folder);    // folder/ZEL_GMouse.lock
std::string InstanceSocketPath(const std::string& folder);  // folder/ZEL_GMouse.socket

// An advisory lock (flock) on the lock file, held while the object holds it. The kernel drops
// it when the process ends however it ends, so a lock left behind never counts.
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

private:
    UniqueSocket fd_;
};

// The listening end. Connections are taken one at a time by the owner's event loop.
class InstanceServer {
public:
    InstanceServer() = default;
    ~InstanceServer() { Close(); }
    InstanceServer(const InstanceServer&) = delete;
    InstanceServer& operator=(const InstanceServer&) = delete;

    // Replaces a socket file left behind and listens; only this user may connect (mode 0600
    // inside a private folder). Call it only while holding the instance lock.
    bool Listen(const std::string& path);
    bool IsListening() const { return fd_.valid(); }
    int fd() const { return fd_.get(); }
    // A waiting connection; an invalid socket when there is none.
    UniqueSocket Accept();
    // Stops listening and removes the socket file.
    void Close();

private:
    UniqueSocket fd_;
    std::string path_;
};

// Connects to the socket; an invalid socket when nobody listens there.
UniqueSocket ConnectToInstance(const std::string& path);

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
