// The uhid front-end against a fake kernel: the test holds the other end of a socket pair and
// speaks struct uhid_event as the kernel's uhid driver does.

#include "sim/uhid_frontend.h"

#include <gtest/gtest.h>
#include <linux/uhid.h>
#include <sys/socket.h>

#include <cstring>

#include "platform/hex_text.h"
#include "platform/hid_report_descriptor.h"
#include "sim/control_client.h"
#include "sim/report_descriptor.h"
#include "sim_test_helpers.h"

namespace zel::sim::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::unique_ptr<uhid_event> BlankEvent(std::uint32_t type) {
    auto event = std::make_unique<uhid_event>();
    std::memset(event.get(), 0, sizeof *event);
    event->type = type;
    return event;
}

// The kernel's side of /dev/uhid.
class FakeKernel {
public:
    FakeKernel() {
        int fds[2];
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds) == 0) {
            kernel_.Reset(fds[0]);
            device_ = platform::UniqueFd(fds[1]);
        }
    }
    platform::UniqueFd TakeDeviceEnd() { return std::move(device_); }
    void Hangup() { kernel_.Reset(); }

    void Send(const uhid_event& event, std::size_t size = sizeof(uhid_event)) {
        ASSERT_EQ(::send(kernel_.get(), &event, size, MSG_NOSIGNAL), static_cast<ssize_t>(size));
    }
    void Send(std::uint32_t type) { Send(*BlankEvent(type)); }
    void SetReport(std::uint32_t id, std::uint8_t rtype, const Bytes& data) {
        auto event = BlankEvent(UHID_SET_REPORT);
        event->u.set_report.id = id;
        event->u.set_report.rnum = data.empty() ? 0 : data[0];
        event->u.set_report.rtype = rtype;
        event->u.set_report.size = static_cast<__u16>(data.size());
        std::memcpy(event->u.set_report.data, data.data(), data.size());
        Send(*event);
    }
    void GetReport(std::uint32_t id, std::uint8_t rtype, std::uint8_t rnum) {
        auto event = BlankEvent(UHID_GET_REPORT);
        event->u.get_report.id = id;
        event->u.get_report.rnum = rnum;
        event->u.get_report.rtype = rtype;
        Send(*event);
    }

    // The next event the device wrote; nullptr when none came in time.
    std::unique_ptr<uhid_event> Next(std::chrono::milliseconds timeout = 3s) {
        pollfd pfd{kernel_.get(), POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(timeout.count())) <= 0) {
            return nullptr;
        }
        auto event = BlankEvent(0);
        if (::recv(kernel_.get(), event.get(), sizeof *event, 0) <= 0) {
            return nullptr;
        }
        return event;
    }
    // The next event of the given type, skipping nothing: any other type fails the test.
    std::unique_ptr<uhid_event> Expect(std::uint32_t type) {
        auto event = Next();
        EXPECT_NE(event, nullptr) << "no event, expected type " << type;
        if (event) {
            EXPECT_EQ(event->type, type);
        }
        return event;
    }
    bool Quiet(std::chrono::milliseconds time = 100ms) { return Next(time) == nullptr; }

private:
    platform::UniqueFd kernel_;
    platform::UniqueFd device_;
};

