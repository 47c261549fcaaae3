// The macro player on fake channels and a virtual clock: what each button function does, how
// a macro is played with its passes, delays and ReleaseAll, and when playing stops.

#include "macro/macro_player.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <future>
#include <string>
#include <vector>

#include "playback_test_rig.h"
#include "tests/support/thread_wakeups.h"

namespace zel::macro {
namespace {

using namespace std::chrono_literals;
using std::chrono::microseconds;
using test::Bytes;
using testing::KeysReport;
using testing::MakeMacro;
using testing::PlaybackRig;
using testing::ReleaseAllCount;
using testing::SentReport;

constexpr std::uint8_t kA = 4;  // HID usage of the A key
constexpr std::uint8_t kB = 5;

// A two-step macro (A down, A up) whose pass takes 100 + 100 ms of delays + 20 ms of
// ReleaseAll = 220 ms.
MacroRecord TapA(std::uint8_t repeatOn = 0, std::uint16_t repeatCount = 1) {
    return MakeMacro({{kA, 1, 100}, {kA, 2, 100}}, repeatOn, repeatCount);
}
constexpr auto kTapPass = 220ms;

void SetUserMacros(PlaybackRig& rig, std::vector<MacroRecord> records) {
    rig.macros.ReplaceUserMacros(records);
}

void SetBuiltinMacros(PlaybackRig& rig, std::vector<MacroRecord> records) {
    rig.macros.ReplaceBuiltinMacros(records);
}

// ---- Playing a record ----

TEST(MacroPlayer, DelaysBelow15AreWaited15ThenOneReleaseAll) {
    PlaybackRig rig;
    SetUserMacros(rig, {MakeMacro({{kA, 1, 0}, {0xF0, 1, 30}, {kA, 2, 1000}})});
    rig.Start({41, 2, 3, 4, 5, 6});
    rig.Click(1);

    EXPECT_EQ(rig.clock.StepWaits(), (std::vector<microseconds>{15ms, 30ms, 1000ms}));
    EXPECT_EQ(rig.clock.Pauses(), (std::vector<std::chrono::milliseconds>{10ms, 10ms}));
    const std::vector<SentReport> sent = rig.Sent();
    ASSERT_EQ(sent.size(), 5u);
    // A down, left button down, A up, then ReleaseAll: buttons up, keys up.
    EXPECT_EQ(sent[0].bytes, KeysReport({kA}));
    EXPECT_EQ(sent[1].bytes, (Bytes{0x07, 0x16, kA, 0xFE, 0, 0, 0, 0}));
    EXPECT_EQ(sent[2].bytes, KeysReport());
    EXPECT_EQ(sent[3].bytes, (Bytes{0x07, 0x16, 0x00, 0xFF, 0, 0, 0, 0}));
    EXPECT_EQ(sent[4].bytes, KeysReport());
    // Each step's report goes out its predecessor's delay after it.
    const std::vector<microseconds> at = {0ms, 15ms, 45ms, 1055ms, 1065ms};
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i].at - sent[0].at, at[i]) << "report " << i;
    }
}

TEST(MacroPlayer, StepDelaysAreAbsoluteDeadlinesSoSlowSendsDoNotDrift) {
    PlaybackRig rig;
    std::vector<testing::StepSpec> steps;
    std::vector<microseconds> due;
    microseconds t{0};
    for (int k = 0; k < 200; ++k) {
        const auto delay = static_cast<std::uint16_t>(15 + (k * 37) % 86);  // 15 ... 100 ms
        steps.push_back(
            {static_cast<std::uint8_t>(kA + k % 2), static_cast<std::uint8_t>(1 + k % 2), delay});
        due.push_back(t);
        t += std::chrono::milliseconds(delay);
    }
    SetUserMacros(rig, {MakeMacro(steps)});
    rig.SetSendCost(3ms);  // each report takes 3 ms to leave
    rig.Start({41, 2, 3, 4, 5, 6});
    rig.Click(1);

    const std::vector<SentReport> sent = rig.Sent();
    ASSERT_EQ(sent.size(), 202u);
    for (std::size_t k = 0; k < 200; ++k) {
        ASSERT_EQ(sent[k].at - sent[0].at, due[k]) << "step " << k;
    }
    // ReleaseAll follows the last delay by its own two pauses (each after a 3 ms send).
    EXPECT_EQ(sent[200].at - sent[0].at, t + 10ms);
    EXPECT_EQ(sent[201].at - sent[0].at, t + 10ms + 3ms + 10ms);
}

