#include "platform/session_bus.h"

#include <sys/stat.h>

#include <cstdlib>
#include <string_view>

namespace zel::platform {
namespace {

constexpr std::string_view kDefaultSystemBusSocket = "/run/dbus/system_bus_socket";
constexpr std::string_view kUnixPathKey = "unix:path=";

bool IsSocket(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

}  // namespace

SessionBusEnvironment SessionBusEnvironment::FromProcess() {
    return {Variable("DBUS_SESSION_BUS_ADDRESS"), Variable("XDG_RUNTIME_DIR")};
}

bool SessionBusReachable(const SessionBusEnvironment& environment) {
    if (!environment.address.empty()) {
        return true;  // the libraries use it as given and never autolaunch
    }
    return !environment.runtimeDir.empty() && IsSocket(environment.runtimeDir + "/bus");
}

bool KeepSessionBusFromAutolaunching() {
    if (SessionBusReachable(SessionBusEnvironment::FromProcess())) {
        return false;
    }
    return ::setenv("DBUS_SESSION_BUS_ADDRESS", kNoSessionBusAddress, 1) == 0;
}

bool SystemBusReachable() {
    const std::string address = Variable("DBUS_SYSTEM_BUS_ADDRESS");
    if (address.empty()) {
        return IsSocket(std::string(kDefaultSystemBusSocket));
    }
    // A unix:path= address is checked; any other kind (abstract, tcp) is left to the library.
    const auto key = address.find(kUnixPathKey);
    if (key != 0) {
        return true;
    }
    const auto end = address.find_first_of(",;", kUnixPathKey.size());
    return IsSocket(address.substr(kUnixPathKey.size(), end - kUnixPathKey.size()));
}

}  // namespace zel::platform
