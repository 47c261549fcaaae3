#pragma once

// Starting other programs: always directly by path with an argument vector, never through a
// shell, so no file or setting can smuggle in a command line.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zel::platform {

// The full path of the first regular, executable file called `name` in the colon-separated
// directory list (PATH when nullopt); empty when there is none. Empty and relative entries of
// the list are skipped, so nothing is ever run from the working directory.
std::string FindProgramOnPath(std::string_view name,
                              const std::optional<std::string>& searchPath = std::nullopt);

struct ProgramResult {
    bool started = false;  // the program could be executed
    bool exitedZero = false;
    bool timedOut = false;  // it was killed after the timeout
    std::string output;     // its standard output (at most 64 KiB)
};

// Runs argv[0] (a full path) with standard input and error on /dev/null, collects its standard
// output and waits at most timeoutMs; a program still running then is killed.
ProgramResult RunProgram(const std::vector<std::string>& argv, int timeoutMs);

// Starts argv[0] (a full path) in a session of its own, as a grandchild that is not left to this
// process to reap. True when the program was executed.
bool StartDetached(const std::vector<std::string>& argv);

// The programs behind the calculator and command-prompt button functions.
enum class HostProgram { Calculator, Terminal };

// The programs tried for each, in order.
std::span<const std::string_view> CandidatePrograms(HostProgram program);

class Launcher {
public:
    virtual ~Launcher() = default;
    // Starts the program; false (and nothing started) when none is available.
    virtual bool Start(HostProgram program) = 0;
};

// Starts the first candidate found on the search path, detached. When none can be started it
// writes one line on standard error.
class PathLauncher final : public Launcher {
public:
    explicit PathLauncher(std::optional<std::string> searchPath = std::nullopt)
        : searchPath_(std::move(searchPath)) {}
    bool Start(HostProgram program) override;

private:
    std::optional<std::string> searchPath_;
};

}  // namespace zel::platform