// After a stall the macro is back on its schedule as soon as the 15 ms floor between the
// starts of two sends allows: a late step does not move the ones after it.
TEST(MacroPlayer, AfterAStallTheMacroCatchesUpAtOnceDownToTheFloor) {
    struct Case {
        const char* what;
        bool slowSend;                       // else: a late wake-up
        std::vector<microseconds> expected;  // report times; the last two are ReleaseAll's
    };
    const Case cases[] = {
        // The second report takes 30 ms to leave (stamped when its send returns, at 50 ms):
        // the third, due at 40 ms and 30 ms after the start of the second, starts at once, the
        // fourth 15 ms after it, then on time.
        {"a send that takes long", true, {0ms, 50ms, 50ms, 65ms, 80ms, 100ms, 130ms, 140ms}},
        // The wake-up for the third step comes 10 ms late (due at 40 ms).
        {"a late wake-up", false, {0ms, 20ms, 50ms, 65ms, 80ms, 100ms, 130ms, 140ms}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlaybackRig rig;
        std::vector<testing::StepSpec> steps;
        for (int k = 0; k < 6; ++k) {
            steps.push_back({kA, static_cast<std::uint8_t>(1 + k % 2), 20});
        }
        SetUserMacros(rig, {MakeMacro(steps)});
        rig.Start({41, 2, 3, 4, 5, 6});
        int sends = 0;
        std::vector<microseconds> left;  // when each report's send returned
        rig.output->SetSendHook([&](std::span<const std::uint8_t>) {
            if (++sends == 2) {
                if (c.slowSend) {
                    rig.clock.Advance(30ms);
                } else {
                    rig.clock.WakeLateOnce(10ms);
                }
            }
            left.push_back(rig.clock.Elapsed());
        });
        rig.Click(1);
        ASSERT_EQ(left.size(), c.expected.size());
        for (std::size_t i = 0; i < left.size(); ++i) {
            EXPECT_EQ(left[i] - left[0], c.expected[i]) << "report " << i;
        }
    }
}

// A machine so busy that the player is late at every wake-up, or every send is slow: each
// report is late by that much, but the lateness never adds up over the macro.
TEST(MacroPlayer, LatenessAtEveryStepDoesNotAddUp) {
    struct Case {
        const char* what;
        microseconds lateWake;  // every wake-up comes this late
        microseconds sendCost;  // every send takes this long (after its report is stamped)
        microseconds stallAt2;  // the wake-up for the third step comes this much later still
    };
    const Case cases[] = {
        {"every wake-up 4 ms late", 4ms, 0ms, 0ms},
        {"every send 18 ms long", 0ms, 18ms, 0ms},
        {"late wake-ups and slow sends", 3ms, 9ms, 0ms},
        {"one stall of 100 ms", 0ms, 0ms, 100ms},
    };
    constexpr int kSteps = 40;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlaybackRig rig;
        std::vector<testing::StepSpec> steps;
        for (int k = 0; k < kSteps; ++k) {
            steps.push_back({kA, static_cast<std::uint8_t>(1 + k % 2), 20});
        }
        SetUserMacros(rig, {MakeMacro(steps)});
        rig.Start({41, 2, 3, 4, 5, 6});
        int sends = 0;
        std::vector<microseconds> started;  // when each report's send began
        rig.output->SetSendHook([&](std::span<const std::uint8_t>) {
            started.push_back(rig.clock.Elapsed());
            ++sends;
            rig.clock.WakeLateOnce(c.lateWake + (sends == 2 ? c.stallAt2 : 0us));
            rig.clock.Advance(c.sendCost);
        });
        rig.Click(1);
        ASSERT_EQ(started.size(), static_cast<std::size_t>(kSteps + 2));
        for (int k = 1; k < kSteps; ++k) {
            const auto i = static_cast<std::size_t>(k);
            EXPECT_GE(started[i] - started[i - 1], kMinStepDelay) << "step " << k;
        }
        // Back on schedule, within one wake-up's lateness, well before the end.
        for (int k = kSteps - 10; k < kSteps; ++k) {
            const microseconds late = started[static_cast<std::size_t>(k)] - started[0] - k * 20ms;
            EXPECT_GE(late, 0us) << "step " << k;
            EXPECT_LE(late, c.lateWake) << "step " << k;
        }
    }
}

