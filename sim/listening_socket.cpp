#include "sim/listening_socket.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/sim_protocol.h"
#include "sim/unix_socket_path.h"

namespace zel::sim {

ListeningSocket::~ListeningSocket() {
    Close();
}

bool ListeningSocket::Listen(const std::string& path, int backlog, std::string* error) {
    if (const platform::Result<void> usable = platform::sim_protocol::CheckSocketPath(path);
        !usable.ok()) {
        *error = usable.error().message;
        return false;
    }
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode)) {
            *error = path + " exists and is not a socket";
            return false;
        }
        if (SomeoneListens(path)) {
            *error = "another program is serving on " + path;
            return false;
        }
        ::unlink(path.c_str());  // left behind by a simulator that did not end cleanly
    }
    platform::UniqueFd fd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    const sockaddr_un address = UnixSocketAddress(path);
    if (!fd.valid() ||
        ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) < 0 ||
        ::listen(fd.get(), backlog) < 0) {
        *error = "cannot listen on " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat created {};
    if (::stat(path.c_str(), &created) == 0) {
        device_ = created.st_dev;
        inode_ = created.st_ino;
    }
    fd_ = std::move(fd);
    path_ = path;
    return true;
}

void ListeningSocket::AcceptAll(const std::function<void(int fd)>& onAccepted) const {
    while (fd_.valid()) {
        const int fd = ::accept4(fd_.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            return;  // EAGAIN, or out of descriptors: try again on the next turn
        }
        onAccepted(fd);
    }
}

void ListeningSocket::Close() {
    if (!fd_.valid()) {
        return;
    }
    fd_.Reset();
    struct stat current {};
    if (::lstat(path_.c_str(), &current) == 0 && current.st_dev == device_ &&
        current.st_ino == inode_) {
        ::unlink(path_.c_str());
    }
}

}  // namespace zel::sim
