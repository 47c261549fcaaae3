#include "platform/launcher.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/unique_fd.h"

extern char** environ;

namespace zel::platform {
namespace {

constexpr std::size_t kMaxOutput = 64 * 1024;
constexpr std::string_view kDefaultSearchPath = "/usr/local/bin:/usr/bin:/bin";

constexpr std::array<std::string_view, 5> kCalculators = {"gnome-calculator", "kcalc", "galculator",
                                                          "mate-calc", "xcalc"};
constexpr std::array<std::string_view, 5> kTerminals = {"x-terminal-emulator", "gnome-terminal",
                                                        "konsole", "xfce4-terminal", "xterm"};

// argv as the exec functions want it; the strings stay owned by the caller.
std::vector<char*> ArgvPointers(const std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    pointers.reserve(argv.size() + 1);
    for (const auto& arg : argv) {
        pointers.push_back(const_cast<char*>(arg.c_str()));
    }
    pointers.push_back(nullptr);
    return pointers;
}

pid_t WaitForChild(pid_t pid, int* status, int options) {
    pid_t result;
    do {
        result = ::waitpid(pid, status, options);
    } while (result < 0 && errno == EINTR);
    return result;
}

int RemainingMs(std::chrono::steady_clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Blocks until the child `pid` has exited or the deadline has passed, without reaping it; true
// when it exited. The process descriptor becomes readable at the exit, so the thread sleeps in
// poll() the whole time. Without pidfd_open (kernels before 5.3) a helper thread blocks in
// waitid() instead, again leaving the child for the caller to reap.
bool ExitsBefore(pid_t pid, std::chrono::steady_clock::time_point deadline) {
    // Through syscall(): glibc's own wrapper is declared without C linkage for C++.
    const UniqueFd pidfd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    if (pidfd.valid()) {
        int ready;
        do {
            pollfd exited{pidfd.get(), POLLIN, 0};
            ready = ::poll(&exited, 1, RemainingMs(deadline));
        } while (ready < 0 && errno == EINTR);
        return ready > 0;
    }
    std::mutex mutex;
    std::condition_variable changed;
    bool exited = false;
    std::thread waiter([&] {
        siginfo_t info{};
        int answer;
        do {
            answer = ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT);
        } while (answer < 0 && errno == EINTR);
        std::lock_guard lock(mutex);
        exited = true;
        changed.notify_all();
    });
    bool inTime;
    {
        std::unique_lock lock(mutex);
        inTime = changed.wait_until(lock, deadline, [&] { return exited; });
    }
    if (!inTime) {
        ::kill(pid, SIGKILL);  // still a child of ours: it ends and the waiter returns
    }
    waiter.join();
    return inTime;
}

}  // namespace

std::string FindProgramOnPath(std::string_view name, const std::optional<std::string>& searchPath) {
    if (name.empty() || name.find('/') != std::string_view::npos) {
        return {};
    }
    std::string_view list;
    if (searchPath) {
        list = *searchPath;
    } else if (const char* path = std::getenv("PATH")) {
        list = path;
    } else {
        list = kDefaultSearchPath;
    }
    while (true) {
        auto colon = list.find(':');
        std::string_view dir = list.substr(0, colon);
        if (!dir.empty() && dir.front() == '/') {
            std::string candidate(dir);
            if (candidate.back() != '/') {
                candidate += '/';
            }
            candidate += name;
            struct stat info {};
            if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
                ::access(candidate.c_str(), X_OK) == 0) {
                return candidate;
            }
        }
        if (colon == std::string_view::npos) {
            return {};
        }
        list.remove_prefix(colon + 1);
    }
}

