#include "platform/hidraw_channel.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <future>
#include <string>
#include <vector>

namespace zel::platform {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// A sequenced-packet socket pair stands in for a hidraw node: like hidraw, each read returns
// exactly one report, and closing the far end looks like an unplug (POLLHUP).
class HidrawChannelTest : public ::testing::Test {
protected:
    std::unique_ptr<HidrawChannel> MakeChannel(const HidrawChannelOptions& options) {
        int ends[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends), 0);
        device_.Reset(ends[1]);
        return HidrawChannel::Adopt(UniqueFd(ends[0]), options);
    }

    void DeviceSends(const Bytes& report) {
        ASSERT_EQ(::write(device_.get(), report.data(), report.size()),
                  static_cast<ssize_t>(report.size()));
    }

    static HidrawChannelOptions Reader() {
        HidrawChannelOptions options;
        options.access = HidAccess::Read;
        return options;
    }

    UniqueFd device_;
};

TEST_F(HidrawChannelTest, ReadReturnsOneWholeReportAtATime) {
    auto channel = MakeChannel(Reader());
    ASSERT_NE(channel, nullptr);
    DeviceSends({0x06, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07});
    DeviceSends({0x06, 0x09});

    std::array<std::uint8_t, 64> buffer{};
    EXPECT_EQ(channel->ReadInputReport(buffer), 8u);
    EXPECT_EQ(buffer[0], 0x06);
    EXPECT_EQ(buffer[7], 0x07);
    EXPECT_EQ(channel->ReadInputReport(buffer), 2u);
    EXPECT_EQ(buffer[1], 0x09);
}

TEST_F(HidrawChannelTest, ReportsOfOtherCollectionsAreSkipped) {
    HidrawChannelOptions options = Reader();
    options.filterInputReportIds = true;
    options.inputReportIds.set(6);
    auto channel = MakeChannel(options);
    ASSERT_NE(channel, nullptr);
    DeviceSends({0x01, 0xAA, 0xBB});  // e.g. the same node's mouse collection
    DeviceSends({0x07, 0x00});
    DeviceSends({0x06, 0x42});

    std::array<std::uint8_t, 16> buffer{};
    EXPECT_EQ(channel->ReadInputReport(buffer), 2u);
    EXPECT_EQ(buffer[0], 0x06);
    EXPECT_EQ(buffer[1], 0x42);
}

TEST_F(HidrawChannelTest, CancelWakesABlockedReadAndEveryLaterOne) {
    auto channel = MakeChannel(Reader());
    ASSERT_NE(channel, nullptr);
    auto blocked = std::async(std::launch::async, [&] {
        std::array<std::uint8_t, 8> buffer{};
        return channel->ReadInputReport(buffer);
    });
    EXPECT_EQ(blocked.wait_for(100ms), std::future_status::timeout);  // really blocks
    channel->Cancel();
    ASSERT_EQ(blocked.wait_for(5s), std::future_status::ready);
    EXPECT_FALSE(blocked.get().has_value());

    DeviceSends({0x06, 0x01});  // even with a report waiting
    std::array<std::uint8_t, 8> buffer{};
    EXPECT_FALSE(channel->ReadInputReport(buffer).has_value());
}

TEST_F(HidrawChannelTest, UnplugWakesABlockedRead) {
    auto channel = MakeChannel(Reader());
    ASSERT_NE(channel, nullptr);
    auto blocked = std::async(std::launch::async, [&] {
        std::array<std::uint8_t, 8> buffer{};
        return channel->ReadInputReport(buffer);
    });
    EXPECT_EQ(blocked.wait_for(50ms), std::future_status::timeout);
    device_.Reset();
    ASSERT_EQ(blocked.wait_for(5s), std::future_status::ready);
    EXPECT_FALSE(blocked.get().has_value());
}

TEST_F(HidrawChannelTest, EmptyBufferStillConsumesOneReport) {
    auto channel = MakeChannel(Reader());
    ASSERT_NE(channel, nullptr);
    DeviceSends({0x06, 0x01});
    DeviceSends({0x06, 0x02});
    EXPECT_EQ(channel->ReadInputReport({}), 0u);
    std::array<std::uint8_t, 8> buffer{};
    EXPECT_EQ(channel->ReadInputReport(buffer), 2u);
    EXPECT_EQ(buffer[1], 0x02);
}

TEST_F(HidrawChannelTest, ChannelsOnlyDoWhatTheyWereOpenedFor) {
    HidrawChannelOptions writer;
    writer.access = HidAccess::Write;
    writer.featureReportLength = 8;
    auto channel = MakeChannel(writer);
    ASSERT_NE(channel, nullptr);
    DeviceSends({0x06, 0x01});
    std::array<std::uint8_t, 8> buffer{};
    EXPECT_FALSE(channel->ReadInputReport(buffer).has_value());  // returns at once

    auto reader = MakeChannel(Reader());
    ASSERT_NE(reader, nullptr);
    const Bytes report = {0x07, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_FALSE(reader->SendFeatureReport(report));
}

TEST_F(HidrawChannelTest, AdoptRefusesAnInvalidDescriptor) {
    EXPECT_EQ(HidrawChannel::Adopt(UniqueFd(), Reader()), nullptr);
}

// Two opens of one node, as two programs make them: the second reader is refused with the
// reason until the first lets go. A plain file takes flock as a device node does.
TEST(LockSoleReader, ASecondReaderOfTheSameNodeIsRefusedUntilTheFirstEnds) {
    char path[] = "/tmp/zel-sole-reader-XXXXXX";
    const int made = ::mkstemp(path);
    ASSERT_GE(made, 0);
    ::close(made);
    auto open = [&path] { return UniqueFd(::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK)); };

    UniqueFd first = open();
    ASSERT_TRUE(first.valid());
    EXPECT_TRUE(LockSoleReader(first.get()).ok());
    {
        UniqueFd second = open();
        ASSERT_TRUE(second.valid());
        const Result<void> refused = LockSoleReader(second.get());
        ASSERT_FALSE(refused.ok());
        EXPECT_EQ(refused.error().code, ErrorCode::kUnavailable);
        EXPECT_NE(refused.error().message.find("another program reads the mouse"),
                  std::string::npos)
            << refused.error().message;
    }
    first.Reset();
    UniqueFd third = open();
    EXPECT_TRUE(LockSoleReader(third.get()).ok()) << "the lock goes with the first reader";
    ::unlink(path);
}

}  // namespace
}  // namespace zel::platform
