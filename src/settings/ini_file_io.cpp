#include "settings/ini_file_io.h"

#include <fcntl.h>
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

}  // namespace

ReadResult ReadWholeFile(const std::filesystem::path& file, std::string& bytes) {
    bytes.clear();
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        return errno == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return ReadResult::kFailed;
    }
    if (info.st_size > 0) {
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    }
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            bytes.clear();
            return ReadResult::kFailed;
        }
        if (got == 0) {
            return ReadResult::kRead;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

std::filesystem::path ResolveWriteTarget(const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::path target = std::filesystem::canonical(path, error);
    if (!error) {
        return target;
    }
    // Missing file (or a dangling link, which is then replaced by a file).
    std::filesystem::path parent = path.parent_path();
    if (parent.empty()) {
        parent = ".";
    }
    const std::filesystem::path folder = std::filesystem::canonical(parent, error);
    if (error || !std::filesystem::is_directory(folder, error) || path.filename().empty()) {
        return {};
    }
    return folder / path.filename();
}

bool ReplaceFileAtomically(const std::filesystem::path& target, std::string_view bytes) {
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        return false;
    }

    std::filesystem::path temporary;
    int rawFd = -1;
    for (unsigned attempt = 0; attempt < 100 && rawFd < 0; ++attempt) {
        temporary = TemporaryName(target, attempt);
        // 0666 less the umask, as for any new file; an existing file's mode is copied below.
        rawFd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (rawFd < 0 && errno != EEXIST) {
            return false;
        }
    }
    if (rawFd < 0) {
        return false;
    }
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
    ok = ok && WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    ok = fd.Close() && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    // Make the rename itself durable; the file is already replaced if this fails.
    FileDescriptor folder(::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) {
        ::fsync(folder.get());
    }
    return true;
}

}  // namespace zel::ini::detail
