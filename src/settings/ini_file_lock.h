#pragma once

// The lock that serialises every read-modify-replace of one INI file, between threads of this
// process and between processes that use this layer.

#include <filesystem>
#include <mutex>

#include "platform/unique_fd.h"

namespace zel::ini::detail {

// Held for the lifetime of the object. target must be a resolved path (ResolveWriteTarget),
// so that two spellings of one file share one lock.
class FileWriteLock {
public:
    explicit FileWriteLock(const std::filesystem::path& target);
    ~FileWriteLock();
    FileWriteLock(const FileWriteLock&) = delete;
    FileWriteLock& operator=(const FileWriteLock&) = delete;

private:
    std::unique_lock<std::mutex> threadLock_;
    platform::UniqueFd folder_;
};

}  // namespace zel::ini::detail
