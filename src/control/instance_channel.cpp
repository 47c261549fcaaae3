#include "control/instance_channel.h"

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace zel::control {
namespace {

bool FillAddress(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

long long NowMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Waits for `events` on fd until the deadline; false on timeout or error.
bool WaitFor(int fd, short events, long long deadlineMs) {
    for (;;) {
        const long long left = deadlineMs - NowMs();
        if (left <= 0) {
            return false;
        }
        pollfd descriptor{fd, events, 0};
        const int ready = ::poll(&descriptor, 1, static_cast<int>(left));
        if (ready > 0) {
            return true;
        }
        if (ready < 0 && errno != EINTR) {
            return false;
        }
    }
}

std::string UserName() {
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_name) {
        return entry->pw_name;
    }
    return std::to_string(::getuid());
}

}  // namespace

bool IsPrivateFolder(const std::string& path) {
    struct stat status {};
    if (path.empty() || ::stat(path.c_str(), &status) != 0) {
        return false;
    }
    return S_ISDIR(status.st_mode) && status.st_uid == ::getuid() &&
           (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

std::string UserRuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') {
        return IsPrivateFolder(runtime) ? std::string(runtime) : std::string();
    }
    // The folder Qt's programs fall back to, so that both sides find each other.
    const char* temp = std::getenv("TMPDIR");
    std::string folder = (temp != nullptr && *temp != '\0') ? temp : "/tmp";
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    folder += "/runtime-" + UserName();
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return {};
    }
    return IsPrivateFolder(folder) ? folder : std::string();
}

std::string InstanceLockPath(const std::string& folder) {
    return folder + "/" + std::string(kInstanceName) + ".lock";
}

std::string InstanceSocketPath(const std::string& folder) {
    return folder + "/" + std::string(kInstanceName) + ".socket";
}

bool InstanceLock::TryLock(const std::string& path) {
    if (IsLocked()) {
        return true;
    }
    UniqueSocket fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd.valid()) {
        return false;
    }
    while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    fd_ = std::move(fd);
    return true;
}

void InstanceLock::Unlock() {
    fd_.Reset();
}

bool InstanceServer::Listen(const std::string& path) {
    if (IsListening()) {
        return true;
    }
    sockaddr_un address{};
    if (!FillAddress(path, address)) {
        return false;
    }
    UniqueSocket fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd.valid()) {
        return false;
    }
    // A file left by a program that ended without removing it; the lock says nobody else
    // listens there.
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode)) {
        ::unlink(path.c_str());
    }
    const mode_t previous = ::umask(0077);
    const int bound = ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::umask(previous);
    if (bound != 0 || ::listen(fd.get(), 16) != 0) {
        return false;
    }
    fd_ = std::move(fd);
    path_ = path;
    return true;
}

UniqueSocket InstanceServer::Accept() {
    if (!IsListening()) {
        return {};
    }
    for (;;) {
        const int client = ::accept4(fd_.get(), nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0 || errno != EINTR) {
            return UniqueSocket(client);
        }
    }
}

void InstanceServer::Close() {
    if (fd_.valid()) {
        fd_.Reset();
        ::unlink(path_.c_str());
    }
}

UniqueSocket ConnectToInstance(const std::string& path) {
    sockaddr_un address{};
    if (!FillAddress(path, address)) {
        return {};
    }
    UniqueSocket fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.valid()) {
        return {};
    }
    while (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EINTR) {
            return {};
        }
    }
    return fd;
}

bool WriteAll(int fd, std::string_view bytes, int timeoutMs) {
    const long long deadline = detail::DeadlineAfter(timeoutMs);
    while (!bytes.empty()) {
        if (!WaitFor(fd, POLLOUT, deadline)) {
            return false;
        }
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

namespace detail {

long long DeadlineAfter(int timeoutMs) {
    return NowMs() + timeoutMs;
}

long ReadSome(int fd, char* buffer, std::size_t room, long long deadlineMs) {
    for (;;) {
        if (!WaitFor(fd, POLLIN, deadlineMs)) {
            return -1;
        }
        const ssize_t got = ::recv(fd, buffer, room, MSG_DONTWAIT);
        if (got >= 0) {
            return static_cast<long>(got);
        }
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
            return -1;
        }
    }
}

}  // namespace detail
}  // namespace zel::control
