#pragma once

// The listening Unix socket of a front-end (the socket server, the uhid front-end's control
// socket): created over a stale file left by a simulator that died, refused while another
// program serves on the path, and removed at the end only while it is still this one's.

#include <sys/types.h>

#include <functional>
#include <string>

#include "platform/unique_fd.h"

namespace zel::sim {

class ListeningSocket {
public:
    ListeningSocket() = default;
    ~ListeningSocket();
    ListeningSocket(const ListeningSocket&) = delete;
    ListeningSocket& operator=(const ListeningSocket&) = delete;

    // A non-blocking SOCK_SEQPACKET socket listening on `path`. False with *error when the
    // path is unusable or another program serves on it.
    bool Listen(const std::string& path, int backlog, std::string* error);
    bool listening() const { return fd_.valid(); }
    int fd() const { return fd_.get(); }

    // Accepts every waiting connection (non-blocking, close-on-exec) and hands each to
    // onAccepted, which owns it from then on.
    void AcceptAll(const std::function<void(int fd)>& onAccepted) const;
    // Stops listening and removes the socket file, unless another program has taken the path
    // since. Safe to call twice.
    void Close();

private:
    std::string path_;
    platform::UniqueFd fd_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

}  // namespace zel::sim
