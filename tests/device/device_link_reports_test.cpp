// The bytes of every feature report, the shared report buffer and the injected key and button
// state.

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "device/device_link.h"
#include "settings/profile_operations.h"
#include "settings/upload_derivations.h"
#include "tests/support/fake_hid.h"

namespace zel::device {
namespace {

using test::Bytes;
using test::FakeHidChannel;

// Records the waits instead of taking them.
class RecordingSleeper final : public Sleeper {
public:
    void SleepFor(std::chrono::milliseconds duration) override {
        waits.push_back(duration);
        if (onSleep) {
            onSleep();
        }
    }
    std::vector<std::chrono::milliseconds> waits;
    std::function<void()> onSleep;
};

class DeviceLinkReports : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(link.AttachWriteChannel(FakeHidChannel::Handle(channel), 8));
    }

    Bytes LastSent() const {
        const auto sent = channel->SentReports();
        return sent.empty() ? Bytes{} : sent.back();
    }

    // Fills bytes 2 ... 7 of the report buffer with 04 05 06 07 08 09 (six held keys).
    void PressKeysAToF() {
        for (std::uint8_t key = 0x04; key <= 0x09; ++key) {
            link.InjectEvent(key, kActionPress);
        }
    }

    RecordingSleeper sleeper;
    DeviceLink link{sleeper};
    std::shared_ptr<FakeHidChannel> channel = std::make_shared<FakeHidChannel>();
};

struct BuilderCase {
    const char* what;
    std::function<bool(DeviceLink&)> send;
    Bytes expected;  // the whole 8-byte report after keys 04 ... 09 filled bytes 2 ... 7
};

