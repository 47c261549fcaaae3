#pragma once

// A file descriptor closed when its owner goes.

#include <unistd.h>

#include <optional>
#include <utility>

namespace zel::control {

class UniqueSocket {
public:
    UniqueSocket() = default;
    explicit UniqueSocket(int fd) : fd_(fd) {}
    ~UniqueSocket() { Reset(); }
    UniqueSocket(UniqueSocket&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueSocket& operator=(UniqueSocket&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    UniqueSocket(const UniqueSocket&) = delete;
    UniqueSocket& operator=(const UniqueSocket&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void Reset() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

private:
    int fd_ = -1;
};

}  // namespace zel::control
