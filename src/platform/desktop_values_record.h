#pragma once

// The user's own desktop values (pointer speed, wheel lines), kept in a file of the user's state
// folder by every program of that user that changes them: the window, the headless run and
// zel-gmousectl working alone. The file outlives a kill, so the next program still knows the
// user's value when the desktop shows a profile's. One line per entry, "KEY=VALUE":
//   SETTING.user  the user's own value, as the desktop's text, from before any program changed it
//   SETTING.set   the values the programs set, the newest first (two: a kill may fall between
//                 noting a value here and the desktop's write of it)
//   SETTING.told  the user was told once that this desktop has no such setting
// A program that changes a value joins the run (a shared lock held until it ends); the end of
// the last program of the run gives the user's values back and drops them from the file. Every
// change of the file is one atomic replacement under an exclusive lock.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/unique_fd.h"

namespace zel::platform {

// Whether two of the desktop's numbers are the same value ("0.2" and "0.20000000000000001").
bool SameDesktopValue(std::string_view a, std::string_view b);

class DesktopValuesRecord {
public:
    // One setting as the file holds it.
    struct Entry {
        std::string user;
        std::vector<std::string> set;  // newest first
    };
    // Called at the end of the last program with a recorded setting; true when it is settled
    // (given back, or left as the user changed it), and it is then dropped from the file.
    using Settle = std::function<bool(std::string_view key, const Entry& entry)>;

    // `folder`: the user's state folder, made when missing; empty: nothing is kept (every call
    // then does nothing).
    explicit DesktopValuesRecord(std::filesystem::path folder);
    ~DesktopValuesRecord() = default;  // leaves the run
    DesktopValuesRecord(const DesktopValuesRecord&) = delete;
    DesktopValuesRecord& operator=(const DesktopValuesRecord&) = delete;

    bool enabled() const { return !folder_.empty(); }
    const std::filesystem::path& path() const { return path_; }

    // Before this program's first change of `key`: joins the run and returns the user's own
    // value. That is the recorded one while the desktop (`desktopNow`) still shows a value a
    // program set; otherwise the desktop's value now, the user's latest choice, which is
    // recorded. nullopt when neither is known.
    std::optional<std::string> TakeUsersValue(std::string_view key,
                                              const std::optional<std::string>& desktopNow);
    // Before the desktop is given `value` for `key`.
    void NoteSet(std::string_view key, const std::string& value);
    // The end of this program: when no other program of the run is left (a killed one counts
    // as gone), `settle` is called for each recorded setting, with the file locked. Returns
    // whether this was the last program; nullopt when the folder cannot be used (nothing was
    // recorded either: the caller gives back what it knows itself).
    std::optional<bool> EndRun(const Settle& settle);
    // True the first time for `key` of all runs of the user (and always when nothing can be
    // kept): the caller then says what it has to say once.
    bool FirstTelling(std::string_view key);

private:
    std::filesystem::path folder_;
    std::filesystem::path path_;
    UniqueFd run_;  // the shared lock of the run, while this program takes part
};

}  // namespace zel::platform
