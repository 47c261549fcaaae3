#include "platform/session_bus.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace zel::platform {
namespace {

namespace fs = std::filesystem;

// A folder with, on request, a listening Unix socket or a plain file at a name.
class SessionBusTest : public ::testing::Test {
protected:
    SessionBusTest() {
        std::string pattern = (fs::temp_directory_path() / "zel-bus-XXXXXX").string();
        dir_ = ::mkdtemp(pattern.data());
    }
    ~SessionBusTest() override {
        if (socket_ >= 0) {
            ::close(socket_);
        }
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    void MakeSocket(const fs::path& path) {
        socket_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        ASSERT_LT(path.string().size(), sizeof address.sun_path);
        path.string().copy(address.sun_path, sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    }

    fs::path dir_;
    int socket_ = -1;
};

TEST_F(SessionBusTest, ReachableOnlyThroughTheAddressOrTheRuntimeFoldersSocket) {
    EXPECT_TRUE(SessionBusReachable({"unix:path=/nowhere", ""}));
    EXPECT_FALSE(SessionBusReachable({"", ""}));
    EXPECT_FALSE(SessionBusReachable({"", dir_.string()}));  // no bus there
    std::ofstream(dir_ / "bus") << "not a socket";
    EXPECT_FALSE(SessionBusReachable({"", dir_.string()}));
    fs::remove(dir_ / "bus");
    MakeSocket(dir_ / "bus");
    EXPECT_TRUE(SessionBusReachable({"", dir_.string()}));
}

TEST_F(SessionBusTest, SystemBusIsLookedForAtItsAddressesSocket) {
    const char* saved = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
    const std::string before = saved != nullptr ? saved : "";
    const std::string socket = (dir_ / "system_bus_socket").string();
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + socket + ",guid=1").c_str(), 1);
    EXPECT_FALSE(SystemBusReachable());
    MakeSocket(socket);
    EXPECT_TRUE(SystemBusReachable());
    if (saved != nullptr) {
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", before.c_str(), 1);
    } else {
        ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    }
}

}  // namespace
}  // namespace zel::platform
