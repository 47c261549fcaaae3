#include "platform/sim_transport.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <future>

#include "platform/hex_text.h"
#include "sim/control_client.h"
#include "sim_test_helpers.h"

namespace zel::sim::testing {
namespace {

using platform::HidAccess;
using platform::HidChannel;
using platform::HidCollectionInfo;
using platform::HidDeviceEvent;
using platform::SimTransport;
using Kind = HidDeviceEvent::Kind;
using Report = std::vector<std::uint8_t>;

void Send(const std::string& socketPath, std::string_view command) {
    const ControlReply reply = SendControlCommand(socketPath, command);
    ASSERT_EQ(reply.status, ControlReply::Status::Ok)
        << command.substr(0, 40) << ": " << reply.text.substr(0, 200);
}

bool Readable(int fd, std::chrono::milliseconds timeout) {
    pollfd pfd{fd, POLLIN, 0};
    return ::poll(&pfd, 1, static_cast<int>(timeout.count())) == 1;
}

const HidCollectionInfo* FindCollection(const std::vector<HidCollectionInfo>& collections,
                                        std::uint16_t usagePage) {
    for (const HidCollectionInfo& c : collections) {
        if (c.usagePage == usagePage && c.usage == 1) {
            return &c;
        }
    }
    return nullptr;
}

// The utility's side of the virtual mouse: both channels open.
struct Utility {
    explicit Utility(const std::string& socketPath) : transport(socketPath) {
        const auto collections = transport.Enumerate();
        if (const HidCollectionInfo* c = FindCollection(collections, 0xFF00)) {
            reader = transport.Open(*c, HidAccess::Read);
        }
        if (const HidCollectionInfo* c = FindCollection(collections, 0xFF01)) {
            writer = transport.Open(*c, HidAccess::Write);
        }
    }
    // A read on its own thread, so the test can act while it blocks.
    std::future<std::optional<Report>> ReadLater(std::size_t bufferSize = 64) {
        return std::async(std::launch::async, [this, bufferSize]() -> std::optional<Report> {
            Report buffer(bufferSize);
            const auto length = reader->ReadInputReport(buffer);
            if (!length) {
                return std::nullopt;
            }
            buffer.resize(*length);
            return buffer;
        });
    }
    SimTransport transport;
    std::unique_ptr<HidChannel> reader;
    std::unique_ptr<HidChannel> writer;
};

TEST(SimTransport, EnumerateListsBothCollectionsOnOnePath) {
    InProcessSimulator sim({.input = 9, .feature = 300});
    SimTransport transport(sim.socketPath);
    const auto collections = transport.Enumerate();
    ASSERT_EQ(collections.size(), 2u);
    for (const HidCollectionInfo& c : collections) {
        EXPECT_EQ(c.path, "sim:" + sim.socketPath);
        EXPECT_EQ(c.vendorId, 0x18F8);
        EXPECT_EQ(c.productId, 0x1286);
        EXPECT_EQ(c.usage, 1);
    }
    const HidCollectionInfo* input = FindCollection(collections, 0xFF00);
    const HidCollectionInfo* feature = FindCollection(collections, 0xFF01);
    ASSERT_TRUE(input && feature);
    EXPECT_EQ(input->inputReportLength, 9u);
    EXPECT_EQ(input->featureReportLength, 0u);
    EXPECT_EQ(feature->featureReportLength, 300u);
    EXPECT_EQ(feature->inputReportLength, 0u);
    EXPECT_EQ(transport.InterfacePath(), "sim:" + sim.socketPath);
}

TEST(SimTransport, NothingToFindWithoutASimulator) {
    TempDir dir;
    SimTransport transport(dir.File("none.sock"));
    EXPECT_TRUE(transport.Enumerate().empty());
    HidCollectionInfo collection;
    collection.path = transport.InterfacePath();
    EXPECT_EQ(transport.Open(collection, HidAccess::Write), nullptr);
    const auto watcher = transport.Watch();
    ASSERT_NE(watcher, nullptr);
    EXPECT_FALSE(Readable(watcher->PollFd(), 20ms));
    EXPECT_TRUE(watcher->TakeEvents().empty());
}

TEST(SimTransport, OpenRefusesPathsOfOtherDevices) {
    InProcessSimulator sim;
    SimTransport transport(sim.socketPath);
    for (const std::string& path :
         {std::string("/dev/hidraw0"), sim.socketPath, std::string("sim:")}) {
        HidCollectionInfo collection;
        collection.path = path;
        EXPECT_EQ(transport.Open(collection, HidAccess::Read), nullptr) << path;
    }
}

TEST(SimTransport, FeatureReportsReachTheLogByteForByte) {
    InProcessSimulator sim;
    Utility utility(sim.socketPath);
    ASSERT_TRUE(utility.writer);
    // The upload of the reset defaults, and bytes a command leaves from the one before.
    const std::vector<Report> reports = {
        {0x07, 0x10, 0x01, 0x01, 0, 0, 0, 0},    {0x07, 0x10, 0x06, 0x06, 0, 0, 0, 0},
        {0x07, 0x11, 0x00, 0x00, 0, 0, 0, 0},    {0x07, 0x09, 0x40, 0x48, 0x0F, 0, 0, 0},
        {0x07, 0x09, 0x40, 0xEB, 0x0F, 0, 0, 0}, {0x07, 0x13, 0x7F, 0x10, 0x0F, 0, 0, 0},
        {0x07, 0x12, 0x00, 0x06, 0, 0, 0, 0},    {0x07, 0x15, 0x04, 0x00, 0, 0, 0, 0xFF},
        {0x07, 0x20, 0x00, 0x00, 0, 0, 0, 0xFF},
    };
    for (const Report& report : reports) {
        EXPECT_TRUE(utility.writer->SendFeatureReport(report));
    }
    const auto features = sim.Events("feature");
    ASSERT_EQ(features.size(), reports.size());
    for (std::size_t i = 0; i < reports.size(); ++i) {
        EXPECT_EQ(Field(features[i], "hex"), platform::HexBytes(reports[i])) << i;
        EXPECT_EQ(Field(features[i], "result"), "applied") << i;
    }
    const ControlReply state = SendControlCommand(sim.socketPath, "state");
    EXPECT_EQ(Field(state.text, "shut_down"), "true");
    EXPECT_EQ(Field(state.text, "keys"), "[4");
}

TEST(SimTransport, RefusedAndMisdirectedReportsFail) {
    InProcessSimulator sim;
    Utility utility(sim.socketPath);
    ASSERT_TRUE(utility.writer && utility.reader);
    EXPECT_FALSE(utility.writer->SendFeatureReport(Report{0x07, 0x11, 0x01}));  // short
    EXPECT_FALSE(utility.writer->SendFeatureReport(Report{0x06, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(utility.writer->SendFeatureReport(Report{}));
    EXPECT_FALSE(utility.writer->SendFeatureReport(Report(5000, 0x07)));
    EXPECT_FALSE(utility.reader->SendFeatureReport(Report{0x07, 0x11, 1, 0, 0, 0, 0, 0}));
    Report buffer(8);
    EXPECT_EQ(utility.writer->ReadInputReport(buffer), std::nullopt);
    // The channel still works after the refusals.
    EXPECT_TRUE(utility.writer->SendFeatureReport(Report{0x07, 0x11, 1, 0, 0, 0, 0, 0}));
    const auto features = sim.Events("feature");
    ASSERT_EQ(features.size(), 3u);
    EXPECT_EQ(Field(features[0], "result"), "refused");
    EXPECT_EQ(Field(features[2], "result"), "applied");
}

TEST(SimTransport, ClickOfAHostButtonArrivesOnTheReadChannel) {
    InProcessSimulator sim;
    Utility utility(sim.socketPath);
    ASSERT_TRUE(utility.writer && utility.reader);
    ASSERT_TRUE(utility.writer->SendFeatureReport(Report{0x07, 0x10, 0x03, 0x00, 0, 0, 0, 0}));
    auto press = utility.ReadLater();
    Send(sim.socketPath, "click 3");
    EXPECT_EQ(press.get(), (Report{0x06, 0xF3, 0x01, 0, 0, 0, 0, 0}));
    EXPECT_EQ(utility.ReadLater().get(), (Report{0x06, 0xF3, 0x80, 0, 0, 0, 0, 0}));
}

TEST(SimTransport, DpiButtonReportsTheLevelItSwitchedTo) {
    InProcessSimulator sim;
    Utility utility(sim.socketPath);
    ASSERT_TRUE(utility.writer->SendFeatureReport(Report{0x07, 0x10, 0x02, 0x0B, 0, 0, 0, 0}));
    ASSERT_TRUE(utility.writer->SendFeatureReport(Report{0x07, 0x09, 0x41, 0x49, 0x0A, 0, 0, 0}));
    Send(sim.socketPath, "press 2");
    EXPECT_EQ(utility.ReadLater().get(), (Report{0x06, 0xF2, 0x03, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Field(SendControlCommand(sim.socketPath, "state").text, "dpi_level"), "3");
}

TEST(SimTransport, OddRawInputReportsArriveUnchanged) {
    InProcessSimulator sim;
    Utility utility(sim.socketPath);
    ASSERT_TRUE(utility.reader);
    const std::string longest(2 * 4096, 'e');
    struct Case {
        std::string hex;
        std::size_t bufferSize;
        Report expected;
    };
    const Case cases[] = {
        {"06", 8, {0x06}},                                            // shorter than the report
        {"05f3010000000000", 8, {0x05, 0xF3, 1, 0, 0, 0, 0, 0}},      // another report ID
        {"06f30100000000000000", 8, {0x06, 0xF3, 1, 0, 0, 0, 0, 0}},  // cut to the buffer
        {longest, 4096, Report(4096, 0xEE)},
    };
    for (const Case& c : cases) {
        auto read = utility.ReadLater(c.bufferSize);
        Send(sim.socketPath, "input " + c.hex);
        EXPECT_EQ(read.get(), c.expected) << c.hex.substr(0, 20);
    }
    EXPECT_EQ(Field(sim.Events("input")[0], "hex"), "06");
}

TEST(SimTransport, UnplugWakesABlockedReadAndPlugBringsTheMouseBack) {
    InProcessSimulator sim;
    Utility utility(sim.socketPath);
    ASSERT_TRUE(utility.reader && utility.writer);
    const auto watcher = utility.transport.Watch();
    auto read = utility.ReadLater();
    ASSERT_EQ(read.wait_for(50ms), std::future_status::timeout) << "the read must block";

    Send(sim.socketPath, "unplug");
    ASSERT_EQ(read.wait_for(3s), std::future_status::ready);
    EXPECT_EQ(read.get(), std::nullopt);
    EXPECT_FALSE(utility.writer->SendFeatureReport(Report{0x07, 0x11, 1, 0, 0, 0, 0, 0}));
    ASSERT_TRUE(Readable(watcher->PollFd(), 3s));
    const std::vector<HidDeviceEvent> removal = watcher->TakeEvents();
    ASSERT_EQ(removal.size(), 1u);
    EXPECT_EQ(removal[0].kind, Kind::Removal);
    EXPECT_EQ(removal[0].path, "sim:" + sim.socketPath);
    EXPECT_TRUE(utility.transport.Enumerate().empty());
    EXPECT_TRUE(watcher->TakeEvents().empty());

    Send(sim.socketPath, "plug");
    ASSERT_TRUE(Readable(watcher->PollFd(), 3s));
    const std::vector<HidDeviceEvent> arrival = watcher->TakeEvents();
    ASSERT_EQ(arrival.size(), 1u);
    EXPECT_EQ(arrival[0].kind, Kind::Arrival);
    EXPECT_EQ(arrival[0].path, "sim:" + sim.socketPath);

    // The old channels stay dead; new ones work.
    Report buffer(8);
    EXPECT_EQ(utility.reader->ReadInputReport(buffer), std::nullopt);
    Utility again(sim.socketPath);
    ASSERT_TRUE(again.writer);
    EXPECT_TRUE(again.writer->SendFeatureReport(Report{0x07, 0x11, 1, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(sim.Events("feature").size() == 1);
}

TEST(SimTransport, CancelWakesABlockedReadForGood) {
    InProcessSimulator sim;
    Utility utility(sim.socketPath);
    ASSERT_TRUE(utility.reader && utility.writer);
    auto read = utility.ReadLater();
    ASSERT_EQ(read.wait_for(50ms), std::future_status::timeout);
    utility.reader->Cancel();
    ASSERT_EQ(read.wait_for(3s), std::future_status::ready);
    EXPECT_EQ(read.get(), std::nullopt);
    Send(sim.socketPath, "input 06f101");
    Report buffer(8);
    EXPECT_EQ(utility.reader->ReadInputReport(buffer), std::nullopt);
    utility.writer->Cancel();
    EXPECT_FALSE(utility.writer->SendFeatureReport(Report{0x07, 0x11, 1, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(sim.Events("feature").empty());
}

TEST(SimTransport, StartedUnpluggedTheMouseAppearsOnPlug) {
    InProcessSimulator sim({}, /*startUnplugged=*/true);
    SimTransport transport(sim.socketPath);
    EXPECT_TRUE(transport.Enumerate().empty());
    HidCollectionInfo collection;
    collection.path = transport.InterfacePath();
    EXPECT_EQ(transport.Open(collection, HidAccess::Write), nullptr);
    const auto watcher = transport.Watch();
    EXPECT_FALSE(Readable(watcher->PollFd(), 20ms));

    Send(sim.socketPath, "plug");
    ASSERT_TRUE(Readable(watcher->PollFd(), 3s));
    const auto events = watcher->TakeEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, Kind::Arrival);
    EXPECT_EQ(transport.Enumerate().size(), 2u);
    EXPECT_NE(transport.Open(collection, HidAccess::Write), nullptr);
}

TEST(SimTransport, WatcherReportsRemovalWhenTheSimulatorEndsThenFallsSilent) {
    std::unique_ptr<platform::HidDeviceWatcher> watcher;
    std::string path;
    {
        InProcessSimulator sim;
        SimTransport transport(sim.socketPath);
        watcher = transport.Watch();
        path = transport.InterfacePath();
    }
    ASSERT_TRUE(Readable(watcher->PollFd(), 3s));
    const auto events = watcher->TakeEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, Kind::Removal);
    EXPECT_EQ(events[0].path, path);
    EXPECT_FALSE(Readable(watcher->PollFd(), 50ms));
    EXPECT_TRUE(watcher->TakeEvents().empty());
}

TEST(SimTransport, FromEnvironmentFollowsZelGmouseSim) {
    ::unsetenv("ZEL_GMOUSE_SIM");
    EXPECT_EQ(SimTransport::FromEnvironment(), nullptr);
    ::setenv("ZEL_GMOUSE_SIM", "", 1);
    EXPECT_EQ(SimTransport::FromEnvironment(), nullptr);
    ::setenv("ZEL_GMOUSE_SIM", "/tmp/mouse.sock", 1);
    const auto transport = SimTransport::FromEnvironment();
    ASSERT_NE(transport, nullptr);
    EXPECT_EQ(transport->InterfacePath(), "sim:/tmp/mouse.sock");
    ::unsetenv("ZEL_GMOUSE_SIM");
}

// The same conversation with the real program: upload, click, unplug.
TEST(SimTransport, AgainstTheSimulatorProgram) {
    TempDir dir;
    const std::string socket = dir.File("m.sock");
    const std::string log = dir.File("m.log");
    ChildProcess serve({"serve", "--socket", socket, "--log", log}, dir.File("out"),
                       dir.File("err"));
    ASSERT_TRUE(WaitUntil([&] { return !SimTransport(socket).Enumerate().empty(); }));

    Utility utility(socket);
    ASSERT_TRUE(utility.reader && utility.writer);
    const Report hostButton = {0x07, 0x10, 0x05, 0x00, 0, 0, 0, 0};
    ASSERT_TRUE(utility.writer->SendFeatureReport(hostButton));
    auto press = utility.ReadLater();
    Send(socket, "click 5");
    EXPECT_EQ(press.get(), (Report{0x06, 0xF5, 0x01, 0, 0, 0, 0, 0}));
    EXPECT_EQ(utility.ReadLater().get(), (Report{0x06, 0xF5, 0x80, 0, 0, 0, 0, 0}));
    auto blocked = utility.ReadLater();
    Send(socket, "unplug");
    EXPECT_EQ(blocked.get(), std::nullopt);
    Send(socket, "quit");
    EXPECT_EQ(serve.Wait(), 0);

    const auto lines = ReadLines(log);
    std::vector<std::string> events;
    for (const std::string& line : lines) {
        events.push_back(Field(line, "event"));
    }
    const std::vector<std::string> expected = {"connect", "connect", "feature",    "input",
                                               "input",   "unplug",  "disconnect", "disconnect"};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(Field(lines[2], "hex"), "0710050000000000");
    EXPECT_EQ(Field(lines[3], "hex"), "06f5010000000000");
}

}  // namespace
}  // namespace zel::sim::testing
