#include "platform/launcher.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace zel::platform {
namespace {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "zel-launcher-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

void WriteScript(const fs::path& file, const std::string& body, bool executable = true) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(file, executable ? fs::perms::owner_all : fs::perms::owner_read);
}

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Waits (bounded) for a file that a detached program writes.
std::string WaitForFile(const fs::path& file) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        std::string text = ReadFile(file);
        if (!text.empty() && text.back() == '\n') {
            return text;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return {};
}

TEST(FindProgramOnPath, SearchesOnlyAbsoluteDirectoriesForExecutableFiles) {
    TempDir temp;
    const fs::path first = temp.path() / "first";
    const fs::path second = temp.path() / "second";
    WriteScript(first / "notexec", "true", false);
    WriteScript(second / "notexec", "true");
    fs::create_directories(first / "isdir");
    WriteScript(second / "isdir", "true");
    WriteScript(first / "both", "true");
    WriteScript(second / "both", "true");
    WriteScript(second / "only", "true");

    const std::string list = ":relative:" + first.string() + ":" + second.string() + "/";
    struct Case {
        const char* name;
        fs::path expected;
    } cases[] = {
        {"notexec", second / "notexec"},  // not executable in the first directory
        {"isdir", second / "isdir"},      // a directory is no program
        {"both", first / "both"},         // the first directory wins
        {"only", second / "only"},
        {"missing", {}},
        {"", {}},
        {"second/only", {}},  // names with a slash are not looked up
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindProgramOnPath(c.name, list), c.expected.string()) << c.name;
    }

    // A relative or empty entry would mean the working directory: never searched.
    auto oldCwd = fs::current_path();
    fs::current_path(second);
    EXPECT_EQ(FindProgramOnPath("only", std::string(":.:relative")), "");
    fs::current_path(oldCwd);
}

TEST(RunProgram, CollectsOutputAndExitStatus) {
    auto ok = RunProgram({"/bin/echo", "hello", "world"}, 5000);
    EXPECT_TRUE(ok.started);
    EXPECT_TRUE(ok.exitedZero);
    EXPECT_FALSE(ok.timedOut);
    EXPECT_EQ(ok.output, "hello world\n");

    auto failing = RunProgram({"/bin/false"}, 5000);
    EXPECT_TRUE(failing.started);
    EXPECT_FALSE(failing.exitedZero);

    auto missing = RunProgram({"/nonexistent/program"}, 5000);
    EXPECT_FALSE(missing.started);
    EXPECT_FALSE(RunProgram({}, 5000).started);
}

TEST(RunProgram, KillsAProgramThatOutlivesTheTimeout) {
    auto start = std::chrono::steady_clock::now();
    auto result = RunProgram({"/bin/sleep", "30"}, 100);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(result.started);
    EXPECT_TRUE(result.timedOut);
    EXPECT_FALSE(result.exitedZero);
    EXPECT_LT(took, std::chrono::seconds(10));  // bound only: the program was not waited out
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);  // reaped: no zombie left
    EXPECT_EQ(errno, ECHILD);
}

// The wait for the program's exit sleeps in the kernel until the exit or the deadline: it does
// not wake up again and again while a program that closed its output keeps running.
TEST(RunProgram, WaitsForTheExitWithoutWakingUpRepeatedly) {
    const auto switchesSoFar = [] {
        rusage usage{};
        ::getrusage(RUSAGE_THREAD, &usage);
        return usage.ru_nvcsw;
    };
    const long before = switchesSoFar();
    auto finishing = RunProgram({"/bin/sh", "-c", "exec >&-; sleep 0.3"}, 5000);
    const long wakeUps = switchesSoFar() - before;
    EXPECT_TRUE(finishing.exitedZero);
    EXPECT_FALSE(finishing.timedOut);
    EXPECT_LT(wakeUps, 30);  // a 1 ms polling loop makes about 300

    auto lingering = RunProgram({"/bin/sh", "-c", "exec >&-; sleep 30"}, 200);
    EXPECT_TRUE(lingering.started);
    EXPECT_TRUE(lingering.timedOut);
    EXPECT_FALSE(lingering.exitedZero);
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);  // reaped: no zombie left
    EXPECT_EQ(errno, ECHILD);
}