// A uhid front-end on its own thread, with a control socket and a log.
class Harness {
public:
    explicit Harness(ReportLengths lengths = {}, bool startUnplugged = false) {
        socketPath = dir_.File("control.sock");
        logPath = dir_.File("mouse.log");
        logFd_ = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        log_ = std::make_unique<EventLog>(logFd_);
        frontend_ =
            std::make_unique<UhidFrontend>(ServeOptions{socketPath, lengths, startUnplugged}, *log_,
                                           std::make_unique<UhidDevice>(kernel.TakeDeviceEnd()));
        started = frontend_->Start(&startError);
        if (started) {
            thread_ = std::thread([this] { runResult_ = frontend_->Run(); });
        }
    }
    ~Harness() {
        frontend_->Stop();
        if (thread_.joinable()) {
            thread_.join();
        }
        ::close(logFd_);
    }
    ControlReply Command(std::string_view text) { return SendControlCommand(socketPath, text); }
    std::vector<std::string> Events(const std::string& name) const {
        return EventsNamed(ReadLines(logPath), name);
    }
    bool WaitForEvents(const std::string& name, std::size_t count) const {
        return WaitUntil([&] { return Events(name).size() >= count; });
    }
    // Waits for the run to end by itself; its result.
    std::optional<bool> Ended() {
        if (!WaitUntil([&] { return runResult_.load().has_value(); })) {
            return std::nullopt;
        }
        thread_.join();
        return runResult_.load();
    }

    FakeKernel kernel;
    std::string socketPath;
    std::string logPath;
    bool started = false;
    std::string startError;

private:
    TempDir dir_;
    int logFd_ = -1;
    std::unique_ptr<EventLog> log_;
    std::unique_ptr<UhidFrontend> frontend_;
    std::thread thread_;
    std::atomic<std::optional<bool>> runResult_{};
};

Bytes ReplyData(const uhid_event& event) {
    const auto& reply = event.u.get_report_reply;
    return Bytes(reply.data, reply.data + std::min<std::size_t>(reply.size, UHID_DATA_MAX));
}

// Gives button n device code 0, so its presses are reported, and eats the reply.
void MakeHostButton(Harness& h, std::uint32_t id, int button) {
    h.kernel.SetReport(id, UHID_FEATURE_REPORT,
                       {0x07, 0x10, static_cast<std::uint8_t>(button), 0, 0, 0, 0, 0});
    auto reply = h.kernel.Expect(UHID_SET_REPORT_REPLY);
    ASSERT_NE(reply, nullptr);
    ASSERT_EQ(reply->u.set_report_reply.err, 0);
}

struct LengthCase {
    ReportLengths lengths;
};

TEST(UhidFrontend, CreatesTheMouseWithBothCollectionsAtTheChosenLengths) {
    const LengthCase cases[] = {{{8, 8}}, {{64, 33}}, {{3, 2}}, {{256, 256}}, {{1024, 520}}};
    for (const LengthCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.lengths.input) + "/" + std::to_string(c.lengths.feature));
        Harness h(c.lengths);
        ASSERT_TRUE(h.started) << h.startError;
        const auto create = h.kernel.Expect(UHID_CREATE2);
        ASSERT_NE(create, nullptr);
        const auto& info = create->u.create2;
        EXPECT_EQ(info.bus, 0x03);
        EXPECT_EQ(info.vendor, 0x18F8u);
        EXPECT_EQ(info.product, 0x1286u);
        EXPECT_STREQ(reinterpret_cast<const char*>(info.name), "ZEL virtual gaming mouse");
        const Bytes descriptor(info.rd_data, info.rd_data + info.rd_size);
        EXPECT_EQ(descriptor, BuildReportDescriptor(c.lengths));
        const platform::Result<platform::HidReportDescriptor> parsed =
            platform::ParseHidReportDescriptor(descriptor);
        ASSERT_TRUE(parsed.ok()) << parsed.error().message;
        ASSERT_EQ(parsed->collections.size(), 2u);
        EXPECT_EQ(parsed->collections[0].usagePage, 0xFF00);
        EXPECT_EQ(parsed->collections[0].usage, 1);
        EXPECT_EQ(parsed->collections[0].inputReportLength, c.lengths.input);
        EXPECT_EQ(parsed->collections[0].featureReportLength, 0u);
        EXPECT_EQ(parsed->collections[1].usagePage, 0xFF01);
        EXPECT_EQ(parsed->collections[1].featureReportLength, c.lengths.feature);
        EXPECT_EQ(parsed->collections[1].inputReportLength, 0u);
        EXPECT_TRUE(h.kernel.Quiet());
    }
}

