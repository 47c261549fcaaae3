#pragma once

// Whole-file reads and atomic replacement of a file, for the INI layer.

#include <filesystem>
#include <string>
#include <string_view>

#include "settings/file_result.h"

namespace zel::ini::detail {

enum class ReadResult {
    kRead,     // bytes holds the file
    kMissing,  // no such file: a write may create it
    kFailed,   // exists but cannot be read (not a regular file, no permission, too large, I/O
               // error)
};

// A file of at most kMaxChosenFileBytes; a larger one is refused (kFailed, kTooLarge) before
// any of it is read. `problem`, when given, receives why a kFailed read failed.
ReadResult ReadWholeFile(const std::filesystem::path& file, std::string& bytes,
                         FileProblem* problem = nullptr);

// Reads a file the user named (an import): what is missing, not a readable regular file, or
// larger than maxBytes is refused with its reason before any of it is read.
FileResult ReadChosenFile(const std::filesystem::path& file, std::size_t maxBytes,
                          std::string& bytes);

// The file a write to path must replace: the target of a symbolic link (so the link stays a
// link, also when its target does not exist yet, as editors write through a link), otherwise
// the path made absolute with its folder resolved. Empty when the folder does not exist or the
// links go round in a loop.
std::filesystem::path ResolveWriteTarget(const std::filesystem::path& path);

// Writes bytes to a new file in the same folder, flushes it to disk and renames it over target,
// so a reader sees either the old or the new file, never a part. The new file stays unnamed
// (O_TMPFILE) until just before the rename where the file system allows it. An existing file's
// permission bits are kept. A file the running user may not write (for root: one without any
// write bit) is not replaced. On any failure the temporary file is removed, target is untouched
// and the result names the reason.
FileResult ReplaceFileAtomically(const std::filesystem::path& target, std::string_view bytes);

// Removes the temporary files that writers of target left behind when they were killed before
// their rename: those of processes that no longer run.
void RemoveStaleTemporaries(const std::filesystem::path& target);

}  // namespace zel::ini::detail
