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

bool IniWriteBatch::ApplyTo(IniDocument& document) const {
    IniDocument changed = document;
    for (const PendingWrite& write : writes_) {
        if (!changed.Set(write.section, write.key, write.value)) {
            return false;
        }
    }
    document = std::move(changed);
    return true;
}

bool IniWriteBatch::Commit() {
    return CommitWithReason().ok();
}

FileResult IniWriteBatch::CommitWithReason() {
    if (writes_.empty()) {
        return FileResult::Success();
    }
    const std::filesystem::path target = detail::ResolveWriteTarget(file_);
    if (target.empty()) {
        return FileResult::Failure(FileProblem::kNoFolder);
    }
    const detail::FileWriteLock lock(target);
    std::string before;
    FileProblem unreadable = FileProblem::kIoError;
    const detail::ReadResult read = detail::ReadWholeFile(target, before, &unreadable);
    if (read == detail::ReadResult::kFailed) {
        // never replace a file we could not read: its content would be lost
        return FileResult::Failure(unreadable);
    }
    IniDocument document = IniDocument::Parse(before);
    if (!ApplyTo(document)) {
        return FileResult::Failure(FileProblem::kUnstorableValue);
    }
    const std::string after = document.Serialize();
    if (read == detail::ReadResult::kRead && after == before) {
        writes_.clear();
        return FileResult::Success();
    }
    FileResult replaced = detail::ReplaceFileAtomically(target, after);
    if (replaced.ok()) {
        writes_.clear();
    }
    return replaced;
}

FileResult IniDocument::LoadChosen(const std::filesystem::path& file, IniDocument& document) {
    std::string bytes;
    FileResult read = detail::ReadChosenFile(file, kMaxChosenFileBytes, bytes);
    if (read.ok()) {
        document = Parse(bytes);
    }
    return read;
}

FileResult IniDocument::LoadExisting(const std::filesystem::path& file, IniDocument& document) {
    std::string bytes;
    FileProblem problem = FileProblem::kIoError;
    switch (detail::ReadWholeFile(file, bytes, &problem)) {
        case detail::ReadResult::kRead:
            document = Parse(bytes);
            return FileResult::Success();
        case detail::ReadResult::kMissing:
            document = IniDocument();
            return FileResult::Success();
        case detail::ReadResult::kFailed:
            break;
    }
    return FileResult::Failure(problem);
}

}  // namespace zel::ini
