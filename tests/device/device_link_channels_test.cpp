// Attaching channels, reading input reports, cancelling a blocked read, and sends from two
// threads.

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <future>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "device/device_link.h"
#include "tests/support/fake_hid.h"

namespace zel::device {
namespace {

using platform::HidAccess;
using test::Bytes;
using test::FakeHidChannel;

struct LengthCase {
    std::size_t length;
    bool fits;
};

const LengthCase kLengthCases[] = {
    {0, false}, {1, true}, {8, true}, {256, true}, {257, false}, {65536, false}, {SIZE_MAX, false},
};

TEST(DeviceLinkChannels, ReportLengthOutsideTheBuffersRefusesTheChannel) {
    for (const auto& c : kLengthCases) {
        SCOPED_TRACE(c.length);
        DeviceLink link;
        auto read = std::make_shared<FakeHidChannel>();
        auto write = std::make_shared<FakeHidChannel>();
        EXPECT_EQ(ReportLengthFits(c.length), c.fits);
        EXPECT_EQ(CheckReportLength(c.length, HidAccess::Write, 1).ok(), c.fits);
        EXPECT_EQ(link.AttachReadChannel(FakeHidChannel::Handle(read), c.length), c.fits);
        EXPECT_EQ(link.AttachWriteChannel(FakeHidChannel::Handle(write), c.length), c.fits);
        const bool accepted = c.fits;
        EXPECT_EQ(link.IsReadOpen(), accepted);
        EXPECT_EQ(link.IsWriteOpen(), accepted);
        EXPECT_EQ(read->HandleReleased(), !accepted);
        EXPECT_EQ(write->HandleReleased(), !accepted);
        EXPECT_EQ(link.InputReportLength(), accepted ? c.length : 0);
        EXPECT_EQ(link.FeatureReportLength(), accepted ? c.length : 0);
        // Nothing goes out through a refused channel, and nothing overruns the buffer.
        link.SendLed(1);
        EXPECT_EQ(write->SentCount(), accepted ? 1u : 0u);
    }
}

TEST(DeviceLinkChannels, ARefusedLengthIsSaidInTheEditionsWords) {
    struct Case {
        std::size_t length;
        HidAccess access;
        int languageFlag;
        std::vector<std::string> says;
    };
    const Case cases[] = {
        {257, HidAccess::Write, 1, {"feature reports are 257 bytes", "at most 256 bytes"}},
        {0, HidAccess::Read, 1, {"input collection has no input reports"}},
        {300, HidAccess::Read, 0, {"informes de entrada del ratón ocupan 300 bytes", "256"}},
        {0, HidAccess::Write, 0, {"no tiene informes de características"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says.front());
        const platform::Result<void> checked =
            CheckReportLength(c.length, c.access, c.languageFlag);
        ASSERT_FALSE(checked.ok());
        EXPECT_EQ(checked.error().code, platform::ErrorCode::kUnsupported);
        for (const std::string& words : c.says) {
            EXPECT_NE(checked.error().message.find(words), std::string::npos)
                << checked.error().message;
        }
    }
}

TEST(DeviceLinkChannels, AnOpenChannelStaysWhenAnotherIsAttached) {
    DeviceLink link;
    EXPECT_FALSE(link.AttachWriteChannel(nullptr, 8));
    EXPECT_FALSE(link.AttachReadChannel(nullptr, 8));
    EXPECT_FALSE(link.IsWriteOpen());

    auto first = std::make_shared<FakeHidChannel>();
    auto second = std::make_shared<FakeHidChannel>();
    ASSERT_TRUE(link.AttachWriteChannel(FakeHidChannel::Handle(first), 8));
    EXPECT_FALSE(link.AttachWriteChannel(FakeHidChannel::Handle(second), 16));
    EXPECT_TRUE(second->HandleReleased());
    EXPECT_FALSE(first->HandleReleased());
    EXPECT_EQ(link.FeatureReportLength(), 8u);
    link.SendShutdown();
    EXPECT_EQ(first->SentCount(), 1u);
    EXPECT_EQ(second->SentCount(), 0u);

    auto read1 = std::make_shared<FakeHidChannel>();
    auto read2 = std::make_shared<FakeHidChannel>();
    ASSERT_TRUE(link.AttachReadChannel(FakeHidChannel::Handle(read1), 8));
    EXPECT_FALSE(link.AttachReadChannel(FakeHidChannel::Handle(read2), 8));
    EXPECT_TRUE(read2->HandleReleased());
    read1->PushInputReport({0x06, 0xF1, 0x00});
    EXPECT_TRUE(link.ReadInputReport());
}

TEST(DeviceLinkChannels, DevicePathAndFound) {
    DeviceLink link;
    EXPECT_EQ(link.DevicePath(), "");
    EXPECT_FALSE(link.found.load());
    link.SetDevicePath("/dev/hidraw3");
    link.found = true;
    EXPECT_EQ(link.DevicePath(), "/dev/hidraw3");
    EXPECT_TRUE(link.found.load());
    EXPECT_EQ(DeviceLink::buttonNumbers, (std::array<std::uint8_t, 6>{1, 2, 3, 4, 5, 6}));
}

class DeviceLinkInput : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(link.AttachReadChannel(FakeHidChannel::Handle(channel), 8));
    }
    Bytes Last() const {
        const InputReport r = link.LastInputReport();
        return Bytes(r.Received().begin(), r.Received().end());
    }

