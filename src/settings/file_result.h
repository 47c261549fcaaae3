#pragma once

// The outcome of reading or writing one file, with the reason when it failed, so that a message
// can tell the user what to fix (a read-only folder, a full disk) rather than only that it failed.

#include <cstdint>
#include <string>
#include <string_view>

namespace zel::ini {

enum class FileProblem {
    kNone,
    kMissing,             // no such file
    kDanglingLink,        // a symbolic link whose target does not exist
    kFolder,              // a folder where a file was expected
    kNotRegularFile,      // a FIFO, device or socket where a file was expected
    kNoPermission,        // the running user may not read the file
    kTooLarge,            // larger than the program reads
    kNoFolder,            // the folder that should hold the file does not exist
    kReadOnlyFolder,      // no new file may be made in the folder
    kReadOnlyFileSystem,  // the file system is mounted read-only
    kDiskFull,            // no space (or no quota) left
    kWriteProtected,      // the file itself is write-protected
    kUnstorableValue,     // a value that would not read back as written
    kIoError,             // anything else the system reported
};

struct FileResult {
    FileProblem problem = FileProblem::kNone;
    std::string reason;  // what went wrong, in English; empty when nothing did

    bool ok() const { return problem == FileProblem::kNone; }
    static FileResult Success() { return {}; }
    static FileResult Failure(FileProblem problem);
};

// The words for a problem, from the text catalog: English when languageFlag is non-zero, else
// Spanish.
std::string_view FileProblemText(FileProblem problem, std::int32_t languageFlag = 1);

// The problem an errno of a read (writing false) or a write (writing true) stands for.
FileProblem FileProblemOfErrno(int error, bool writing);

}  // namespace zel::ini
