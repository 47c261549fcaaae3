#pragma once

// A wake-up for a thread that sleeps in poll(): an eventfd that Signal() makes readable for
// good (nothing reads it back), so the wait it ends and every later one return at once.

#include "platform/unique_fd.h"

namespace zel::platform {

class WakeUpEvent {
public:
    // Opens the eventfd; when none can be had, fd() is -1 and OpenError() holds the errno.
    WakeUpEvent();

    bool valid() const { return fd_.valid(); }
    // Poll it for POLLIN; -1 when it could not be opened (poll skips a negative descriptor).
    int fd() const { return fd_.get(); }
    int OpenError() const { return openError_; }
    // Wakes the waiting thread; safe from any thread, any number of times.
    void Signal() const;

private:
    UniqueFd fd_;
    int openError_ = 0;
};

}  // namespace zel::platform
