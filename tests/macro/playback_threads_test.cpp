// The two threads together: start before the mouse is there, stop at shutdown, removal of
// the mouse while a macro plays, and the window thread editing the macros meanwhile.

#include "macro/playback_threads.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "playback_test_rig.h"

namespace zel::macro {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using testing::KeysReport;
using testing::MakeMacro;
using testing::PlaybackRig;

bool StopsInTime(PlaybackThreads& threads) {
    auto stopped = std::async(std::launch::async, [&] { threads.Stop(); });
    return stopped.wait_for(5s) == std::future_status::ready;
}

bool WaitFor(const std::function<bool()>& condition) {
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(200us);
    }
    return true;
}

TEST(PlaybackThreads, StartClearsStaleRequestsAndRunsBeforeTheMouseIsFound) {
    PlaybackRig rig;
    rig.state().playRequest = 1;
    rig.state().stopRequest = 1;
    rig.threads->Start();
    EXPECT_TRUE(rig.threads->Running());
    EXPECT_EQ(rig.state().playRequest.load(), 0);
    // The macros and the mouse come later, as at the window's initialisation.
    rig.macros.ReplaceUserMacros(std::vector<MacroRecord>{MakeMacro({{4, 1, 15}, {4, 2, 15}})});
    rig.SetFunctions({41, 2, 3, 4, 5, 6});
    std::this_thread::sleep_for(10ms);
    rig.AttachChannels();
    ASSERT_TRUE(rig.input->WaitForBlockedReader(PlaybackRig::kWait));
    rig.Click(1);
    EXPECT_EQ(rig.Sent().size(), 4u);
    rig.threads->Start();  // already running: nothing
    ASSERT_TRUE(StopsInTime(*rig.threads));
    EXPECT_FALSE(rig.threads->Running());
    ASSERT_TRUE(StopsInTime(*rig.threads));  // twice is fine
}

TEST(PlaybackThreads, NoReportAfterStop) {
    PlaybackRig rig;
    rig.macros.ReplaceUserMacros(std::vector<MacroRecord>{MakeMacro({{4, 1, 15}, {4, 2, 15}})});
    rig.Start({41, 2, 3, 4, 5, 6});
    ASSERT_TRUE(StopsInTime(*rig.threads));
    const std::size_t before = rig.Sent().size();
    rig.input->PushInputReport({6, 0xF1, 0x01});
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(rig.Sent().size(), before);
    EXPECT_EQ(rig.state().playRequest.load(), 0);
}

// The mouse is unplugged while a hold-mode macro with long delays plays: every send and read
// fails from then on. Shutdown must still end both threads at once, and nothing injected is
// left held on our side.
TEST(PlaybackThreads, RemovalWhileAMacroPlaysEndsItWithNothingHeldAndNoHang) {
    struct Case {
        const char* what;
        std::int32_t macroMode2;
        std::uint16_t repeatCount;
    };
    const Case cases[] = {{"hold mode", 1, 1}, {"count mode, many passes", 0, 65535}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlaybackRig rig(/*realClock=*/true);
        rig.profile.MACRO_MODE2 = c.macroMode2;
        rig.macros.ReplaceUserMacros(std::vector<MacroRecord>{
            MakeMacro({{4, 1, 15}, {0xF0, 1, 15}, {5, 1, 2000}, {5, 2, 15}}, 1, c.repeatCount)});
        rig.Start({1, 41, 3, 4, 5, 6});
        rig.Press(2);
        ASSERT_TRUE(WaitFor([&] { return rig.Sent().size() >= 3; }));
        rig.input->Disconnect();
        rig.output->Disconnect();
        std::this_thread::sleep_for(10ms);  // the reader now fails every read
        ASSERT_TRUE(StopsInTime(*rig.threads));
        EXPECT_EQ(rig.link().KeySlots(), (std::array<std::uint8_t, 6>{}));
        EXPECT_EQ(rig.link().ButtonState(), 0xFF);
        const std::vector<Bytes> sent = rig.SentBytes();
        ASSERT_GE(sent.size(), 5u);
        EXPECT_EQ(sent.back(), KeysReport());
        EXPECT_EQ(sent[sent.size() - 2][1], 0x16);
        EXPECT_EQ(sent[sent.size() - 2][3], 0xFF);
    }
}

// The window thread edits and reloads the user macros while the player repeats one: every
// pass plays one whole version of the record, never a mix.
TEST(PlaybackThreads, EditsWhilePlayingAreNeverReadTorn) {
    PlaybackRig rig;
    rig.profile.MACRO_MODE2 = 1;
    auto version = [](std::uint8_t key) {
        std::vector<testing::StepSpec> steps;
        for (int k = 0; k < 6; ++k) {
            steps.push_back({key, static_cast<std::uint8_t>(1 + k % 2), 15});
        }
        return MakeMacro(steps);
    };
    rig.macros.ReplaceUserMacros(std::vector<MacroRecord>{version(4)});
    rig.Start({41, 2, 3, 4, 5, 6});
    rig.Press(1);

    std::atomic<bool> done{false};
    std::thread window([&] {
        for (int i = 0; !done.load(); ++i) {
            const auto key = static_cast<std::uint8_t>(4 + i % 20);
            if (i % 3 == 0) {
                rig.macros.ReplaceUserMacros(std::vector<MacroRecord>{version(key)});
            } else {
                rig.macros.EditUserMacro(0, [&](MacroRecord& r) {
                    for (int k = 0; k < r.stepCount; ++k) {
                        r.steps[static_cast<std::size_t>(k)].code = key;
                    }
                });
            }
            (void)rig.macros.UserMacro(0);
        }
    });
    ASSERT_TRUE(WaitFor([&] { return rig.Sent().size() >= 2000; }));
    rig.Release(1);
    ASSERT_TRUE(rig.WaitIdle());
    done = true;
    window.join();

    // Passes are 6 key reports and the ReleaseAll pair; the key of every pass is one.
    const std::vector<Bytes> sent = rig.SentBytes();
    ASSERT_EQ(sent.size() % 8, 0u);
    for (std::size_t pass = 0; pass < sent.size() / 8; ++pass) {
        const std::uint8_t key = sent[pass * 8][2];
        for (std::size_t k = 0; k < 6; k += 2) {
            ASSERT_EQ(sent[pass * 8 + k], KeysReport({key})) << "pass " << pass << " step " << k;
        }
    }
}

}  // namespace
}  // namespace zel::macro