struct SetReportCase {
    const char* name;
    std::uint8_t rtype;
    Bytes data;
    std::uint16_t err;   // the answer the host's call sees
    const char* event;   // the log event, nullptr for none
    const char* result;  // its "result"
};

TEST(UhidFrontend, SetReportsAreHandledLoggedAndAlwaysAnswered) {
    Harness h;
    ASSERT_TRUE(h.started) << h.startError;
    ASSERT_NE(h.kernel.Expect(UHID_CREATE2), nullptr);
    h.kernel.Send(UHID_START);
    h.kernel.Send(UHID_OPEN);
    const SetReportCase cases[] = {
        {"button 2 gets device code 0",
         UHID_FEATURE_REPORT,
         {0x07, 0x10, 0x02, 0x00, 0, 0, 0, 0},
         0,
         "feature",
         "applied"},
        {"unknown command is accepted",
         UHID_FEATURE_REPORT,
         {0x07, 0x55, 1, 2, 3, 4, 5, 6},
         0,
         "feature",
         "ignored"},
        {"short feature report",
         UHID_FEATURE_REPORT,
         {0x07, 0x10, 0x02, 0x00, 0, 0, 0},
         EIO,
         "feature",
         "refused"},
        {"long feature report", UHID_FEATURE_REPORT, Bytes(9, 0x07), EIO, "feature", "refused"},
        {"wrong report ID",
         UHID_FEATURE_REPORT,
         {0x06, 0x10, 0x02, 0x00, 0, 0, 0, 0},
         EIO,
         "feature",
         "refused"},
        {"output report",
         UHID_OUTPUT_REPORT,
         {0x07, 0x10, 0x02, 0x00, 0, 0, 0, 0},
         EIO,
         "set_report",
         "refused"},
        {"input report", UHID_INPUT_REPORT, {0x06, 0xF1, 0x01}, EIO, "set_report", "refused"},
    };
    std::uint32_t id = 100;
    std::size_t features = 0;
    std::size_t setReports = 0;
    for (const SetReportCase& c : cases) {
        SCOPED_TRACE(c.name);
        h.kernel.SetReport(++id, c.rtype, c.data);
        const auto reply = h.kernel.Expect(UHID_SET_REPORT_REPLY);
        ASSERT_NE(reply, nullptr);
        EXPECT_EQ(reply->u.set_report_reply.id, id);
        EXPECT_EQ(reply->u.set_report_reply.err, c.err);
        const bool isFeature = std::string(c.event) == "feature";
        ASSERT_TRUE(h.WaitForEvents(c.event, (isFeature ? ++features : ++setReports)));
        const std::string line = h.Events(c.event).back();
        EXPECT_EQ(Field(line, "hex"), platform::HexBytes(c.data));
        EXPECT_EQ(Field(line, "result"), c.result);
        EXPECT_EQ(Field(line, "client"), "1");
    }
    // Only the carried-out report changed the mouse.
    const ControlReply state = h.Command("state");
    ASSERT_EQ(state.status, ControlReply::Status::Ok) << state.text;
    EXPECT_NE(state.text.find("\"front_end\":\"uhid\""), std::string::npos) << state.text;
    EXPECT_NE(state.text.find("\"host_open\":true"), std::string::npos) << state.text;
}

