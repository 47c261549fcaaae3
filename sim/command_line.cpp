#include "sim/command_line.h"

#include <algorithm>
#include <optional>

#include "platform/whole_number.h"

namespace zel::sim {
namespace {

CommandLine Error(std::string text) {
    CommandLine line;
    line.error = std::move(text);
    return line;
}

bool ParseLength(std::string_view text, std::size_t* value) {
    const std::optional<std::size_t> length = platform::ParseWholeNumber<std::size_t>(text);
    if (!length) {
        return false;
    }
    *value = *length;
    return true;
}

// Takes "--name VALUE" or "--name=VALUE" at args[i]; advances i past the value.
bool TakeValue(std::span<const std::string> args, std::size_t& i, std::string_view name,
               std::string* value, std::string* error) {
    const std::string& arg = args[i];
    if (arg == name) {
        if (i + 1 >= args.size()) {
            *error = std::string(name) + " needs a value";
            return true;
        }
        *value = args[++i];
        return true;
    }
    if (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=') {
        *value = arg.substr(name.size() + 1);
        return true;
    }
    return false;
}

CommandLine ParseServe(std::span<const std::string> args) {
    CommandLine line;
    line.mode = CommandLine::Mode::Serve;
    std::string value;
    std::string error;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::size_t* length = nullptr;
        if (TakeValue(args, i, "--socket", &line.serve.socketPath, &error) ||
            TakeValue(args, i, "--log", &line.logPath, &error)) {
            // taken
        } else if (TakeValue(args, i, "--feature-len", &value, &error)) {
            length = &line.serve.lengths.feature;
        } else if (TakeValue(args, i, "--input-len", &value, &error)) {
            length = &line.serve.lengths.input;
        } else if (args[i] == "--unplugged") {
            line.serve.startUnplugged = true;
        } else if (args[i] == "--uhid") {
            line.uhid = true;
        } else if (args[i] == "--help" || args[i] == "-h") {
            return CommandLine{};
        } else {
            return Error("serve: unknown argument '" + args[i] + "'");
        }
        if (!error.empty()) {
            return Error("serve: " + error);
        }
        if (length != nullptr && !ParseLength(value, length)) {
            return Error("serve: '" + value + "' is not a report length");
        }
    }
    if (line.serve.socketPath.empty() && !line.uhid) {
        return Error("serve: --socket PATH is required");
    }
    if (std::string problem = CheckReportLengths(line.serve.lengths); !problem.empty()) {
        return Error("serve: " + problem);
    }
    if (line.logPath.empty() && std::any_of(args.begin(), args.end(), [](const std::string& a) {
            return a == "--log" || a.starts_with("--log=");
        })) {
        return Error("serve: --log needs a file name");
    }
    return line;
}

CommandLine ParseSend(std::span<const std::string> args) {
    CommandLine line;
    line.mode = CommandLine::Mode::Send;
    std::string words;
    std::string error;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (words.empty() && TakeValue(args, i, "--socket", &line.socketPath, &error)) {
            if (!error.empty()) {
                return Error("send: " + error);
            }
            continue;
        }
        if (words.empty() && (args[i] == "--help" || args[i] == "-h")) {
            return CommandLine{};
        }
        if (words.empty() && args[i].starts_with("--")) {
            return Error("send: unknown option '" + args[i] + "'");
        }
        words += (words.empty() ? "" : " ") + args[i];
    }
    if (line.socketPath.empty()) {
        return Error("send: --socket PATH is required");
    }
    ControlCommandParse parsed = ParseControlCommand(words);
    if (!parsed.command) {
        return Error("send: " + parsed.error);
    }
    line.command = std::move(*parsed.command);
    return line;
}

}  // namespace

CommandLine ParseCommandLine(std::span<const std::string> args) {
    if (args.empty()) {
        return Error("no mode given");
    }
    const std::string& mode = args[0];
    if (mode == "--help" || mode == "-h" || mode == "help") {
        return CommandLine{};
    }
    if (mode == "serve") {
        return ParseServe(args.subspan(1));
    }
    if (mode == "send") {
        return ParseSend(args.subspan(1));
    }
    return Error("unknown mode '" + mode + "' (serve or send)");
}

std::string UsageText() {
    return "Usage:\n"
           "  zel-mouse-sim serve --socket PATH [--log FILE] [--feature-len N] [--input-len N]\n"
           "                      [--unplugged]\n"
           "  zel-mouse-sim serve --uhid [--socket PATH] [--log FILE] [--feature-len N]\n"
           "                      [--input-len N] [--unplugged]\n"
           "  zel-mouse-sim send --socket PATH COMMAND\n"
           "\n"
           "serve runs the virtual mouse on the Unix socket PATH until 'quit', SIGINT or\n"
           "SIGTERM; the event log (JSON Lines) goes to FILE or standard output. Report lengths\n"
           "(report ID included) default to 8; --unplugged starts with the mouse absent.\n"
           "With --uhid the mouse is a USB HID device of the running kernel, made through\n"
           "/dev/uhid (needs the uhid module and write access to /dev/uhid), which programs\n"
           "find on a hidraw node; PATH then carries control commands only.\n"
           "\n"
           "COMMAND: press N | release N | click N (buttons 1..6) | input HEX | unplug | plug |\n"
           "         state | quit\n"
           "\n"
           "send exits 0 when the command was carried out, 1 when the simulator refused it,\n"
           "2 on a bad command line, 3 when no simulator answered.\n";
}

}  // namespace zel::sim
