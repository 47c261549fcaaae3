#include "control/control_commands.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "settings/config_files.h"
#include "settings/ini_file.h"
#include "settings/profile_values.h"
#include "tests/settings/ini_test_files.h"
#include "tests/support/fake_hid.h"

namespace zel::control {
namespace {

namespace fs = std::filesystem;
using zel::testing::ReadBytes;
using zel::testing::TempFolder;
using zel::testing::WriteBytes;

const fs::path kData = fs::path(ZEL_SOURCE_DIR) / "data";

// The file text without one section (its header and every line up to the next header).
std::string WithoutSection(const std::string& text, const std::string& name) {
    const auto start = text.find("[" + name + "]");
    if (start == std::string::npos) {
        return text;
    }
    auto end = text.find("\n[", start);
    end = end == std::string::npos ? text.size() : end + 1;
    return text.substr(0, start) + text.substr(end);
}

// The shipped files in a folder of their own, and a target on them whose mouse is a script.
class ControlCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::copy_file(kData / "config.ini", folder / "config.ini");
        fs::copy_file(kData / "Macro_EN.dat", folder / "Macro_EN.dat");
        fs::copy_file(kData / "Macro_CN.dat", folder / "Macro_CN.dat");
        currentProfile = settings::ReadCurrentProfile(folder / "config.ini");
        settings::LoadProfile(folder / "config.ini", currentProfile, false, 1, profile);
    }

    ControlReply Run(const std::string& line) {
        std::istringstream stream(line);
        std::vector<std::string> words;
        for (std::string word; stream >> word;) {
            words.push_back(word);
        }
        return RunWords(words);
    }

    ControlReply RunWords(const std::vector<std::string>& words) {
        const ParseResult parsed = ParseCommandLine(words);
        EXPECT_TRUE(parsed.ok()) << parsed.error().message;
        ControlTarget target{folder / "config.ini",
                             kData / "skins",
                             folder / (edition != 0 ? "Macro_EN.dat" : "Macro_CN.dat"),
                             edition,
                             profile,
                             currentProfile,
                             [this] { ++repaints; },
                             [this] { return mouseProblem; },
                             [this] {
                                 uploads.push_back(currentProfile.load());
                                 return device::UploadOutcome{.reportsSent = uploadSent,
                                                              .saved = uploadWrites};
                             },
                             [this](std::span<const macro::MacroRecord> records) {
                                 replacedMacros = static_cast<int>(records.size());
                             },
                             [this] { return busy; },
                             [this] { return unsaved; }};
        return RunCommand(*parsed, target);
    }

    std::string Config() { return ReadBytes(folder / "config.ini"); }

    TempFolder folder;
    settings::ProfileSettings profile;
    std::atomic<std::int32_t> currentProfile{0};
    platform::Result<void> mouseProblem;
    platform::Result<void> busy;
    UnsavedEdits unsaved;  // what the owner holds unsaved
    std::vector<std::int32_t> uploads;
    bool uploadWrites = true;  // whether the upload's config.ini writes succeed
    std::int32_t edition = 1;  // the target's languageFlag
    bool uploadSent = true;    // whether the mouse took every report of the upload
    int repaints = 0;
    int replacedMacros = -1;
};

TEST_F(ControlCommandsTest, ProfileSelectsLoadsAndUploadsThatProfile) {
    const ControlReply reply = Run("profile 3");
    EXPECT_EQ(reply.status, kExitDone) << reply.err;
    EXPECT_EQ(currentProfile.load(), 3);
    EXPECT_EQ(uploads, std::vector<std::int32_t>{3});
    settings::ProfileSettings stored;
    settings::LoadProfile(folder / "config.ini", 3, false, 1, stored);
    EXPECT_EQ(settings::TakeProfileValues(profile), settings::TakeProfileValues(stored));
    EXPECT_GT(repaints, 0);
}