TEST(UhidFrontend, GetFeatureReadsBackTheLastReportTakenAndRefusesTheRest) {
    Harness h;
    ASSERT_TRUE(h.started) << h.startError;
    ASSERT_NE(h.kernel.Expect(UHID_CREATE2), nullptr);
    h.kernel.Send(UHID_OPEN);

    h.kernel.GetReport(1, UHID_FEATURE_REPORT, 7);
    auto reply = h.kernel.Expect(UHID_GET_REPORT_REPLY);
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->u.get_report_reply.id, 1u);
    EXPECT_EQ(reply->u.get_report_reply.err, 0);
    EXPECT_EQ(ReplyData(*reply), (Bytes{7, 0, 0, 0, 0, 0, 0, 0}));

    MakeHostButton(h, 2, 4);
    h.kernel.GetReport(3, UHID_FEATURE_REPORT, 7);
    reply = h.kernel.Expect(UHID_GET_REPORT_REPLY);
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->u.get_report_reply.id, 3u);
    EXPECT_EQ(ReplyData(*reply), (Bytes{7, 0x10, 4, 0, 0, 0, 0, 0}));

    const std::pair<std::uint8_t, std::uint8_t> refused[] = {
        {UHID_FEATURE_REPORT, 6}, {UHID_INPUT_REPORT, 6}, {UHID_OUTPUT_REPORT, 7}};
    std::uint32_t id = 10;
    for (const auto& [rtype, rnum] : refused) {
        SCOPED_TRACE(std::to_string(rtype) + " " + std::to_string(rnum));
        h.kernel.GetReport(++id, rtype, rnum);
        reply = h.kernel.Expect(UHID_GET_REPORT_REPLY);
        ASSERT_NE(reply, nullptr);
        EXPECT_EQ(reply->u.get_report_reply.id, id);
        EXPECT_EQ(reply->u.get_report_reply.err, EIO);
    }
    ASSERT_TRUE(h.WaitForEvents("get_report", 5));
    EXPECT_EQ(Field(h.Events("get_report")[0], "result"), "answered");
    EXPECT_EQ(Field(h.Events("get_report")[4], "result"), "refused");
}

TEST(UhidFrontend, HostOpensAndClosesAreLoggedAsConnections) {
    Harness h;
    ASSERT_TRUE(h.started) << h.startError;
    ASSERT_NE(h.kernel.Expect(UHID_CREATE2), nullptr);
    for (std::uint32_t type : {UHID_START, UHID_OPEN, UHID_CLOSE, UHID_OPEN, UHID_CLOSE}) {
        h.kernel.Send(type);
    }
    ASSERT_TRUE(h.WaitForEvents("disconnect", 2));
    const auto connects = h.Events("connect");
    const auto disconnects = h.Events("disconnect");
    ASSERT_EQ(connects.size(), 2u);
    EXPECT_EQ(Field(connects[0], "client"), "1");
    EXPECT_EQ(Field(connects[1], "client"), "2");
    EXPECT_EQ(Field(disconnects[1], "client"), "2");
    EXPECT_EQ(Field(disconnects[1], "reason"), "close");
}

