// The input reader: what each input report does to the requests, and the reader thread on a
// channel that is absent, failing, cancelled or fed garbage.

#include "macro/input_reader.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <future>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include "platform/hidraw_channel.h"
#include "playback_test_rig.h"
#include "tests/support/thread_wakeups.h"

namespace zel::macro {
namespace {

using testing::PlaybackRig;
using namespace std::chrono_literals;

struct Flags {
    std::int32_t playRequest = 0;
    std::int32_t buttonHeld = 0;
    std::int32_t stopRequest = 0;
    std::uint8_t pressedCode = 0;
    std::uint8_t pressedValue = 0;

    bool operator==(const Flags&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Flags& f) {
    return out << "{play " << f.playRequest << ", held " << f.buttonHeld << ", stop "
               << f.stopRequest << ", code 0x" << std::hex << int{f.pressedCode} << ", value 0x"
               << int{f.pressedValue} << std::dec << "}";
}

void Store(const Flags& f, PlaybackState& state) {
    state.playRequest = f.playRequest;
    state.buttonHeld = f.buttonHeld;
    state.stopRequest = f.stopRequest;
    state.pressedCode = f.pressedCode;
    state.pressedValue = f.pressedValue;
}

Flags Load(const PlaybackState& state) {
    return {state.playRequest.load(), state.buttonHeld.load(), state.stopRequest.load(),
            state.pressedCode.load(), state.pressedValue.load()};
}

struct ReportCase {
    const char* what;
    Flags before;
    std::int32_t macroMode2;
    test::Bytes report;
    Flags after;
};

// play/held/stop/code/value
const ReportCase kReportCases[] = {
    // Configurable buttons (event code above 0xF0).
    {"press while idle raises the request with its code and value",
     {0, 0, 0, 0, 0},
     0,
     {6, 0xF3, 0x01},
     {1, 1, 0, 0xF3, 0x01}},
    {"press while idle in hold mode raises the request too",
     {0, 0, 0, 0, 0},
     1,
     {6, 0xF6, 0x02},
     {1, 1, 0, 0xF6, 0x02}},
    {"highest event code is a button", {0, 0, 0, 0, 0}, 0, {6, 0xFF, 0x01}, {1, 1, 0, 0xFF, 0x01}},
    {"press while playing stops the macro in count mode",
     {1, 0, 0, 0xF3, 0x01},
     0,
     {6, 0xF4, 0x01},
     {1, 1, 1, 0xF3, 0x01}},
    {"press while playing is ignored in hold mode",
     {1, 0, 0, 0xF3, 0x01},
     1,
     {6, 0xF4, 0x01},
     {1, 1, 0, 0xF3, 0x01}},
    {"a further press of the waiting button updates its value",
     {1, 0, 0, 0xF3, 0x01},
     1,
     {6, 0xF3, 0x02},
     {1, 1, 0, 0xF3, 0x02}},
    {"release in count mode only clears held",
     {1, 1, 0, 0xF3, 0x02},
     0,
     {6, 0xF3, 0x80},
     {1, 0, 0, 0xF3, 0x02}},
    {"release in hold mode asks to stop",
     {1, 1, 0, 0xF3, 0x02},
     1,
     {6, 0xF3, 0x80},
     {1, 0, 1, 0xF3, 0x02}},
    {"release while idle in hold mode asks to stop too",
     {0, 1, 0, 0, 0},
     5,
     {6, 0xF2 + 1, 0x80},
     {0, 0, 1, 0, 0}},
    {"release does not raise a request", {0, 1, 0, 0, 0}, 0, {6, 0xF1, 0x80}, {0, 0, 0, 0, 0}},
    // Events that name no button (event code 0xF0 or below).
    {"no-button event while idle flips held only",
     {0, 0, 0, 0, 0},
     0,
     {6, 0x10, 0x00},
     {0, 1, 0, 0, 0}},
    {"0xF0 names no button", {0, 0, 0, 0, 0}, 0, {6, 0xF0, 0x01}, {0, 1, 0, 0, 0}},
    {"no-button event flipping held to 1 stops a count-mode macro",
     {1, 0, 0, 0xF1, 1},
     0,
     {6, 0x00, 0x00},
     {1, 1, 1, 0xF1, 1}},
    {"no-button event flipping held to 0 does not",
     {1, 1, 0, 0xF1, 1},
     0,
     {6, 0x00, 0x00},
     {1, 0, 0, 0xF1, 1}},
    {"no-button event stops in hold mode whatever it flips",
     {1, 1, 0, 0xF1, 1},
     1,
     {6, 0x05, 0x80},
     {1, 0, 1, 0xF1, 1}},
    // Reports that carry no event.
    {"other report IDs are ignored", {0, 0, 0, 0, 0}, 0, {7, 0xF3, 0x01}, {0, 0, 0, 0, 0}},
    {"report ID 0 is ignored", {1, 1, 0, 0xF3, 1}, 0, {0, 0x00, 0x00}, {1, 1, 0, 0xF3, 1}},
    {"an empty report is ignored", {0, 0, 0, 0, 0}, 0, {}, {0, 0, 0, 0, 0}},
    {"a report without value is ignored", {0, 0, 0, 0, 0}, 0, {6, 0xF3}, {0, 0, 0, 0, 0}},
    {"a lone report ID is ignored", {0, 1, 0, 0, 0}, 1, {6}, {0, 1, 0, 0, 0}},
    {"bytes after the value do not matter",
     {0, 0, 0, 0, 0},
     0,
     {6, 0xF5, 0x03, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
     {1, 1, 0, 0xF5, 0x03}},
};

TEST(InterpretInputReport, EachReportChangesTheRequestsAsItMeans) {
    for (const ReportCase& c : kReportCases) {
        SCOPED_TRACE(c.what);
        PlaybackState state;
        Store(c.before, state);
        InterpretInputReport(c.report, c.macroMode2, state);
        EXPECT_EQ(Load(state), c.after);
    }
}

TEST(InterpretInputReport, RaisedRequestWakesAWaitingPlayerAtOnce) {
    PlaybackState state;
    std::stop_source stop;
    auto waiting =
        std::async(std::launch::async, [&] { return state.WaitForPlayRequest(stop.get_token()); });
    InterpretInputReport(test::Bytes{6, 0xF2, 0x01}, 0, state);
    ASSERT_EQ(waiting.wait_for(5s), std::future_status::ready);
    EXPECT_TRUE(waiting.get());
}

TEST(InterpretInputReport, StopRequestEndsThePlayersWait) {
    PlaybackState state;
    std::stop_source stop;
    auto waiting =
        std::async(std::launch::async, [&] { return state.WaitForPlayRequest(stop.get_token()); });
    stop.request_stop();
    ASSERT_EQ(waiting.wait_for(5s), std::future_status::ready);
    EXPECT_FALSE(waiting.get());
}

// ---- The reader thread ----

// A channel whose every read fails at once, counting the attempts.
class FailingChannel final : public platform::HidChannel {
public:
    explicit FailingChannel(std::atomic<int>& reads) : reads_(reads) {}
    bool SendFeatureReport(std::span<const std::uint8_t>) override { return false; }
    std::optional<std::size_t> ReadInputReport(std::span<std::uint8_t>) override {
        ++reads_;
        return std::nullopt;
    }
    void Cancel() override {}

private:
    std::atomic<int>& reads_;
};

// Stop() of the reader, bounded: a hang fails the test instead of blocking it.
bool StopsInTime(InputReader& reader) {
    auto stopped = std::async(std::launch::async, [&] { reader.Stop(); });
    return stopped.wait_for(5s) == std::future_status::ready;
}

TEST(InputReaderThread, ReadsThatFailAtOnceAreRetriedWithAPauseNotASpin) {
    std::atomic<int> reads{0};
    device::DeviceLink link;
    ASSERT_TRUE(link.AttachReadChannel(std::make_unique<FailingChannel>(reads), 8));
    settings::ProfileSettings profile;
    PlaybackState state;
    InputReader reader(link, profile, state);
    reader.Start();
    std::this_thread::sleep_for(100ms);
    ASSERT_TRUE(StopsInTime(reader));
    // About one read per 2 ms pause; a spinning reader would make hundreds of thousands.
    EXPECT_GT(reads.load(), 0);
    EXPECT_LT(reads.load(), 200);
    EXPECT_EQ(Load(state), Flags{});
}

TEST(InputReaderThread, WithoutAChannelItWaitsAndStops) {
    device::DeviceLink link;
    settings::ProfileSettings profile;
    PlaybackState state;
    InputReader reader(link, profile, state);
    reader.Start();
    EXPECT_TRUE(reader.Running());
    std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(StopsInTime(reader));
    EXPECT_FALSE(reader.Running());
    reader.Stop();  // a second stop does nothing
}

TEST(InputReaderThread, ChannelAttachedAfterTheStartIsRead) {
    PlaybackRig rig;
    rig.SetFunctions({1, 2, 3, 4, 5, 6});
    rig.threads->Start();
    std::this_thread::sleep_for(10ms);  // the reader finds no channel meanwhile
    rig.AttachChannels();
    ASSERT_TRUE(rig.input->WaitForBlockedReader(PlaybackRig::kWait));
    rig.Feed({6, 0x00, 0x00});
    EXPECT_EQ(rig.state().buttonHeld.load(), 1);
}

TEST(InputReaderThread, StopWakesABlockedReadAndCancelsTheChannel) {
    PlaybackRig rig;
    rig.Start();
    auto stopped = std::async(std::launch::async, [&] { rig.threads->Stop(); });
    ASSERT_EQ(stopped.wait_for(5s), std::future_status::ready);
    EXPECT_TRUE(rig.input->IsCancelled());
    EXPECT_FALSE(rig.threads->Running());
}

TEST(InputReaderThread, ReadFailureIsSkippedAndTheNextReportCounts) {
    PlaybackRig rig;
    rig.Start();
    rig.input->PushReadFailure();
    rig.Feed({6, 0x00, 0x00});
    EXPECT_EQ(rig.state().buttonHeld.load(), 1);
}

TEST(InputReaderThread, UnpluggedChannelIsRetriedWithoutSpinningAndStops) {
    PlaybackRig rig;
    rig.Start();
    rig.input->Disconnect();
    std::this_thread::sleep_for(30ms);
    auto stopped = std::async(std::launch::async, [&] { rig.threads->Stop(); });
    ASSERT_EQ(stopped.wait_for(5s), std::future_status::ready);
}

TEST(InputReaderThread, GarbageReportsOfAnyLengthAndContentAreSafe) {
    PlaybackRig rig;
    // Every kind of host function on the buttons, so garbage can reach each of them.
    rig.Start({41, 31, 24, 14, 6, 39});
    rig.macros.ReplaceUserMacros(
        std::vector<MacroRecord>{testing::MakeMacro({{4, 1, 15}, {4, 2, 15}}, 1, 3)});
    std::mt19937 random(1234);
    for (int i = 0; i < 3000; ++i) {
        test::Bytes report(random() % 12);
        for (auto& byte : report) {
            byte = static_cast<std::uint8_t>(random());
        }
        if (!report.empty() && random() % 2 == 0) {
            report[0] = 6;  // many of them look like button events
        }
        if (random() % 50 == 0) {
            report.assign(1000, static_cast<std::uint8_t>(random()));  // longer than the buffer
        }
        if (random() % 200 == 0) {
            rig.input->PushReadFailure();
        }
        rig.profile.MACRO_MODE2 = static_cast<std::int32_t>(random() % 3 == 0);
        rig.input->PushInputReport(std::move(report));
    }
    ASSERT_TRUE(rig.input->WaitForBlockedReader(PlaybackRig::kWait));
    rig.profile.MACRO_MODE2 = 0;
    rig.Release(1);  // ends a hold-mode macro that may be running
    ASSERT_TRUE(rig.WaitIdle(10s));
    const Flags f = Load(rig.state());
    EXPECT_TRUE(f.buttonHeld == 0 || f.buttonHeld == 1);
    EXPECT_EQ(f.playRequest, 0);
    auto stopped = std::async(std::launch::async, [&] { rig.threads->Stop(); });
    ASSERT_EQ(stopped.wait_for(5s), std::future_status::ready);
    // Whatever was played, nothing injected is left held.
    EXPECT_EQ(rig.link().KeySlots(), (std::array<std::uint8_t, 6>{}));
    EXPECT_EQ(rig.link().ButtonState(), 0xFF);
    for (const test::Bytes& report : rig.SentBytes()) {
        ASSERT_EQ(report.size(), testing::kReportLength);
        EXPECT_EQ(report[0], 0x07);
    }
}

// ---- No wake-ups without work ----

// Switches of the reader thread over a stretch of idle time; the thread must exist.
std::int64_t ReaderWakeupsWhileIdle(std::chrono::milliseconds idle) {
    const std::optional<std::int64_t> before = test::ThreadContextSwitches(kInputReaderThreadName);
    EXPECT_TRUE(before.has_value()) << "no thread named " << kInputReaderThreadName;
    std::this_thread::sleep_for(idle);
    return test::ThreadContextSwitches(kInputReaderThreadName).value_or(0) - before.value_or(0);
}

TEST(InputReaderThread, WithoutAChannelItSleepsUntilOneIsAttached) {
    PlaybackRig rig;
    rig.SetFunctions({1, 2, 3, 4, 5, 6});
    rig.threads->Start();
    std::this_thread::sleep_for(20ms);  // the thread is up and waiting
    // A reader retrying every 2 ms would wake about 100 times.
    EXPECT_LE(ReaderWakeupsWhileIdle(200ms), 3);
    rig.AttachChannels();
    ASSERT_TRUE(rig.input->WaitForBlockedReader(PlaybackRig::kWait));
    rig.Feed({6, 0x00, 0x00});
    EXPECT_EQ(rig.state().buttonHeld.load(), 1);
}

// The reader on a real hidraw channel (a sequenced-packet socket pair standing in for the
// node): it sleeps in the kernel until a report, the unplug, or the stop.
class HidrawReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        int ends[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends), 0);
        mouse_ = ends[1];
        platform::HidrawChannelOptions options;
        options.access = platform::HidAccess::Read;
        ASSERT_TRUE(link_.AttachReadChannel(
            platform::HidrawChannel::Adopt(platform::UniqueFd(ends[0]), options), 8));
        reader_.Start();
        std::this_thread::sleep_for(20ms);  // blocked in poll() by now
    }
    void TearDown() override {
        if (mouse_ >= 0) {
            ::close(mouse_);
        }
    }
    void MouseSends(const test::Bytes& report) {
        ASSERT_EQ(::write(mouse_, report.data(), report.size()),
                  static_cast<ssize_t>(report.size()));
    }
    bool Eventually(const std::function<bool()>& condition) {
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > end) {
                return false;
            }
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }

