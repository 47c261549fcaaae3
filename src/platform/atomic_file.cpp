#include "platform/atomic_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <system_error>

#include "platform/unique_fd.h"

namespace zel::platform {
namespace {

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
    return ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#else
    (void)folder;
    return -1;
#endif
}

// Gives an unnamed file the name `name`; false with errno set when that fails.
bool LinkUnnamedFile(int fd, const std::filesystem::path& name) {
    // Without privileges AT_EMPTY_PATH is refused; the descriptor's /proc link does it.
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0 ||
           ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// Links an unnamed file into target's folder under a fresh temporary name; empty on failure.
std::filesystem::path NameUnnamedFile(int fd, const std::filesystem::path& target) {
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path name = TemporaryName(target, attempt);
        if (LinkUnnamedFile(fd, name)) {
            return name;
        }
        if (errno != EEXIST) {
            return {};
        }
    }
    return {};
}

// A new named temporary beside target; -1 with errno set when none can be made.
int OpenNamedTemporary(const std::filesystem::path& target, std::filesystem::path& temporary) {
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        temporary = TemporaryName(target, attempt);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            if (fd < 0) {
                temporary.clear();
            }
            return fd;
        }
    }
    temporary.clear();
    errno = EIO;
    return -1;
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

struct WriteSteps {
    int error = 0;        // the errno of the step that failed; 0 when nothing failed
    bool placed = false;  // the target now holds the bytes (false for a kept existing file)
};

WriteSteps WriteAndPlace(const std::filesystem::path& target, std::string_view bytes,
                         Placement placement, const NewFileAttributes& attributes) {
    WriteSteps result;
    auto step = [&result](bool done) {
        if (!done && result.error == 0) {
            result.error = errno != 0 ? errno : EIO;
        }
        return done;
    };

    // The content goes into an unnamed file first, so that a crash while it is written and
    // flushed leaves nothing behind.
    std::filesystem::path temporary;
    int rawFd = OpenUnnamedFile(target.parent_path());
    if (rawFd < 0) {
        rawFd = OpenNamedTemporary(target, temporary);
        if (rawFd < 0) {
            result.error = errno;
            return result;
        }
    }
    const bool unnamed = temporary.empty();
    UniqueFd fd(rawFd);
    if (attributes.setOwner) {
        [[maybe_unused]] const int ignored = ::fchown(fd.get(), attributes.uid, attributes.gid);
    }
    bool ok = !attributes.setMode || ::fchmod(fd.get(), attributes.mode) == 0;
    ok = step(ok) && step(WriteAll(fd.get(), bytes)) && step(::fsync(fd.get()) == 0);

    if (placement == Placement::kCreateOnly) {
        // The file appears under the target's name whole or not at all; a target that appeared
        // meanwhile is kept.
        if (ok) {
            const bool linked = unnamed ? LinkUnnamedFile(fd.get(), target)
                                        : ::link(temporary.c_str(), target.c_str()) == 0;
            if (linked) {
                result.placed = true;
            } else {
                ok = errno == EEXIST || step(false);
            }
        }
        ok = step(fd.Close()) && ok;
        if (!temporary.empty()) {
            ::unlink(temporary.c_str());
        }
        if (!ok) {
            result.placed = false;
            return result;
        }
    } else {
        // The unnamed file gets a name only for the moment before the rename.
        if (ok && unnamed) {
            temporary = NameUnnamedFile(fd.get(), target);
            ok = step(!temporary.empty());
        }
        ok = step(fd.Close()) && ok;
        ok = ok && step(::rename(temporary.c_str(), target.c_str()) == 0);
        if (!ok) {
            if (!temporary.empty()) {
                ::unlink(temporary.c_str());
            }
            return result;
        }
        result.placed = true;
    }
    // Make the new name itself durable; the file is already in place if this fails.
    UniqueFd folder(::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) {
        ::fsync(folder.get());
    }
    return result;
}

}  // namespace

Result<bool> WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                                 Placement placement, const NewFileAttributes& attributes) {
    const WriteSteps steps = WriteAndPlace(target, bytes, placement, attributes);
    if (steps.error != 0) {
        return Error{ErrorCode::kIoError,
                     "cannot write " + target.string() + ": " + std::strerror(steps.error),
                     steps.error};
    }
    return steps.placed;
}

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

}  // namespace zel::platform
