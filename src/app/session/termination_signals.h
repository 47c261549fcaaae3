#pragma once

#include <array>
#include <csignal>

#include "platform/signal_descriptor.h"

namespace zel::app {

// The signals that end the program through its shutdown sequence: SIGINT, SIGTERM, SIGHUP (the
// terminal was closed) and SIGQUIT. Left to their default action they would end the process at
// once, with a macro's keys still held in the mouse.
inline constexpr std::array<int, 4> kTerminationSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The termination signals delivered on a file descriptor instead of to a handler. Construct it
// in the main thread before any other thread starts: the signals are blocked in the calling
// thread, and threads started afterwards inherit that, so only the descriptor sees them.
class TerminationSignals : public platform::SignalDescriptor {
public:
    TerminationSignals();
};

}  // namespace zel::app