TEST_F(ControlCommandsTest, CommandsThatUploadChangeNothingWithoutTheMouse) {
    mouseProblem = platform::Error{platform::ErrorCode::kNotFound, "no mouse found"};
    const std::string before = Config();
    for (const char* line : {"profile 3", "apply", "reset", "set --apply fire-interval=99"}) {
        SCOPED_TRACE(line);
        const ControlReply reply = Run(line);
        EXPECT_EQ(reply.status, kExitFailed);
        EXPECT_NE(reply.err.find("no mouse found"), std::string::npos);
    }
    EXPECT_TRUE(uploads.empty());
    EXPECT_EQ(Config(), before);
    EXPECT_EQ(currentProfile.load(), 1);
}

// The reports went out but config.ini could not be written: a script must not take that for
// success, or the setting is gone at the next start.
TEST_F(ControlCommandsTest, AnUploadWhoseSaveFailsExitsWithFailure) {
    uploadWrites = false;
    for (const char* command : {"profile 2", "apply", "reset"}) {
        uploads.clear();
        const ControlReply reply = Run(command);
        EXPECT_EQ(reply.status, kExitFailed) << command;
        EXPECT_EQ(uploads.size(), 1u) << command << ": the reports are sent all the same";
        EXPECT_NE(reply.err.find("config.ini"), std::string::npos) << command << ": " << reply.err;
    }
}

// The mouse went away half-way through the reports: "applied" would be a lie.
TEST_F(ControlCommandsTest, AnUploadTheMouseDidNotTakeWholeExitsWithFailure) {
    uploadSent = false;
    for (const char* command : {"profile 2", "apply", "reset", "set --apply fire-interval=99"}) {
        SCOPED_TRACE(command);
        uploads.clear();
        const ControlReply reply = Run(command);
        EXPECT_EQ(reply.status, kExitFailed);
        EXPECT_EQ(uploads.size(), 1u);
        EXPECT_EQ(reply.out.find("applied"), std::string::npos) << reply.out;
        EXPECT_NE(reply.err.find("did not receive the whole profile"), std::string::npos)
            << reply.err;
    }
}

TEST_F(ControlCommandsTest, ABusyOwnerTakesNoChangeButStillAnswersReads) {
    busy = platform::Error{platform::ErrorCode::kUnavailable,
                           "ZEL_GMouse has a list or a dialog open"};
    const std::string before = Config();
    for (const char* line : {"profile 3", "apply", "reset", "set fire-interval=99", "import x.ini",
                             "macros import x.dat"}) {
        SCOPED_TRACE(line);
        const ControlReply reply = Run(line);
        EXPECT_EQ(reply.status, kExitFailed);
        EXPECT_NE(reply.err.find("a list or a dialog"), std::string::npos);
    }
    EXPECT_EQ(Config(), before);
    EXPECT_TRUE(uploads.empty());
    EXPECT_EQ(Run("show").status, kExitDone);
    EXPECT_EQ(Run("macros list").status, kExitDone);
}