    device::DeviceLink link_;
    settings::ProfileSettings profile_;
    PlaybackState state_;
    InputReader reader_{link_, profile_, state_};
    int mouse_ = -1;
};

TEST_F(HidrawReaderTest, SleepsUntilAReportArrives) {
    EXPECT_LE(ReaderWakeupsWhileIdle(200ms), 3);
    MouseSends({6, 0x00, 0x00});
    EXPECT_TRUE(Eventually([&] { return state_.buttonHeld.load() == 1; }));
    ASSERT_TRUE(StopsInTime(reader_));
}

TEST_F(HidrawReaderTest, StopWakesTheBlockedReader) {
    ASSERT_TRUE(StopsInTime(reader_));
    EXPECT_FALSE(reader_.Running());
}

TEST_F(HidrawReaderTest, UnplugWakesTheReaderWhichThenRetriesEverLessOften) {
    const std::int64_t before = test::ThreadContextSwitches(kInputReaderThreadName).value_or(0);
    ::close(mouse_);  // POLLHUP, as an unplugged hidraw node
    mouse_ = -1;
    // Woken by the hang-up, then pauses of 2, 4, 8, ... ms: a handful of wake-ups in 500 ms,
    // not one per 2 ms.
    std::this_thread::sleep_for(500ms);
    const std::int64_t wakeups =
        test::ThreadContextSwitches(kInputReaderThreadName).value_or(0) - before;
    EXPECT_GE(wakeups, 1);
    EXPECT_LE(wakeups, 20);
    ASSERT_TRUE(StopsInTime(reader_));
}

}  // namespace
}  // namespace zel::macro
