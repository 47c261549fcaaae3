#pragma once

// When a message really arrived at the virtual mouse: the kernel stamps it as it enters the
// socket, so a mouse process that runs late (a busy machine) still logs the host's timing, not
// its own.

#include <cstdint>
#include <span>

#include "platform/sim_protocol.h"

namespace zel::sim {

// Asks the kernel to stamp every message arriving on `fd` (SO_TIMESTAMPNS).
void StampArrivals(int fd);

// ReceiveMessage with the message's arrival stamp in *arrivedUs (CLOCK_MONOTONIC, in
// microseconds, as MonotonicMicros); the time of the call when the kernel gave no stamp.
platform::sim_protocol::Received ReceiveStampedMessage(int fd, std::span<std::uint8_t> buffer,
                                                       int flags, std::int64_t* arrivedUs);

// A CLOCK_REALTIME stamp as CLOCK_MONOTONIC microseconds, given both clocks read now.
std::int64_t MonotonicFromRealtime(std::int64_t stampRealtimeNs, std::int64_t realtimeNowNs,
                                   std::int64_t monotonicNowNs);

}  // namespace zel::sim
