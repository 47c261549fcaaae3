#include "macro/recorder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "macro/macro_name.h"
#include "tests/support/fake_record_clock.h"

namespace zel::macro {
namespace {

using FakeClock = test::FakeRecordClock;

constexpr int kVkA = 65;
constexpr int kVkB = 66;

class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        MacroRecord first{};
        SetName(first, "first");
        first.stepCount = 2;
        first.steps[0] = {7, 1};
        first.steps[1] = {7, 2};
        first.repeatOn = 1;
        first.repeatCount.Set(9);
        first.delays[0].Set(500);
        MacroRecord second = first;
        SetName(second, "second");
        store_.ReplaceUserMacros(std::vector<MacroRecord>{first, second});
        page_.RefreshMacroList();  // selects "second"
        clock_.now = 12 * 3600 * 1000;
    }

    // A key message at `ms` after the start of the test's clock.
    RecordKeyResult Key(std::int64_t ms, int msg, int vk) {
        clock_.now = 12 * 3600 * 1000 + ms;
        return recorder_.RecordKey(msg, vk);
    }
    RecordKeyResult Down(int vk, std::int64_t ms = 0) { return Key(ms, kKeyDownMessage, vk); }
    RecordKeyResult Up(int vk, std::int64_t ms = 0) { return Key(ms, kKeyUpMessage, vk); }

    const MacroRecord& Target() const { return store_.UserMacro(1); }

    MacroStore store_;
    platform::RecordingMessageSink sink_;
    MacroPageModel page_{store_, sink_, std::filesystem::temp_directory_path() / "unused.dat", 1,
                         "ZEL_GMouse"};
    FakeClock clock_;
    Recorder recorder_{page_, clock_};
};

TEST_F(RecorderTest, TypingAThenBMeasuresThePauses) {
    ASSERT_EQ(recorder_.ToggleRecording(), RecordingChange::Started);
    EXPECT_EQ(Down(kVkA, 0), RecordKeyResult::Filtered);
    EXPECT_EQ(Up(kVkA, 80), RecordKeyResult::Filtered);
    EXPECT_EQ(Down(kVkB, 200), RecordKeyResult::Filtered);
    EXPECT_EQ(Up(kVkB, 260), RecordKeyResult::Filtered);
    EXPECT_EQ(page_.view.stepLines.size(), 7u);
    EXPECT_EQ(page_.view.stepSelection, 6);  // the last line while recording
    EXPECT_EQ(page_.view.stepLines[5], "    60ms");
    EXPECT_EQ(page_.state.downCount, 2);
    EXPECT_EQ(page_.state.upCount, 2);
    EXPECT_EQ(Target().stepCount, 0);  // stored at the stop
    ASSERT_EQ(recorder_.ToggleRecording(), RecordingChange::Stopped);

    const MacroRecord& m = Target();
    ASSERT_EQ(m.stepCount, 4);
    const MacroStep steps[] = {{4, 1}, {4, 2}, {5, 1}, {5, 2}};
    const int delays[] = {80, 120, 60, 30};
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(m.steps[k].code, steps[k].code) << k;
        EXPECT_EQ(m.steps[k].action, steps[k].action) << k;
        EXPECT_EQ(m.delays[k].Value(), delays[k]) << k;
    }
    EXPECT_EQ(NameText(m), "second");
    EXPECT_EQ(m.repeatOn, 0);
    EXPECT_EQ(m.repeatCount.Value(), 1);
    EXPECT_EQ(NameText(store_.UserMacro(0)), "first");
    EXPECT_EQ(store_.UserMacro(0).stepCount, 2);
}

TEST_F(RecorderTest, AutoRepeatIsRecordedOnce) {
    recorder_.ToggleRecording();
    for (int i = 0; i < 30; ++i) {
        Down(kVkA, 33 * i);
    }
    Up(kVkA, 1000);
    recorder_.ToggleRecording();
    ASSERT_EQ(Target().stepCount, 2);
    EXPECT_EQ(Target().delays[0].Value(), 1000);
    EXPECT_EQ(page_.state.downCount, 1);
}

