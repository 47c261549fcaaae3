// The zel-mouse-sim program itself, started as a child process.

#include <gtest/gtest.h>

#include "sim/control_client.h"
#include "sim_test_helpers.h"

namespace zel::sim::testing {
namespace {

bool Answers(const std::string& socketPath) {
    return SendControlCommand(socketPath, "state", 500ms).status == ControlReply::Status::Ok;
}

struct ExitCase {
    std::vector<std::string> args;  // "SOCK" stands for a socket path nobody serves on
    int exitCode;
    const char* message;  // part of standard error
};

TEST(SimulatorProgram, BadCommandLinesFailClearly) {
    TempDir dir;
    const std::string nobody = dir.File("nobody.sock");
    const ExitCase cases[] = {
        {{}, 2, "no mode given"},
        {{"fly"}, 2, "unknown mode"},
        {{"serve"}, 2, "--socket PATH is required"},
        {{"serve", "--socket", "SOCK", "--input-len", "2"}, 2, "input report length"},
        {{"serve", "--socket", "SOCK", "--feature-len", "lots"}, 2, "not a report length"},
        {{"serve", "--socket", "SOCK", "--colour"}, 2, "unknown argument"},
        {{"send", "press", "1"}, 2, "--socket PATH is required"},
        {{"send", "--socket", "SOCK"}, 2, "no command given"},
        {{"send", "--socket", "SOCK", "press"}, 2, "button number 1..6"},
        {{"send", "--socket", "SOCK", "press", "0"}, 2, "button number 1..6"},
        {{"send", "--socket", "SOCK", "click", "seven"}, 2, "button number 1..6"},
        {{"send", "--socket", "SOCK", "jump"}, 2, "unknown command"},
        {{"send", "--socket", "SOCK", "input"}, 2, "no bytes"},
        {{"send", "--socket", "SOCK", "input", "06f"}, 2, "odd number"},
        {{"send", "--socket", "SOCK", "input", "06zz"}, 2, "not a hex digit"},
        {{"send", "--socket", "SOCK", "state", "now"}, 2, "takes no argument"},
        // Well-formed, but nobody serves there.
        {{"send", "--socket", "SOCK", "state"}, 3, "no simulator"},
    };
    for (const ExitCase& c : cases) {
        std::vector<std::string> args = c.args;
        std::string joined;
        for (std::string& arg : args) {
            arg = arg == "SOCK" ? nobody : arg;
            joined += arg + " ";
        }
        SCOPED_TRACE(joined);
        const RunResult run = RunSimulator(dir, args);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        if (c.exitCode == 2) {
            EXPECT_NE(run.err.find("Usage:"), std::string::npos) << "with the usage";
        }
        EXPECT_EQ(run.out, "");
    }
    EXPECT_FALSE(std::filesystem::exists(nobody));
}

TEST(SimulatorProgram, HelpGoesToStandardOutput) {
    TempDir dir;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--help"}, {"serve", "--help"}, {"send", "--help"}}) {
        const RunResult run = RunSimulator(dir, args);
        EXPECT_EQ(run.exitCode, 0) << args.back();
        EXPECT_NE(run.out.find("zel-mouse-sim serve --socket PATH"), std::string::npos) << run.out;
    }
}

TEST(SimulatorProgram, SignalsEndServeCleanly) {
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        TempDir dir;
        const std::string socket = dir.File("m.sock");
        ChildProcess serve({"serve", "--socket", socket, "--log", dir.File("m.log")},
                           dir.File("out"), dir.File("err"));
        ASSERT_TRUE(serve.started());
        ASSERT_TRUE(WaitUntil([&] { return Answers(socket); }));
        serve.Signal(signal);
        EXPECT_EQ(serve.Wait(), 0);
        EXPECT_FALSE(std::filesystem::exists(socket));
    }
}

TEST(SimulatorProgram, SendCommandsAgainstARunningMouse) {
    TempDir dir;
    const std::string socket = dir.File("m.sock");
    ChildProcess serve({"serve", "--socket", socket, "--unplugged", "--input-len", "4"},
                       dir.File("log"), dir.File("err"));
    ASSERT_TRUE(WaitUntil([&] { return Answers(socket); }));

    RunResult run = RunSimulator(dir, {"send", "--socket", socket, "state"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(Field(run.out, "present"), "false");
    EXPECT_EQ(Field(run.out, "input_len"), "4");
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << "one JSON line";

    run = RunSimulator(dir, {"send", "--socket", socket, "press", "1"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("unplugged"), std::string::npos) << run.err;

    EXPECT_EQ(RunSimulator(dir, {"send", "--socket", socket, "plug"}).exitCode, 0);
    run = RunSimulator(dir, {"send", "--socket", socket, "input", "06", "F1", "01"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(RunSimulator(dir, {"send", "--socket", socket, "quit"}).exitCode, 0);
    EXPECT_EQ(serve.Wait(), 0);

    // No --log: the log is standard output.
    const auto log = ReadLines(dir.File("log"));
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(Field(log[0], "event"), "plug");
    EXPECT_EQ(Field(log[1], "event"), "input");
    EXPECT_EQ(Field(log[1], "hex"), "06f101");
    EXPECT_FALSE(Field(log[1], "t_us").empty());
}

TEST(SimulatorProgram, SecondServeOnTheSameSocketIsRefused) {
    TempDir dir;
    const std::string socket = dir.File("m.sock");
    ChildProcess first({"serve", "--socket", socket}, dir.File("out1"), dir.File("err1"));
    ASSERT_TRUE(WaitUntil([&] { return Answers(socket); }));
    const RunResult second = RunSimulator(dir, {"serve", "--socket", socket});
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_NE(second.err.find("another program"), std::string::npos) << second.err;
    EXPECT_TRUE(Answers(socket));
}

}  // namespace
}  // namespace zel::sim::testing
