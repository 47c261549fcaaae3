#include "sim/control_socket.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <atomic>
#include <cstring>
#include <fstream>

#include "sim/control_client.h"
#include "sim_test_helpers.h"

namespace zel::sim::testing {
namespace {

// Serves a ControlSocket on its own thread, answering every command with its own text.
class EchoServer {
public:
    explicit EchoServer(const std::string& path) {
        listening = socket_.Listen(path, &error);
        if (listening) {
            thread_ = std::thread([this] {
                while (!stop_) {
                    std::vector<pollfd> fds;
                    socket_.AppendPollFds(fds);
                    ::poll(fds.data(), fds.size(), 20);
                    socket_.Service(fds, [this](int client, std::string_view text) {
                        socket_.Reply(client, text != "fail", "echo " + std::string(text));
                    });
                }
                socket_.Close();
            });
        }
    }
    ~EchoServer() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    bool listening = false;
    std::string error;

private:
    ControlSocket socket_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(ControlSocket, CarriesCommandsAndTheirAnswers) {
    TempDir dir;
    const std::string path = dir.File("c.sock");
    {
        EchoServer server(path);
        ASSERT_TRUE(server.listening) << server.error;
        const ControlReply ok = SendControlCommand(path, "press 4");
        EXPECT_EQ(ok.status, ControlReply::Status::Ok);
        EXPECT_EQ(ok.text, "echo press 4");
        EXPECT_EQ(SendControlCommand(path, "fail").status, ControlReply::Status::Failed);
        // Several commands on one connection, and HID traffic refused on it.
        RawClient client(path);
        ASSERT_TRUE(client.connected());
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(client.Ask(proto::MessageType::Command, {'s', 't'}),
                      static_cast<std::uint8_t>(proto::MessageType::CommandResult));
        }
        EXPECT_EQ(client.Ask(proto::MessageType::Feature, {7, 0x10}),
                  static_cast<std::uint8_t>(proto::MessageType::Error));
    }
    EXPECT_FALSE(std::filesystem::exists(path)) << "the socket file outlived the server";
}

struct ListenCase {
    const char* name;
    std::string file;  // in a fresh folder
    std::function<void(const std::string& path)> prepare;
    bool listens;
    const char* error;
};

TEST(ControlSocket, ListenReplacesOnlyAStaleSocket) {
    const ListenCase cases[] = {
        {"nothing there", "c.sock", [](const std::string&) {}, true, ""},
        {"a socket nobody serves on", "c.sock",
         [](const std::string& path) {
             const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
             ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
             ::close(fd);  // the file stays, nobody listens
         },
         true, ""},
        {"a plain file", "c.sock", [](const std::string& path) { std::ofstream(path) << "x"; },
         false, "is not a socket"},
        {"a path too long for a socket", std::string(120, 'p'), [](const std::string&) {}, false,
         "longer than"},
    };
    for (const ListenCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.File(c.file);
        c.prepare(path);
        ControlSocket socket;
        std::string error;
        EXPECT_EQ(socket.Listen(path, &error), c.listens) << error;
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        if (c.listens) {
            EXPECT_EQ(SendControlCommand(path, "state", 100ms).status,
                      ControlReply::Status::Unreachable);  // listening, but nobody serves
        }
    }
}

TEST(ControlSocket, ASecondServerOnTheSamePathIsRefused) {
    TempDir dir;
    const std::string path = dir.File("c.sock");
    EchoServer first(path);
    ASSERT_TRUE(first.listening) << first.error;
    ControlSocket second;
    std::string error;
    EXPECT_FALSE(second.Listen(path, &error));
    EXPECT_NE(error.find("another program is serving"), std::string::npos) << error;
    second.Close();  // must not remove the first server's socket
    EXPECT_EQ(SendControlCommand(path, "still there").status, ControlReply::Status::Ok);
}

}  // namespace
}  // namespace zel::sim::testing