// A command that would reload the loaded profile or replace the user macros while the owner holds
// unsaved edits of them is refused, naming them, and changes nothing; --discard-unsaved lets it
// go on. What the command does not touch may hold edits.
TEST_F(ControlCommandsTest, CommandsThatWouldDropUnsavedEditsAreRefusedUnlessTold) {
    const std::string exchange = (folder / "p.ini").string();
    const std::string macros = (folder / "m.dat").string();
    ASSERT_EQ(Run("export " + exchange + " --profile 3").status, kExitDone);
    ASSERT_EQ(Run("macros export " + macros).status, kExitDone);
    ASSERT_EQ(currentProfile.load(), 1);
    const UnsavedEdits profileEdited{true, false};
    const UnsavedEdits macrosEdited{false, true};
    const UnsavedEdits both{true, true};
    const struct {
        std::string line;
        UnsavedEdits held;
        const char* refusal;  // what the refusal names; nullptr: taken
    } cases[] = {
        {"profile 3", profileEdited, "unsaved edits of profile 1;"},
        {"profile 1", profileEdited, "unsaved edits of profile 1;"},
        {"set fire-interval=80", profileEdited, "unsaved edits of profile 1;"},
        {"set --profile 1 led=off", profileEdited, "unsaved edits of profile 1;"},
        {"set --profile 2 --apply fire-interval=80", profileEdited, "unsaved edits of profile 1;"},
        {"import " + exchange, profileEdited, "unsaved edits of profile 1;"},
        {"import " + exchange + " --profile 1", both, "unsaved edits of profile 1;"},
        {"reset", profileEdited, "unsaved edits of profile 1;"},
        {"reset", macrosEdited, "unsaved edits of the user macros;"},
        {"reset", both, "unsaved edits of profile 1 and of the user macros;"},
        {"macros import " + macros, macrosEdited, "unsaved edits of the user macros;"},
        {"macros import " + macros, both, "unsaved edits of the user macros;"},
        // Nothing the command reloads or replaces is unsaved.
        {"profile 1", macrosEdited, nullptr},
        {"set --profile 2 fire-interval=80", both, nullptr},
        {"import " + exchange + " --profile 4", both, nullptr},
        {"macros import " + macros, profileEdited, nullptr},
        {"apply", both, nullptr},
        {"export " + exchange, both, nullptr},
        {"macros export " + macros, both, nullptr},
        {"show", both, nullptr},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.line);
        unsaved = test.held;
        uploads.clear();
        replacedMacros = -1;
        const std::string config = Config();
        const std::string macroFile = ReadBytes(folder / "Macro_EN.dat");
        const settings::ProfileValues loaded = settings::TakeProfileValues(profile);
        const ControlReply reply = Run(test.line);
        if (test.refusal == nullptr) {
            EXPECT_EQ(reply.status, kExitDone) << reply.err;
            continue;
        }
        EXPECT_EQ(reply.status, kExitFailed);
        EXPECT_NE(reply.err.find(test.refusal), std::string::npos) << reply.err;
        EXPECT_NE(reply.err.find("nothing was changed"), std::string::npos) << reply.err;
        EXPECT_NE(reply.err.find("--discard-unsaved"), std::string::npos) << reply.err;
        EXPECT_EQ(Config(), config);
        EXPECT_EQ(ReadBytes(folder / "Macro_EN.dat"), macroFile);
        EXPECT_TRUE(settings::TakeProfileValues(profile) == loaded);
        EXPECT_EQ(currentProfile.load(), 1);
        EXPECT_TRUE(uploads.empty());
        EXPECT_EQ(replacedMacros, -1);

        // Told to, the command drops the edits and goes on.
        const ControlReply told = Run(test.line + " --discard-unsaved");
        EXPECT_EQ(told.status, kExitDone) << told.err;
        ASSERT_EQ(Run("profile 1 --discard-unsaved").status, kExitDone);
    }
}

TEST_F(ControlCommandsTest, SetSavesOneProfileAndAShownProfileIsReloaded) {
    EXPECT_EQ(Run("set --profile 2 fire-interval=80").status, kExitDone);
    EXPECT_EQ(zel::ini::IniDocument::Load(folder / "config.ini").HasSection("Config2"), true);
    settings::ProfileSettings stored;
    settings::LoadProfile(folder / "config.ini", 2, false, 1, stored);
    EXPECT_EQ(stored.FIRE_TIME.load(), 80);
    EXPECT_EQ(repaints, 0) << "profile 2 is not the one shown";

    EXPECT_EQ(Run("set led=off").status, kExitDone);
    EXPECT_EQ(profile.LED_STATUS.load(), 3) << "the shown profile follows its file";
    EXPECT_EQ(repaints, 1);
    EXPECT_TRUE(uploads.empty());
}

TEST_F(ControlCommandsTest, ABadPairWritesNothing) {
    const std::string before = Config();
    const ControlReply reply = Run("set --profile 2 fire-interval=80 dpi1=12345");
    EXPECT_EQ(reply.status, kExitUsage);
    EXPECT_NE(reply.err.find("7200"), std::string::npos);
    EXPECT_EQ(Config(), before);
}