TEST_F(RecorderTest, PressOfAKeyStillHeldIsItsRepeatWhateverCameBetween) {
    recorder_.ToggleRecording();
    Down(kVkA, 0);
    Down(kVkB, 100);
    Up(kVkB, 200);
    EXPECT_EQ(Down(kVkA, 700), RecordKeyResult::Filtered);
    EXPECT_EQ(Down(kVkA, 733), RecordKeyResult::Filtered);
    Up(kVkA, 1000);
    recorder_.ToggleRecording();
    ASSERT_EQ(Target().stepCount, 4);
    EXPECT_EQ(page_.state.downCount, 2);
    const MacroStep steps[] = {{4, 1}, {5, 1}, {5, 2}, {4, 2}};
    const int delays[] = {100, 100, 800, 30};
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(Target().steps[k].code, steps[k].code) << k;
        EXPECT_EQ(Target().steps[k].action, steps[k].action) << k;
        EXPECT_EQ(Target().delays[k].Value(), delays[k]) << k;
    }
}

TEST_F(RecorderTest, KeyHeldBeforeRecordGivesNoStep) {
    recorder_.ToggleRecording();
    EXPECT_EQ(Up(kVkB, 10), RecordKeyResult::Dropped);
    EXPECT_EQ(recorder_.recordedCount(), 0);
    // The same release again is dropped again, not mistaken for a repeat.
    EXPECT_EQ(Up(kVkB, 20), RecordKeyResult::Dropped);
    recorder_.ToggleRecording();
    EXPECT_EQ(Target().stepCount, 0);
    EXPECT_TRUE(page_.view.stepLines.empty());
}

TEST_F(RecorderTest, StopRightAfterStartLeavesAnEmptyMacroUnderItsName) {
    recorder_.ToggleRecording();
    EXPECT_TRUE(recorder_.recording());
    EXPECT_EQ(page_.view.repeat, (RepeatBox{"1", false}));
    recorder_.ToggleRecording();
    EXPECT_FALSE(recorder_.recording());
    EXPECT_EQ(Target().stepCount, 0);
    EXPECT_EQ(Target().repeatOn, 0);
    EXPECT_EQ(Target().repeatCount.Value(), 1);
    EXPECT_EQ(Target().delays[0].Value(), 0);  // the old steps are gone
    EXPECT_EQ(NameText(Target()), "second");
    EXPECT_EQ(store_.CurrentMacro(), 1);
}

TEST_F(RecorderTest, NothingToRecordInto) {
    store_.ReplaceUserMacros({});
    page_.RefreshMacroList();
    EXPECT_EQ(recorder_.ToggleRecording(), RecordingChange::None);
    EXPECT_FALSE(recorder_.recording());
}

TEST_F(RecorderTest, OtherMessagesPassUntouched) {
    recorder_.ToggleRecording();
    EXPECT_EQ(Key(0, 0x102, kVkA), RecordKeyResult::NotAKey);  // a character message
    EXPECT_EQ(Key(0, 0x200, kVkA), RecordKeyResult::NotAKey);
    EXPECT_EQ(recorder_.recordedCount(), 0);
}

TEST_F(RecorderTest, SystemKeyMessagesRecordLikeKeys) {
    recorder_.ToggleRecording();
    Key(0, kSysKeyDownMessage, 164);   // left Alt
    Key(10, kSysKeyDownMessage, 115);  // F4
    Key(20, kSysKeyUpMessage, 115);
    Key(30, kKeyUpMessage, 164);
    recorder_.ToggleRecording();
    ASSERT_EQ(Target().stepCount, 4);
    EXPECT_EQ(Target().steps[0].code, 226);  // LMENU
    EXPECT_EQ(Target().steps[1].code, 61);   // F4
    EXPECT_EQ(Target().steps[2].action, 2);
    EXPECT_EQ(Target().steps[3].code, 226);
    EXPECT_EQ(Target().steps[3].action, 2);
}

