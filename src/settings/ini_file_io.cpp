#include "settings/ini_file_io.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>
#include <system_error>

namespace zel::ini::detail {
namespace {

// Closes a descriptor on every path out of a function.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Closing can report a delayed write error, so the writer checks it.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// A name no other writer in this or another process picks at the same time; O_EXCL makes
// sure of it, the counter and clock only avoid retries.
std::filesystem::path TemporaryName(const std::filesystem::path& target, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    std::string name = ".";
    name += target.filename().string();
    name += ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
            std::to_string(static_cast<unsigned long long>(ticks) % 1000000007ULL + attempt);
    return target.parent_path() / name;
}

// An unnamed file in `folder` (O_TMPFILE); -1 where the file system does not offer them.
int OpenUnnamedFile(const std::filesystem::path& folder) {
#ifdef O_TMPFILE
    // 0666 less the umask, as for any new file; an existing file's mode is copied later.
    return ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#else
    (void)folder;
    return -1;
#endif
}

// Links an unnamed file into target's folder under a fresh temporary name; empty on failure.
std::filesystem::path NameUnnamedFile(int fd, const std::filesystem::path& target) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path name = TemporaryName(target, attempt);
        // Without privileges AT_EMPTY_PATH is refused; the descriptor's /proc link does it.
        if (::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0 ||
            ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            return name;
        }
        if (errno != EEXIST) {
            return {};
        }
    }
    return {};
}

// "<pid>" of ".<file>.tmp-<pid>-...", or 0 when `name` is not a temporary of `file`.
pid_t WriterOfTemporary(const std::string& name, const std::string& file) {
    const std::string prefix = "." + file + ".tmp-";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) {
        return 0;
    }
    long long pid = 0;
    std::size_t at = prefix.size();
    for (; at < name.size() && name[at] >= '0' && name[at] <= '9' && pid < (1LL << 31); ++at) {
        pid = pid * 10 + (name[at] - '0');
    }
    return at < name.size() && name[at] == '-' ? static_cast<pid_t>(pid) : 0;
}

}  // namespace

void RemoveStaleTemporaries(const std::filesystem::path& target) {
    std::error_code error;
    std::filesystem::directory_iterator entries(target.parent_path(), error);
    if (error) {
        return;
    }
    const std::string file = target.filename().string();
    for (const auto& entry : entries) {
        const pid_t writer = WriterOfTemporary(entry.path().filename().string(), file);
        // Only files of writers that are gone: a live writer may be about to rename its own.
        if (writer > 0 && ::kill(writer, 0) != 0 && errno == ESRCH) {
            ::unlink(entry.path().c_str());
        }
    }
}

namespace {

// The whole of a regular file of at most maxBytes into bytes; kNone when it was read, kMissing
// when there is no such file.
FileProblem ReadRegularFile(const std::filesystem::path& file, std::size_t maxBytes,
                            std::string& bytes) {
    bytes.clear();
    // Non-blocking, so that a FIFO or a device in the file's place cannot hang the open; the
    // type and the size are checked before anything is read, so a huge file costs nothing.
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) {
        return FileProblemOfErrno(errno, /*writing=*/false);
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        return FileProblem::kIoError;
    }
    if (!S_ISREG(info.st_mode)) {
        return S_ISDIR(info.st_mode) ? FileProblem::kFolder : FileProblem::kNotRegularFile;
    }
    if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
        return FileProblem::kTooLarge;
    }
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            bytes.clear();
            return FileProblem::kIoError;
        }
        if (got == 0) {
            return FileProblem::kNone;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
        if (bytes.size() > maxBytes) {  // it grew while it was read
            bytes.clear();
            return FileProblem::kTooLarge;
        }
    }
}

}  // namespace

ReadResult ReadWholeFile(const std::filesystem::path& file, std::string& bytes,
                         FileProblem* problem) {
    const FileProblem read = ReadRegularFile(file, bytes.max_size(), bytes);
    if (read == FileProblem::kNone || read == FileProblem::kMissing) {
        return read == FileProblem::kNone ? ReadResult::kRead : ReadResult::kMissing;
    }
    if (problem != nullptr) {
        *problem = read;
    }
    return ReadResult::kFailed;
}

FileResult ReadChosenFile(const std::filesystem::path& file, std::size_t maxBytes,
                          std::string& bytes) {
    bytes.clear();
    struct stat link {};
    struct stat target {};
    if (::lstat(file.c_str(), &link) == 0 && S_ISLNK(link.st_mode) &&
        ::stat(file.c_str(), &target) != 0 && errno == ENOENT) {
        return FileResult::Failure(FileProblem::kDanglingLink);
    }
    const FileProblem read = ReadRegularFile(file, maxBytes, bytes);
    return read == FileProblem::kNone ? FileResult::Success() : FileResult::Failure(read);
}