TEST_F(ControlCommandsTest, ExportAndImportUseTheExchangeFile) {
    const fs::path file = folder / "exchange.ini";
    ASSERT_EQ(Run("export " + file.string() + " --profile 3").status, kExitDone);
    EXPECT_NE(ReadBytes(file).find("[Config7]"), std::string::npos);
    ASSERT_EQ(Run("import " + file.string() + " --profile 5").status, kExitDone);
    settings::ProfileSettings three;
    settings::ProfileSettings five;
    settings::LoadProfile(folder / "config.ini", 3, false, 1, three);
    settings::LoadProfile(folder / "config.ini", 5, false, 1, five);
    EXPECT_EQ(settings::TakeProfileValues(three), settings::TakeProfileValues(five));
}

// A readable file that is no profile at all is bad content, as a profile with a bad value is:
// status 2 (status 1 is for what cannot be read).
TEST_F(ControlCommandsTest, AFileWithoutAProfileIsRefusedAsBadContent) {
    const fs::path file = folder / "other.ini";
    const std::string before = Config();
    for (const char* content : {"[Config1]\r\nK0=4\r\n", "\x01\x02 junk\n=\xff", ""}) {
        SCOPED_TRACE(content);
        WriteBytes(file, content);
        const ControlReply reply = Run("import " + file.string());
        EXPECT_EQ(reply.status, kExitUsage);
        EXPECT_NE(reply.err.find("Config7"), std::string::npos) << reply.err;
        EXPECT_NE(reply.err.find("nothing was imported"), std::string::npos) << reply.err;
        EXPECT_EQ(Config(), before);
    }
}

// config.ini without the section of a profile: every command takes that profile's factory
// settings (its reset template), as the start does, never a profile of zeros.
TEST_F(ControlCommandsTest, AProfileTheFileLacksGetsItsFactorySettings) {
    // The shipped file's profiles are their own reset templates.
    settings::ProfileSettings shipped2;
    settings::ProfileSettings shipped3;
    settings::LoadProfile(kData / "config.ini", 2, true, 1, shipped2);
    settings::LoadProfile(kData / "config.ini", 3, true, 1, shipped3);
    const settings::ProfileValues factory2 = settings::TakeProfileValues(shipped2);
    ASSERT_NE(factory2.K[0], 0);
    const std::string without = WithoutSection(WithoutSection(Config(), "Config2"), "Config3");
    WriteBytes(folder / "config.ini", without);

    // show and export read it and write nothing into config.ini.
    const ControlReply shown = Run("show --profile 2 --json");
    ASSERT_EQ(shown.status, kExitDone) << shown.err;
    EXPECT_NE(shown.out.find("\"function\":\"left-click\""), std::string::npos) << shown.out;
    const fs::path exported = folder / "exported.ini";
    ASSERT_EQ(Run("export " + exported.string() + " --profile 2").status, kExitDone);
    settings::ProfileSettings inExport;
    settings::LoadProfile(exported, 7, false, 1, inExport);
    EXPECT_EQ(settings::TakeProfileValues(inExport), factory2);
    EXPECT_EQ(Config(), without);

    // profile 2 uploads them.
    ASSERT_EQ(Run("profile 2").status, kExitDone);
    EXPECT_EQ(uploads, std::vector<std::int32_t>{2});
    EXPECT_EQ(settings::TakeProfileValues(profile), factory2);

    // set changes only what it names.
    ASSERT_EQ(Run("set --profile 3 fire-interval=80").status, kExitDone);
    settings::ProfileSettings stored3;
    settings::LoadProfile(folder / "config.ini", 3, false, 1, stored3);
    settings::ProfileValues expected3 = settings::TakeProfileValues(shipped3);
    expected3.FIRE_TIME = 80;
    EXPECT_EQ(settings::TakeProfileValues(stored3), expected3);
}

