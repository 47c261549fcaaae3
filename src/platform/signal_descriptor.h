#pragma once

// Signals delivered on a file descriptor (a signalfd) instead of to a handler, so that a thread
// waiting in poll() ends its work cleanly when one arrives.

#include <span>

#include "platform/unique_fd.h"

namespace zel::platform {

class SignalDescriptor {
public:
    // Blocks the signals `numbers` in the calling thread and opens the descriptor for them.
    // Construct it in the main thread before any other thread starts: threads started afterwards
    // inherit the blocked signals, so only the descriptor sees them. They stay blocked when it
    // goes, so one that arrives while the program winds down cannot end it some other way.
    explicit SignalDescriptor(std::span<const int> numbers);

    // Readable while a signal is pending; -1 when it could not be opened.
    int fd() const { return fd_.get(); }
    // Consumes the pending signals; the number of the last one (SIGTERM, ...), 0 when none.
    int Take();

private:
    UniqueFd fd_;
};

}  // namespace zel::platform
