#include "control/command_line.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace zel::control {
namespace {

std::vector<std::string> Words(const std::string& line) {
    std::istringstream stream(line);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) {
        words.push_back(word);
    }
    return words;
}

struct Accepted {
    const char* line;
    CommandKind kind;
    std::optional<int> profile;
    bool json;
    bool apply;
    const char* operand;
    const char* configDir;
    std::vector<SettingChange> changes;
};

TEST(CommandLine, AcceptsEveryCommandAsDocumented) {
    const Accepted cases[] = {
        {"list", CommandKind::List, {}, false, false, "", "", {}},
        {"show", CommandKind::Show, {}, false, false, "", "", {}},
        {"show --profile 4 --json", CommandKind::Show, 4, true, false, "", "", {}},
        {"show --json --profile=2", CommandKind::Show, 2, true, false, "", "", {}},
        {"profile 3", CommandKind::Profile, 3, false, false, "", "", {}},
        {"apply", CommandKind::Apply, {}, false, false, "", "", {}},
        {"set fire-interval=80",
         CommandKind::Set,
         {},
         false,
         false,
         "",
         "",
         {{"fire-interval", "80"}}},
        {"set --profile 2 --apply dpi1=800 led=off",
         CommandKind::Set,
         2,
         false,
         true,
         "",
         "",
         {{"dpi1", "800"}, {"led", "off"}}},
        {"set button1=", CommandKind::Set, {}, false, false, "", "", {{"button1", ""}}},
        {"export out.ini", CommandKind::Export, {}, false, false, "out.ini", "", {}},
        {"export out.ini --profile 5", CommandKind::Export, 5, false, false, "out.ini", "", {}},
        {"import --profile 1 in.ini", CommandKind::Import, 1, false, false, "in.ini", "", {}},
        {"reset", CommandKind::Reset, {}, false, false, "", "", {}},
        {"macros list", CommandKind::MacrosList, {}, false, false, "", "", {}},
        {"macros show Save", CommandKind::MacrosShow, {}, false, false, "Save", "", {}},
        {"macros export m.dat", CommandKind::MacrosExport, {}, false, false, "m.dat", "", {}},
        {"macros import m.dat", CommandKind::MacrosImport, {}, false, false, "m.dat", "", {}},
        {"--config-dir /tmp/x list", CommandKind::List, {}, false, false, "", "/tmp/x", {}},
        {"--config-dir=/tmp/y show", CommandKind::Show, {}, false, false, "", "/tmp/y", {}},
        {"--version", CommandKind::Version, {}, false, false, "", "", {}},
        {"--help", CommandKind::Help, {}, false, false, "", "", {}},
    };
    for (const Accepted& c : cases) {
        SCOPED_TRACE(c.line);
        const std::vector<std::string> args = Words(c.line);
        const ParseResult result = ParseCommandLine(args);
        ASSERT_TRUE(result.ok()) << result.error().message;
        EXPECT_EQ(result->kind, c.kind);
        EXPECT_EQ(result->profile, c.profile);
        EXPECT_EQ(result->json, c.json);
        EXPECT_EQ(result->apply, c.apply);
        EXPECT_EQ(result->operand, c.operand);
        EXPECT_EQ(result->configDir, c.configDir);
        EXPECT_EQ(result->changes, c.changes);
    }
}