const BuilderCase kBuilderCases[] = {
    // Level 2 with DPI step 9 (device code 13), current level 1, levels 0 ... 2 enabled.
    {"RPT_DPI_LEVEL",
     [](DeviceLink& l) { return l.SendDpiLevel(2, 1, 13, 0x07); },
     {0x07, 0x09, 0x41, 0xDA, 0x07, 0x07, 0x08, 0x09}},
    {"RPT_DPI_LEVEL level 0 code 4 all enabled",
     [](DeviceLink& l) { return l.SendDpiLevel(0, 0, 4, 0x0F); },
     {0x07, 0x09, 0x40, 0x48, 0x0F, 0x07, 0x08, 0x09}},
    {"RPT_DPI_LEVEL level 3 code 15",
     [](DeviceLink& l) { return l.SendDpiLevel(3, 3, 15, 0x08); },
     {0x07, 0x09, 0x43, 0xFB, 0x08, 0x07, 0x08, 0x09}},
    {"RPT_DPI_LEVEL fields cut to their bits",
     [](DeviceLink& l) { return l.SendDpiLevel(1, 7, 0x1D, 0xF3); },
     {0x07, 0x09, 0x43, 0xD9, 0x03, 0x07, 0x08, 0x09}},
    {"RPT_BUTTON_FUNCTION button 3",
     [](DeviceLink& l) { return l.SendButtonFunction(3, 11); },
     {0x07, 0x10, 0x04, 0x0B, 0x06, 0x07, 0x08, 0x09}},
    {"RPT_BUTTON_FUNCTION button 0",
     [](DeviceLink& l) { return l.SendButtonFunction(0, 1); },
     {0x07, 0x10, 0x01, 0x01, 0x06, 0x07, 0x08, 0x09}},
    {"RPT_WHEEL",
     [](DeviceLink& l) { return l.SendWheel(1); },
     {0x07, 0x11, 0x01, 0x00, 0x06, 0x07, 0x08, 0x09}},
    {"RPT_WHEEL low byte",
     [](DeviceLink& l) { return l.SendWheel(0x1234); },
     {0x07, 0x11, 0x34, 0x00, 0x06, 0x07, 0x08, 0x09}},
    {"RPT_FIRE_TIME 300 ms",
     [](DeviceLink& l) { return l.SendFireTime(300); },
     {0x07, 0x12, 0x00, 0x25, 0x00, 0x00, 0x00, 0x00}},
    {"RPT_FIRE_TIME 7 ms",
     [](DeviceLink& l) { return l.SendFireTime(7); },
     {0x07, 0x12, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
    {"RPT_FIRE_TIME 50 ms",
     [](DeviceLink& l) { return l.SendFireTime(50); },
     {0x07, 0x12, 0x00, 0x06, 0x00, 0x00, 0x00, 0x00}},
    {"RPT_FIRE_TIME high byte",
     [](DeviceLink& l) { return l.SendFireTime(8 * 0x1234); },
     {0x07, 0x12, 0x12, 0x34, 0x00, 0x00, 0x00, 0x00}},
    {"RPT_FIRE_TIME negative",
     [](DeviceLink& l) { return l.SendFireTime(-80); },
     {0x07, 0x12, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
    {"RPT_LED",
     [](DeviceLink& l) { return l.SendLed(7); },
     {0x07, 0x13, 0x7F, 0x17, 0x06, 0x07, 0x08, 0x09}},
    {"RPT_LED code 0",
     [](DeviceLink& l) { return l.SendLed(0); },
     {0x07, 0x13, 0x7F, 0x10, 0x06, 0x07, 0x08, 0x09}},
    {"RPT_CONSUMER_KEY AC Home",
     [](DeviceLink& l) { return l.SendConsumerKey(21); },
     {0x07, 0x17, 0x02, 0x23, 0x06, 0x07, 0x08, 0x09}},
    {"RPT_CONSUMER_KEY Volume Increment",
     [](DeviceLink& l) { return l.SendConsumerKey(24); },
     {0x07, 0x17, 0x00, 0xE9, 0x06, 0x07, 0x08, 0x09}},
    {"RPT_CONSUMER_KEY AL Calculator",
     [](DeviceLink& l) { return l.SendConsumerKey(30); },
     {0x07, 0x17, 0x01, 0x92, 0x06, 0x07, 0x08, 0x09}},
    {"RPT_SHUTDOWN",
     [](DeviceLink& l) { return l.SendShutdown(); },
     {0x07, 0x20, 0x00, 0x00, 0x06, 0x07, 0x08, 0x09}},
    // Byte 2 is not written: it still holds the first key slot of the keyboard report.
    {"RPT_MOUSE_BUTTONS after RPT_KEYS",
     [](DeviceLink& l) { return l.InjectEvent(0xF1, kActionPress); },
     {0x07, 0x16, 0x04, 0xFD, 0x06, 0x07, 0x08, 0x09}},
};

TEST_F(DeviceLinkReports, EachBuilderWritesOnlyItsBytes) {
    for (const auto& c : kBuilderCases) {
        SCOPED_TRACE(c.what);
        DeviceLink fresh{sleeper};
        auto ch = std::make_shared<FakeHidChannel>();
        ASSERT_TRUE(fresh.AttachWriteChannel(FakeHidChannel::Handle(ch), 8));
        for (std::uint8_t key = 0x04; key <= 0x09; ++key) {
            fresh.InjectEvent(key, kActionPress);
        }
        ASSERT_EQ(ch->SentReports().back(), (Bytes{0x07, 0x15, 4, 5, 6, 7, 8, 9}));

        EXPECT_TRUE(c.send(fresh));
        const auto sent = ch->SentReports();
        ASSERT_EQ(sent.size(), 7u);
        EXPECT_EQ(sent.back(), c.expected);
    }
}

TEST_F(DeviceLinkReports, ReportIsSentAtTheFeatureReportLength) {
    for (std::size_t length : {1u, 5u, 8u, 9u, 64u, 256u}) {
        SCOPED_TRACE(length);
        DeviceLink fresh{sleeper};
        auto ch = std::make_shared<FakeHidChannel>();
        ASSERT_TRUE(fresh.AttachWriteChannel(FakeHidChannel::Handle(ch), length));
        fresh.SendLed(3);
        fresh.SendFireTime(300);
        const auto sent = ch->SentReports();
        ASSERT_EQ(sent.size(), 2u);
        for (const Bytes& report : sent) {
            EXPECT_EQ(report.size(), length);
        }
        // Bytes a command never writes stay as they were at start: zero.
        Bytes expected(length, 0);
        const Bytes fire = {0x07, 0x12, 0x00, 0x25, 0x00, 0x00, 0x00, 0x00};
        std::copy_n(fire.begin(), std::min(length, fire.size()), expected.begin());
        EXPECT_EQ(sent[1], expected);
    }
}

TEST_F(DeviceLinkReports, IndexArgumentsThatNameNothingSendNothing) {
    EXPECT_FALSE(link.SendButtonFunction(6, 1));
    EXPECT_FALSE(link.SendButtonFunction(SIZE_MAX, 1));
    EXPECT_FALSE(link.SendDpiLevel(4, 0, 1, 0x0F));
    EXPECT_FALSE(link.SendConsumerKey(20));  // no consumer usage
    EXPECT_FALSE(link.SendConsumerKey(31));
    EXPECT_FALSE(link.SendConsumerKey(-1));
    EXPECT_EQ(channel->SentCount(), 0u);
    EXPECT_EQ(link.ReportBuffer(), (std::array<std::uint8_t, kReportBufferSize>{}));
}

struct InjectCase {
    const char* what;
    std::vector<std::uint8_t> pressedBefore;  // keys pressed in this order first
    std::uint8_t code;
    std::uint8_t action;
    std::array<std::uint8_t, 6> slotsAfter;
};

const InjectCase kKeyCases[] = {
    {"press takes the first free slot", {0x04}, 0x05, kActionPress, {0x04, 0x05, 0, 0, 0, 0}},
    {"seventh key is not taken",
     {0x04, 0x05, 0x06, 0x07, 0x08, 0x09},
     0x0A,
     kActionPress,
     {0x04, 0x05, 0x06, 0x07, 0x08, 0x09}},
    {"release of a key not held clears slot 5",
     {0x04, 0x05, 0x06, 0x07, 0x08, 0x09},
     0x20,
     kActionRelease,
     {0x04, 0x05, 0x06, 0x07, 0x08, 0}},
    {"release from slot 2 moves the rest down",
     {0x04, 0x05, 0x06, 0x07},
     0x06,
     kActionRelease,
     {0x04, 0x05, 0x07, 0, 0, 0}},
    {"release from slot 0", {0x04, 0x05}, 0x04, kActionRelease, {0x05, 0, 0, 0, 0, 0}},
    {"release from slot 5",
     {0x04, 0x05, 0x06, 0x07, 0x08, 0x09},
     0x09,
     kActionRelease,
     {0x04, 0x05, 0x06, 0x07, 0x08, 0}},
    {"release with nothing held", {}, 0x04, kActionRelease, {0, 0, 0, 0, 0, 0}},
    {"a key pressed twice takes two slots", {0x04}, 0x04, kActionPress, {0x04, 0x04, 0, 0, 0, 0}},
    {"release takes the first of two equal slots",
     {0x04, 0x05, 0x04},
     0x04,
     kActionRelease,
     {0x05, 0x04, 0, 0, 0, 0}},
    {"action 0 resends unchanged", {0x04, 0x05}, 0x06, 0, {0x04, 0x05, 0, 0, 0, 0}},
    {"action 3 resends unchanged", {0x04, 0x05}, 0x05, 3, {0x04, 0x05, 0, 0, 0, 0}},
    {"last keyboard code 0xEF is a key", {}, 0xEF, kActionPress, {0xEF, 0, 0, 0, 0, 0}},
};

TEST_F(DeviceLinkReports, InjectEventKeySlots) {
    for (const auto& c : kKeyCases) {
        SCOPED_TRACE(c.what);
        DeviceLink fresh{sleeper};
        auto ch = std::make_shared<FakeHidChannel>();
        ASSERT_TRUE(fresh.AttachWriteChannel(FakeHidChannel::Handle(ch), 8));
        for (std::uint8_t key : c.pressedBefore) {
            fresh.InjectEvent(key, kActionPress);
        }
        const std::size_t before = ch->SentCount();
        EXPECT_TRUE(fresh.InjectEvent(c.code, c.action));
        EXPECT_EQ(fresh.KeySlots(), c.slotsAfter);
        EXPECT_EQ(fresh.ButtonState(), 0xFF);
        const auto sent = ch->SentReports();
        ASSERT_EQ(sent.size(), before + 1);  // sent whether or not a slot changed
        Bytes expected = {0x07, 0x15};
        expected.insert(expected.end(), c.slotsAfter.begin(), c.slotsAfter.end());
        EXPECT_EQ(sent.back(), expected);
    }
}

TEST_F(DeviceLinkReports, InjectEventMouseButtons) {
    const struct {
        std::uint8_t code;
        std::uint8_t action;
        std::uint8_t stateAfter;
    } steps[] = {
        {0xF0, kActionPress, 0xFE},
        {0xF1, kActionPress, 0xFC},
        {0xF2, kActionPress, 0xF8},
        {0xF1, kActionRelease, 0xFA},
        {0xF1, kActionRelease, 0xFA},  // release of a released
        {0xF3, kActionPress, 0xFA},
        {0xFF, kActionRelease, 0xFA},  // name no button
        {0xF0, 0, 0xFA},
        {0xF0, kActionRelease, 0xFB},
        {0xF2, kActionRelease, 0xFF},
    };
    link.InjectEvent(0x2C, kActionPress);  // byte 2 of the buffer = 0x2C
    for (const auto& s : steps) {
        SCOPED_TRACE(testing::Message() << std::hex << int{s.code} << " " << int{s.action});
        const std::size_t before = channel->SentCount();
        EXPECT_TRUE(link.InjectEvent(s.code, s.action));
        EXPECT_EQ(link.ButtonState(), s.stateAfter);
        ASSERT_EQ(channel->SentCount(), before + 1);
        EXPECT_EQ(LastSent(), (Bytes{0x07, 0x16, 0x2C, s.stateAfter, 0, 0, 0, 0}));
    }
    EXPECT_EQ(link.KeySlots(), (std::array<std::uint8_t, 6>{0x2C, 0, 0, 0, 0, 0}));
}

TEST_F(DeviceLinkReports, ReleaseAllReleasesButtonsThenKeysWithPausesOutsideTheLock) {
    PressKeysAToF();
    link.InjectEvent(0xF0, kActionPress);
    link.InjectEvent(0xF2, kActionPress);
    channel->ClearSent();

    // During each pause another thread must be able to send: the lock is not held.
    // The other threads are joined only after ReleaseAll, so a held lock fails the test
    // instead of hanging it.
    std::vector<std::size_t> sentAtPause;
    std::vector<bool> otherSendFinished;
    std::vector<std::thread> others;
    sleeper.onSleep = [&] {
        sentAtPause.push_back(channel->SentCount());
        std::packaged_task<bool()> task([&] { return link.SendWheel(0); });
        auto done = task.get_future();
        others.emplace_back(std::move(task));
        otherSendFinished.push_back(done.wait_for(std::chrono::seconds(5)) ==
                                    std::future_status::ready);
    };
    link.ReleaseAll();
    for (auto& t : others) {
        t.join();
    }

    EXPECT_EQ(sleeper.waits, (std::vector<std::chrono::milliseconds>{
                                 std::chrono::milliseconds(10), std::chrono::milliseconds(10)}));
    EXPECT_EQ(otherSendFinished, (std::vector<bool>{true, true}));
    // Pause, mouse buttons, pause, keys (each pause also saw the other thread's wheel report).
    EXPECT_EQ(sentAtPause, (std::vector<std::size_t>{0, 2}));
    const auto sent = channel->SentReports();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[1], (Bytes{0x07, 0x16, 0x00, 0xFF, 0x06, 0x07, 0x08, 0x09}));
    EXPECT_EQ(sent[3], (Bytes{0x07, 0x15, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(link.ButtonState(), 0xFF);
    EXPECT_EQ(link.KeySlots(), (std::array<std::uint8_t, 6>{}));
}

// The code tables and the builders together give the default profile's upload bytes.
TEST_F(DeviceLinkReports, DefaultProfileUploadsTheKnownBytes) {
    const settings::UploadValues u = settings::DeriveUploadValues(settings::kResetDefaults);
    for (std::size_t b = 0; b < 6; ++b) {
        link.SendButtonFunction(b, u.buttonDeviceCode[b]);
    }
    link.SendWheel(u.wheelStatus);
    for (std::uint8_t i = 0; i < 4; ++i) {
        link.SendDpiLevel(i, u.dpiLevel, u.derived.appliedDpiCode[i], u.dpiEnableMask);
    }
    link.SendLed(u.ledDeviceCode);
    link.SendFireTime(u.fireTime);

    const auto sent = channel->SentReports();
    ASSERT_EQ(sent.size(), 13u);
    for (std::size_t b = 0; b < 6; ++b) {
        EXPECT_EQ(sent[b][1], 0x10);
        EXPECT_EQ(sent[b][2], b + 1);
        EXPECT_EQ(sent[b][3], b + 1);
    }
    EXPECT_EQ((Bytes(sent[6].begin(), sent[6].begin() + 4)), (Bytes{0x07, 0x11, 0x00, 0x00}));
    const std::uint8_t dpiByte3[] = {0x48, 0x79, 0xDA, 0xEB};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ((Bytes(sent[7 + i].begin(), sent[7 + i].begin() + 5)),
                  (Bytes{0x07, 0x09, 0x40, dpiByte3[i], 0x0F}));
    }
    EXPECT_EQ((Bytes(sent[11].begin(), sent[11].begin() + 4)), (Bytes{0x07, 0x13, 0x7F, 0x10}));
    EXPECT_EQ(sent[12], (Bytes{0x07, 0x12, 0x00, 0x06, 0x00, 0x00, 0x00, 0x00}));
}

TEST(DeviceLinkNotOpen, BuildersWriteTheBufferButSendNothing) {
    RecordingSleeper sleeper;
    DeviceLink link{sleeper};
    EXPECT_FALSE(link.IsWriteOpen());
    EXPECT_FALSE(link.SendLed(6));
    EXPECT_FALSE(link.SendButtonFunction(0, 1));
    EXPECT_FALSE(link.SendDpiLevel(0, 0, 4, 0x0F));
    EXPECT_FALSE(link.SendWheel(1));
    EXPECT_FALSE(link.SendFireTime(300));
    EXPECT_FALSE(link.SendConsumerKey(28));
    EXPECT_FALSE(link.InjectEvent(0x04, kActionPress));
    EXPECT_FALSE(link.InjectEvent(0xF0, kActionPress));
    link.ReleaseAll();
    EXPECT_FALSE(link.SendShutdown());
    const auto buffer = link.ReportBuffer();
    EXPECT_EQ((Bytes(buffer.begin(), buffer.begin() + 8)),
              (Bytes{0x07, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));

    // A channel that was refused is closed and never sent to.
    auto refused = std::make_shared<FakeHidChannel>();
    EXPECT_FALSE(link.AttachWriteChannel(FakeHidChannel::Handle(refused), 257));
    EXPECT_TRUE(refused->HandleReleased());
    EXPECT_FALSE(link.SendShutdown());
    EXPECT_EQ(refused->SentCount(), 0u);

    // Once open, the next report carries what the buffer holds.
    auto channel = std::make_shared<FakeHidChannel>();
    ASSERT_TRUE(link.AttachWriteChannel(FakeHidChannel::Handle(channel), 8));
    EXPECT_TRUE(link.InjectEvent(0xF1, 0));
    EXPECT_EQ(channel->SentReports(),
              (std::vector<Bytes>{{0x07, 0x16, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00}}));
}

TEST_F(DeviceLinkReports, RefusedSendIsReportedAndTheSequenceGoesOn) {
    channel->FailNextSends(1);
    EXPECT_FALSE(link.SendLed(3));
    EXPECT_TRUE(link.SendWheel(1));
    EXPECT_EQ(channel->SentCount(), 2u);
    EXPECT_EQ(channel->AcceptedReports(),
              (std::vector<Bytes>{{0x07, 0x11, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00}}));
}

}  // namespace
}  // namespace zel::device
