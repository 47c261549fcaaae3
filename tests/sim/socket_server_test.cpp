#include "sim/socket_server.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <atomic>
#include <cstring>

#include "sim/control_client.h"
#include "sim_test_helpers.h"

namespace zel::sim::testing {
namespace {

using proto::MessageType;

constexpr std::uint8_t kType(MessageType type) {
    return static_cast<std::uint8_t>(type);
}

ControlReply Command(const InProcessSimulator& sim, std::string_view text) {
    return SendControlCommand(sim.socketPath, text);
}

// Opens a channel on a fresh connection; true when the mouse answered Opened.
bool OpenChannel(RawClient& client, proto::Access access) {
    return client.Ask(MessageType::Open, {static_cast<std::uint8_t>(access)}) ==
           kType(MessageType::Opened);
}

// Gives button n device code 0 (its presses are reported) through a write channel.
void MakeHostButton(const InProcessSimulator& sim, int button) {
    RawClient writer(sim.socketPath);
    ASSERT_TRUE(OpenChannel(writer, proto::Access::Write));
    const std::vector<std::uint8_t> report = {
        0x07, 0x10, static_cast<std::uint8_t>(button), 0, 0, 0, 0, 0};
    ASSERT_EQ(writer.Ask(MessageType::Feature, report), kType(MessageType::FeatureResult));
}

struct GarbageCase {
    const char* name;
    std::vector<std::uint8_t> message;
    std::uint8_t answer;  // type of the answer
};

TEST(SocketServer, GarbageGetsAnErrorAnswerAndChangesNothing) {
    InProcessSimulator sim;
    ASSERT_TRUE(sim.listening);
    const auto text = [](std::uint8_t type, std::string_view s) {
        return proto::EncodeMessage(static_cast<MessageType>(type), s);
    };
    const std::uint8_t error = kType(MessageType::Error);
    const std::uint8_t result = kType(MessageType::CommandResult);
    const GarbageCase cases[] = {
        {"type 0", {0x00}, error},
        {"unknown type", {0x7E, 1, 2, 3}, error},
        {"a reply type sent to the mouse", {0x81, 1, 1}, error},
        {"open without access", {0x02}, error},
        {"open with access 3", {0x02, 3}, error},
        {"open with two bytes", {0x02, 1, 1}, error},
        {"feature before open", {0x03, 0x07, 0x10, 0x01, 0x00, 0, 0, 0, 0}, error},
        {"empty command", {0x05}, result},
        {"unknown command", text(0x05, "bogus"), result},
        {"binary command", {0x05, 0xFF, 0xFE, 0x00, 0x01}, result},
        {"command with NUL", text(0x05, std::string_view("press 3\0x", 9)), result},
        {"oversized message", std::vector<std::uint8_t>(3 * proto::kMaxMessageLength, 0x03), error},
    };
    for (const GarbageCase& c : cases) {
        SCOPED_TRACE(c.name);
        RawClient client(sim.socketPath);
        ASSERT_TRUE(client.SendRaw(c.message));
        const auto answer = client.Receive();
        ASSERT_TRUE(answer.has_value());
        ASSERT_FALSE(answer->empty());
        EXPECT_EQ(answer->front(), c.answer);
        if (c.answer == result) {
            EXPECT_EQ(answer->at(1), static_cast<std::uint8_t>(proto::CommandStatus::Failed));
        }
    }
    const ControlReply state = Command(sim, "state");
    ASSERT_EQ(state.status, ControlReply::Status::Ok) << state.text;
    EXPECT_EQ(Field(state.text, "features_applied"), "0");
    EXPECT_EQ(Field(state.text, "button_codes"), "[1");
    EXPECT_TRUE(sim.Events("feature").empty());
}

TEST(SocketServer, ConnectionsKeepTheirRole) {
    InProcessSimulator sim;
    RawClient reader(sim.socketPath);
    ASSERT_TRUE(OpenChannel(reader, proto::Access::Read));
    EXPECT_EQ(reader.Ask(MessageType::Open, {2}), kType(MessageType::Error));
    EXPECT_EQ(reader.Ask(MessageType::Watch), kType(MessageType::Error));
    EXPECT_EQ(reader.Ask(MessageType::Feature, {0x07, 0x11, 1, 0, 0, 0, 0, 0}),
              kType(MessageType::Error));
    reader.SendText(MessageType::Command, "state");
    EXPECT_EQ(reader.Receive()->front(), kType(MessageType::Error));
    // Describe is fine anywhere.
    EXPECT_EQ(reader.Ask(MessageType::Describe), kType(MessageType::Description));
    EXPECT_TRUE(sim.Events("feature").empty());
}

TEST(SocketServer, FeatureReportsAreAnsweredAndLogged) {
    InProcessSimulator sim;
    RawClient writer(sim.socketPath);
    ASSERT_TRUE(OpenChannel(writer, proto::Access::Write));
    const std::vector<std::vector<std::uint8_t>> reports = {
        {0x07, 0x13, 0x7F, 0x16, 0xAA, 0xBB, 0xCC, 0xDD},  // applied
        {0x07, 0x99, 0, 0, 0, 0, 0, 0},                    // ignored: unknown command
        {0x07, 0x11, 0x01},                                // refused: short
    };
    const std::uint8_t expected[] = {0, 0, 1};  // FeatureStatus
    for (std::size_t i = 0; i < reports.size(); ++i) {
        writer.Send(MessageType::Feature, reports[i]);
        const auto answer = writer.Receive();
        ASSERT_TRUE(answer && answer->size() == 2) << i;
        EXPECT_EQ(answer->at(0), kType(MessageType::FeatureResult));
        EXPECT_EQ(answer->at(1), expected[i]) << i;
    }
    const auto features = sim.Events("feature");
    ASSERT_EQ(features.size(), 3u);
    EXPECT_EQ(Field(features[0], "hex"), "07137f16aabbccdd");
    EXPECT_EQ(Field(features[0], "result"), "applied");
    EXPECT_EQ(Field(features[0], "cmd"), "led");
    EXPECT_EQ(Field(features[1], "result"), "ignored");
    EXPECT_EQ(Field(features[2], "hex"), "071101");
    EXPECT_EQ(Field(features[2], "result"), "refused");
    EXPECT_EQ(Field(Command(sim, "state").text, "led"), "6");
}

TEST(SocketServer, UtilityConnectsDisconnectsAndReconnects) {
    InProcessSimulator sim;
    for (int round = 0; round < 2; ++round) {
        RawClient reader(sim.socketPath);
        RawClient writer(sim.socketPath);
        ASSERT_TRUE(OpenChannel(reader, proto::Access::Read));
        ASSERT_TRUE(OpenChannel(writer, proto::Access::Write));
        EXPECT_EQ(Field(Command(sim, "state").text, "readers"), "1");
    }
    ASSERT_TRUE(sim.WaitForEvents("disconnect", 4));
    const auto log = sim.Log();
    std::vector<std::string> sequence;
    for (const std::string& line : log) {
        sequence.push_back(Field(line, "event") + ":" + Field(line, "access"));
    }
    EXPECT_EQ(sequence[0], "connect:read");
    EXPECT_EQ(sequence[1], "connect:write");
    EXPECT_EQ(sim.Events("connect").size(), 4u);
    for (const std::string& line : sim.Events("disconnect")) {
        EXPECT_EQ(Field(line, "reason"), "closed");
    }
    EXPECT_EQ(Field(Command(sim, "state").text, "readers"), "0");
}

TEST(SocketServer, UnplugEndsChannelsAndPlugBringsTheMouseBack) {
    InProcessSimulator sim;
    RawClient reader(sim.socketPath);
    RawClient writer(sim.socketPath);
    RawClient watcher(sim.socketPath);
    ASSERT_TRUE(OpenChannel(reader, proto::Access::Read));
    ASSERT_TRUE(OpenChannel(writer, proto::Access::Write));
    watcher.Send(MessageType::Watch);
    EXPECT_EQ(watcher.Receive(), (std::vector<std::uint8_t>{kType(MessageType::Watching), 1}));

    ASSERT_EQ(Command(sim, "unplug").status, ControlReply::Status::Ok);
    EXPECT_EQ(reader.Receive(), std::vector<std::uint8_t>{});  // closed
    EXPECT_EQ(watcher.Receive(), std::vector<std::uint8_t>{kType(MessageType::Removal)});
    writer.Send(MessageType::Feature, {0x07, 0x11, 1, 0, 0, 0, 0, 0});
    EXPECT_EQ(writer.Receive(), std::vector<std::uint8_t>{});

    RawClient late(sim.socketPath);
    EXPECT_EQ(late.Ask(MessageType::Open, {2}), kType(MessageType::Error));
    RawClient query(sim.socketPath);
    query.Send(MessageType::Describe);
    const auto description = proto::DecodeDescription(query.Receive().value());
    ASSERT_TRUE(description.has_value());
    EXPECT_FALSE(description->present);
    EXPECT_TRUE(description->collections.empty());
    EXPECT_EQ(Command(sim, "press 1").status, ControlReply::Status::Failed);
    EXPECT_EQ(Command(sim, "input 06f101").status, ControlReply::Status::Failed);
    EXPECT_EQ(Command(sim, "unplug").status, ControlReply::Status::Ok);  // already

    ASSERT_EQ(Command(sim, "plug").status, ControlReply::Status::Ok);
    EXPECT_EQ(watcher.Receive(), std::vector<std::uint8_t>{kType(MessageType::Arrival)});
    RawClient again(sim.socketPath);
    EXPECT_TRUE(OpenChannel(again, proto::Access::Write));

    const auto log = sim.Log();
    std::vector<std::string> events;
    for (const std::string& line : log) {
        events.push_back(Field(line, "event") + "/" + Field(line, "reason"));
    }
    const std::vector<std::string> expected = {"connect/",          "connect/",          "unplug/",
                                               "disconnect/unplug", "disconnect/unplug", "plug/",
                                               "connect/"};
    EXPECT_EQ(events, expected);
    EXPECT_TRUE(sim.Events("feature").empty());
}

TEST(SocketServer, ClickHoldsTheButtonBeforeTheRelease) {
    InProcessSimulator sim;
    MakeHostButton(sim, 4);
    RawClient reader(sim.socketPath);
    ASSERT_TRUE(OpenChannel(reader, proto::Access::Read));
    const ControlReply reply = Command(sim, "click 4");
    ASSERT_EQ(reply.status, ControlReply::Status::Ok) << reply.text;
    const auto press = reader.Receive();
    const auto release = reader.Receive();
    ASSERT_TRUE(press && release);
    EXPECT_EQ(*press, (std::vector<std::uint8_t>{0x88, 0x06, 0xF4, 0x01, 0, 0, 0, 0, 0}));
    EXPECT_EQ(*release, (std::vector<std::uint8_t>{0x88, 0x06, 0xF4, 0x80, 0, 0, 0, 0, 0}));
    const auto inputs = sim.Events("input");
    ASSERT_EQ(inputs.size(), 2u);
    EXPECT_GE(std::stoll(Field(inputs[1], "t_us")) - std::stoll(Field(inputs[0], "t_us")), 30'000);
    EXPECT_EQ(Field(inputs[0], "readers"), "1");
    EXPECT_EQ(Field(inputs[0], "button"), "4");
}

TEST(SocketServer, UnplugDuringAClickAnswersTheClick) {
    InProcessSimulator sim;
    MakeHostButton(sim, 2);
    RawClient clicker(sim.socketPath);
    clicker.SendText(MessageType::Command, "click 2");
    ASSERT_TRUE(sim.WaitForEvents("input", 1));
    ASSERT_EQ(Command(sim, "unplug").status, ControlReply::Status::Ok);
    const auto answer = clicker.Receive();
    ASSERT_TRUE(answer && answer->size() >= 2);
    EXPECT_EQ(answer->at(0), kType(MessageType::CommandResult));
    EXPECT_EQ(answer->at(1), static_cast<std::uint8_t>(proto::CommandStatus::Failed));
    EXPECT_EQ(Field(Command(sim, "state").text, "buttons_down"), "[false");
}

TEST(SocketServer, SeveralControlClientsAtOnce) {
    InProcessSimulator sim;
    MakeHostButton(sim, 1);
    RawClient reader(sim.socketPath);
    ASSERT_TRUE(OpenChannel(reader, proto::Access::Read));
    constexpr int kClients = 4;
    constexpr int kClicks = 3;
    std::atomic<int> ok{0};
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i) {
        clients.emplace_back([&] {
            for (int n = 0; n < kClicks; ++n) {
                ok += Command(sim, "click 1").status == ControlReply::Status::Ok;
                ok += Command(sim, "state").status == ControlReply::Status::Ok;
            }
        });
    }
    for (std::thread& client : clients) {
        client.join();
    }
    EXPECT_EQ(ok, 2 * kClients * kClicks);
    int reports = 0;
    while (auto message = reader.Receive(200ms)) {
        reports += !message->empty() && message->front() == kType(MessageType::Input);
    }
    EXPECT_EQ(reports, 2 * kClients * kClicks);
}

TEST(SocketServer, AReaderThatDoesNotReadLosesReportsNotTheServer) {
    InProcessSimulator sim;
    RawClient idle(sim.socketPath);
    ASSERT_TRUE(OpenChannel(idle, proto::Access::Read));
    RawClient control(sim.socketPath);
    int dropped = 0;
    for (int i = 0; i < 2000 && dropped == 0; ++i) {
        control.SendText(MessageType::Command, "input 06f0" + std::string(200, '0'));
        const auto answer = control.Receive();
        ASSERT_TRUE(answer && answer->size() > 2) << i;
        ASSERT_EQ(answer->at(1), 0) << i;
        dropped += std::string(answer->begin() + 2, answer->end()).ends_with("to 0 readers");
    }
    EXPECT_EQ(dropped, 1);
    EXPECT_EQ(Field(Command(sim, "state").text, "readers"), "1");
}

TEST(SocketServer, QuitEndsTheServerAndRemovesTheSocket) {
    TempDir dir;
    const std::string path = dir.File("q.sock");
    int logFd = ::open(dir.File("q.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EventLog log(logFd);
    SocketServer server({path, {}, false}, log);
    std::string error;
    ASSERT_TRUE(server.Listen(&error)) << error;
    std::thread runner([&] { server.Run(); });
    RawClient reader(path);
    ASSERT_TRUE(OpenChannel(reader, proto::Access::Read));
    const ControlReply reply = SendControlCommand(path, "quit");
    runner.join();
    ::close(logFd);
    EXPECT_EQ(reply.status, ControlReply::Status::Ok);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(reader.Receive(), std::vector<std::uint8_t>{});
    const auto disconnects = EventsNamed(ReadLines(dir.File("q.log")), "disconnect");
    ASSERT_EQ(disconnects.size(), 1u);
    EXPECT_EQ(Field(disconnects[0], "reason"), "quit");
}

TEST(SocketServer, ListenRefusesPathsItMustNotTake) {
    TempDir dir;
    EventLog log(-1);
    std::string error;

    const std::string file = dir.File("plain");
    std::ofstream(file) << "data";
    EXPECT_FALSE(SocketServer({file, {}, false}, log).Listen(&error));
    EXPECT_NE(error.find("not a socket"), std::string::npos) << error;
    EXPECT_TRUE(std::filesystem::exists(file));

    EXPECT_FALSE(SocketServer({"/tmp/" + std::string(120, 'x'), {}, false}, log).Listen(&error));
    EXPECT_FALSE(SocketServer({dir.File("no/such/dir.sock"), {}, false}, log).Listen(&error));

    InProcessSimulator running;
    EXPECT_FALSE(SocketServer({running.socketPath, {}, false}, log).Listen(&error));
    EXPECT_NE(error.find("another program"), std::string::npos) << error;
    EXPECT_EQ(Command(running, "state").status, ControlReply::Status::Ok);
}

TEST(SocketServer, ListenReplacesAStaleSocket) {
    TempDir dir;
    const std::string path = dir.File("stale.sock");
    {
        const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, path.c_str());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);  // leaves the file behind, nobody listening
    }
    EventLog log(-1);
    SocketServer server({path, {}, false}, log);
    std::string error;
    EXPECT_TRUE(server.Listen(&error)) << error;
}

}  // namespace
}  // namespace zel::sim::testing
