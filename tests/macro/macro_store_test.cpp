#include "macro/macro_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "macro/macro_name.h"

namespace zel::macro {
namespace {

MacroRecord Named(const std::string& name, std::uint8_t steps = 0) {
    MacroRecord record{};
    SetName(record, name);
    record.stepCount = steps;
    for (int k = 0; k < steps; ++k) {
        record.steps[static_cast<std::size_t>(k)] = {static_cast<std::uint8_t>(4 + k),
                                                     kPressAction};
    }
    return record;
}

// A store holding user macros with the given names.
void Fill(MacroStore& store, const std::vector<std::string>& names) {
    std::vector<MacroRecord> records;
    for (const auto& name : names) {
        records.push_back(Named(name, 2));
    }
    store.ReplaceUserMacros(records);
}

TEST(MacroRecord, BlankRecordIsAllZeroBytes) {
    const MacroRecord blank{};
    unsigned char bytes[sizeof(MacroRecord)];
    std::memcpy(bytes, &blank, sizeof bytes);
    for (unsigned char b : bytes) {
        ASSERT_EQ(b, 0);
    }
    MacroRecord record{};
    record.repeatCount.Set(300);
    record.delays[254].Set(0xABCD);
    std::memcpy(bytes, &record, sizeof bytes);
    EXPECT_EQ(bytes[41], 300 & 0xFF);
    EXPECT_EQ(bytes[42], 300 >> 8);
    EXPECT_EQ(bytes[1062], 0xCD);
    EXPECT_EQ(bytes[1063], 0xAB);
    EXPECT_EQ(record.repeatCount.Value(), 300);
}

TEST(MacroStore, StartsEmptyWithBlankRecords) {
    MacroStore store;
    EXPECT_EQ(store.UserCount(), 0);
    EXPECT_EQ(store.BuiltinCount(), 0);
    EXPECT_EQ(store.CurrentMacro(), 0);
    for (int i : {0, 11}) {
        EXPECT_EQ(store.CopyUserMacro(i).stepCount, 0);
        EXPECT_TRUE(NameUnits(store.UserMacro(i)).empty());
    }
}

TEST(MacroStore, OutOfRangeIndexesGiveBlankRecordsAndEditNothing) {
    MacroStore store;
    Fill(store, {"a", "b"});
    for (int index : {-1, 12, 1000}) {
        EXPECT_EQ(store.CopyUserMacro(index).stepCount, 0) << index;
        EXPECT_EQ(store.UserMacro(index).stepCount, 0) << index;
        bool called = false;
        EXPECT_FALSE(store.EditUserMacro(index, [&called](MacroRecord&) { called = true; }));
        EXPECT_FALSE(called);
    }
    for (int index : {-1, 8}) {
        EXPECT_EQ(store.CopyBuiltinMacro(index).stepCount, 0) << index;
        EXPECT_EQ(store.BuiltinMacro(index).stepCount, 0) << index;
    }
}

TEST(MacroStore, ReplaceTakesWhatFitsAndKeepsLaterRecords) {
    MacroStore store;
    std::vector<MacroRecord> many;
    for (int i = 0; i < 15; ++i) {
        many.push_back(Named("m" + std::to_string(i), 1));
    }
    store.ReplaceUserMacros(many);
    EXPECT_EQ(store.UserCount(), 12);
    EXPECT_EQ(store.CurrentMacro(), 11);
    EXPECT_EQ(NameText(store.UserMacro(11)), "m11");

    store.ReplaceUserMacros(std::vector<MacroRecord>{Named("only")});
    EXPECT_EQ(store.UserCount(), 1);
    EXPECT_EQ(store.CurrentMacro(), 0);
    EXPECT_EQ(NameText(store.UserMacro(0)), "only");
    EXPECT_EQ(NameText(store.UserMacro(5)), "m5");  // beyond the count, untouched

    store.ReplaceUserMacros({});
    EXPECT_EQ(store.UserCount(), 0);
    EXPECT_EQ(store.CurrentMacro(), 0);

    store.ReplaceBuiltinMacros(many);
    EXPECT_EQ(store.BuiltinCount(), 8);
    EXPECT_EQ(NameText(store.CopyBuiltinMacro(7)), "m7");
    EXPECT_EQ(store.CurrentMacro(), 0);  // built-in loading leaves the selection alone
}

TEST(MacroStore, FindMacro) {
    MacroStore store;
    Fill(store, {"Copy", "Paste", "Copy", "abcdefghijklmnopqrs"});
    struct Case {
        std::string text;
        int expected;
    };
    const Case cases[] = {
        {"Copy", 0},  // the first of two equal names
        {"Paste", 1},
        {"copy", 4},  // case-sensitive
        {"Cop", 4},
        {"", 4},
        {"abcdefghijklmnopqrs", 3},
        {"abcdefghijklmnopqrst", 4},  // longer than any name can be
    };
    for (const Case& c : cases) {
        EXPECT_EQ(store.FindMacro(c.text), c.expected) << c.text;
    }
    // A name beyond the count is not found.
    store.DeleteMacro(3);
    EXPECT_EQ(store.FindMacro("abcdefghijklmnopqrs"), 3);
}

TEST(MacroStore, AddMacro) {
    struct Case {
        const char* label;
        std::vector<std::string> before;
        int currentBefore;
        std::string text;
        int expectedIndex;
        int expectedCount;
    };
    const std::vector<std::string> twelve{"0", "1", "2", "3", "4",  "5",
                                          "6", "7", "8", "9", "10", "11"};
    const Case cases[] = {
        {"first macro", {}, 0, "New", 0, 1},
        {"appended", {"a", "b"}, 0, "c", 2, 3},
        {"existing name selects it", {"a", "b", "c"}, 2, "b", 1, 3},
        {"empty text does nothing", {"a", "b"}, 0, "", 0, 2},
        {"NUL-only text does nothing", {"a"}, 0, std::string("\0x", 2), 0, 1},
        {"full table does nothing", twelve, 4, "new", 4, 12},
        {"full table ignores existing name", twelve, 4, "7", 4, 12},
    };
    for (const Case& c : cases) {
        MacroStore store;
        Fill(store, c.before);
        store.SetCurrentMacro(c.currentBefore);
        EXPECT_EQ(store.AddMacro(c.text), c.expectedIndex) << c.label;
        EXPECT_EQ(store.CurrentMacro(), c.expectedIndex) << c.label;
        EXPECT_EQ(store.UserCount(), c.expectedCount) << c.label;
    }
}

TEST(MacroStore, AddedMacroReusesRecordWithNoStepsAndRepeatOff) {
    MacroStore store;
    store.EditUserMacro(0, [](MacroRecord& r) {
        r = Named("an old and long name", 9);
        r.repeatOn = 1;
        r.repeatCount.Set(7);
    });
    EXPECT_EQ(store.AddMacro("Hi"), 0);
    const MacroRecord& record = store.UserMacro(0);
    EXPECT_EQ(NameUnits(record), u"Hi");
    for (std::size_t i = 2; i < record.name.size(); ++i) {
        EXPECT_EQ(record.name[i], 0) << i;
    }
    EXPECT_EQ(record.stepCount, 0);
    EXPECT_EQ(record.repeatOn, 0);
    EXPECT_EQ(record.repeatCount.Value(), 7);  // only the switch is reset
}

TEST(MacroStore, AddMacroCutsLongNamesAndFindsThemAgain) {
    MacroStore store;
    const std::string longName = "A very long macro name indeed";
    EXPECT_EQ(store.AddMacro(longName), 0);
    EXPECT_EQ(NameText(store.UserMacro(0)), longName.substr(0, 19));
    EXPECT_EQ(store.AddMacro(longName), 0);  // the same text selects, no duplicate
    EXPECT_EQ(store.UserCount(), 1);
}

TEST(MacroStore, DeleteMacro) {
    struct Case {
        const char* label;
        std::vector<std::string> before;
        int index;
        std::vector<std::string> after;
        int expectedCurrent;
    };
    const Case cases[] = {
        {"the only macro", {"a"}, 0, {}, 0},
        {"the first", {"a", "b", "c"}, 0, {"b", "c"}, 0},
        {"the middle", {"a", "b", "c"}, 1, {"a", "c"}, 0},
        {"the last", {"a", "b", "c"}, 2, {"a", "b"}, 1},
        {"negative index", {"a", "b"}, -1, {"a", "b"}, 1},
        {"index at the count", {"a", "b"}, 2, {"a", "b"}, 1},
        {"index beyond the table", {"a", "b"}, 12, {"a", "b"}, 1},
        {"empty table", {}, 0, {}, 0},
    };
    for (const Case& c : cases) {
        MacroStore store;
        Fill(store, c.before);
        store.DeleteMacro(c.index);
        ASSERT_EQ(store.UserCount(), static_cast<int>(c.after.size())) << c.label;
        for (std::size_t i = 0; i < c.after.size(); ++i) {
            EXPECT_EQ(NameText(store.UserMacro(static_cast<int>(i))), c.after[i]) << c.label;
            EXPECT_EQ(store.UserMacro(static_cast<int>(i)).stepCount, 2) << c.label;
        }
        EXPECT_EQ(store.CurrentMacro(), c.expectedCurrent) << c.label;
    }
}

TEST(MacroStore, DeleteLeavesTheOldLastRecordWithAnEmptyHeader) {
    MacroStore store;
    Fill(store, {"a", "b", "c"});
    store.EditUserMacro(2, [](MacroRecord& r) {
        r.repeatOn = 1;
        r.repeatCount.Set(9);
    });
    store.DeleteMacro(0);
    EXPECT_EQ(store.UserMacro(1).repeatOn, 1);  // "c" moved down whole
    EXPECT_EQ(store.UserMacro(1).repeatCount.Value(), 9);
    const MacroRecord& left = store.UserMacro(2);
    EXPECT_EQ(NameText(left), "c");
    EXPECT_EQ(left.steps[0].code, 4);
    EXPECT_EQ(left.repeatOn, 0);
    EXPECT_EQ(left.repeatCount.Value(), 1);
    EXPECT_EQ(left.stepCount, 0);
}

TEST(MacroStore, ToggleRepeatAndStoreRepeatCountActOnTheCurrentMacro) {
    MacroStore store;
    Fill(store, {"a", "b"});
    store.SetCurrentMacro(1);
    store.ToggleRepeat();
    EXPECT_EQ(store.UserMacro(1).repeatOn, 1);
    EXPECT_EQ(store.UserMacro(0).repeatOn, 0);
    store.ToggleRepeat();
    EXPECT_EQ(store.UserMacro(1).repeatOn, 0);

    struct Case {
        long long value;
        int stored;
    };
    const Case cases[] = {
        {-5, 1}, {0, 1}, {1, 1}, {300, 300}, {65535, 65535}, {65536, 65535}, {1LL << 40, 65535}};
    for (const Case& c : cases) {
        EXPECT_EQ(store.StoreRepeatCount(c.value), c.stored) << c.value;
        EXPECT_EQ(store.UserMacro(1).repeatCount.Value(), c.stored) << c.value;
    }
    EXPECT_EQ(store.UserMacro(0).repeatCount.Value(), 0);

    // A selection outside the table changes nothing.
    store.SetCurrentMacro(-1);
    store.ToggleRepeat();
    EXPECT_EQ(store.StoreRepeatCount(20), 20);
    store.SetCurrentMacro(12);
    store.ToggleRepeat();
    for (int i = 0; i < kUserMacroCapacity; ++i) {
        EXPECT_EQ(store.UserMacro(i).repeatOn, 0) << i;
        EXPECT_NE(store.UserMacro(i).repeatCount.Value(), 20) << i;
    }
}

TEST(MacroStore, MacroLabelNamesUserMacroFunctionsOnly) {
    MacroStore store;
    Fill(store, {"first", "second"});
    store.EditUserMacro(11, [](MacroRecord& r) { SetName(r, "twelfth"); });
    struct Case {
        int code;
        std::string label;
    };
    const Case cases[] = {{41, "first"}, {42, "second"}, {52, "twelfth"}, {43, ""},
                          {40, ""},      {53, ""},       {31, ""},        {-1, ""}};
    for (const Case& c : cases) {
        EXPECT_EQ(store.MacroLabel(c.code), c.label) << c.code;
    }
}

// The player copies a record while the window thread rewrites it: every copy must be one whole
// version of the record, never a mix of two.
TEST(MacroStore, CopiesAreNeverTornByConcurrentEdits) {
    MacroStore store;
    // Writes the record in two halves with a pause between, so that a reader not held off by
    // the lock would see a mix of two versions.
    auto fillBytes = [](MacroRecord& record, std::uint8_t value) {
        auto* bytes = reinterpret_cast<unsigned char*>(&record);
        std::memset(bytes, value, sizeof record / 2);
        std::this_thread::yield();
        std::memset(bytes + sizeof record / 2, value, sizeof record - sizeof record / 2);
    };
    store.EditUserMacro(3, [&](MacroRecord& r) { fillBytes(r, 1); });
    std::atomic<bool> done{false};
    std::atomic<int> copies{0};
    std::atomic<int> torn{0};
    std::thread player([&] {
        while (!done.load()) {
            const MacroRecord copy = store.CopyUserMacro(3);
            const auto* bytes = reinterpret_cast<const unsigned char*>(&copy);
            for (std::size_t b = 1; b < sizeof copy; ++b) {
                if (bytes[b] != bytes[0]) {
                    torn.fetch_add(1);
                    break;
                }
            }
            copies.fetch_add(1);
            std::this_thread::yield();
        }
    });
    while (copies.load() == 0) {
        std::this_thread::yield();
    }
    for (int i = 0; i < 500; ++i) {
        const auto value = static_cast<std::uint8_t>(1 + i % 200);
        store.EditUserMacro(3, [&](MacroRecord& r) { fillBytes(r, value); });
        std::this_thread::yield();  // let the player in between edits too
    }
    done.store(true);
    player.join();
    EXPECT_EQ(torn.load(), 0);
}

}  // namespace
}  // namespace zel::macro
