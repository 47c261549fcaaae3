#include "settings/ini_file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <string>

namespace zel::ini::detail {
namespace {

// One mutex per file for the whole process. A file is a process-wide resource, so its lock
// is too; entries are never removed, which keeps every mutex alive while anyone may hold it
// (a program writes a handful of files).
std::mutex& ThreadMutexFor(const std::filesystem::path& target) {
    static std::mutex registryMutex;
    static std::map<std::string, std::mutex> mutexes;
    const std::lock_guard guard(registryMutex);
    return mutexes[target.string()];
}

}  // namespace

// Between processes the lock is an flock on the folder that holds the file. The file itself
// cannot carry it: each write renames a new inode over it, so a writer that waited on the old
// inode would then hold a lock nobody else looks at. The folder's inode survives every rename,
// needs no extra lock file beside the user's files, and can be opened even where the folder is
// read-only. It serialises writers of other files in the same folder too, which costs nothing
// for writes that take milliseconds. Where the file system refuses flock, writers of this
// process stay serialised by the mutex and the rename still keeps every file whole.
FileWriteLock::FileWriteLock(const std::filesystem::path& target)
    : threadLock_(ThreadMutexFor(target)) {
    folder_.Reset(::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    while (folder_.valid() && ::flock(folder_.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            folder_.Reset();
        }
    }
}

// Closing the folder releases the flock; the mutex goes after it (members go in reverse).
FileWriteLock::~FileWriteLock() = default;

}  // namespace zel::ini::detail