TEST(UhidFrontend, ButtonPressesLeaveAsInputReports) {
    Harness h;
    ASSERT_TRUE(h.started) << h.startError;
    ASSERT_NE(h.kernel.Expect(UHID_CREATE2), nullptr);
    MakeHostButton(h, 1, 3);

    // Nobody has the device open yet: the report goes to the kernel, no reader takes it.
    ASSERT_EQ(h.Command("press 3").status, ControlReply::Status::Ok);
    auto input = h.kernel.Expect(UHID_INPUT2);
    ASSERT_NE(input, nullptr);
    EXPECT_EQ(Bytes(input->u.input2.data, input->u.input2.data + input->u.input2.size),
              (Bytes{0x06, 0xF3, 0x01, 0, 0, 0, 0, 0}));
    ASSERT_TRUE(h.WaitForEvents("input", 1));
    EXPECT_EQ(Field(h.Events("input")[0], "readers"), "0");

    h.kernel.Send(UHID_OPEN);
    ASSERT_TRUE(h.WaitForEvents("connect", 1));
    const ControlReply click = h.Command("click 3");
    ASSERT_EQ(click.status, ControlReply::Status::Ok) << click.text;
    auto press = h.kernel.Expect(UHID_INPUT2);
    auto release = h.kernel.Expect(UHID_INPUT2);
    ASSERT_TRUE(press && release);
    EXPECT_EQ(press->u.input2.data[2], 0x01);
    EXPECT_EQ(release->u.input2.data[2], 0x80);
    ASSERT_TRUE(h.WaitForEvents("input", 3));
    const auto inputs = h.Events("input");
    EXPECT_EQ(Field(inputs[1], "readers"), "1");
    EXPECT_EQ(Field(inputs[2], "hex"), "06f3800000000000");
    const long held = std::stol(Field(inputs[2], "t_us")) - std::stol(Field(inputs[1], "t_us"));
    EXPECT_GE(held, 30'000);

    // Raw input reports go out as given; the kernel passes on only those of the declared ID
    // and at least the declared length, so only they count a reader.
    const struct {
        const char* hex;
        const char* readers;
    } raw[] = {{"06f5020000000000", "1"},
               {"06f502000000000000", "1"},
               {"06f502", "0"},
               {"07f5020000000000", "0"}};
    for (const auto& r : raw) {
        SCOPED_TRACE(r.hex);
        ASSERT_EQ(h.Command(std::string("input ") + r.hex).status, ControlReply::Status::Ok);
        input = h.kernel.Expect(UHID_INPUT2);
        ASSERT_NE(input, nullptr);
        EXPECT_EQ(input->u.input2.size, std::string(r.hex).size() / 2);
        const auto logged = h.Events("input");
        ASSERT_FALSE(logged.empty());
        EXPECT_EQ(Field(logged.back(), "hex"), r.hex);
        EXPECT_EQ(Field(logged.back(), "readers"), r.readers);
    }
}

TEST(UhidFrontend, UnplugDestroysTheDeviceAndPlugCreatesItAgain) {
    Harness h;
    ASSERT_TRUE(h.started) << h.startError;
    ASSERT_NE(h.kernel.Expect(UHID_CREATE2), nullptr);
    h.kernel.Send(UHID_OPEN);
    ASSERT_TRUE(h.WaitForEvents("connect", 1));

    ASSERT_EQ(h.Command("unplug").status, ControlReply::Status::Ok);
    ASSERT_NE(h.kernel.Expect(UHID_DESTROY), nullptr);
    ASSERT_TRUE(h.WaitForEvents("disconnect", 1));
    EXPECT_EQ(Field(h.Events("disconnect")[0], "reason"), "unplug");
    ASSERT_EQ(h.Events("unplug").size(), 1u);

    // A request the kernel had queued before the destroy is still answered, but not taken.
    h.kernel.SetReport(5, UHID_FEATURE_REPORT, {0x07, 0x20, 0, 0, 0, 0, 0, 0});
    auto reply = h.kernel.Expect(UHID_SET_REPORT_REPLY);
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->u.set_report_reply.err, EIO);
    EXPECT_EQ(h.Command("press 1").status, ControlReply::Status::Failed);
    EXPECT_TRUE(h.kernel.Quiet());

    ASSERT_EQ(h.Command("plug").status, ControlReply::Status::Ok);
    ASSERT_NE(h.kernel.Expect(UHID_CREATE2), nullptr);
    ASSERT_EQ(h.Events("plug").size(), 1u);
    h.kernel.SetReport(6, UHID_FEATURE_REPORT, {0x07, 0x20, 0, 0, 0, 0, 0, 0});
    reply = h.kernel.Expect(UHID_SET_REPORT_REPLY);
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->u.set_report_reply.err, 0);
    ASSERT_TRUE(h.WaitForEvents("feature", 1));
    EXPECT_EQ(h.Events("feature").size(), 1u);  // the one before the plug was not logged
}

TEST(UhidFrontend, StartsUnpluggedUntilPlug) {
    Harness h({}, true);
    ASSERT_TRUE(h.started) << h.startError;
    EXPECT_TRUE(h.kernel.Quiet());
    ASSERT_EQ(h.Command("plug").status, ControlReply::Status::Ok);
    ASSERT_NE(h.kernel.Expect(UHID_CREATE2), nullptr);
}