TEST_F(RecorderTest, PressAndStepLimits) {
    recorder_.ToggleRecording();
    std::int64_t t = 0;
    for (int i = 0; i < 107; ++i) {
        Down(kVkA, t += 5);
        Up(kVkA, t += 5);
    }
    ASSERT_EQ(page_.state.downCount, 107);
    EXPECT_EQ(Down(kVkA, t += 5), RecordKeyResult::Filtered);  // press 108
    EXPECT_EQ(Down(kVkB, t += 5), RecordKeyResult::Dropped);   // press 109
    EXPECT_EQ(Up(kVkA, t += 5), RecordKeyResult::Filtered);    // step 216
    EXPECT_EQ(recorder_.recordedCount(), 216);
    // Beyond 216 steps everything passes the filter unrecorded.
    EXPECT_EQ(Down(kVkB, t += 5), RecordKeyResult::Filtered);
    EXPECT_EQ(Up(kVkB, t += 5), RecordKeyResult::Filtered);
    recorder_.ToggleRecording();
    EXPECT_EQ(Target().stepCount, 216);
    EXPECT_EQ(Target().steps[215].action, 2);
    EXPECT_EQ(Target().steps[216].action, 0);
    EXPECT_EQ(page_.view.stepLines.size(), 431u);
}

TEST_F(RecorderTest, TenthHeldKeyIsDroppedWithItsRelease) {
    recorder_.ToggleRecording();
    for (int vk = kVkA; vk < kVkA + 10; ++vk) {
        Down(vk, vk);
    }
    EXPECT_EQ(recorder_.heldCount(), kMaxHeldKeys);
    EXPECT_EQ(recorder_.recordedCount(), 9);
    for (int vk = kVkA + 9; vk >= kVkA; --vk) {
        Up(vk, 100 + vk);
    }
    EXPECT_EQ(recorder_.heldCount(), 0);
    recorder_.ToggleRecording();
    ASSERT_EQ(Target().stepCount, 18);
    EXPECT_EQ(Target().steps[9].code, 12);  // the release of I, the ninth key
    EXPECT_EQ(Target().steps[9].action, 2);
    EXPECT_EQ(Target().steps[17].code, 4);
}

TEST_F(RecorderTest, ReleasesInAnyOrderFindTheirPress) {
    recorder_.ToggleRecording();
    Down(kVkA);
    Down(kVkB);
    Down(67);
    Up(kVkB);
    Up(kVkA);
    Up(67);
    EXPECT_EQ(recorder_.recordedCount(), 6);
    EXPECT_EQ(recorder_.heldCount(), 0);
    EXPECT_EQ(Up(kVkA), RecordKeyResult::Dropped);
}

TEST(ElapsedMs, MidnightAndLongPauses) {
    struct Case {
        std::int64_t previous;
        std::int64_t now;
        std::uint16_t elapsed;
    } const cases[] = {
        {1000, 1080, 80},
        {86'399'950, 30, 80},  // across midnight
        {0, 65'535, 65'535},
        {0, 65'536, 65'535},  // longer pauses are cut
        {86'399'999, 86'399'999, 0},
        {50'000, 49'999, 65'535},  // a clock set back reads as almost a day
    };
    for (const Case& c : cases) {
        MacroStore store;
        platform::RecordingMessageSink sink;
        MacroPageModel page(store, sink, "unused.dat", 1, "");
        FakeClock clock;
        Recorder recorder(page, clock);
        clock.now = c.previous;
        recorder.ElapsedMs();
        clock.now = c.now;
        EXPECT_EQ(recorder.ElapsedMs(), c.elapsed) << c.previous << " -> " << c.now;
    }
}

TEST(ElapsedMs, SystemClockStaysWithinADay) {
    SystemRecordClock clock;
    const std::int64_t ms = clock.MillisecondsSinceMidnightUtc();
    EXPECT_GE(ms, 0);
    EXPECT_LT(ms, 86'400'000);
}

}  // namespace
}  // namespace zel::macro
