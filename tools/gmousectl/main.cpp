// zel-gmousectl: the command-line tool for scripts. It parses the command line, then either
// hands the command to the running ZEL_GMouse of this user or carries it out itself on the
// same files (src/control holds the commands both run).

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "control/command_help.h"
#include "control/command_line.h"
#include "control/control_commands.h"
#include "forwarding.h"
#include "local_target.h"
#include "platform/app_paths.h"
#include "settings/config_files.h"
#include "settings/write_leftovers.h"

namespace {

using namespace zel;

void Print(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

int Finish(const control::ControlReply& reply) {
    Print(stdout, reply.out);
    std::fflush(stdout);
    Print(stderr, reply.err);
    return reply.status;
}

bool UsesTheMouse(const control::ParsedCommand& command) {
    using control::CommandKind;
    return command.kind == CommandKind::Profile || command.kind == CommandKind::Apply ||
           command.kind == CommandKind::Reset ||
           (command.kind == CommandKind::Set && command.apply);
}

// The files of --config-dir, or those the program uses. The names of the button functions come
// from the program's skins when the folder has none.
platform::AppPaths FilesFor(const control::ParsedCommand& command) {
    platform::AppPaths programs = platform::AppPaths::ForRunningExecutable(0);
    if (command.configDir.empty()) {
        programs.SetLanguage(settings::ReadEditionFlag(programs.configPath));
        return programs;
    }
    platform::AppPaths paths = platform::AppPaths::ForDirectory(command.configDir, 0);
    paths.SetLanguage(settings::ReadEditionFlag(paths.configPath));
    if (!std::filesystem::is_directory(paths.skinsDir)) {
        paths.skinsDir = programs.skinsDir;
    }
    return paths;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    control::ParseResult parsed = control::ParseCommandLine(args);
    if (!parsed.command) {
        Print(stderr, "zel-gmousectl: " + parsed.error + "\n");
        return control::kExitUsage;
    }
    control::ParsedCommand& command = *parsed.command;
    if (command.kind == control::CommandKind::Help) {
        Print(stdout, control::HelpText(command.helpTopic));
        return control::kExitDone;
    }
    if (command.kind == control::CommandKind::Version) {
        Print(stdout, control::VersionText());
        return control::kExitDone;
    }
    if (!command.configDir.empty()) {
        std::error_code error;
        const auto absolute = std::filesystem::weakly_canonical(command.configDir, error);
        if (error || !std::filesystem::is_directory(absolute)) {
            Print(stderr, "zel-gmousectl: " + command.configDir + ": no such folder\n");
            return control::kExitFailed;
        }
        command.configDir = absolute.string();
    }

    control::InstanceLock lock;
    const gmousectl::Forwarding forwarding =
        gmousectl::ForwardToProgram(command.words, command.configDir, lock);
    if (forwarding.reply) {
        return Finish(*forwarding.reply);
    }
    if (!forwarding.error.empty()) {
        Print(stderr, "zel-gmousectl: " + forwarding.error + "\n");
        return control::kExitFailed;
    }
    if (forwarding.elsewhere && UsesTheMouse(command)) {
        Print(stderr,
              "zel-gmousectl: ZEL_GMouse is running with the files of another folder and owns "
              "the mouse; leave out --config-dir or end it first\n");
        return control::kExitFailed;
    }
    gmousectl::LocalTarget local(FilesFor(command));
    settings::RemoveLeftoverWriteTemporaries(local.target().configPath.parent_path());
    return Finish(control::RunCommand(command, local.target()));
}
