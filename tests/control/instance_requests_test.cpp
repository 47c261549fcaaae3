#include "control/instance_requests.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "control/command_line.h"
#include "tests/settings/ini_test_files.h"

namespace zel::control {
namespace {

using Words = std::vector<std::string>;

TEST(FileOperands, TheFileOfEachFileCommandBecomesAbsolute) {
    const struct {
        Words words;
        Words expected;
    } cases[] = {
        {{"import", "fps.ini"}, {"import", "/home/u/b/fps.ini"}},
        {{"export", "--profile", "3", "out/p.ini"},
         {"export", "--profile", "3", "/home/u/b/out/p.ini"}},
        {{"export", "--profile=2", "../p.ini"}, {"export", "--profile=2", "/home/u/b/../p.ini"}},
        {{"export", "p.ini", "--profile", "4"}, {"export", "/home/u/b/p.ini", "--profile", "4"}},
        {{"macros", "export", "mine.dat"}, {"macros", "export", "/home/u/b/mine.dat"}},
        {{"macros", "import", "-"}, {"macros", "import", "/home/u/b/-"}},
        {{"import", "/tmp/fps.ini"}, {"import", "/tmp/fps.ini"}},
        // No file in them: unchanged.
        {{"macros", "show", "fire"}, {"macros", "show", "fire"}},
        {{"set", "fire-interval=80"}, {"set", "fire-interval=80"}},
        {{"profile", "3"}, {"profile", "3"}},
        {{"import"}, {"import"}},
        {{"import", "a", "b"}, {"import", "a", "b"}},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(WithAbsoluteFileOperands(test.words, "/home/u/b"), test.expected)
            << test.words.front() << " " << test.words.back();
    }
}

// An older tool, or another client, that sends a relative name: the program would take it in
// its own folder, so it refuses instead.
TEST(FileOperands, TheProgramRefusesARelativeFile) {
    zel::testing::TempFolder folder;
    settings::ProfileSettings profile;
    std::atomic<std::int32_t> current{1};
    ControlTarget target{folder / "config.ini",
                         folder.path(),
                         folder / "Macro_EN.dat",
                         1,
                         profile,
                         current,
                         {},
                         {},
                         {},
                         {}};
    for (const Words& args : {Words{"import", "fps.ini"}, Words{"macros", "export", "m.dat"}}) {
        const ControlReply reply = AnswerControlRequest({false, "", args}, folder.path(), target);
        EXPECT_EQ(reply.status, kExitUsage) << args.back();
        EXPECT_NE(reply.err.find("absolute"), std::string::npos) << reply.err;
    }
}

// The tool names a relative FILE by the same absolute name whether it works alone or forwards
// the words: operand and words agree, and other commands stay as they are.
TEST(FileOperands, AParsedCommandNamesItsFileAsTheForwardedWordsDo) {
    for (const Words& words :
         {Words{"import", "fps.ini", "--discard-unsaved"},
          Words{"export", "--profile", "2", "p.ini"}, Words{"macros", "import", "../m.dat"},
          Words{"macros", "export", "/tmp/m.dat"}, Words{"macros", "show", "fire"},
          Words{"profile", "3"}}) {
        SCOPED_TRACE(words.back());
        ParseResult parsed = ParseCommandLine(words);
        ASSERT_TRUE(parsed.ok()) << parsed.error().message;
        MakeFileOperandAbsolute(*parsed, "/home/u/b");
        const Words forwarded = WithAbsoluteFileOperands(words, "/home/u/b");
        EXPECT_EQ(parsed->words, forwarded);
        const ParseResult again = ParseCommandLine(forwarded);
        ASSERT_TRUE(again.ok());
        EXPECT_EQ(parsed->operand, again->operand);
    }
}

// A writer killed in the middle of a write left its temporaries beside the files: a command the
// running program answers removes them, as the tool does when it works alone.
TEST(ForwardedCommands, RemoveWhatKilledWritersLeft) {
    zel::testing::TempFolder folder;
    std::filesystem::copy_file(std::filesystem::path(ZEL_SOURCE_DIR) / "data" / "config.ini",
                               folder / "config.ini");
    settings::ProfileSettings profile;
    std::atomic<std::int32_t> current{1};
    ControlTarget target{folder / "config.ini",
                         folder.path(),
                         folder / "Macro_EN.dat",
                         1,
                         profile,
                         current,
                         {},
                         {},
                         {},
                         {}};
    const std::string dead = std::to_string(zel::testing::EndedProcess());
    const std::string alive = std::to_string(::getpid());
    const std::vector<std::string> left = {".config.ini.tmp-" + dead + "-0-1",
                                           ".Macro_EN.dat.tmp-" + dead + "-0-1",
                                           ".Macro_CN.dat.tmp-" + dead + "-0-1"};
    const std::string running = ".config.ini.tmp-" + alive + "-0-1";
    for (const std::string& name : left) {
        zel::testing::WriteBytes(folder / name, "partial");
    }
    zel::testing::WriteBytes(folder / running, "partial");
    const ControlReply reply = AnswerControlRequest({false, "", {"show"}}, folder.path(), target);
    EXPECT_EQ(reply.status, kExitDone) << reply.err;
    for (const std::string& name : left) {
        EXPECT_FALSE(std::filesystem::exists(folder / name)) << name;
    }
    EXPECT_TRUE(std::filesystem::exists(folder / running)) << "a writer that runs keeps its file";
}

}  // namespace
}  // namespace zel::control
