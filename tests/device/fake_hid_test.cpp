// The HID fakes behave as the interfaces promise, so that tests built on them mean something.

#include "tests/support/fake_hid.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <array>
#include <future>

namespace zel::test {
namespace {

using platform::HidAccess;
using platform::HidDeviceEvent;

bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN) != 0;
}

TEST(FakeHidTransport, OpensPresentPathsAndRecordsEveryCall) {
    FakeHidTransport transport;
    transport.SetCollections({FakeHidTransport::MouseWriteCollection("/dev/hidraw1"),
                              FakeHidTransport::MouseReadCollection("/dev/hidraw1")});
    transport.AddCollection(FakeHidTransport::MouseReadCollection("/dev/hidraw2", 16));
    transport.SetOpenFails("/dev/hidraw2");
    auto preset = std::make_shared<FakeHidChannel>();
    transport.PresetChannel("/dev/hidraw1", HidAccess::Read, preset);

    const auto collections = transport.Enumerate();
    ASSERT_EQ(collections.size(), 3u);
    EXPECT_EQ(collections[0].usagePage, 0xFF01);
    EXPECT_EQ(collections[0].featureReportLength, 8u);
    EXPECT_EQ(collections[1].usagePage, 0xFF00);
    EXPECT_EQ(collections[2].inputReportLength, 16u);
    EXPECT_EQ(collections[2].vendorId, 0x18F8);
    EXPECT_EQ(collections[2].productId, 0x1286);
    EXPECT_EQ(transport.EnumerateCount(), 1u);

    auto write = transport.Open(collections[0], HidAccess::Write);
    auto read = transport.Open(collections[1], HidAccess::Read);
    EXPECT_EQ(transport.Open(collections[2], HidAccess::Read), nullptr);
    platform::HidCollectionInfo absent = collections[0];
    absent.path = "/dev/hidraw9";
    EXPECT_EQ(transport.Open(absent, HidAccess::Write), nullptr);
    ASSERT_NE(write, nullptr);
    ASSERT_NE(read, nullptr);

    const auto calls = transport.OpenCalls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[1].channel, preset);
    EXPECT_EQ(calls[2].channel, nullptr);
    EXPECT_EQ(transport.LastChannel("/dev/hidraw1", HidAccess::Read), preset);

    const std::array<std::uint8_t, 3> report = {7, 0x20, 0};
    EXPECT_TRUE(write->SendFeatureReport(report));
    auto writeFake = transport.LastChannel("/dev/hidraw1", HidAccess::Write);
    ASSERT_NE(writeFake, nullptr);
    EXPECT_EQ(writeFake->SentReports(), (std::vector<Bytes>{{7, 0x20, 0}}));
    write.reset();
    EXPECT_TRUE(writeFake->HandleReleased());

    transport.RemoveCollections("/dev/hidraw1");
    EXPECT_EQ(transport.Enumerate().size(), 1u);
}

TEST(FakeHidChannel, ScriptedSendFailuresAndDisconnect) {
    auto channel = std::make_shared<FakeHidChannel>();
    auto handle = FakeHidChannel::Handle(channel);
    const std::array<std::uint8_t, 2> report = {7, 0x11};
    channel->SetSendFails(true);
    EXPECT_FALSE(handle->SendFeatureReport(report));
    channel->SetSendFails(false);
    EXPECT_TRUE(handle->SendFeatureReport(report));
    EXPECT_EQ(channel->SentCount(), 2u);
    EXPECT_EQ(channel->AcceptedReports().size(), 1u);

    auto reader = std::async(std::launch::async, [&] {
        std::array<std::uint8_t, 8> buffer{};
        return handle->ReadInputReport(buffer);
    });
    ASSERT_TRUE(channel->WaitForBlockedReader(std::chrono::seconds(5)));
    channel->Disconnect();
    EXPECT_EQ(reader.get(), std::nullopt);
    EXPECT_FALSE(handle->SendFeatureReport(report));
}

TEST(FakeHidDeviceWatcher, PollFdIsReadableWhileEventsWait) {
    FakeHidTransport transport;
    auto watcher = transport.Watch();
    const int fd = watcher->PollFd();
    EXPECT_FALSE(Readable(fd));
    transport.Watcher()->PushArrival("/dev/hidraw4");
    transport.Watcher()->PushRemoval("/dev/hidraw4");
    EXPECT_TRUE(Readable(fd));
    const auto events = watcher->TakeEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, HidDeviceEvent::Kind::Arrival);
    EXPECT_EQ(events[1].kind, HidDeviceEvent::Kind::Removal);
    EXPECT_EQ(events[1].path, "/dev/hidraw4");
    EXPECT_FALSE(Readable(fd));
    EXPECT_TRUE(watcher->TakeEvents().empty());
}

}  // namespace
}  // namespace zel::test