    DeviceLink link;
    std::shared_ptr<FakeHidChannel> channel = std::make_shared<FakeHidChannel>();
};

TEST(DeviceLinkInputNotOpen, ReadFailsAtOnce) {
    DeviceLink link;
    EXPECT_FALSE(link.ReadInputReport());
    EXPECT_EQ(link.LastInputReport().length, 0u);
    link.CancelRead();  // nothing to cancel
}

TEST_F(DeviceLinkInput, ReportsOfEveryLength) {
    const struct {
        const char* what;
        std::optional<Bytes> pushed;  // nullopt: a read error
        bool ok;
        Bytes kept;  // the last input report afterwards
    } steps[] = {
        {"full report",
         Bytes{0x06, 0xF3, 0x80, 1, 2, 3, 4, 5},
         true,
         {0x06, 0xF3, 0x80, 1, 2, 3, 4, 5}},
        {"short report, nothing stale after it", Bytes{0x06, 0xF1}, true, {0x06, 0xF1}},
        {"long report is cut to the input length",
         Bytes{0x06, 0xF2, 0x02, 9, 9, 9, 9, 9, 0xAA, 0xBB, 0xCC},
         true,
         {0x06, 0xF2, 0x02, 9, 9, 9, 9, 9}},
        {"empty report fails and keeps the last",
         Bytes{},
         false,
         {0x06, 0xF2, 0x02, 9, 9, 9, 9, 9}},
        {"read error fails and keeps the last",
         std::nullopt,
         false,
         {0x06, 0xF2, 0x02, 9, 9, 9, 9, 9}},
        {"another report ID is delivered as read",
         Bytes{0x01, 0x02, 0x03},
         true,
         {0x01, 0x02, 0x03}},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        if (s.pushed) {
            channel->PushInputReport(*s.pushed);
        } else {
            channel->PushReadFailure();
        }
        EXPECT_EQ(link.ReadInputReport(), s.ok);
        EXPECT_EQ(Last(), s.kept);
        const InputReport r = link.LastInputReport();
        for (std::size_t i = r.length; i < r.bytes.size(); ++i) {
            ASSERT_EQ(r.bytes[i], 0) << "byte " << i;
        }
        for (std::size_t i = 0; i < 8; ++i) {
            EXPECT_EQ(link.InputByte(i), i < s.kept.size() ? s.kept[i] : 0);
        }
    }
    EXPECT_EQ(link.InputByte(kReportBufferSize), 0);
    EXPECT_EQ(link.InputByte(SIZE_MAX), 0);
}

TEST_F(DeviceLinkInput, CancelWakesABlockedReadAndLaterReadsFail) {
    auto reader = std::async(std::launch::async, [&] { return link.ReadInputReport(); });
    ASSERT_TRUE(channel->WaitForBlockedReader(std::chrono::seconds(5)));
    EXPECT_EQ(reader.wait_for(std::chrono::milliseconds(20)), std::future_status::timeout);
    link.CancelRead();
    ASSERT_EQ(reader.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_FALSE(reader.get());
    channel->PushInputReport({0x06, 0xF1, 0x00});
    EXPECT_FALSE(link.ReadInputReport());
}

TEST_F(DeviceLinkInput, ReaderAndOtherThreadsShareTheLastReport) {
    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (link.ReadInputReport()) {
        }
        done = true;
    });
    // Another thread (the player) reads byte 2 while reports arrive.
    std::thread player([&] {
        while (!done) {
            const std::uint8_t v = link.InputByte(2);
            ASSERT_TRUE(v == 0 || v == 0x80 || v == 0x02) << int{v};
        }
    });
    for (int i = 0; i < 200; ++i) {
        channel->PushInputReport({0x06, 0xF1, static_cast<std::uint8_t>(i % 2 ? 0x80 : 0x02)});
    }
    while (channel->PendingInputReports() > 0) {
        std::this_thread::yield();
    }
    link.CancelRead();
    reader.join();
    player.join();
}

