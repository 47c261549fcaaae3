// zel-gmousectl: the command-line tool for scripts. It parses the command line, then either
// hands the command to the running ZEL_GMouse of this user or carries it out itself on the
// same files (src/control holds the commands both run).

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "control/command_help.h"
#include "control/command_line.h"
#include "control/control_commands.h"
#include "control/instance_requests.h"
#include "forwarding.h"
#include "local_target.h"
#include "platform/app_paths.h"
#include "platform/session_bus.h"
#include "settings/config_files.h"
#include "settings/program_files.h"
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

// The files of --config-dir, or those the program uses, resolved as the program resolves them
// (beside the executable, or the shipped data and the user's folder, seeded on first use).
// The names of the button functions come from the program's skins when the folder has none.
// nullopt when no files can be named; the reason is printed.
std::optional<platform::AppPaths> FilesFor(const control::ParsedCommand& command) {
    const std::string exeDir = platform::ExecutableDirectory();
    if (command.configDir.empty()) {
        platform::Result<settings::ProgramFiles> files =
            settings::ResolveProgramFiles(exeDir, platform::UserEnvironment::FromProcess());
        if (!files.ok()) {
            Print(stderr, "zel-gmousectl: " + files.error().message + "\n");
            return std::nullopt;
        }
        if (!files->notice.empty()) {
            Print(stderr, "zel-gmousectl: " + files->notice + "\n");
        }
        return std::move(files->paths);
    }
    platform::AppPaths paths = platform::AppPaths::ForDirectory(command.configDir, 0);
    paths.SetLanguage(settings::EditionOfConfig(
        paths.configPath, platform::UserEnvironment::FromProcess().messagesLocale));
    if (!std::filesystem::is_directory(paths.skinsDir)) {
        paths.skinsDir = platform::SkinsDirIn(platform::DataDirOf(exeDir));
    }
    return paths;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    control::ParseResult parsed = control::ParseCommandLine(args);
    if (!parsed.ok()) {
        Print(stderr, "zel-gmousectl: " + parsed.error().message + "\n");
        return control::kExitUsage;
    }
    // An upload sets the desktop's pointer speed through gsettings, which would start a session
    // bus of its own where none runs.
    platform::KeepSessionBusFromAutolaunching();
    control::ParsedCommand& command = *parsed;
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

    // A FILE goes to the running program by its absolute name; alone, the tool names it the
    // same way, so that its messages do not depend on who carries the command out.
    std::error_code noFolder;
    if (const auto here = std::filesystem::current_path(noFolder); !noFolder) {
        control::MakeFileOperandAbsolute(command, here);
    }

    control::InstanceLock lock;
    const platform::Result<gmousectl::Forwarding> forwarded =
        gmousectl::ForwardToProgram(command.words, command.configDir, lock);
    if (!forwarded.ok()) {
        Print(stderr, "zel-gmousectl: " + forwarded.error().message + "\n");
        return control::kExitFailed;
    }
    const gmousectl::Forwarding& forwarding = *forwarded;
    if (forwarding.reply) {
        return Finish(*forwarding.reply);
    }
    if (forwarding.elsewhere && UsesTheMouse(command)) {
        Print(stderr,
              "zel-gmousectl: ZEL_GMouse is running with the files of another folder and owns "
              "the mouse; leave out --config-dir or end it first\n");
        return control::kExitFailed;
    }
    const std::optional<platform::AppPaths> files = FilesFor(command);
    if (!files) {
        return control::kExitFailed;
    }
    gmousectl::LocalTarget local(*files);
    settings::RemoveLeftoverWriteTemporaries(local.target().configPath.parent_path());
    return Finish(control::RunCommand(command, local.target()));
}