TEST(UhidFrontend, QuitAnswersThenRemovesTheDeviceAndTheSocket) {
    Harness h;
    ASSERT_TRUE(h.started) << h.startError;
    ASSERT_NE(h.kernel.Expect(UHID_CREATE2), nullptr);
    h.kernel.Send(UHID_OPEN);
    ASSERT_TRUE(h.WaitForEvents("connect", 1));
    const ControlReply quit = h.Command("quit");
    EXPECT_EQ(quit.status, ControlReply::Status::Ok);
    ASSERT_NE(h.kernel.Expect(UHID_DESTROY), nullptr);
    EXPECT_EQ(h.Ended(), std::optional<bool>(true));
    EXPECT_FALSE(std::filesystem::exists(h.socketPath));
    ASSERT_TRUE(h.WaitForEvents("disconnect", 1));
    EXPECT_EQ(Field(h.Events("disconnect")[0], "reason"), "quit");
}

TEST(UhidFrontend, ControlSocketRefusesHidTraffic) {
    Harness h;
    ASSERT_TRUE(h.started) << h.startError;
    for (const proto::MessageType type :
         {proto::MessageType::Describe, proto::MessageType::Watch, proto::MessageType::Open}) {
        RawClient client(h.socketPath);
        ASSERT_TRUE(client.connected());
        EXPECT_EQ(client.Ask(type, {1}), static_cast<std::uint8_t>(proto::MessageType::Error));
    }
    // Bad commands are answered as failures, the mouse carries on.
    EXPECT_EQ(h.Command("jump").status, ControlReply::Status::Failed);
    EXPECT_EQ(h.Command("state").status, ControlReply::Status::Ok);
}

TEST(UhidFrontend, GarbageFromTheKernelSideIsSurvived) {
    Harness h;
    ASSERT_TRUE(h.started) << h.startError;
    ASSERT_NE(h.kernel.Expect(UHID_CREATE2), nullptr);
    // Too short to carry a type; an unknown type; a set-report claiming more than it can hold.
    h.kernel.Send(*BlankEvent(UHID_SET_REPORT), 2);
    h.kernel.Send(0xFFFF);
    auto huge = BlankEvent(UHID_SET_REPORT);
    huge->u.set_report.id = 77;
    huge->u.set_report.rtype = UHID_FEATURE_REPORT;
    huge->u.set_report.size = 0xFFFF;
    huge->u.set_report.data[0] = 0x07;
    h.kernel.Send(*huge);
    const auto reply = h.kernel.Expect(UHID_SET_REPORT_REPLY);
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->u.set_report_reply.id, 77u);
    EXPECT_EQ(reply->u.set_report_reply.err, EIO);
    ASSERT_TRUE(h.WaitForEvents("feature", 1));
    EXPECT_EQ(Field(h.Events("feature")[0], "hex").size(), 2 * 4096u);
    EXPECT_EQ(h.Command("state").status, ControlReply::Status::Ok);
}

TEST(UhidFrontend, LossOfTheKernelDeviceEndsTheRunWithFailure) {
    Harness h;
    ASSERT_TRUE(h.started) << h.startError;
    ASSERT_NE(h.kernel.Expect(UHID_CREATE2), nullptr);
    h.kernel.Hangup();
    EXPECT_EQ(h.Ended(), std::optional<bool>(false));
}

TEST(UhidFrontend, MissingKernelInterfaceIsAClearError) {
    TempDir dir;
    const int logFd = ::open(dir.File("log").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    EventLog log(logFd);
    ::testing::internal::CaptureStderr();
    const int status = ServeOnUhid(ServeOptions{}, log, -1, dir.File("no-uhid"));
    const std::string err = ::testing::internal::GetCapturedStderr();
    ::close(logFd);
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("cannot open " + dir.File("no-uhid")), std::string::npos) << err;
    EXPECT_NE(err.find("modprobe uhid"), std::string::npos) << err;
}

}  // namespace
}  // namespace zel::sim::testing
