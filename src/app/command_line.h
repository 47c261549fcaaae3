#pragma once

// The program's command line, read before anything else starts: --help and --version answer
// without touching the display, the mouse or the files; an option nobody knows is refused.

#include <functional>
#include <string>

namespace zel::app {

struct CommandLine {
    enum class Action { RunWindowed, RunHeadless, PrintHelp, PrintVersion, Refuse };
    Action action = Action::RunWindowed;
    std::string refused;         // the argument that was not understood (Refuse)
    bool platformNamed = false;  // -platform NAME or -display NAME chose where the window goes
};

// --headless, --help (-h), --version, and Qt's own options (-platform NAME, -display NAME,
// -style NAME, ...), which QApplication takes later. --help and --version win over the rest.
CommandLine ParseCommandLine(int argc, const char* const* argv);

std::string UsageText();
std::string VersionText();

// Whether a window start has nowhere to show its window: no DISPLAY, no WAYLAND_DISPLAY, no
// QT_QPA_PLATFORM and no -platform or -display option. `getEnv` reads the environment.
bool LacksDesktopSession(const CommandLine& line,
                         const std::function<const char*(const char*)>& getEnv);
// What the program says then, before it ends with status 1.
std::string NoDesktopSessionText();

// Prints what the action asks for and returns the exit status (0 for --help and --version,
// 2 with the usage on standard error for a refused argument); -1 when the program is to run.
int AnswerWithoutRunning(const CommandLine& line);

}  // namespace zel::app