// Two threads send different commands as fast as they can; every report must be exactly what
// one command builds from the buffer, never a mix of two.
TEST(DeviceLinkThreads, ReportsFromTwoThreadsNeverMix) {
    DeviceLink link;
    auto channel = std::make_shared<FakeHidChannel>();
    ASSERT_TRUE(link.AttachWriteChannel(FakeHidChannel::Handle(channel), 8));
    // Yield inside the send to give a missing lock every chance to show.
    channel->SetSendHook([](std::span<const std::uint8_t>) { std::this_thread::yield(); });

    constexpr int kRounds = 2000;
    std::thread window([&] {
        for (int i = 0; i < kRounds; ++i) {
            const std::size_t button = static_cast<std::size_t>(i % 6);
            link.SendButtonFunction(button, static_cast<std::uint8_t>(0x30 + button));
            link.SendDpiLevel(static_cast<std::uint8_t>(i % 4), 2, 9, 0x0F);
        }
    });
    std::thread player([&] {
        for (int i = 0; i < kRounds; ++i) {
            link.InjectEvent(0x04, kActionPress);
            link.SendConsumerKey(21 + i % 10);
            link.InjectEvent(0x04, kActionRelease);
        }
    });
    window.join();
    player.join();

    const std::set<int> usages = {0x223, 0x183, 0x18A, 0xE9, 0xEA, 0xB6, 0xB5, 0xE2, 0xCD, 0x192};
    const auto sent = channel->SentReports();
    ASSERT_EQ(sent.size(), static_cast<std::size_t>(5 * kRounds));
    // A report that went out with the other thread's bytes over its own would be counted
    // under the wrong command.
    std::map<int, int> perCommand;
    for (const Bytes& r : sent) {
        ++perCommand[r[1]];
    }
    EXPECT_EQ(perCommand,
              (std::map<int, int>{
                  {0x09, kRounds}, {0x10, kRounds}, {0x15, 2 * kRounds}, {0x17, kRounds}}));
    for (std::size_t n = 0; n < sent.size(); ++n) {
        const Bytes& r = sent[n];
        ASSERT_EQ(r.size(), 8u);
        ASSERT_EQ(r[0], 0x07) << "report " << n;
        switch (r[1]) {
            case 0x10:
                ASSERT_TRUE(r[2] >= 1 && r[2] <= 6) << "report " << n;
                ASSERT_EQ(r[3], 0x30 + r[2] - 1) << "report " << n;
                break;
            case 0x09:
                ASSERT_EQ(r[2], 0x42) << "report " << n;
                ASSERT_EQ(r[3] & 0xFC, 0x98) << "report " << n;
                ASSERT_EQ(r[4], 0x0F) << "report " << n;
                break;
            case 0x17:
                ASSERT_TRUE(usages.count(r[2] << 8 | r[3])) << "report " << n;
                break;
            case 0x15:
                ASSERT_TRUE(r[2] == 0x04 || r[2] == 0x00) << "report " << n;
                for (int i = 3; i < 8; ++i) {
                    ASSERT_EQ(r[i], 0) << "report " << n << " byte " << i;
                }
                break;
            default:
                FAIL() << "report " << n << " has command " << int{r[1]};
        }
    }
}

}  // namespace
}  // namespace zel::device
