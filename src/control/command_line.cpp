#include "control/command_line.h"

#include "platform/whole_number.h"

namespace zel::control {
namespace {

constexpr int kFirstProfile = 1;
constexpr int kLastProfile = 5;

struct Cursor {
    std::span<const std::string> args;
    std::size_t next = 0;
    bool AtEnd() const { return next >= args.size(); }
    const std::string& Peek() const { return args[next]; }
    const std::string& Take() { return args[next++]; }
};

std::optional<int> ParseProfileNumber(std::string_view text) {
    const std::optional<int> value = platform::ParseWholeNumber<int>(text);
    if (!value || *value < kFirstProfile || *value > kLastProfile) {
        return std::nullopt;
    }
    return value;
}

platform::Error Fail(std::string text) {
    return {platform::ErrorCode::kInvalidInput, std::move(text)};
}

std::string BadProfile(std::string_view text) {
    return "bad profile number \"" + std::string(text) + "\": allowed are 1, 2, 3, 4 and 5";
}

bool IsHelp(std::string_view word) {
    return word == "--help" || word == "-h";
}

// What a command takes after its word: how many plain words (exactly), which options, and
// whether KEY=VALUE pairs (set).
struct Takes {
    std::size_t operands = 0;
    bool profile = false;         // --profile N
    bool json = false;            // --json
    bool apply = false;           // --apply
    bool pairs = false;           // KEY=VALUE ...
    bool discardUnsaved = false;  // --discard-unsaved
};

// Reads the options and operands that follow a command word.
ParseResult ParseRest(Cursor& cursor, ParsedCommand command, const Takes& takes) {
    const std::size_t operands = takes.operands;
    std::vector<std::string> plain;
    const std::string name(CommandName(command.kind));
    while (!cursor.AtEnd()) {
        const std::string& word = cursor.Take();
        if (takes.profile && (word == "--profile" || word.starts_with("--profile="))) {
            std::string value;
            if (word == "--profile") {
                if (cursor.AtEnd()) {
                    return Fail(name + ": --profile needs a number 1 ... 5");
                }
                value = cursor.Take();
            } else {
                value = word.substr(std::string_view("--profile=").size());
            }
            const auto number = ParseProfileNumber(value);
            if (!number) {
                return Fail(BadProfile(value));
            }
            command.profile = number;
        } else if (takes.json && word == "--json") {
            command.json = true;
        } else if (takes.apply && word == "--apply") {
            command.apply = true;
        } else if (takes.discardUnsaved && word == "--discard-unsaved") {
            command.discardUnsaved = true;
        } else if (word.starts_with("-") && word.size() > 1) {
            return Fail(name + ": unknown option " + word + " (see " + name + " --help)");
        } else if (takes.pairs) {
            const auto equals = word.find('=');
            if (equals == std::string::npos || equals == 0) {
                return Fail("set: \"" + word + "\" is not KEY=VALUE (see set --help for the keys)");
            }
            command.changes.push_back({word.substr(0, equals), word.substr(equals + 1)});
        } else {
            plain.push_back(word);
        }
    }
    if (takes.pairs && command.changes.empty()) {
        return Fail("set: give at least one KEY=VALUE (see set --help for the keys)");
    }
    if (plain.size() != operands) {
        return Fail(name + ": " +
                    (plain.size() < operands ? "missing operand"
                                             : "unexpected \"" + plain[operands] + "\"") +
                    " (see " + name + " --help)");
    }
    if (operands == 1) {
        command.operand = plain.front();
    }
    return command;
}

}  // namespace

std::string_view CommandName(CommandKind kind) {
    switch (kind) {
        case CommandKind::Help:
            return "help";
        case CommandKind::Version:
            return "--version";
        case CommandKind::List:
            return "list";
        case CommandKind::Show:
            return "show";
        case CommandKind::Profile:
            return "profile";
        case CommandKind::Apply:
            return "apply";
        case CommandKind::Set:
            return "set";
        case CommandKind::Export:
            return "export";
        case CommandKind::Import:
            return "import";
        case CommandKind::Reset:
            return "reset";
        case CommandKind::MacrosList:
        case CommandKind::MacrosShow:
        case CommandKind::MacrosExport:
        case CommandKind::MacrosImport:
            return "macros";
    }
    return "";
}

ParseResult ParseCommandLine(std::span<const std::string> args) {
    ParsedCommand command;
    Cursor cursor{args};

    // Global options before the command.
    while (!cursor.AtEnd() && cursor.Peek().starts_with("-")) {
        const std::string& word = cursor.Take();
        if (IsHelp(word)) {
            command.kind = CommandKind::Help;
            return command;
        }
        if (word == "--version") {
            command.kind = CommandKind::Version;
            return command;
        }
        if (word == "--config-dir" || word.starts_with("--config-dir=")) {
            std::string dir;
            if (word == "--config-dir") {
                if (cursor.AtEnd()) {
                    return Fail("--config-dir needs a folder");
                }
                dir = cursor.Take();
            } else {
                dir = word.substr(std::string_view("--config-dir=").size());
            }
            if (dir.empty()) {
                return Fail("--config-dir needs a folder");
            }
            command.configDir = std::move(dir);
            continue;
        }
        return Fail("unknown option " + word + " (see zel-gmousectl --help)");
    }
    if (cursor.AtEnd()) {
        return Fail("no command given (see zel-gmousectl --help)");
    }
    command.words.assign(args.begin() + static_cast<std::ptrdiff_t>(cursor.next), args.end());

    // --help anywhere after the command word asks for that command's help.
    const std::string word = cursor.Take();
    for (std::size_t i = cursor.next; i < args.size(); ++i) {
        if (IsHelp(args[i])) {
            command.kind = CommandKind::Help;
            command.helpTopic = word;
            return command;
        }
    }
    if (word == "help") {
        command.kind = CommandKind::Help;
        command.helpTopic = cursor.AtEnd() ? std::string() : cursor.Take();
        return command;
    }
    if (word == "list") {
        command.kind = CommandKind::List;
        return ParseRest(cursor, std::move(command), {});
    }
    if (word == "show") {
        command.kind = CommandKind::Show;
        return ParseRest(cursor, std::move(command), {.profile = true, .json = true});
    }
    if (word == "profile") {
        command.kind = CommandKind::Profile;
        ParseResult result =
            ParseRest(cursor, std::move(command), {.operands = 1, .discardUnsaved = true});
        if (result.ok()) {
            const auto number = ParseProfileNumber(result->operand);
            if (!number) {
                return Fail(BadProfile(result->operand));
            }
            result->profile = number;
            result->operand.clear();
        }
        return result;
    }
    if (word == "apply") {
        command.kind = CommandKind::Apply;
        return ParseRest(cursor, std::move(command), {});
    }
    if (word == "set") {
        command.kind = CommandKind::Set;
        return ParseRest(cursor, std::move(command),
                         {.profile = true, .apply = true, .pairs = true, .discardUnsaved = true});
    }
    if (word == "export" || word == "import") {
        const bool import = word == "import";
        command.kind = import ? CommandKind::Import : CommandKind::Export;
        return ParseRest(cursor, std::move(command),
                         {.operands = 1, .profile = true, .discardUnsaved = import});
    }
    if (word == "reset") {
        command.kind = CommandKind::Reset;
        return ParseRest(cursor, std::move(command), {.discardUnsaved = true});
    }
    if (word == "macros") {
        if (cursor.AtEnd()) {
            return Fail("macros: give list, show NAME, export FILE or import FILE");
        }
        const std::string sub = cursor.Take();
        if (sub == "list") {
            command.kind = CommandKind::MacrosList;
            return ParseRest(cursor, std::move(command), {});
        }
        if (sub == "show" || sub == "export" || sub == "import") {
            command.kind = sub == "show"     ? CommandKind::MacrosShow
                           : sub == "export" ? CommandKind::MacrosExport
                                             : CommandKind::MacrosImport;
            return ParseRest(cursor, std::move(command),
                             {.operands = 1, .discardUnsaved = sub == "import"});
        }
        return Fail("macros: unknown \"" + sub +
                    "\": give list, show NAME, export FILE or import FILE");
    }
    return Fail("unknown command \"" + word +
                "\": the commands are list, show, profile, apply, set, export, import, reset and "
                "macros (see zel-gmousectl --help)");
}

}  // namespace zel::control