// Catching up never squeezes a long pause below half its delay.
TEST(MacroPlayer, CatchingUpKeepsHalfOfALongDelay) {
    PlaybackRig rig;
    SetUserMacros(rig,
                  {MakeMacro({{kA, 1, 20}, {kB, 1, 100}, {kB, 2, 100}, {kA, 2, 20}, {kA, 1, 20}})});
    rig.Start({41, 2, 3, 4, 5, 6});
    int sends = 0;
    std::vector<microseconds> started;
    rig.output->SetSendHook([&](std::span<const std::uint8_t>) {
        started.push_back(rig.clock.Elapsed());
        if (++sends == 2) {
            rig.clock.WakeLateOnce(90ms);  // the third step, due at 120 ms, starts at 210 ms
        }
    });
    rig.Click(1);
    ASSERT_EQ(started.size(), 7u);
    // Due at 220 ms, but 50 ms (half its delay) after the late one; the next 15 ms after that.
    const std::vector<microseconds> expected = {0ms, 20ms, 210ms, 260ms, 275ms};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(started[i] - started[0], expected[i]) << "report " << i;
    }
}

// Catching up never starts two step reports closer than 15 ms, whatever made the player late.
TEST(MacroPlayer, LateStepsCatchUpNoCloserThan15ms) {
    struct Case {
        const char* what;
        microseconds sendCost;  // every send takes this long
        microseconds lateWake;  // the wake-up for the third step comes this late
    };
    const Case cases[] = {
        {"a late wake-up", 0ms, 12ms},
        {"a very late wake-up", 0ms, 200ms},
        {"slow sends and a late wake-up", 4ms, 9ms},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlaybackRig rig;
        std::vector<testing::StepSpec> steps;
        for (int k = 0; k < 8; ++k) {
            steps.push_back({kA, static_cast<std::uint8_t>(1 + k % 2),
                             static_cast<std::uint16_t>(k % 2 == 0 ? 0 : 15)});
        }
        SetUserMacros(rig, {MakeMacro(steps)});
        rig.Start({41, 2, 3, 4, 5, 6});
        int sends = 0;
        std::vector<microseconds> arrived;  // when each step report's send began
        rig.output->SetSendHook([&](std::span<const std::uint8_t>) {
            arrived.push_back(rig.clock.Elapsed());
            if (++sends == 2) {
                rig.clock.WakeLateOnce(c.lateWake);
            }
            rig.clock.Advance(c.sendCost);
        });
        rig.Click(1);
        ASSERT_EQ(arrived.size(), steps.size() + 2);
        for (std::size_t k = 1; k < steps.size(); ++k) {
            EXPECT_GE(arrived[k] - arrived[k - 1], kMinStepDelay) << "step " << k;
        }
        // Still on schedule in the end (caught up down to the floor where it was late).
        const microseconds due = microseconds{15ms} * static_cast<int>(steps.size() - 1);
        EXPECT_GE(arrived[steps.size() - 1] - arrived[0], due);
    }
}

// ---- Sleeping while idle ----