ProgramResult RunProgram(const std::vector<std::string>& argv, int timeoutMs) {
    ProgramResult result;
    if (argv.empty() || argv[0].empty()) {
        return result;
    }
    std::optional<PipeEnds> output = OpenPipe();
    if (!output) {
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, output->write.get(), STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // The caller may block signals for a signalfd; the helper must not inherit that.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    auto args = ArgvPointers(argv);
    pid_t pid = -1;
    int spawnError =
        ::posix_spawn(&pid, argv[0].c_str(), &actions, &attributes, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    output->write.Reset();  // the helper holds the only write end: its exit ends the output
    if (spawnError != 0) {
        return result;
    }
    result.started = true;

    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::array<char, 4096> chunk;
    while (true) {
        pollfd readable{output->read.get(), POLLIN, 0};
        int ready = ::poll(&readable, 1, RemainingMs(deadline));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            break;  // timed out
        }
        ssize_t n = ::read(output->read.get(), chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;  // end of output
        }
        std::size_t room = kMaxOutput - std::min(kMaxOutput, result.output.size());
        result.output.append(chunk.data(), std::min(room, static_cast<std::size_t>(n)));
    }
    output->read.Reset();

    int status = 0;
    if (!ExitsBefore(pid, deadline)) {
        // Not reaped yet, so the number still names our child.
        ::kill(pid, SIGKILL);
        WaitForChild(pid, &status, 0);
        result.timedOut = true;
        return result;
    }
    if (WaitForChild(pid, &status, 0) == pid) {
        result.exitedZero = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    return result;
}

bool StartDetached(const std::vector<std::string>& argv) {
    if (argv.empty() || argv[0].empty()) {
        return false;
    }
    // Everything the children need is prepared here: between fork and exec only
    // async-signal-safe calls are allowed.
    auto args = ArgvPointers(argv);
    sigset_t none;
    sigemptyset(&none);
    std::optional<PipeEnds> errorPipe = OpenPipe();
    if (!errorPipe) {
        return false;
    }
    pid_t child = ::fork();
    if (child < 0) {
        return false;
    }
    if (child == 0) {
        errorPipe->read.Reset();
        ::setsid();
        pid_t grandchild = ::fork();
        if (grandchild != 0) {
            if (grandchild < 0) {
                int error = errno;
                [[maybe_unused]] auto ignored =
                    ::write(errorPipe->write.get(), &error, sizeof error);
            }
            ::_exit(0);
        }
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        // Without close-on-exec: when standard input was closed, this is it.
        UniqueFd devNull(::open("/dev/null", O_RDONLY));
        if (devNull.get() == STDIN_FILENO) {
            [[maybe_unused]] const int input = devNull.Release();
        } else if (devNull.valid()) {
            ::dup2(devNull.get(), STDIN_FILENO);
            devNull.Reset();
        }
        // Descriptors this process opened without close-on-exec stay with us.
        ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
        ::execv(args[0], args.data());
        int error = errno;
        [[maybe_unused]] auto ignored = ::write(errorPipe->write.get(), &error, sizeof error);
        ::_exit(127);
    }
    errorPipe->write.Reset();
    int status = 0;
    WaitForChild(child, &status, 0);
    // The pipe closes without data when exec succeeded.
    int error = 0;
    ssize_t n;
    do {
        n = ::read(errorPipe->read.get(), &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    return n == 0;
}

std::span<const std::string_view> CandidatePrograms(HostProgram program) {
    if (program == HostProgram::Calculator) {
        return kCalculators;
    }
    return kTerminals;
}

bool PathLauncher::Start(HostProgram program) {
    auto candidates = CandidatePrograms(program);
    for (auto name : candidates) {
        std::string path = FindProgramOnPath(name, searchPath_);
        if (!path.empty() && StartDetached({path})) {
            return true;
        }
    }
    std::string tried;
    for (auto name : candidates) {
        tried += tried.empty() ? "" : ", ";
        tried += name;
    }
    std::fprintf(stderr, "ZEL_GMouse: no %s to start was found on PATH (looked for %s)\n",
                 program == HostProgram::Calculator ? "calculator" : "terminal", tried.c_str());
    return false;
}

}  // namespace zel::platform