// An empty config.ini (no CurConfig) means profile 1, as at the start: nothing is written
// as a profile 0.
TEST_F(ControlCommandsTest, AFileWithoutCurConfigWorksOnProfileOne) {
    const fs::path exchange = folder / "exchange.ini";
    ASSERT_EQ(Run("export " + exchange.string() + " --profile 4").status, kExitDone);
    for (const char* line : {"set fire-interval=80", "import"}) {
        SCOPED_TRACE(line);
        WriteBytes(folder / "config.ini", "");
        const std::string command =
            std::string(line) + (std::string(line) == "import" ? " " + exchange.string() : "");
        ASSERT_EQ(Run(command).status, kExitDone);
        const ini::IniDocument after = ini::IniDocument::Load(folder / "config.ini");
        EXPECT_TRUE(after.HasSection("Config1"));
        EXPECT_FALSE(after.HasSection("Config0"));
        EXPECT_NE(after.Get("Config1", "K0"), "0");
    }
    EXPECT_NE(Run("show").out.find("Profile 1 (current)"), std::string::npos);
}

// A config.ini that cannot be read is refused by every command that reads the profiles, with
// the reason in the target's edition: status 1, nothing uploaded, nothing written. The macro
// commands do not read it.
TEST_F(ControlCommandsTest, AnUnreadableConfigIsRefusedWithItsReason) {
    const fs::path config = folder / "config.ini";
    const fs::path exchange = folder / "exchange.ini";
    ASSERT_EQ(Run("export " + exchange.string()).status, kExitDone);
    const struct {
        const char* kind;
        std::int32_t edition;
        const char* words;
    } cases[] = {
        {"folder", 1, "\" cannot be read: it is a folder, not a file."},
        {"fifo", 1, "\" cannot be read: not a regular file."},
        {"large", 1, "\" cannot be read: the file is larger than 1 MiB."},
        {"large", 0, "No se puede leer \""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + " " + std::to_string(c.edition));
        fs::remove_all(config);
        if (std::string(c.kind) == "folder") {
            fs::create_directory(config);
        } else if (std::string(c.kind) == "fifo") {
            ASSERT_EQ(::mkfifo(config.c_str(), 0644), 0);
        } else {
            fs::copy_file(kData / "config.ini", config);
            fs::resize_file(config, 3 * 1024 * 1024);
        }
        edition = c.edition;
        for (const std::string& line : std::vector<std::string>{
                 "show", "show --json --profile 3", "profile 2", "apply", "set fire-interval=80",
                 "set --apply --profile 4 led=off", "reset",
                 "export " + (folder / "out.ini").string(), "import " + exchange.string()}) {
            SCOPED_TRACE(line);
            const ControlReply reply = Run(line);
            EXPECT_EQ(reply.status, kExitFailed);
            EXPECT_TRUE(reply.out.empty()) << reply.out;
            EXPECT_NE(reply.err.find(c.words), std::string::npos) << reply.err;
            EXPECT_NE(reply.err.find(config.string()), std::string::npos) << reply.err;
        }
        EXPECT_TRUE(uploads.empty());
        EXPECT_FALSE(fs::exists(folder / "out.ini"));
        EXPECT_EQ(currentProfile.load(), 1);
        EXPECT_EQ(Run("macros list").status, kExitDone);
    }
    EXPECT_EQ(fs::file_size(config), 3u * 1024 * 1024);
    EXPECT_EQ(ReadBytes(config).substr(0, 6), "[Init]");
}

