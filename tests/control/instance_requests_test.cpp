#include "control/instance_requests.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace zel::control