TEST(MacroPlayer, IdlePlayerSleepsUntilARequestWakesIt) {
    PlaybackRig rig;
    SetUserMacros(rig, {TapA()});
    rig.Start({41, 2, 3, 4, 5, 6});
    std::this_thread::sleep_for(20ms);
    const auto before = test::ThreadContextSwitches(kMacroPlayerThreadName);
    ASSERT_TRUE(before.has_value());
    std::this_thread::sleep_for(200ms);
    // A player polling every 2 ms would have woken about 100 times.
    EXPECT_LE(*test::ThreadContextSwitches(kMacroPlayerThreadName) - *before, 3);
    // The press wakes it: the macro plays in full without any poll interval to wait out.
    rig.Click(1);
    EXPECT_EQ(ReleaseAllCount(rig.Sent()), 1);
    EXPECT_EQ(rig.Sent().front().bytes, KeysReport({kA}));
}

TEST(MacroPlayer, RepeatSettingsGiveThePassCount) {
    struct Case {
        const char* what;
        std::uint8_t repeatOn;
        std::uint16_t repeatCount;
        int passes;
    };
    const Case cases[] = {
        {"repeat off plays once whatever the count", 0, 5, 1},
        {"repeat on plays the count", 1, 3, 3},
        {"repeat on with count 0 sends nothing at all", 1, 0, 0},
        {"any non-zero repeat switch counts as on", 2, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlaybackRig rig;
        SetUserMacros(rig, {TapA(c.repeatOn, c.repeatCount)});
        rig.Start({41, 2, 3, 4, 5, 6});
        rig.Click(1);
        const std::vector<SentReport> sent = rig.Sent();
        EXPECT_EQ(sent.size(), static_cast<std::size_t>(4 * c.passes));
        EXPECT_EQ(ReleaseAllCount(sent), c.passes);
    }
}

TEST(MacroPlayer, EmptyMacroStillReleasesAllOncePerPass) {
    PlaybackRig rig;
    SetUserMacros(rig, {MakeMacro({}, 1, 2)});
    rig.Start({41, 2, 3, 4, 5, 6});
    rig.Click(1);
    EXPECT_EQ(Commands(rig.Sent()), (std::vector<std::uint8_t>{0x16, 0x15, 0x16, 0x15}));
}

TEST(MacroPlayer, HoldModeRepeatsWholePassesUntilTheRelease) {
    PlaybackRig rig;
    rig.profile.MACRO_MODE2 = 1;
    SetUserMacros(rig, {TapA(0, 1)});
    rig.Start({1, 2, 41, 4, 5, 6});  // button 3 plays user macro 0
    // Released after about two and a half passes: the third pass is finished, no fourth.
    rig.clock.At(kTapPass * 5 / 2, [&] { rig.Release(3); });
    rig.Press(3);
    ASSERT_TRUE(rig.WaitIdle());
    const std::vector<SentReport> sent = rig.Sent();
    EXPECT_EQ(ReleaseAllCount(sent), 3);
    EXPECT_EQ(sent.size(), 12u);
    EXPECT_EQ(rig.link().KeySlots(), (std::array<std::uint8_t, 6>{}));
}

TEST(MacroPlayer, HoldModeEndsOnAnyNoButtonEventAndIgnoresOtherPresses) {
    PlaybackRig rig;
    rig.profile.MACRO_MODE2 = 1;
    SetUserMacros(rig, {TapA()});
    rig.Start({41, 39, 3, 4, 5, 6});
    rig.clock.At(kTapPass / 2, [&] { rig.Press(2); });  // the calculator button: ignored
    rig.clock.At(kTapPass * 3 / 2, [&] { rig.Feed({6, 0x42, 0x00}); });
    rig.Press(1);
    ASSERT_TRUE(rig.WaitIdle());
    EXPECT_EQ(ReleaseAllCount(rig.Sent()), 2);
    EXPECT_TRUE(rig.launcher.Started().empty());
}

TEST(MacroPlayer, SecondPressInCountModeEndsTheMacroAfterThatPass) {
    struct Case {
        const char* what;
        int secondButton;
    };
    const Case cases[] = {{"the same button", 1}, {"another button with its own function", 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlaybackRig rig;
        SetUserMacros(rig, {TapA(1, 5)});
        rig.Start({41, 2, 3, 39, 5, 6});
        // During pass 2 (which runs from 220 to 440 ms).
        rig.clock.At(kTapPass + 50ms, [&] {
            rig.Release(1);
            rig.Press(c.secondButton);
        });
        rig.Press(1);
        ASSERT_TRUE(rig.WaitIdle());
        EXPECT_EQ(ReleaseAllCount(rig.Sent()), 2);
        // The stopping press does not start its own function, now or later.
        rig.Release(c.secondButton);
        ASSERT_TRUE(rig.WaitIdle());
        EXPECT_TRUE(rig.launcher.Started().empty());
        EXPECT_EQ(rig.Sent().size(), 8u);
    }
}

TEST(MacroPlayer, NoButtonEventStopsACountModeMacroOnlyWhenItSetsHeld) {
    PlaybackRig rig;
    SetUserMacros(rig, {TapA(1, 5)});
    rig.Start({41, 2, 3, 4, 5, 6});
    // Button 1 is down while it plays (held 1). The first event flips held to 0: no stop;
    // the second flips it to 1 during pass 3: the macro ends after pass 3.
    rig.clock.At(kTapPass / 2, [&] { rig.Feed({6, 0x01, 0x00}); });
    rig.clock.At(kTapPass * 5 / 2, [&] { rig.Feed({6, 0x01, 0x00}); });
    rig.Press(1);
    ASSERT_TRUE(rig.WaitIdle());
    EXPECT_EQ(ReleaseAllCount(rig.Sent()), 3);
}

TEST(MacroPlayer, StopRequestWhileIdleIsClearedAndDoesNotCutTheNextMacro) {
    PlaybackRig rig;
    rig.profile.MACRO_MODE2 = 1;
    SetUserMacros(rig, {TapA()});
    rig.Start({41, 2, 3, 4, 5, 6});
    rig.Release(2);  // a release while idle asks to stop
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (rig.state().stopRequest.load() != 0 && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(100us);
    }
    EXPECT_EQ(rig.state().stopRequest.load(), 0);
    rig.clock.At(kTapPass * 3 / 2, [&] { rig.Release(1); });
    rig.Press(1);
    ASSERT_TRUE(rig.WaitIdle());
    EXPECT_EQ(ReleaseAllCount(rig.Sent()), 2);
}

TEST(MacroPlayer, EachPassPlaysAFreshCopyOfTheRecord) {
    PlaybackRig rig;
    SetUserMacros(rig, {TapA(1, 3)});
    rig.Start({41, 2, 3, 4, 5, 6});
    // Edited in the middle of pass 1: pass 1 goes on with A, passes 2 and 3 play B.
    rig.clock.At(150ms, [&] {
        rig.macros.EditUserMacro(0, [](MacroRecord& r) {
            r.steps[0].code = kB;
            r.steps[1].code = kB;
        });
    });
    rig.Click(1);
    const std::vector<Bytes> sent = rig.SentBytes();
    ASSERT_EQ(sent.size(), 12u);
    EXPECT_EQ(sent[0], KeysReport({kA}));
    EXPECT_EQ(sent[4], KeysReport({kB}));
    EXPECT_EQ(sent[8], KeysReport({kB}));
}

TEST(MacroPlayer, MacroDeletedWhilePlayingEndsAfterThePass) {
    PlaybackRig rig;
    SetUserMacros(rig, {TapA(1, 5)});
    rig.Start({41, 2, 3, 4, 5, 6});
    rig.clock.At(100ms, [&] { rig.macros.DeleteMacro(0); });
    rig.Click(1);
    EXPECT_EQ(ReleaseAllCount(rig.Sent()), 1);
}

// ---- Dispatch ----

TEST(MacroPlayer, BuiltinMacroPlaysOnceWhateverTheRepeatSettings) {
    for (const std::int32_t mode : {0, 1}) {
        SCOPED_TRACE(mode);
        PlaybackRig rig;
        rig.profile.MACRO_MODE2 = mode;
        std::vector<MacroRecord> builtins(8, TapA(1, 7));
        builtins[5] = MakeMacro({{kB, 1, 15}, {kB, 2, 15}}, 1, 9);
        SetBuiltinMacros(rig, builtins);
        rig.Start({1, 2, 3, 4, 31 + 5, 6});
        // Held through what would be several passes; released late.
        rig.clock.At(kTapPass * 4, [&] { rig.Release(5); });
        rig.Press(5);
        ASSERT_TRUE(rig.WaitIdle());
        const std::vector<Bytes> sent = rig.SentBytes();
        ASSERT_EQ(sent.size(), 4u);
        EXPECT_EQ(sent[0], KeysReport({kB}));
        EXPECT_EQ(ReleaseAllCount(rig.Sent()), 1);
    }
}

TEST(MacroPlayer, UserMacroBeyondTheLoadedOnesPlaysNothing) {
    PlaybackRig rig;
    SetUserMacros(rig, {TapA(), TapA()});
    rig.Start({41 + 2, 41 + 11, 41 + 1, 4, 5, 6});
    rig.Click(1);
    rig.Click(2);
    EXPECT_TRUE(rig.Sent().empty());
    rig.Click(3);  // macro 1 exists
    EXPECT_EQ(rig.Sent().size(), 4u);
}

TEST(MacroPlayer, ConsumerKeysSendOneReportPerPress) {
    struct Case {
        std::int32_t function;
        Bytes report;
    };
    const Case cases[] = {
        {21, {0x07, 0x17, 0x02, 0x23, 0, 0, 0, 0}},
        {24, {0x07, 0x17, 0x00, 0xE9, 0, 0, 0, 0}},
        {30, {0x07, 0x17, 0x01, 0x92, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        PlaybackRig rig;
        rig.Start({1, c.function, 3, 4, 5, 6});
        rig.Click(2);
        EXPECT_EQ(rig.SentBytes(), (std::vector<Bytes>{c.report}));
        EXPECT_TRUE(rig.clock.StepWaits().empty());
    }
}

TEST(MacroPlayer, CalculatorAndTerminalStartOncePerPressAndNotOnRelease) {
    PlaybackRig rig;
    rig.Start({39, 40, 3, 4, 5, 6});
    rig.Click(1);
    EXPECT_EQ(rig.launcher.Started(),
              (std::vector<platform::HostProgram>{platform::HostProgram::Calculator}));
    rig.Click(1);
    rig.Click(2);
    EXPECT_EQ(rig.launcher.Started(),
              (std::vector<platform::HostProgram>{platform::HostProgram::Calculator,
                                                  platform::HostProgram::Calculator,
                                                  platform::HostProgram::Terminal}));
    EXPECT_TRUE(rig.Sent().empty());
}

TEST(MacroPlayer, MissingProgramIsNoFailure) {
    PlaybackRig rig;
    rig.launcher.available = false;
    rig.Start({39, 40, 3, 4, 5, 6});
    rig.Click(1);
    rig.Click(2);
    EXPECT_EQ(rig.launcher.Started().size(), 2u);
    EXPECT_EQ(rig.state().playRequest.load(), 0);
}

TEST(MacroPlayer, FunctionsWithoutHostActionDoNothing) {
    for (const std::int32_t function : {0, 1, 5, 7, 11, 17, 18, 20, 53, 99, -1, -41}) {
        SCOPED_TRACE(function);
        PlaybackRig rig;
        SetUserMacros(rig, {TapA()});
        rig.Start({function, 2, 3, 4, 5, 6});
        rig.Click(1);
        EXPECT_TRUE(rig.Sent().empty());
        EXPECT_TRUE(rig.launcher.Started().empty());
        EXPECT_EQ(rig.repaints.load(), 0);
    }
}

TEST(MacroPlayer, ReportRateButtonCyclesAndSavesEachStep) {
    PlaybackRig rig;
    rig.profile.USB_SPEED = 2;
    rig.currentProfile = 3;
    rig.Start({1, 2, 3, 4, 5, 14});
    const std::uint8_t expected[] = {3, 0, 1};
    int press = 0;
    for (const std::uint8_t speed : expected) {
        SCOPED_TRACE(press++);
        rig.Click(6);
        EXPECT_EQ(rig.profile.USB_SPEED.load(), speed);
        EXPECT_EQ(rig.ConfigValue("USB_SPEED"), std::to_string(speed));
        EXPECT_EQ(rig.repaints.load(), press);
    }
    EXPECT_TRUE(rig.Sent().empty());
    EXPECT_EQ(ini::ReadString(rig.configPath, "Config1", "USB_SPEED"), "");
}

TEST(MacroPlayer, DpiButtonRecordsTheReportedLevelAndSavesIt) {
    struct Case {
        std::int32_t function;
        std::uint8_t value;
        std::int32_t level;  // DPI_LEVEL afterwards
        bool saved;
    };
    const Case cases[] = {
        {6, 2, 2, true},     {15, 0, 0, true},
        {16, 3, 3, true},    {6, 4, 1, false},  // not a level: ignored
        {6, 0x7F, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.function) + "/" + std::to_string(c.value));
        PlaybackRig rig;
        rig.profile.DPI_LEVEL = 1;
        rig.Start({1, 2, 3, c.function, 5, 6});
        rig.Click(4, c.value);
        EXPECT_EQ(rig.profile.DPI_LEVEL.load(), c.level);
        EXPECT_EQ(rig.ConfigValue("DPI_LEVEL"), c.saved ? std::to_string(c.level) : "");
        EXPECT_EQ(rig.repaints.load(), c.saved ? 1 : 0);
        EXPECT_TRUE(rig.Sent().empty());
    }
}

TEST(MacroPlayer, FollowUpsComeBeforeTheButtonsFunction) {
    // A button flagged by the last upload whose function changed since: the flag's follow-up
    // runs, then the function of the current code.
    PlaybackRig rig;
    SetUserMacros(rig, {TapA()});
    rig.Start({1, 2, 3, 4, 5, 6});
    rig.profile.K[0] = 41;
    rig.profile.reportsDpiLevel[0] = true;
    rig.profile.cyclesUsbSpeed[0] = true;
    rig.profile.USB_SPEED = 0;
    rig.Click(1, 3);
    EXPECT_EQ(rig.profile.DPI_LEVEL.load(), 3);
    EXPECT_EQ(rig.profile.USB_SPEED.load(), 1);
    EXPECT_EQ(rig.repaints.load(), 2);
    EXPECT_EQ(rig.Sent().size(), 4u);
}

// ---- Stopping the thread ----

TEST(MacroPlayer, StopDuringAStepDelayReleasesEverythingAtOnce) {
    PlaybackRig rig(/*realClock=*/true);
    SetUserMacros(rig, {MakeMacro({{kA, 1, 15}, {0xF1, 1, 60000}, {kA, 2, 60000}})});
    rig.profile.MACRO_MODE2 = 1;
    rig.Start({41, 2, 3, 4, 5, 6});
    rig.Press(1);
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (rig.Sent().size() < 2 && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(rig.Sent().size(), 2u);
    EXPECT_EQ(rig.link().KeySlots()[0], kA);
    auto stopped = std::async(std::launch::async, [&] { rig.threads->Stop(); });
    ASSERT_EQ(stopped.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(rig.link().KeySlots(), (std::array<std::uint8_t, 6>{}));
    EXPECT_EQ(rig.link().ButtonState(), 0xFF);
    const std::vector<Bytes> sent = rig.SentBytes();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[2], (Bytes{0x07, 0x16, kA, 0xFF, 0, 0, 0, 0}));
    EXPECT_EQ(sent[3], KeysReport());
}

}  // namespace
}  // namespace zel::macro