// `import` checks a file's values as `set` checks typed ones: the first bad key and value is
// named, the exit status is 2 and nothing is written.
TEST_F(ControlCommandsTest, ImportRefusesValuesThatSetWouldRefuse) {
    const fs::path good = folder / "good.ini";
    ASSERT_EQ(Run("export " + good.string() + " --profile 2").status, kExitDone);
    const std::string goodText = ReadBytes(good);
    struct Case {
        std::vector<std::pair<std::string, std::string>> lines;  // key, new value
        std::string named;                                       // in the message
    };
    const Case cases[] = {
        {{{"K0", "999"}}, "\"999\" for K0 (button1)"},
        {{{"K1", "abc"}}, "\"abc\" for K1"},
        {{{"K2", ""}}, "\"\" for K2"},
        {{{"K3", "00004"}}, "\"00004\" for K3"},
        {{{"DPI_SET0", "12"}}, "\"12\" for DPI_SET0"},
        {{{"DPI_SET_EN1", "2"}}, "\"2\" for DPI_SET_EN1"},
        {{{"DPI_LEVEL", "4"}}, "\"4\" for DPI_LEVEL"},
        {{{"DPI_LEVEL", "3"}}, "level 4 is off"},
        {{{"LED_STATUS", "4"}}, "\"4\" for LED_STATUS"},
        {{{"WHEEL_STATUS", "-1"}}, "\"-1\" for WHEEL_STATUS"},
        {{{"MACRO_MODE2", "2"}}, "\"2\" for MACRO_MODE2"},
        {{{"DPI_SPEED", "10"}}, "\"10\" for DPI_SPEED"},
        {{{"WHEEL_SPEED", "1x"}}, "\"1x\" for WHEEL_SPEED"},
        {{{"FIRE_TIME", "301"}}, "\"301\" for FIRE_TIME"},
        {{{"USB_SPEED", "4"}}, "\"4\" for USB_SPEED"},
        {{{"K0", "2"}}, "no button has Left Click"},
        {{{"DPI_SET_EN0", "0"}, {"DPI_SET_EN1", "0"}, {"DPI_SET_EN2", "0"}}, "DPI_LEVEL"},
    };
    const std::string before = Config();
    for (const Case& c : cases) {
        std::string text = goodText;
        for (const auto& [key, value] : c.lines) {
            text = std::regex_replace(text, std::regex("\n" + key + "=[^\r\n]*"),
                                      "\n" + key + "=" + value);
        }
        SCOPED_TRACE(c.named);
        const fs::path bad = folder / "bad.ini";
        WriteBytes(bad, text);
        const ControlReply reply = Run("import " + bad.string() + " --profile 4");
        EXPECT_EQ(reply.status, kExitUsage);
        EXPECT_NE(reply.err.find(c.named), std::string::npos) << reply.err;
        EXPECT_NE(reply.err.find("was not imported"), std::string::npos) << reply.err;
        EXPECT_EQ(Config(), before);
    }
    EXPECT_EQ(Run("import " + good.string() + " --profile 4").status, kExitDone);
}

// What cannot be read is refused with its real reason (status 1), before any of it is read.
TEST_F(ControlCommandsTest, ImportsOfWhatIsNoReadableSmallFileSayWhy) {
    fs::create_directory(folder / "folder.ini");
    ASSERT_EQ(::mkfifo((folder / "fifo.ini").c_str(), 0644), 0);
    fs::create_symlink("gone.ini", folder / "dangling.ini");
    WriteBytes(folder / "large.ini", "[Config7]\r\n");
    fs::resize_file(folder / "large.ini", 2 * 1024 * 1024);
    const std::string before = Config();
    const std::string macrosBefore = ReadBytes(folder / "Macro_EN.dat");
    const std::pair<const char*, const char*> cases[] = {
        {"missing.ini", "no such file"},
        {"folder.ini", "it is a folder"},
        {"fifo.ini", "not a regular file"},
        {"dangling.ini", "a symbolic link to a file that does not exist"},
        {"large.ini", "larger than 1 MiB"},
    };
    for (const auto& [name, reason] : cases) {
        for (const char* command : {"import ", "macros import "}) {
            SCOPED_TRACE(std::string(command) + name);
            const ControlReply reply = Run(command + (folder / name).string());
            EXPECT_EQ(reply.status, kExitFailed);
            EXPECT_NE(reply.err.find(reason), std::string::npos) << reply.err;
            EXPECT_EQ(reply.err.find("Config7"), std::string::npos) << reply.err;
        }
    }
    EXPECT_EQ(Config(), before);
    EXPECT_EQ(ReadBytes(folder / "Macro_EN.dat"), macrosBefore);
    EXPECT_EQ(replacedMacros, -1);
}

