#pragma once

// Writing a whole file so that a reader, or a program killed half-way, never sees a part of it:
// the bytes go into a new file in the target's folder (unnamed, O_TMPFILE, where the file
// system allows), are flushed to disk, and only then take the target's name.

#include <sys/types.h>

#include <filesystem>
#include <string_view>

#include "platform/outcome.h"

namespace zel::platform {

enum class Placement {
    kReplace,     // renamed over the target, which may exist
    kCreateOnly,  // linked in only where no target exists; an existing one is kept
};

// Owner and permission bits the new file takes; unset fields keep a new file's defaults
// (the running user, 0666 less the umask).
struct NewFileAttributes {
    bool setMode = false;
    mode_t mode = 0;
    bool setOwner = false;  // best effort: only a privileged run may give a file away
    uid_t uid = 0;
    gid_t gid = 0;
};

// Writes bytes beside target and puts them in its place: true when the target now holds them,
// false for an existing file kCreateOnly kept. On failure (a kIoError with the errno of the step
// that failed) no temporary stays and the target is untouched.
Result<bool> WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                                 Placement placement, const NewFileAttributes& attributes);

// Removes the temporary files (".NAME.tmp-PID-...") that writers of target left behind when
// they were killed between naming and placing their file: those of processes no longer running.
void RemoveStaleTemporaries(const std::filesystem::path& target);

}  // namespace zel::platform
