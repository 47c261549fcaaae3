// File-level reads and writes of INI files: every write re-reads the file under its lock,
// applies the change to the parsed document and replaces the file atomically.

#include "settings/ini_file.h"

#include <utility>

#include "settings/ini_file_io.h"
#include "settings/ini_file_lock.h"

namespace zel::ini {

std::string ReadString(const std::filesystem::path& file, std::string_view section,
                       std::string_view key, std::size_t bufferSize) {
    return IniDocument::Load(file).Get(section, key, bufferSize);
}

bool WriteString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view value) {
    IniWriteBatch batch(file);
    batch.Write(section, key, value);
    return batch.Commit();
}

void RemoveStaleWriteTemporaries(const std::filesystem::path& file) {
    const std::filesystem::path target = detail::ResolveWriteTarget(file);
    if (!target.empty()) {
        detail::RemoveStaleTemporaries(target);
    }
}

IniWriteBatch::IniWriteBatch(std::filesystem::path file) : file_(std::move(file)) {}

void IniWriteBatch::Write(std::string_view section, std::string_view key, std::string_view value) {
    writes_.push_back({std::string(section), std::string(key), std::string(value)});
}

bool IniWriteBatch::Commit() {
    if (writes_.empty()) {
        return true;
    }
    const std::filesystem::path target = detail::ResolveWriteTarget(file_);
    if (target.empty()) {
        return false;
    }
    const detail::FileWriteLock lock(target);
    std::string before;
    const detail::ReadResult read = detail::ReadWholeFile(target, before);
    if (read == detail::ReadResult::kFailed) {
        return false;  // never replace a file we could not read: its content would be lost
    }
    IniDocument document = IniDocument::Parse(before);
    for (const PendingWrite& write : writes_) {
        if (!document.Set(write.section, write.key, write.value)) {
            return false;
        }
    }
    const std::string after = document.Serialize();
    if (read == detail::ReadResult::kRead && after == before) {
        writes_.clear();
        return true;
    }
    if (!detail::ReplaceFileAtomically(target, after)) {
        return false;
    }
    writes_.clear();
    return true;
}

}  // namespace zel::ini
