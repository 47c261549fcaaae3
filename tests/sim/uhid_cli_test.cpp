// `zel-mouse-sim serve --uhid` as a program. Creating a real kernel device is the guest test's
// job (tests/guest/); here: the command line, and the failure where the kernel has no uhid.

#include <gtest/gtest.h>
#include <unistd.h>

#include "sim/command_line.h"
#include "sim_test_helpers.h"

namespace zel::sim::testing {
namespace {

struct ParseCase {
    std::vector<std::string> args;
    bool uhid;
    std::string socketPath;
    const char* error;  // part of the error, "" when the line is fine
};

TEST(UhidCommandLine, UhidMakesTheSocketOptional) {
    const ParseCase cases[] = {
        {{"serve", "--uhid"}, true, "", ""},
        {{"serve", "--uhid", "--socket", "/tmp/c.sock", "--unplugged"}, true, "/tmp/c.sock", ""},
        {{"serve", "--log", "x", "--uhid", "--input-len", "16", "--feature-len", "9"},
         true,
         "",
         ""},
        {{"serve", "--socket", "/tmp/s.sock"}, false, "/tmp/s.sock", ""},
        {{"serve"}, false, "", "--socket PATH is required"},
        {{"serve", "--uhid", "--input-len", "2"}, true, "", "input report length"},
        {{"serve", "--uhid", "--uhd"}, true, "", "unknown argument '--uhd'"},
        {{"send", "--uhid", "state"}, false, "", "unknown option '--uhid'"},
    };
    for (const ParseCase& c : cases) {
        std::string joined;
        for (const std::string& arg : c.args) {
            joined += arg + " ";
        }
        SCOPED_TRACE(joined);
        const CommandLine line = ParseCommandLine(c.args);
        if (*c.error != '\0') {
            EXPECT_NE(line.error.find(c.error), std::string::npos) << line.error;
            continue;
        }
        ASSERT_EQ(line.error, "");
        EXPECT_EQ(line.mode, CommandLine::Mode::Serve);
        EXPECT_EQ(line.uhid, c.uhid);
        EXPECT_EQ(line.serve.socketPath, c.socketPath);
    }
    const CommandLine sized =
        ParseCommandLine(std::vector<std::string>{"serve", "--uhid", "--input-len", "16"});
    EXPECT_EQ(sized.serve.lengths.input, 16u);
    EXPECT_NE(UsageText().find("serve --uhid"), std::string::npos);
}

TEST(UhidCommandLine, WithoutKernelUhidServeFailsClearly) {
    if (::access("/dev/uhid", W_OK) == 0) {
        GTEST_SKIP() << "/dev/uhid is usable here: the failure cannot be shown";
    }
    TempDir dir;
    const RunResult run = RunSimulator(
        dir, {"serve", "--uhid", "--socket", dir.File("c.sock"), "--log", dir.File("log")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("cannot open /dev/uhid"), std::string::npos) << run.err;
    // Nothing is left listening or lying around.
    EXPECT_FALSE(std::filesystem::exists(dir.File("c.sock")));
}

}  // namespace
}  // namespace zel::sim::testing
