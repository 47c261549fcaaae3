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
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/app_identity.h"
#include "platform/sim_transport.h"

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

platform::Error NotPrivate(std::string why) {
    return {platform::ErrorCode::kUnavailable, std::move(why)};
}

// Whether `folder` is private, else why not.
platform::Result<void> CheckPrivate(const std::string& folder) {
    struct stat status {};
    if (::lstat(folder.c_str(), &status) != 0) {
        return NotPrivate(std::strerror(errno));
    }
    if (S_ISLNK(status.st_mode)) {
        return NotPrivate("it is a symbolic link");
    }
    if (!S_ISDIR(status.st_mode)) {
        return NotPrivate("it is not a folder");
    }
    if (status.st_uid != ::getuid()) {
        return NotPrivate("it belongs to user " + std::to_string(status.st_uid));
    }
    if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(status.st_mode & 07777));
        return NotPrivate(std::string("others may enter it (mode ") + mode + ")");
    }
    return platform::Ok();
}

// Makes `folder` (mode 0700) or takes the one there when it is this user's own folder and no
// link, closing it to others when it was not. Whether it is private now, else why not.
platform::Result<void> MakePrivateFolder(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return NotPrivate(std::strerror(errno));
    }
    // Opened without following a link, so that the checks and the mode change concern the
    // folder itself and not something another user swapped in.
    platform::UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid()) {
        return NotPrivate(errno == ELOOP || errno == ENOTDIR ? "it is not a folder"
                                                             : std::strerror(errno));
    }
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0) {
        return NotPrivate(std::strerror(errno));
    }
    if (status.st_uid != ::getuid()) {
        return NotPrivate("it belongs to user " + std::to_string(status.st_uid));
    }
    if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0 && ::fchmod(fd.get(), 0700) != 0) {
        return NotPrivate(std::strerror(errno));
    }
    return CheckPrivate(folder);
}

std::string WithoutTrailingSlashes(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

}  // namespace

bool IsPrivateFolder(const std::string& path) {
    return !path.empty() && CheckPrivate(path).ok();
}

platform::Result<RuntimeFolder> ChooseRuntimeFolder(const std::string& xdgRuntimeDir,
                                                    const std::string& tempDir) {
    const std::string temp = WithoutTrailingSlashes(tempDir.empty() ? "/tmp" : tempDir);
    std::string usual;
    platform::Result<void> usable;
    if (!xdgRuntimeDir.empty()) {
        usual = xdgRuntimeDir;
        usable = CheckPrivate(usual);
    } else {
        // The folder Qt's programs fall back to.
        usual = temp + "/runtime-" + UserName();
        if (::mkdir(usual.c_str(), 0700) != 0 && errno != EEXIST) {
            usable = NotPrivate(std::strerror(errno));
        } else {
            usable = CheckPrivate(usual);
        }
    }
    if (usable.ok()) {
        return RuntimeFolder{usual, {}};
    }
    const std::string what = (xdgRuntimeDir.empty() ? "the runtime folder " : "XDG_RUNTIME_DIR ") +
                             usual + " is not private to this user (" + usable.error().message +
                             ")";
    const std::string replacement = temp + "/zel-gmouse-" + std::to_string(::getuid());
    if (const platform::Result<void> made = MakePrivateFolder(replacement); !made.ok()) {
        const std::string& why = made.error().message;
        return platform::Error{platform::ErrorCode::kUnavailable,
                               what + ", and " + replacement + " cannot be used either (" + why +
                                   "); set XDG_RUNTIME_DIR to a folder of your own with mode 0700"};
    }
    return RuntimeFolder{replacement, what + "; using " + replacement + " instead"};
}

platform::Result<RuntimeFolder> UserRuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const char* temp = std::getenv("TMPDIR");
    return ChooseRuntimeFolder(runtime != nullptr ? runtime : "", temp != nullptr ? temp : "");
}

// The files are named after the program: a running program and zel-gmousectl of any version
// meet on these names, so the name must not change.
std::string InstanceLockPath(const std::string& folder) {
    return folder + "/" + std::string(platform::kProgramName) + ".lock";
}

std::string InstanceSocketPath(const std::string& folder) {
    return folder + "/" + std::string(platform::kProgramName) + ".socket";
}

platform::Result<std::string> InstanceLockFolder(const std::string& base) {
    const std::string folder = WithoutTrailingSlashes(base.empty() ? "/tmp" : base) +
                               "/zel-gmouse-" + std::to_string(::getuid());
    if (const platform::Result<void> made = MakePrivateFolder(folder); !made.ok()) {
        // Another folder would not do: the programs of this user would no longer meet.
        return platform::Error{platform::ErrorCode::kUnavailable,
                               "the folder of the instance lock " + folder + " cannot be used (" +
                                   made.error().message +
                                   "); remove it, or ask the administrator to"};
    }
    return folder;
}

std::string InstanceLockName(const std::string& simSocket) {
    const std::string program(platform::kProgramName);
    if (simSocket.empty()) {
        return program + ".lock";
    }
    // FNV-1a: the same name in every build, since a program and zel-gmousectl of different
    // versions must meet.
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const unsigned char c : simSocket) {
        hash = (hash ^ c) * 0x100000001b3ULL;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return program + "-sim-" + hex + ".lock";
}

platform::Result<std::string> UserInstanceLockPath() {
    platform::Result<std::string> folder = InstanceLockFolder();
    if (!folder.ok()) {
        return folder.error();
    }
    const char* sim = std::getenv(platform::kSimSocketVariable);
    return *folder + "/" + InstanceLockName(sim != nullptr ? sim : "");
}

