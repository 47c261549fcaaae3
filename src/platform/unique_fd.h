#pragma once

// The owner of every file descriptor the program opens: a device node, a socket, a pipe's end,
// a lock's folder, an eventfd or a signalfd. It closes its descriptor once, when it goes.

#include <fcntl.h>
#include <unistd.h>

#include <optional>
#include <utility>

namespace zel::platform {

// Owns one file descriptor and closes it once.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.fd_, -1));
        }
        return *this;
    }
    ~UniqueFd() { Reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void Reset(int fd = -1) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }
    // Closes now and says whether the close succeeded: it can report a delayed write error.
    bool Close() { return fd_ < 0 || ::close(std::exchange(fd_, -1)) == 0; }
    // Gives the descriptor up without closing it: the caller owns it from now on.
    [[nodiscard]] int Release() { return std::exchange(fd_, -1); }

private:
    int fd_ = -1;
};

// The two ends of a pipe, both close-on-exec.
struct PipeEnds {
    UniqueFd read;
    UniqueFd write;
};

// nullopt when no pipe can be had (errno says why).
inline std::optional<PipeEnds> OpenPipe() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    return PipeEnds{UniqueFd(ends[0]), UniqueFd(ends[1])};
}

}  // namespace zel::platform
