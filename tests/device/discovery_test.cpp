#include "device/discovery.h"

#include <gtest/gtest.h>

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "device/device_link.h"
#include "platform/message_sink.h"
#include "tests/support/fake_hid.h"

namespace zel::device {
namespace {

using platform::HidAccess;
using platform::HidCollectionInfo;
using test::FakeHidTransport;

HidCollectionInfo Read(const std::string& path, std::size_t length = 8) {
    return FakeHidTransport::MouseReadCollection(path, length);
}
HidCollectionInfo Write(const std::string& path, std::size_t length = 8) {
    return FakeHidTransport::MouseWriteCollection(path, length);
}
// A collection of the mouse that is neither channel (its standard pointer collection).
HidCollectionInfo MousePointer(const std::string& path) {
    HidCollectionInfo c = Read(path);
    c.usagePage = 0x01;
    c.usage = 0x02;
    return c;
}
HidCollectionInfo Other(const std::string& path, std::uint16_t product = 0x0001) {
    HidCollectionInfo c{path, 0x046D, product, 0x01, 0x02, 8, 0};
    return c;
}
// Same vendor, another product: not the mouse.
HidCollectionInfo SameVendorOtherProduct(const std::string& path) {
    HidCollectionInfo c = Read(path);
    c.productId = 0x1287;
    return c;
}
std::vector<HidCollectionInfo> Others(int count) {
    std::vector<HidCollectionInfo> list;
    for (int i = 0; i < count; ++i) {
        list.push_back(Other("/dev/hidraw-other" + std::to_string(i)));
    }
    return list;
}
std::vector<HidCollectionInfo> Join(std::vector<HidCollectionInfo> a,
                                    const std::vector<HidCollectionInfo>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct DiscoveryCase {
    const char* name;
    std::vector<HidCollectionInfo> collections;
    std::vector<std::string> failingOpens;
    bool result;
    std::string devicePath;
    bool readOpen;
    bool writeOpen;
    std::size_t openCalls;
    std::size_t messages;
};

class DiscoverMouseTable : public ::testing::TestWithParam<DiscoveryCase> {};

TEST_P(DiscoverMouseTable, FollowsTheScanRules) {
    const DiscoveryCase& c = GetParam();
    FakeHidTransport transport;
    transport.SetCollections(c.collections);
    for (const auto& path : c.failingOpens) {
        transport.SetOpenFails(path);
    }
    DeviceLink link;
    platform::RecordingMessageSink messages;

    EXPECT_EQ(DiscoverMouse(link, transport, messages, 1), c.result);
    EXPECT_EQ(link.found.load(), c.result);
    EXPECT_EQ(link.DevicePath(), c.devicePath);
    EXPECT_EQ(link.IsReadOpen(), c.readOpen);
    EXPECT_EQ(link.IsWriteOpen(), c.writeOpen);
    EXPECT_EQ(transport.OpenCalls().size(), c.openCalls);
    EXPECT_EQ(messages.messages.size(), c.messages);
}

INSTANTIATE_TEST_SUITE_P(
    Scan, DiscoverMouseTable,
    ::testing::Values(
        DiscoveryCase{"ReadThenWriteOnOneNode",
                      {Other("/dev/hidraw0"), Read("/dev/hidraw3"), Write("/dev/hidraw3"),
                       Other("/dev/hidraw4")},
                      {},
                      true,
                      "/dev/hidraw3",
                      true,
                      true,
                      2,
                      0},
        // The pair completes at the read collection: the scan stops there and the path is its.
        DiscoveryCase{"WriteCollectionFirst",
                      {Write("/dev/hidraw5"), MousePointer("/dev/hidraw6"), Read("/dev/hidraw7"),
                       Other("/dev/hidraw8")},
                      {},
                      true,
                      "/dev/hidraw7",
                      true,
                      true,
                      2,
                      0},
        // Only one collection: every index is examined and the last one decides.
        DiscoveryCase{"OnlyReadCollectionThenOtherDevice",
                      {Read("/dev/hidraw1"), Other("/dev/hidraw2")},
                      {},
                      false,
                      "/dev/hidraw1",
                      true,
                      false,
                      1,
                      0},
        DiscoveryCase{"OnlyWriteCollectionLast",
                      {Other("/dev/hidraw0"), Write("/dev/hidraw1")},
                      {},
                      true,
                      "/dev/hidraw1",
                      false,
                      true,
                      1,
                      0},
        DiscoveryCase{"MouseBeyondTheHundredthInterface",
                      Join(Others(100), {Read("/dev/hidraw100"), Write("/dev/hidraw100")}),
                      {},
                      false,
                      "",
                      false,
                      false,
                      0,
                      0},
        DiscoveryCase{"MouseAtTheLastExaminedIndices",
                      Join(Others(98), {Read("/dev/hidraw98"), Write("/dev/hidraw99")}),
                      {},
                      true,
                      "/dev/hidraw99",
                      true,
                      true,
                      2,
                      0},
        DiscoveryCase{"OtherProductOfTheVendorIsIgnored",
                      {SameVendorOtherProduct("/dev/hidraw0")},
                      {},
                      false,
                      "",
                      false,
                      false,
                      0,
                      0},
        DiscoveryCase{"NothingPresent", {}, {}, false, "", false, false, 0, 0},
        // A node of the mouse that cannot be opened (no access): the mouse is not found and
        // nothing of it stays open; the link remembers the refused node.
        DiscoveryCase{"WriteOpenFails",
                      {Read("/dev/hidraw1"), Write("/dev/hidraw2")},
                      {"/dev/hidraw2"},
                      false,
                      "/dev/hidraw2",
                      false,
                      false,
                      2,
                      0},
        // Report lengths the 256-byte buffers cannot hold refuse the whole device.
        DiscoveryCase{"FeatureReportTooLong",
                      {Read("/dev/hidraw1"), Write("/dev/hidraw1", 300)},
                      {},
                      false,
                      "",
                      false,
                      false,
                      1,
                      1},
        DiscoveryCase{"InputReportTooLongAfterWrite",
                      {Write("/dev/hidraw1"), Read("/dev/hidraw1", 257), Other("/dev/x")},
                      {},
                      false,
                      "",
                      false,
                      false,
                      1,
                      1},
        DiscoveryCase{"NoFeatureReport",
                      {Write("/dev/hidraw1", 0), Read("/dev/hidraw1")},
                      {},
                      false,
                      "",
                      false,
                      false,
                      1,
                      1},
        DiscoveryCase{"LongestLengthThatFits",
                      {Write("/dev/hidraw1", 256), Read("/dev/hidraw1", 256)},
                      {},
                      true,
                      "/dev/hidraw1",
                      true,
                      true,
                      2,
                      0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DiscoverMouse, RefusalSaysWhichReportAndHowLongInTheEditionsWords) {
    for (const auto& [flag, words] : {std::pair{1, "feature reports are 300 bytes"},
                                      std::pair{0, "informes de características del ratón"}}) {
        SCOPED_TRACE(flag);
        FakeHidTransport transport;
        transport.SetCollections({Read("/dev/hidraw1"), Write("/dev/hidraw1", 300)});
        DeviceLink link;
        platform::RecordingMessageSink messages;
        EXPECT_FALSE(DiscoverMouse(link, transport, messages, flag));
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_NE(messages.messages[0].find(words), std::string::npos) << messages.messages[0];
        EXPECT_NE(messages.messages[0].find("300"), std::string::npos) << messages.messages[0];
        EXPECT_NE(messages.messages[0].find("256"), std::string::npos) << messages.messages[0];
        // The read channel opened during the scan was not kept.
        auto read = transport.LastChannel("/dev/hidraw1", HidAccess::Read);
        ASSERT_TRUE(read);
        EXPECT_TRUE(read->HandleReleased());
    }
}

TEST(DiscoverMouse, ANodeThatCannotBeOpenedIsNamedAndTriedAgainOnArrival) {
    using Kind = platform::HidDeviceEvent::Kind;
    FakeHidTransport transport;
    transport.SetCollections({Read("/dev/hidraw3"), Write("/dev/hidraw3")});
    transport.SetOpenFails("/dev/hidraw3");
    DeviceLink link;
    platform::RecordingMessageSink messages;
    const DiscoveryResult refused = DiscoverMouseReportingAccess(link, transport, messages, 1);
    EXPECT_FALSE(refused.found);
    EXPECT_EQ(refused.refusedNode, "/dev/hidraw3");
    EXPECT_FALSE(link.found.load());

    // Unplugged: nothing to do. Plugged in again under another node, with the rule installed.
    EXPECT_FALSE(
        RetryDiscoveryOnArrival({Kind::Removal, "/dev/hidraw3"}, link, transport, messages, 1)
            .found);
    transport.SetCollections({Read("/dev/hidraw5"), Write("/dev/hidraw5")});
    const DiscoveryResult opened =
        RetryDiscoveryOnArrival({Kind::Arrival, "/dev/hidraw5"}, link, transport, messages, 1);
    EXPECT_TRUE(opened.found);
    EXPECT_TRUE(opened.refusedNode.empty());
    EXPECT_TRUE(link.IsReadOpen());
    EXPECT_TRUE(link.IsWriteOpen());
    EXPECT_EQ(link.DevicePath(), "/dev/hidraw5");
    EXPECT_TRUE(messages.messages.empty()) << "the caller words the message";
}

TEST(DiscoverMouse, LaterDiscoveryKeepsChannelsOpenedEarlier) {
    FakeHidTransport transport;
    transport.SetCollections({Read("/dev/hidraw1"), Other("/dev/hidraw2")});
    DeviceLink link;
    platform::RecordingMessageSink messages;
    EXPECT_FALSE(DiscoverMouse(link, transport, messages, 1));
    ASSERT_TRUE(link.IsReadOpen());
    auto firstRead = transport.LastChannel("/dev/hidraw1", HidAccess::Read);

    transport.SetCollections({Read("/dev/hidraw1"), Write("/dev/hidraw1"), Other("/dev/x")});
    EXPECT_TRUE(DiscoverMouse(link, transport, messages, 1));
    EXPECT_TRUE(link.IsWriteOpen());
    auto calls = transport.OpenCalls();
    ASSERT_EQ(calls.size(), 2u);  // the read collection was not opened again
    EXPECT_EQ(calls[1].access, HidAccess::Write);
    EXPECT_FALSE(firstRead->HandleReleased());

    // Both open: the scan stops at the first collection of the mouse.
    transport.SetCollections({Read("/dev/hidraw9"), Other("/dev/x")});
    EXPECT_TRUE(DiscoverMouse(link, transport, messages, 1));
    EXPECT_EQ(link.DevicePath(), "/dev/hidraw9");
    EXPECT_EQ(transport.OpenCalls().size(), 2u);
}

TEST(SameDevicePath, IgnoresTheCaseOfAsciiLettersOnly) {
    struct Case {
        const char* a;
        const char* b;
        bool same;
    } cases[] = {
        {"/dev/hidraw3", "/dev/hidraw3", true},
        {"/DEV/HIDRAW3", "/dev/hidraw3", true},
        {"sim:/tmp/Mouse.sock", "SIM:/TMP/mouse.SOCK", true},
        {"/dev/hidraw3", "/dev/hidraw30", false},
        {"/dev/hidraw3", "/dev/hidraw4", false},
        {"", "", true},
        {"/dev/hidraw@", "/dev/hidraw`", false},  // neighbours of the letters are not letters
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SameDevicePath(c.a, c.b), c.same) << c.a << " / " << c.b;
    }
}

// A run killed in the middle of a macro leaves its keys held in the mouse; the next start lets
// go of them before anything else, and before a press can start a macro of its own.
TEST(DiscoverMouse, ANewlyOpenedMouseIsToldToReleaseEverythingBeforeTheReaderIsAttached) {
    FakeHidTransport transport;
    transport.SetCollections({Read("/dev/hidraw3"), Write("/dev/hidraw3")});
    auto write = std::make_shared<test::FakeHidChannel>();
    transport.PresetChannel("/dev/hidraw3", HidAccess::Write, write);
    DeviceLink link;
    std::vector<bool> readOpenAtSend;
    write->SetSendHook(
        [&](std::span<const std::uint8_t>) { readOpenAtSend.push_back(link.IsReadOpen()); });
    platform::RecordingMessageSink messages;

    ASSERT_TRUE(DiscoverMouse(link, transport, messages, 1));
    const std::vector<test::Bytes> released = {
        {0x07, 0x16, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00},  // every button up
        {0x07, 0x15, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // every key up
    };
    EXPECT_EQ(write->SentReports(), released);
    EXPECT_EQ(readOpenAtSend, (std::vector<bool>{false, false}));
    EXPECT_TRUE(link.IsReadOpen());

    // A later discovery keeps the channel it has: nothing is sent again.
    link.found = false;
    ASSERT_TRUE(DiscoverMouse(link, transport, messages, 1));
    EXPECT_EQ(write->SentCount(), 2u);
}

TEST(DiscoverMouse, NothingIsSentToAMouseThatIsNotOpenedWhole) {
    FakeHidTransport transport;
    transport.SetCollections({Read("/dev/hidraw1"), Write("/dev/hidraw2")});
    transport.SetOpenFails("/dev/hidraw1");
    auto write = std::make_shared<test::FakeHidChannel>();
    transport.PresetChannel("/dev/hidraw2", HidAccess::Write, write);
    DeviceLink link;
    platform::RecordingMessageSink messages;

    EXPECT_FALSE(DiscoverMouse(link, transport, messages, 1));
    EXPECT_EQ(write->SentCount(), 0u);
}

struct ChangeCase {
    const char* name;
    platform::HidDeviceEvent::Kind kind;
    const char* eventPath;
    bool foundBefore;
    int shutdowns;
    std::size_t enumerations;  // discoveries the event ran
    bool foundAfter;
};

class FollowDeviceChangeTable : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(FollowDeviceChangeTable, ActsOnlyOnTheMousePath) {
    const ChangeCase& c = GetParam();
    FakeHidTransport transport;
    transport.SetCollections({Read("/dev/hidraw3"), Write("/dev/hidraw3")});
    DeviceLink link;
    platform::RecordingMessageSink messages;
    ASSERT_TRUE(DiscoverMouse(link, transport, messages, 1));
    link.found = c.foundBefore;
    const std::size_t enumerationsBefore = transport.EnumerateCount();

    int shutdowns = 0;
    FollowDeviceChange({c.kind, c.eventPath}, link, transport, messages, 1, [&] { ++shutdowns; });
    EXPECT_EQ(shutdowns, c.shutdowns);
    EXPECT_EQ(transport.EnumerateCount() - enumerationsBefore, c.enumerations);
    EXPECT_EQ(link.found.load(), c.foundAfter);
}

using Kind = platform::HidDeviceEvent::Kind;
INSTANTIATE_TEST_SUITE_P(
    Events, FollowDeviceChangeTable,
    ::testing::Values(
        ChangeCase{"RemovalOfTheMouse", Kind::Removal, "/dev/hidraw3", true, 1, 0, false},
        ChangeCase{"RemovalInUpperCase", Kind::Removal, "/DEV/HIDRAW3", true, 1, 0, false},
        ChangeCase{"RemovalOfAnotherDevice", Kind::Removal, "/dev/hidraw4", true, 0, 0, true},
        ChangeCase{"RemovalOfALongerPath", Kind::Removal, "/dev/hidraw33", true, 0, 0, true},
        ChangeCase{"ArrivalWhileFound", Kind::Arrival, "/dev/hidraw3", true, 0, 0, true},
        ChangeCase{"ArrivalWhileNotFound", Kind::Arrival, "/Dev/HidRaw3", false, 0, 1, true},
        ChangeCase{"ArrivalOfAnotherDevice", Kind::Arrival, "/dev/hidraw5", false, 0, 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FollowDeviceChange, NothingMatchesBeforeTheMouseWasEverSeen) {
    FakeHidTransport transport;
    DeviceLink link;
    platform::RecordingMessageSink messages;
    int shutdowns = 0;
    FollowDeviceChange({Kind::Removal, ""}, link, transport, messages, 1, [&] { ++shutdowns; });
    FollowDeviceChange({Kind::Arrival, ""}, link, transport, messages, 1, [&] { ++shutdowns; });
    EXPECT_EQ(shutdowns, 0);
    EXPECT_EQ(transport.EnumerateCount(), 0u);
}

}  // namespace
}  // namespace zel::device