// `macros import` takes only a file that decodes whole: status 2 and the macros unchanged.
TEST_F(ControlCommandsTest, MacrosImportRefusesAFileThatDoesNotDecode) {
    const fs::path good = folder / "good.dat";
    ASSERT_EQ(Run("macros export " + good.string()).status, kExitDone);
    const std::string goodText = ReadBytes(good);
    const auto at = goodText.find("\n0=") + 3;
    const std::string record = goodText.substr(at, goodText.find_first_of("\r\n", at) - at);
    ASSERT_EQ(record.size(), 3192u);
    std::string badStep = record;
    badStep.replace(44 * 3 + 3, 3, "007");  // the first step's action: neither press nor release
    std::string bigGroup = record;
    bigGroup.replace(0, 3, "256");
    const std::pair<std::string, std::string> cases[] = {
        {"[Macros]\r\nmacroNum=3\r\n0=hello\r\n", "macro 0 does not decode"},
        {"[Macros]\r\nmacroNum=x\r\n", "\"x\" for macroNum"},
        {"[Macros]\r\nmacroNum=13\r\n", "\"13\" for macroNum"},
        {"[Macros]\r\nmacroNum=2\r\n0=" + record + "\r\n", "macro 1 does not decode"},
        {"[Macros]\r\nmacroNum=1\r\n0=" + record + "0\r\n", "3193 characters"},
        {"[Macros]\r\nmacroNum=1\r\n0=" + badStep + "\r\n", "step 1 of"},
        {"[Macros]\r\nmacroNum=1\r\n0=" + bigGroup + "\r\n", "\"256\" at character 1"},
    };
    const std::string macrosBefore = ReadBytes(folder / "Macro_EN.dat");
    for (const auto& [text, named] : cases) {
        SCOPED_TRACE(named);
        const fs::path bad = folder / "bad.dat";
        WriteBytes(bad, text);
        const ControlReply reply = Run("macros import " + bad.string());
        EXPECT_EQ(reply.status, kExitUsage);
        EXPECT_NE(reply.err.find(named), std::string::npos) << reply.err;
        EXPECT_EQ(ReadBytes(folder / "Macro_EN.dat"), macrosBefore);
        EXPECT_EQ(replacedMacros, -1);
    }
    EXPECT_EQ(Run("macros import " + good.string()).status, kExitDone);
}

