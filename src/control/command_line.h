#pragma once

// The command line of zel-gmousectl, checked word by word before anything runs. The values of
// `set` are only split here; value_check.h checks them against the profile and the names.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/outcome.h"

namespace zel::control {

enum class CommandKind {
    Help,
    Version,
    List,
    Show,
    Profile,
    Apply,
    Set,
    Export,
    Import,
    Reset,
    MacrosList,
    MacrosShow,
    MacrosExport,
    MacrosImport,
};

struct SettingChange {
    std::string key;
    std::string value;
    friend bool operator==(const SettingChange&, const SettingChange&) = default;
};

struct ParsedCommand {
    CommandKind kind = CommandKind::Help;
    std::string configDir;        // --config-dir DIR; empty: the program's files
    std::optional<int> profile;   // --profile N, or the N of `profile N`
    bool json = false;            // show --json
    bool apply = false;           // set --apply
    bool discardUnsaved = false;  // --discard-unsaved: the window's unsaved edits may go
    std::vector<SettingChange> changes;
    std::string operand;             // FILE of export/import, NAME of macros show
    std::string helpTopic;           // the command --help was given for ("" for the whole tool)
    std::vector<std::string> words;  // the words after the global options, as given

    friend bool operator==(const ParsedCommand&, const ParsedCommand&) = default;
};

// The command, or what was wrong and what is allowed.
using ParseResult = platform::Result<ParsedCommand>;

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;  // the mouse or a file could not be used
inline constexpr int kExitUsage = 2;   // bad usage or a bad value
inline constexpr int kExitBusy = 3;    // the running program turned the command away unread

// The words after the program's name.
ParseResult ParseCommandLine(std::span<const std::string> args);

// The first word of each command, for help texts and completion.
std::string_view CommandName(CommandKind kind);

}  // namespace zel::control
