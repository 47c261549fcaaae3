#include "macro/macro_files.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "macro/macro_file_format.h"
#include "macro/macro_name.h"

namespace zel::macro {
namespace {

namespace fs = std::filesystem;

class MacroFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zel-macro-files-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    fs::path Write(const std::string& name, const std::string& bytes) {
        const fs::path file = dir_ / name;
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }
    static std::string Read(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path dir_;
    platform::RecordingMessageSink messages_;
};

MacroRecord Sample(int i) {
    MacroRecord record{};
    SetName(record, i % 2 == 0 ? "Macro " + std::to_string(i) : "Señal ñ" + std::to_string(i));
    record.repeatOn = static_cast<std::uint8_t>(i % 2);
    record.repeatCount.Set(static_cast<std::uint16_t>(1 + 1000 * i));
    record.stepCount = static_cast<std::uint8_t>(4 + 20 * i);
    for (std::size_t k = 0; k < kMaxSteps; ++k) {
        record.steps[k] = {static_cast<std::uint8_t>(4 + (k + i) % 26),
                           static_cast<std::uint8_t>(1 + k % 2)};
        record.delays[k].Set(static_cast<std::uint16_t>(15 + 37 * k + i));
    }
    return record;
}

bool SameBytes(const MacroRecord& a, const MacroRecord& b) {
    return std::memcmp(&a, &b, sizeof(MacroRecord)) == 0;
}

std::string FileWithCount(const std::string& count, int keys) {
    std::string text = "[Macros]\r\nmacroNum=" + count + "\r\n";
    for (int i = 0; i < keys; ++i) {
        text += std::to_string(i) + "=" + EncodeMacroRecord(Sample(i)) + "\r\n";
    }
    return text;
}

TEST_F(MacroFilesTest, MissingFileReportsAndLoadsAnEmptyTable) {
    MacroStore store;
    store.ReplaceUserMacros(std::vector<MacroRecord>{Sample(0), Sample(1)});
    store.ReplaceBuiltinMacros(std::vector<MacroRecord>{Sample(2)});
    EXPECT_FALSE(LoadUserMacros(store, dir_ / "missing.dat", messages_));
    EXPECT_FALSE(LoadBuiltinMacros(store, dir_ / "missing.dat", messages_));
    EXPECT_FALSE(LoadUserMacros(store, dir_, messages_));  // a folder is no macro file
    EXPECT_EQ(messages_.messages, std::vector<std::string>(3, "Perfil no encontrado"));
    EXPECT_EQ(store.UserCount(), 0);
    EXPECT_EQ(store.CurrentMacro(), 0);
    EXPECT_EQ(store.BuiltinCount(), 0);
}

TEST_F(MacroFilesTest, MacroNumIsReadByItsFirstTwoCharactersAndNeverOverrunsATable) {
    struct Case {
        const char* label;
        std::string count;  // the value of macroNum; "<none>" for no key
        int keys;           // macro keys present in the file
        int userCount;
        int currentMacro;
        int builtinCount;
    };
    const Case cases[] = {
        {"no key", "<none>", 2, 0, 0, 0},
        {"zero", "0", 2, 0, 0, 0},
        {"one", "1", 2, 1, 0, 1},
        {"three", "3", 3, 3, 2, 3},
        {"123 reads as 12", "123", 13, 12, 11, 8},
        {"99 takes what fits", "99", 13, 12, 11, 8},
        {"negative", "-1", 2, 0, 0, 0},
        {"negative two digits", "-9", 2, 0, 0, 0},
        {"not a number", "abc", 2, 0, 0, 0},
        {"digits before a letter", "2x", 3, 2, 1, 2},
        {"first two characters only", "1 2", 3, 1, 0, 1},
        {"count beyond the keys present", "5", 2, 5, 4, 5},
        {"empty", "", 2, 0, 0, 0},
    };
    for (const Case& c : cases) {
        std::string text = FileWithCount(c.count, c.keys);
        if (c.count == "<none>") {
            text = FileWithCount("0", c.keys);
            text.replace(text.find("macroNum=0\r\n"), 12, "");
        }
        const fs::path file = Write("count.dat", text);
        MacroStore store;
        store.SetCurrentMacro(7);
        ASSERT_TRUE(LoadUserMacros(store, file, messages_)) << c.label;
        ASSERT_TRUE(LoadBuiltinMacros(store, file, messages_)) << c.label;
        EXPECT_EQ(store.UserCount(), c.userCount) << c.label;
        EXPECT_EQ(store.CurrentMacro(), c.currentMacro) << c.label;
        EXPECT_EQ(store.BuiltinCount(), c.builtinCount) << c.label;
        for (int i = 0; i < store.UserCount(); ++i) {
            const MacroRecord expected = i < c.keys ? Sample(i) : MacroRecord{};
            EXPECT_TRUE(SameBytes(store.UserMacro(i), expected)) << c.label << " macro " << i;
        }
        for (int i = 0; i < store.BuiltinCount(); ++i) {
            const MacroRecord expected = i < c.keys ? Sample(i) : MacroRecord{};
            EXPECT_TRUE(SameBytes(store.BuiltinMacro(i), expected)) << c.label << " built-in " << i;
        }
    }
    EXPECT_TRUE(messages_.messages.empty());
}

TEST_F(MacroFilesTest, BuiltinLoadingLeavesTheUserSelectionAlone) {
    const fs::path file = Write("const.dat", FileWithCount("8", 8));
    MacroStore store;
    store.SetCurrentMacro(3);
    ASSERT_TRUE(LoadBuiltinMacros(store, file, messages_));
    EXPECT_EQ(store.CurrentMacro(), 3);
    EXPECT_EQ(store.UserCount(), 0);
    EXPECT_TRUE(SameBytes(store.CopyBuiltinMacro(7), Sample(7)));
}

TEST_F(MacroFilesTest, FullTableRoundTripsThroughAFile) {
    MacroStore saved;
    std::vector<MacroRecord> records;
    for (int i = 0; i < kUserMacroCapacity; ++i) {
        records.push_back(Sample(i));
    }
    saved.ReplaceUserMacros(records);
    const fs::path file = dir_ / "Macro_EN.dat";
    ASSERT_TRUE(SaveUserMacros(saved, file).ok());

    MacroStore loaded;
    ASSERT_TRUE(LoadUserMacros(loaded, file, messages_));
    ASSERT_EQ(loaded.UserCount(), kUserMacroCapacity);
    EXPECT_EQ(loaded.CurrentMacro(), kUserMacroCapacity - 1);
    for (int i = 0; i < kUserMacroCapacity; ++i) {
        EXPECT_TRUE(SameBytes(loaded.UserMacro(i), Sample(i))) << i;
    }
    EXPECT_EQ(NameText(loaded.UserMacro(1)), "Señal ñ1");
}

// What the macro page changes in memory and has not saved differs from the file; saving (or
// undoing the change by hand) makes them equal again. Each edit is one the page makes.
TEST_F(MacroFilesTest, UnsavedEditsAreWhatDiffersFromTheFile) {
    const fs::path file = dir_ / "Macro_EN.dat";
    const struct {
        const char* edit;
        void (*apply)(MacroStore&);
    } edits[] = {
        {"add", [](MacroStore& s) { s.AddMacro("New one"); }},
        {"delete", [](MacroStore& s) { s.DeleteMacro(1); }},
        {"repeat", [](MacroStore& s) { s.ToggleRepeat(); }},
        {"repeat count", [](MacroStore& s) { s.StoreRepeatCount(777); }},
        {"step", [](MacroStore& s) { s.EditUserMacro(2, [](MacroRecord& r) { --r.stepCount; }); }},
        {"delay",
         [](MacroStore& s) { s.EditUserMacro(0, [](MacroRecord& r) { r.delays[1].Set(9); }); }},
        {"import", [](MacroStore& s) { s.ReplaceUserMacros(std::vector<MacroRecord>{Sample(5)}); }},
    };
    for (const auto& edit : edits) {
        SCOPED_TRACE(edit.edit);
        MacroStore store;
        store.ReplaceUserMacros(std::vector<MacroRecord>{Sample(0), Sample(1), Sample(2)});
        ASSERT_TRUE(SaveUserMacros(store, file).ok());
        EXPECT_FALSE(UserMacrosDifferFromFile(store, file));
        edit.apply(store);
        EXPECT_TRUE(UserMacrosDifferFromFile(store, file));
        ASSERT_TRUE(SaveUserMacros(store, file).ok());
        EXPECT_FALSE(UserMacrosDifferFromFile(store, file)) << "saved";
    }
    // No file: no macros are kept there, so any macro in memory is unsaved.
    MacroStore empty;
    EXPECT_FALSE(UserMacrosDifferFromFile(empty, dir_ / "missing.dat"));
    empty.AddMacro("Only");
    EXPECT_TRUE(UserMacrosDifferFromFile(empty, dir_ / "missing.dat"));
}

TEST_F(MacroFilesTest, SavedFileHasOneKeyOf3192DigitsPerMacro) {
    MacroStore store;
    MacroRecord m{};
    SetName(m, "M");
    m.repeatOn = 1;
    m.repeatCount.Set(300);
    m.stepCount = 1;
    m.steps[0] = {4, kPressAction};
    m.delays[0].Set(30);
    store.ReplaceUserMacros(std::vector<MacroRecord>{m, Sample(1), Sample(2)});
    const fs::path file = dir_ / "out.dat";
    ASSERT_TRUE(SaveUserMacros(store, file).ok());

    std::string zeros;
    for (int i = 0; i < 1016; ++i)
        zeros += "000";
    std::string nameZeros;
    for (int i = 0; i < 39; ++i)
        nameZeros += "000";
    const std::string expected =
        "[Macros]\r\nmacroNum=3\r\n0=077" + nameZeros + "001044001001065001030000" + zeros +
        "\r\n1=" + EncodeMacroRecord(Sample(1)) + "\r\n2=" + EncodeMacroRecord(Sample(2)) + "\r\n";
    EXPECT_EQ(Read(file), expected);
}

TEST_F(MacroFilesTest, SavingFewerMacrosLeavesOldKeysUnread) {
    MacroStore store;
    store.ReplaceUserMacros(std::vector<MacroRecord>{Sample(0), Sample(1), Sample(2)});
    const fs::path file = dir_ / "shrink.dat";
    ASSERT_TRUE(SaveUserMacros(store, file).ok());
    store.DeleteMacro(0);
    store.DeleteMacro(0);
    ASSERT_TRUE(SaveUserMacros(store, file).ok());
    const std::string text = Read(file);
    EXPECT_NE(text.find("macroNum=1\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n2=" + EncodeMacroRecord(Sample(2))), std::string::npos);

    MacroStore loaded;
    ASSERT_TRUE(LoadUserMacros(loaded, file, messages_));
    EXPECT_EQ(loaded.UserCount(), 1);
    EXPECT_TRUE(SameBytes(loaded.UserMacro(0), Sample(2)));
}

TEST_F(MacroFilesTest, SaveKeepsOtherContentOfTheFile) {
    const fs::path file =
        Write("mixed.dat", "; my macros\r\n[Other]\r\nx=1\r\n[Macros]\r\nmacroNum=0\r\n");
    MacroStore store;
    store.ReplaceUserMacros(std::vector<MacroRecord>{Sample(0)});
    ASSERT_TRUE(SaveUserMacros(store, file).ok());
    EXPECT_EQ(Read(file), "; my macros\r\n[Other]\r\nx=1\r\n[Macros]\r\nmacroNum=1\r\n0=" +
                              EncodeMacroRecord(Sample(0)) + "\r\n");
}

TEST_F(MacroFilesTest, SetRepeatCountStoresClampsAndSaves) {
    const fs::path file = dir_ / "apply.dat";
    MacroStore store;
    store.ReplaceUserMacros(std::vector<MacroRecord>{Sample(0), Sample(1)});
    store.SetCurrentMacro(0);
    struct Case {
        long long typed;
        int stored;
    };
    for (const Case c : {Case{0, 1}, Case{300, 300}, Case{70000, 65535}, Case{-3, 1}}) {
        const RepeatCountResult result = SetRepeatCount(store, c.typed, file);
        EXPECT_EQ(result.storedValue, c.stored) << c.typed;
        EXPECT_TRUE(result.saved) << c.typed;
        MacroStore loaded;
        ASSERT_TRUE(LoadUserMacros(loaded, file, messages_));
        EXPECT_EQ(loaded.UserMacro(0).repeatCount.Value(), c.stored) << c.typed;
        EXPECT_EQ(loaded.UserMacro(1).repeatCount.Value(), Sample(1).repeatCount.Value());
    }
}

TEST_F(MacroFilesTest, AFailedSaveIsReported) {
    MacroStore store;
    store.ReplaceUserMacros(std::vector<MacroRecord>{Sample(0)});
    const fs::path file = dir_ / "no-such-folder" / "Macro_EN.dat";
    EXPECT_FALSE(SaveUserMacros(store, file).ok());
    const RepeatCountResult result = SetRepeatCount(store, 5, file);
    EXPECT_EQ(result.storedValue, 5);
    EXPECT_FALSE(result.saved);
    EXPECT_EQ(store.UserMacro(0).repeatCount.Value(), 5);
}

TEST_F(MacroFilesTest, MalformedFilesLoadWithoutHarm) {
    const std::string header = "[Macros]\r\nmacroNum=4\r\n";
    const std::string cases[] = {
        header + "0=\r\n1=077\r\n2=not digits at all\r\n3=" + std::string(10000, '9') + "\r\n",
        header,
        "[Macros]\r\nmacroNum=12\r\n0=\xFF\xFE\x00\x01garbage\r\n",
        std::string("\xFF\xFE[\0M\0]\0", 8),
        "macroNum=5\r\n0=077\r\n",  // keys outside any section
        "[Macros]\r\nmacroNum=\"12\r\n",
    };
    std::mt19937 random(99);
    std::vector<std::string> inputs(std::begin(cases), std::end(cases));
    for (int i = 0; i < 50; ++i) {
        std::string bytes = header;
        const int length = static_cast<int>(random() % 8000);
        for (int b = 0; b < length; ++b) {
            bytes += static_cast<char>(random() % 5 == 0 ? '\n' : random() & 0xFF);
        }
        inputs.push_back(bytes);
    }
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const fs::path file = Write("bad.dat", inputs[i]);
        MacroStore store;
        EXPECT_TRUE(LoadUserMacros(store, file, messages_)) << i;
        EXPECT_TRUE(LoadBuiltinMacros(store, file, messages_)) << i;
        EXPECT_GE(store.UserCount(), 0);
        EXPECT_LE(store.UserCount(), kUserMacroCapacity);
        EXPECT_LE(store.BuiltinCount(), kBuiltinMacroCapacity);
        for (int m = 0; m < store.UserCount(); ++m) {
            EXPECT_LT(NameUnits(store.UserMacro(m)).size(), 20u) << i;
        }
    }
    // The first case in detail: blank, a name "M", garbage and an over-long key.
    const fs::path file = Write("bad.dat", inputs[0]);
    MacroStore store;
    ASSERT_TRUE(LoadUserMacros(store, file, messages_));
    ASSERT_EQ(store.UserCount(), 4);
    EXPECT_TRUE(SameBytes(store.UserMacro(0), MacroRecord{}));
    EXPECT_EQ(NameText(store.UserMacro(1)), "M");
    EXPECT_TRUE(SameBytes(store.UserMacro(2), MacroRecord{}));
    EXPECT_EQ(store.UserMacro(3).repeatOn, 999 & 0xFF);
}

// The loaders' parsing, on text alone: the count rules and the records, as the file loaders
// read them.
TEST(MacroFileText, ParsesTheCountAndTheRecordsWithoutAFile) {
    const struct {
        std::string count;
        int keys;
        int capacity;
        std::size_t expected;
    } cases[] = {{"3", 3, 12, 3},  {"123", 13, 12, 12}, {"99", 13, 8, 8},
                 {"-1", 2, 12, 0}, {"2x", 3, 12, 2},    {"5", 2, 12, 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        const std::vector<MacroRecord> records =
            ParseMacroFile(FileWithCount(c.count, c.keys), c.capacity);
        ASSERT_EQ(records.size(), c.expected);
        for (std::size_t i = 0; i < records.size(); ++i) {
            const MacroRecord expected =
                static_cast<int>(i) < c.keys ? Sample(static_cast<int>(i)) : MacroRecord{};
            EXPECT_TRUE(SameBytes(records[i], expected)) << i;
        }
    }
}

// What a script's import refuses, with the kind of error and the words the user reads.
TEST(MacroFileText, TheStrictCheckSaysWhatIsWrongAsAnError) {
    const std::string good = EncodeMacroRecord(Sample(0));
    std::string over = good;
    over.replace(30, 3, "256");
    std::string letter = good;
    letter.replace(30, 3, "2a6");
    using platform::ErrorCode;
    const struct {
        std::string text;
        ErrorCode code;
        std::string message;
    } cases[] = {
        {"[Other]\r\nx=1\r\n", ErrorCode::kUnsupported,
         "holds no macros (section [Macros] is missing)"},
        {"[Macros]\r\nmacroNum=13\r\n", ErrorCode::kMalformed,
         "bad value \"13\" for macroNum: allowed 0 ... 12"},
        {"[Macros]\r\nmacroNum=-0\r\n", ErrorCode::kMalformed,
         "bad value \"-0\" for macroNum: allowed 0 ... 12"},
        {"[Macros]\r\nmacroNum=+1\r\n", ErrorCode::kMalformed,
         "bad value \"+1\" for macroNum: allowed 0 ... 12"},
        {"[Macros]\r\nmacroNum=99999999999\r\n", ErrorCode::kMalformed,
         "bad value \"99999999999\" for macroNum: allowed 0 ... 12"},
        {"[Macros]\r\nmacroNum=1\r\n0=12x\r\n", ErrorCode::kMalformed,
         "macro 0 does not decode: 3 characters instead of 3192"},
        {"[Macros]\r\nmacroNum=1\r\n0=" + over + "\r\n", ErrorCode::kMalformed,
         "macro 0 does not decode: \"256\" at character 31 is over 255"},
        {"[Macros]\r\nmacroNum=1\r\n0=" + letter + "\r\n", ErrorCode::kMalformed,
         "macro 0 does not decode: \"2a6\" at character 31 is not a three-digit number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        const auto checked = ParseMacroFileStrictly(c.text);
        ASSERT_FALSE(checked.ok());
        EXPECT_EQ(checked.error().code, c.code);
        EXPECT_EQ(checked.error().message, c.message);
    }
    const auto two = ParseMacroFileStrictly("[Macros]\r\nmacroNum=02\r\n0=" + good +
                                            "\r\n1=" + EncodeMacroRecord(Sample(1)) + "\r\n");
    ASSERT_TRUE(two.ok()) << two.error().message;
    ASSERT_EQ(two->size(), 2u);
    EXPECT_TRUE(SameBytes((*two)[1], Sample(1)));
}

// Saving into a text writes what SaveUserMacros writes into a file: the rest stays.
TEST(MacroFileText, SavingIntoATextKeepsItsOtherLines) {
    MacroStore store;
    store.ReplaceUserMacros(std::vector<MacroRecord>{Sample(0)});
    const auto saved =
        WithUserMacros("; my macros\r\n[Other]\r\nx=1\r\n[Macros]\r\nmacroNum=0\r\n", store);
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(*saved, "; my macros\r\n[Other]\r\nx=1\r\n[Macros]\r\nmacroNum=1\r\n0=" +
                          EncodeMacroRecord(Sample(0)) + "\r\n");
    const std::vector<MacroRecord> reread = ParseMacroFile(*saved, kUserMacroCapacity);
    ASSERT_EQ(reread.size(), 1u);
    EXPECT_TRUE(SameBytes(reread[0], Sample(0)));
}

}  // namespace
}  // namespace zel::macro
