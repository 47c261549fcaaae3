#include "settings/ini_file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/unique_fd.h"
#include "settings/ini_file.h"

namespace zel::ini::detail {
namespace {

// The whole of a regular file of at most maxBytes into bytes; kNone when it was read, kMissing
// when there is no such file.
FileProblem ReadRegularFile(const std::filesystem::path& file, std::size_t maxBytes,
                            std::string& bytes) {
    bytes.clear();
    // Non-blocking, so that a FIFO or a device in the file's place cannot hang the open; the
    // type and the size are checked before anything is read, so a huge file costs nothing.
    platform::UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
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
    const FileProblem read = ReadRegularFile(file, kMaxChosenFileBytes, bytes);
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
    // The new file keeps an existing file's permission bits, and its owner where a privileged
    // run writes another user's file.
    platform::NewFileAttributes attributes;
    if (exists) {
        attributes.setMode = true;
        attributes.mode = existing.st_mode & 07777;
        attributes.setOwner = existing.st_uid != ::geteuid() || existing.st_gid != ::getegid();
        attributes.uid = existing.st_uid;
        attributes.gid = existing.st_gid;
    }
    const platform::Result<bool> written =
        platform::WriteFileAtomically(target, bytes, platform::Placement::kReplace, attributes);
    if (!written.ok()) {
        return FileResult::Failure(
            FileProblemOfErrno(written.error().systemError, /*writing=*/true));
    }
    return FileResult::Success();
}

void RemoveStaleTemporaries(const std::filesystem::path& target) {
    platform::RemoveStaleTemporaries(target);
}

}  // namespace zel::ini::detail
