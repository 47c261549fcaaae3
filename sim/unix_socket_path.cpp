#include "sim/unix_socket_path.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/unique_fd.h"

namespace zel::sim {

sockaddr_un UnixSocketAddress(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    return address;
}

bool SomeoneListens(const std::string& path) {
    const platform::UniqueFd fd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
    if (!fd.valid()) {
        return false;
    }
    const sockaddr_un address = UnixSocketAddress(path);
    const int result =
        ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const int error = errno;
    // A live stream socket at the path refuses the packet type instead of the connection.
    return result == 0 || (error != ECONNREFUSED && error != ENOENT);
}

}  // namespace zel::sim