bool InstanceLock::TryLock(const std::string& path) {
    if (IsLocked()) {
        return true;
    }
    // A file removed or replaced between its opening and its lock is no lock of the path: the
    // next start would make a new file and lock that one too. A few tries outlast a cleaner.
    constexpr int kTries = 8;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        platform::UniqueFd fd(
            ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!fd.valid()) {
            return false;
        }
        while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno != EINTR) {
                return false;
            }
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(fd.get(), &held) != 0) {
            return false;
        }
        if (::lstat(path.c_str(), &named) != 0 || named.st_dev != held.st_dev ||
            named.st_ino != held.st_ino) {
            continue;
        }
        // What an earlier holder announced is no longer true.
        [[maybe_unused]] const int emptied = ::ftruncate(fd.get(), 0);
        fd_ = std::move(fd);
        path_ = path;
        // A shared lock on the folder: systemd-tmpfiles skips a folder someone holds locked, so
        // the lock file is not aged away under a program that runs for weeks.
        const std::size_t slash = path.rfind('/');
        const std::string folder =
            slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
        folder_ = platform::UniqueFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folder_.valid() && ::flock(folder_.get(), LOCK_SH | LOCK_NB) != 0) {
            folder_.Reset();
        }
        return true;
    }
    return false;
}

void InstanceLock::Unlock() {
    if (fd_.valid()) {
        // The file goes while still locked, so that the folder keeps no lock file per virtual
        // mouse ever used. A start that opened it just before finds it no longer named by the
        // path once it gets the lock, and tries anew (TryLock).
        struct stat held {};
        struct stat named {};
        if (::fstat(fd_.get(), &held) == 0 && ::lstat(path_.c_str(), &named) == 0 &&
            named.st_dev == held.st_dev && named.st_ino == held.st_ino) {
            ::unlink(path_.c_str());
        }
    }
    fd_.Reset();
    folder_.Reset();
    path_.clear();
}

void InstanceLock::Announce(std::string_view state) {
    if (!IsLocked()) {
        return;
    }
    // Small enough to land in one write; a reader sees the old or the new text, or nothing.
    if (::ftruncate(fd_.get(), 0) == 0) {
        [[maybe_unused]] const ssize_t written = ::pwrite(fd_.get(), state.data(), state.size(), 0);
    }
}

std::string InstanceState(const std::string& lockPath) {
    platform::UniqueFd fd(::open(lockPath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid()) {
        return {};
    }
    char buffer[512];
    const ssize_t got = ::pread(fd.get(), buffer, sizeof buffer, 0);
    return got > 0 ? std::string(buffer, static_cast<std::size_t>(got)) : std::string();
}

std::string StateWithSocket(std::string_view state, const std::string& socketPath) {
    return std::string(state) + "\n" + socketPath;
}

std::string SocketOfInstance(std::string_view state) {
    const std::size_t end = state.find('\n');
    if (end == std::string_view::npos) {
        return {};
    }
    const std::string_view first = state.substr(0, end);
    if (first != kStartingState && first != kListeningState) {
        return {};
    }
    std::string_view socket = state.substr(end + 1);
    socket = socket.substr(0, socket.find('\n'));
    return std::string(socket);
}

platform::Result<void> CheckInstanceSocketPath(const std::string& path) {
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) {
        return platform::Error{platform::ErrorCode::kInvalidInput,
                               "the socket path " + path + " is " + std::to_string(path.size()) +
                                   " bytes long; a local socket takes at most " +
                                   std::to_string(sizeof address.sun_path - 1)};
    }
    return platform::Ok();
}

platform::Result<void> InstanceServer::Listen(const std::string& path) {
    if (IsListening()) {
        return platform::Ok();
    }
    sockaddr_un address{};
    if (!FillAddress(path, address)) {
        if (path.empty()) {
            return platform::Error{platform::ErrorCode::kInvalidInput, "no socket path"};
        }
        return CheckInstanceSocketPath(path);
    }
    platform::UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd.valid()) {
        const int error = errno;
        return platform::Error{platform::ErrorCode::kIoError,
                               std::string("no socket: ") + std::strerror(error), error};
    }
    // A file left by a program that ended without removing it. The lock is one per mouse, so a
    // program of this user for another mouse (a virtual one) may listen there: its socket stays.
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode)) {
        if (S_ISSOCK(status.st_mode) && ConnectToInstance(path).valid()) {
            return platform::Error{platform::ErrorCode::kUnavailable,
                                   "another ZEL_GMouse (for another mouse?) listens on " + path};
        }
        ::unlink(path.c_str());
    }
    const mode_t previous = ::umask(0077);
    const int bound = ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::umask(previous);
    if (bound != 0 || ::listen(fd.get(), 16) != 0) {
        const int error = errno;
        return platform::Error{platform::ErrorCode::kIoError, path + ": " + std::strerror(error),
                               error};
    }
    fd_ = std::move(fd);
    path_ = path;
    return platform::Ok();
}

platform::UniqueFd InstanceServer::Accept() {
    if (!IsListening()) {
        return {};
    }
    for (;;) {
        const int client = ::accept4(fd_.get(), nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0 || errno != EINTR) {
            return platform::UniqueFd(client);
        }
    }
}

void InstanceServer::Close() {
    if (fd_.valid()) {
        fd_.Reset();
        ::unlink(path_.c_str());
    }
}

platform::UniqueFd ConnectToInstance(const std::string& path) {
    sockaddr_un address{};
    if (!FillAddress(path, address)) {
        return {};
    }
    platform::UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
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