std::filesystem::path ResolveWriteTarget(const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::path target = std::filesystem::canonical(path, error);
    if (!error) {
        return target;
    }
    // A missing file, or a link to one: the links are followed by hand to the name they end
    // at, so that the write creates the link's target and the link stays.
    constexpr int kMaxLinks = 40;  // the kernel's own limit
    std::filesystem::path current = path;
    for (int links = 0;; ++links) {
        const auto status = std::filesystem::symlink_status(current, error);
        if (error || !std::filesystem::is_symlink(status)) {
            break;
        }
        if (links == kMaxLinks) {
            return {};
        }
        std::filesystem::path next = std::filesystem::read_symlink(current, error);
        if (error) {
            return {};
        }
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    std::filesystem::path parent = current.parent_path();
    if (parent.empty()) {
        parent = ".";
    }
    const std::filesystem::path name = current.filename();
    const std::filesystem::path folder = std::filesystem::canonical(parent, error);
    if (error || !std::filesystem::is_directory(folder, error) || name.empty() || name == "." ||
        name == "..") {
        return {};
    }
    return folder / name;
}

namespace {

// Whether the running user may change the file itself (not only rename over it).
bool MayWrite(const std::filesystem::path& file, const struct stat& info) {
    if (::geteuid() == 0) {
        // Root may write anything; a file without any write bit was meant to stay as it is.
        return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
    }
    return ::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) == 0;
}

}  // namespace

FileResult ReplaceFileAtomically(const std::filesystem::path& target, std::string_view bytes) {
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        return FileResult::Failure(S_ISDIR(existing.st_mode) ? FileProblem::kFolder
                                                             : FileProblem::kNotRegularFile);
    }
    if (exists && !MayWrite(target, existing)) {
        // The rename would succeed in a writable folder, but a file its owner write-protected
        // is never replaced.
        return FileResult::Failure(FileProblem::kWriteProtected);
    }
    int writeError = 0;  // the errno of the step that failed

    // The new content goes into an unnamed file first, so that a crash while it is written
    // and flushed leaves nothing behind; it gets a name only for the moment before the rename.
    FileDescriptor unnamed(OpenUnnamedFile(target.parent_path()));
    std::filesystem::path temporary;
    int rawFd = -1;
    if (unnamed.get() < 0) {
        for (unsigned attempt = 0; attempt < 100 && rawFd < 0; ++attempt) {
            temporary = TemporaryName(target, attempt);
            // 0666 less the umask, as for any new file; an existing file's mode is copied below.
            rawFd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (rawFd < 0 && errno != EEXIST) {
                return FileResult::Failure(FileProblemOfErrno(errno, /*writing=*/true));
            }
        }
        if (rawFd < 0) {
            return FileResult::Failure(FileProblem::kIoError);
        }
    } else {
        rawFd = unnamed.Release();
    }
    const bool named = !temporary.empty();
    FileDescriptor fd(rawFd);
    bool ok = true;
    if (exists) {
        // Best effort: ownership changes only succeed with privileges, which is exactly the
        // case (a privileged run) where they matter.
        if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) {
            [[maybe_unused]] const int ignored =
                ::fchown(fd.get(), existing.st_uid, existing.st_gid);
        }
        ok = ::fchmod(fd.get(), existing.st_mode & 07777) == 0;
    }
    auto step = [&writeError](bool done) {
        if (!done && writeError == 0) {
            writeError = errno;
        }
        return done;
    };
    ok = step(ok) && step(WriteAll(fd.get(), bytes)) && step(::fsync(fd.get()) == 0);
    if (ok && !named) {
        temporary = NameUnnamedFile(fd.get(), target);
        ok = step(!temporary.empty());
    }
    ok = step(fd.Close()) && ok;
    ok = ok && step(::rename(temporary.c_str(), target.c_str()) == 0);
    if (!ok) {
        if (!temporary.empty()) {
            ::unlink(temporary.c_str());
        }
        return FileResult::Failure(FileProblemOfErrno(writeError, /*writing=*/true));
    }
    // Make the rename itself durable; the file is already replaced if this fails.
    FileDescriptor folder(::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) {
        ::fsync(folder.get());
    }
    return FileResult::Success();
}

}  // namespace zel::ini::detail