// A failed write names its cause on the command line.
TEST_F(ControlCommandsTest, WriteFailuresNameTheirCause) {
    fs::permissions(folder / "config.ini",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ControlReply reply = Run("set --profile 2 fire-interval=80");
    EXPECT_EQ(reply.status, kExitFailed);
    EXPECT_NE(reply.err.find("the file is write-protected"), std::string::npos) << reply.err;

    fs::create_directory(folder / "taken.dat");
    reply = Run("macros export " + (folder / "taken.dat").string());
    EXPECT_EQ(reply.status, kExitFailed);
    EXPECT_NE(reply.err.find("it is a folder"), std::string::npos) << reply.err;

    reply = Run("export " + (folder / "none" / "x.ini").string());
    EXPECT_EQ(reply.status, kExitFailed);
    EXPECT_NE(reply.err.find("its folder does not exist"), std::string::npos) << reply.err;
}

TEST_F(ControlCommandsTest, MacrosComeFromAndGoToTheEditionsFile) {
    const ControlReply list = Run("macros list");
    ASSERT_EQ(list.status, kExitDone) << list.err;
    EXPECT_NE(list.out.find("Type Hello"), std::string::npos);
    EXPECT_NE(Run("macros show Save").out.find("[↓]"), std::string::npos);
    EXPECT_EQ(Run("macros show Nothing").status, kExitFailed);

    const fs::path copy = folder / "copy.dat";
    ASSERT_EQ(Run("macros export " + copy.string()).status, kExitDone);
    const fs::path notMacros = folder / "not.dat";
    WriteBytes(notMacros, "[Other]\r\nx=1\r\n");
    const std::string macrosBefore = ReadBytes(folder / "Macro_EN.dat");
    EXPECT_EQ(Run("macros import " + notMacros.string()).status, kExitFailed);
    EXPECT_EQ(ReadBytes(folder / "Macro_EN.dat"), macrosBefore);
    EXPECT_EQ(replacedMacros, -1);

    ASSERT_EQ(Run("macros import " + copy.string()).status, kExitDone);
    EXPECT_EQ(replacedMacros, 4);
}

TEST_F(ControlCommandsTest, ShowPrintsWhatSetTakes) {
    const ControlReply text = Run("show --profile 2");
    EXPECT_NE(text.out.find("button6        DPI -\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("dpi4           3000 (off)\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("fire-interval  30\n"), std::string::npos) << text.out;
    const ControlReply json = Run("show --profile 2 --json");
    EXPECT_NE(json.out.find("\"profile\":2,\"current\":false"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("{\"level\":4,\"dpi\":3000,\"enabled\":false}"), std::string::npos);
}

// Scripts name functions by identifiers that do not change with the edition; the names the
// window shows, of either edition, are taken too.
TEST_F(ControlCommandsTest, FunctionIdentifiersAndNamesOfBothEditionsWorkInEitherEdition) {
    std::string reference;
    for (const std::int32_t language : {1, 0}) {
        edition = language;
        for (const char* value : {"volume-up", "Volume Up", "Subir volumen", "24"}) {
            SCOPED_TRACE(std::string(value) + " in edition " + std::to_string(language));
            ASSERT_EQ(RunWords({"set", "--profile", "2", "button4=left-click"}).status, kExitDone);
            const ControlReply set =
                RunWords({"set", "--profile", "2", std::string("button4=") + value});
            ASSERT_EQ(set.status, kExitDone) << set.err;
            const ControlReply json = Run("show --profile 2 --json");
            EXPECT_NE(
                json.out.find("{\"button\":4,\"code\":24,\"function\":\"volume-up\","
                              "\"label\":\"" +
                              std::string(language != 0 ? "Volume Up" : "Subir volumen") + "\"}"),
                std::string::npos)
                << json.out;
            // The rest of the JSON is the same whichever way the function was named.
            const std::string withoutLabels =
                std::regex_replace(json.out, std::regex(R"(,"label":"[^"]*")"), "");
            if (reference.empty()) {
                reference = withoutLabels;
            }
            EXPECT_EQ(withoutLabels, reference);
        }
        const ControlReply text = Run("show --profile 2");
        EXPECT_NE(text.out.find(language != 0 ? "button4        Volume Up\n"
                                              : "button4        Subir volumen\n"),
                  std::string::npos)
            << text.out;
    }
}

TEST(ListMouseInterfaces, GivesEachCollectionAndWhyItCannotBeOpened) {
    test::FakeHidTransport transport;
    transport.SetCollections({test::FakeHidTransport::MouseReadCollection("/dev/hidraw3"),
                              test::FakeHidTransport::MouseWriteCollection("/dev/hidraw3")});
    ControlReply reply = ListMouseInterfaces(transport, [] { return std::string(); });
    EXPECT_EQ(reply.status, kExitDone);
    EXPECT_EQ(reply.out, "/dev/hidraw3\tff00:0001\tread\tok\n/dev/hidraw3\tff01:0001\twrite\tok\n");

    transport.SetOpenFails("/dev/hidraw3");
    std::string said;
    reply = ListMouseInterfaces(transport, [&said] { return std::exchange(said, {}); });
    EXPECT_NE(reply.out.find("read\tcannot be opened"), std::string::npos) << reply.out;

    // The reason the transport gave for the refusal is the one listed.
    int opens = 0;
    reply = ListMouseInterfaces(transport, [&opens] {
        return ++opens % 2 == 0 ? std::string("Permission denied (install the udev rule)")
                                : std::string();
    });
    EXPECT_NE(reply.out.find("read\tPermission denied (install the udev rule)"), std::string::npos)
        << reply.out;

    transport.SetCollections({});
    reply = ListMouseInterfaces(transport, [] { return std::string(); });
    EXPECT_EQ(reply.status, kExitFailed);
    EXPECT_NE(reply.err.find("no mouse found"), std::string::npos);
}

}  // namespace
}  // namespace zel::control
