#include "sim/control_command.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "platform/hex_text.h"
#include "platform/whole_number.h"
#include "sim/hex.h"
#include "sim/mouse_model.h"

namespace zel::sim {
namespace {

struct Word {
    std::string_view name;
    ControlCommand::Kind kind;
    enum class Argument { None, Button, Hex } argument;
};

constexpr std::array<Word, 8> kWords{{
    {"press", ControlCommand::Kind::Press, Word::Argument::Button},
    {"release", ControlCommand::Kind::Release, Word::Argument::Button},
    {"click", ControlCommand::Kind::Click, Word::Argument::Button},
    {"input", ControlCommand::Kind::Input, Word::Argument::Hex},
    {"unplug", ControlCommand::Kind::Unplug, Word::Argument::None},
    {"plug", ControlCommand::Kind::Plug, Word::Argument::None},
    {"state", ControlCommand::Kind::State, Word::Argument::None},
    {"quit", ControlCommand::Kind::Quit, Word::Argument::None},
}};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// At most 40 characters, anything but printable ASCII shown as '?'.
std::string Printable(std::string_view text) {
    std::string out(text.substr(0, 40));
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
            c = '?';
        }
    }
    return out;
}

ControlCommandParse Fail(std::string error) {
    return {std::nullopt, std::move(error)};
}

}  // namespace

ControlCommandParse ParseControlCommand(std::string_view text) {
    text = Trim(text);
    const auto blank = std::find_if(text.begin(), text.end(), IsBlank);
    const auto end = static_cast<std::size_t>(blank - text.begin());
    const std::string name = Lower(text.substr(0, end));
    const std::string_view argument = Trim(text.substr(end));
    if (name.empty()) {
        return Fail("no command given");
    }
    const auto word =
        std::find_if(kWords.begin(), kWords.end(), [&](const Word& w) { return w.name == name; });
    if (word == kWords.end()) {
        return Fail("unknown command '" + Printable(text.substr(0, end)) +
                    "' (commands: press N, release N, click N, input HEX, unplug, plug, state, "
                    "quit)");
    }

    ControlCommand command;
    command.kind = word->kind;
    switch (word->argument) {
        case Word::Argument::None:
            if (!argument.empty()) {
                return Fail(name + " takes no argument");
            }
            break;
        case Word::Argument::Button: {
            const int button = platform::ParseWholeNumber<int>(argument).value_or(0);
            if (button < 1 || button > kButtonCount) {
                return Fail(name + " needs a button number 1..6");
            }
            command.button = button;
            break;
        }
        case Word::Argument::Hex: {
            HexParseResult parsed = ParseHex(argument, kMaxReportLength);
            if (!parsed.ok()) {
                return Fail("input needs the report as hex bytes: " + parsed.error);
            }
            command.bytes = std::move(parsed.bytes);
            break;
        }
    }
    return {command, {}};
}

std::string FormatControlCommand(const ControlCommand& command) {
    for (const Word& word : kWords) {
        if (word.kind != command.kind) {
            continue;
        }
        std::string text(word.name);
        if (word.argument == Word::Argument::Button) {
            text += " " + std::to_string(command.button);
        } else if (word.argument == Word::Argument::Hex) {
            text += " " + platform::HexBytes(command.bytes);
        }
        return text;
    }
    return {};
}

}  // namespace zel::sim