// --discard-unsaved belongs to the commands that reload or replace what the window may hold
// unsaved; elsewhere it is a mistake.
TEST(CommandLine, DiscardUnsavedOnlyWhereACommandReplacesWhatTheWindowHolds) {
    for (const char* line : {"profile 2 --discard-unsaved", "set --discard-unsaved --apply led=off",
                             "import --discard-unsaved in.ini --profile 3",
                             "reset --discard-unsaved", "macros import m.dat --discard-unsaved"}) {
        SCOPED_TRACE(line);
        const std::vector<std::string> args = Words(line);
        const ParseResult result = ParseCommandLine(args);
        ASSERT_TRUE(result.ok()) << result.error().message;
        EXPECT_TRUE(result->discardUnsaved);
        const std::vector<std::string> without = Words(
            std::regex_replace(std::string(line), std::regex(" --discard-unsaved"), std::string()));
        const ParseResult plain = ParseCommandLine(without);
        ASSERT_TRUE(plain.ok()) << plain.error().message;
        EXPECT_FALSE(plain->discardUnsaved);
        EXPECT_EQ(plain->kind, result->kind);
        EXPECT_EQ(plain->operand, result->operand);
        EXPECT_EQ(plain->profile, result->profile);
    }
    for (const char* line : {"show --discard-unsaved", "apply --discard-unsaved",
                             "export out.ini --discard-unsaved", "macros list --discard-unsaved",
                             "macros export m.dat --discard-unsaved", "--discard-unsaved reset"}) {
        SCOPED_TRACE(line);
        const std::vector<std::string> args = Words(line);
        const ParseResult result = ParseCommandLine(args);
        ASSERT_FALSE(result.ok());
        EXPECT_NE(result.error().message.find("unknown option"), std::string::npos)
            << result.error().message;
    }
}

TEST(CommandLine, HelpAfterACommandNamesItsTopic) {
    for (const auto& [line, topic] : std::vector<std::pair<const char*, const char*>>{
             {"set --help", "set"},
             {"show --json -h", "show"},
             {"macros list --help", "macros"},
             {"help profile", "profile"},
             {"--config-dir /x set a=b --help", "set"}}) {
        SCOPED_TRACE(line);
        const std::vector<std::string> args = Words(line);
        const ParseResult result = ParseCommandLine(args);
        ASSERT_TRUE(result.ok()) << result.error().message;
        EXPECT_EQ(result->kind, CommandKind::Help);
        EXPECT_EQ(result->helpTopic, topic);
    }
}

TEST(CommandLine, KeepsTheWordsAfterTheGlobalOptionsForForwarding) {
    const std::vector<std::string> args = Words("--config-dir /d set --profile 2 dpi1=800");
    const ParseResult result = ParseCommandLine(args);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result->words, Words("set --profile 2 dpi1=800"));
    // Parsing the forwarded words again gives the same command, less the folder.
    const ParseResult again = ParseCommandLine(result->words);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again->changes, result->changes);
    EXPECT_EQ(again->profile, result->profile);
}

TEST(CommandLine, RefusesBadUsageWithAReason) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "no command"},
        {"frobnicate", "unknown command"},
        {"--colour list", "unknown option"},
        {"--config-dir", "needs a folder"},
        {"profile", "missing operand"},
        {"profile 0", "allowed are 1, 2, 3, 4 and 5"},
        {"profile 6", "allowed are 1"},
        {"profile three", "bad profile number"},
        {"profile 1 2", "unexpected"},
        {"show --profile", "needs a number"},
        {"show --profile 9", "bad profile number"},
        {"show --apply", "unknown option"},
        {"show extra", "unexpected"},
        {"set", "at least one KEY=VALUE"},
        {"set --apply", "at least one KEY=VALUE"},
        {"set dpi1", "not KEY=VALUE"},
        {"set =5", "not KEY=VALUE"},
        {"set --json dpi1=800", "unknown option"},
        {"export", "missing operand"},
        {"import a b", "unexpected"},
        {"reset now", "unexpected"},
        {"macros", "give list"},
        {"macros remove x", "unknown"},
        {"macros show", "missing operand"},
        {"list --profile 2", "unknown option"},
    };
    for (const auto& [line, reason] : cases) {
        SCOPED_TRACE(line);
        const std::vector<std::string> args = Words(line);
        const ParseResult result = ParseCommandLine(args);
        EXPECT_FALSE(result.ok());
        EXPECT_NE(result.error().message.find(reason), std::string::npos) << result.error().message;
    }
}

}  // namespace
}  // namespace zel::control
