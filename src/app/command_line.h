#pragma once

// The program's command line, read before anything else starts: --help and --version answer
// without touching the display, the mouse or the files; an option nobody knows is refused.

#include <string>

namespace zel::app {

struct CommandLine {
    enum class Action { RunWindowed, RunHeadless, PrintHelp, PrintVersion, Refuse };
    Action action = Action::RunWindowed;
    std::string refused;  // the argument that was not understood (Refuse)
};

// --headless, --help (-h), --version, and Qt's own options (-platform NAME, -display NAME,
// -style NAME, ...), which QApplication takes later. --help and --version win over the rest.
CommandLine ParseCommandLine(int argc, const char* const* argv);

std::string UsageText();
std::string VersionText();

// Prints what the action asks for and returns the exit status (0 for --help and --version,
// 2 with the usage on standard error for a refused argument); -1 when the program is to run.
int AnswerWithoutRunning(const CommandLine& line);

}  // namespace zel::app