// A program started by us must not inherit signals blocked for a signalfd.
TEST(RunProgram, ChildStartsWithNoBlockedSignals) {
    sigset_t blocked, old;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGINT);
    pthread_sigmask(SIG_BLOCK, &blocked, &old);
    auto result = RunProgram({"/bin/grep", "SigBlk", "/proc/self/status"}, 5000);
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    EXPECT_EQ(result.output, "SigBlk:\t0000000000000000\n");
}

class PathLauncherTest : public ::testing::Test {
protected:
    // A fake program that writes its name, session and blocked signals to the marker file.
    void AddProgram(const fs::path& dir, const std::string& name) {
        WriteScript(dir / name,
                    "read -r _ _ _ _ _ sid _ < /proc/$$/stat\n"
                    "blk=$(grep SigBlk /proc/$$/status | cut -f2)\n"
                    "echo \"" +
                        name + " $sid $blk\" > '" + marker_.string() + "'");
    }

    TempDir temp_;
    fs::path marker_ = temp_.path() / "started";
};

TEST_F(PathLauncherTest, StartsTheFirstCandidateFoundDetachedAndReapsIt) {
    const fs::path bin = temp_.path() / "bin";
    AddProgram(bin, "xcalc");
    AddProgram(bin, "kcalc");  // earlier in the list than xcalc
    PathLauncher launcher(bin.string());

    sigset_t blocked, old;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &blocked, &old);
    bool started = launcher.Start(HostProgram::Calculator);
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    ASSERT_TRUE(started);

    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);  // nothing left for us to reap
    EXPECT_EQ(errno, ECHILD);

    std::istringstream fields(WaitForFile(marker_));
    std::string name, blockedMask;
    pid_t session = 0;
    fields >> name >> session >> blockedMask;
    EXPECT_EQ(name, "kcalc");
    EXPECT_NE(session, ::getsid(0));  // a session of its own
    EXPECT_EQ(blockedMask, "0000000000000000");
}

TEST_F(PathLauncherTest, RunsProgramsDirectlyWithoutAShell) {
    // A shell would split this folder name and run the command after the semicolon.
    const fs::path bin = temp_.path() / "odd dir;touch injected";
    AddProgram(bin, "xterm");
    PathLauncher launcher(bin.string());
    auto oldCwd = fs::current_path();
    fs::current_path(temp_.path());
    bool started = launcher.Start(HostProgram::Terminal);
    std::string marker = WaitForFile(marker_);
    fs::current_path(oldCwd);
    ASSERT_TRUE(started);
    EXPECT_TRUE(marker.starts_with("xterm ")) << marker;
    EXPECT_FALSE(fs::exists(temp_.path() / "injected"));
}

TEST_F(PathLauncherTest, NothingFoundStartsNothingAndSaysSoOnce) {
    const fs::path bin = temp_.path() / "bin";
    AddProgram(bin, "gnome-calculator");  // a calculator, but no terminal
    PathLauncher launcher(bin.string());
    ::testing::internal::CaptureStderr();
    bool started = launcher.Start(HostProgram::Terminal);
    std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(started);
    EXPECT_FALSE(fs::exists(marker_));
    EXPECT_NE(said.find("no terminal"), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1);
}

TEST(CandidatePrograms, CalculatorAndTerminalListsStartWithTheDesktopDefaults) {
    EXPECT_EQ(CandidatePrograms(HostProgram::Calculator).front(), "gnome-calculator");
    EXPECT_EQ(CandidatePrograms(HostProgram::Calculator).back(), "xcalc");
    EXPECT_EQ(CandidatePrograms(HostProgram::Terminal).front(), "x-terminal-emulator");
    EXPECT_EQ(CandidatePrograms(HostProgram::Terminal).back(), "xterm");
}

}  // namespace
}  // namespace zel::platform
