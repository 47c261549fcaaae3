#include "sim/arrival_time.h"

#include <sys/socket.h>
#include <time.h>

#include <algorithm>

namespace zel::sim {
namespace {

namespace proto = platform::sim_protocol;

std::int64_t Nanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

std::int64_t ClockNanoseconds(clockid_t clock) {
    timespec now{};
    ::clock_gettime(clock, &now);
    return Nanoseconds(now);
}

}  // namespace

void StampArrivals(int fd) {
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
}

std::int64_t MonotonicFromRealtime(std::int64_t stampRealtimeNs, std::int64_t realtimeNowNs,
                                   std::int64_t monotonicNowNs) {
    // The stamp's age is the same on both clocks; a stamp "from the future" (the wall clock
    // was set back meanwhile) counts as now.
    const std::int64_t age = std::max<std::int64_t>(realtimeNowNs - stampRealtimeNs, 0);
    return (monotonicNowNs - age) / 1000;
}

proto::Received ReceiveStampedMessage(int fd, std::span<std::uint8_t> buffer, int flags,
                                      std::int64_t* arrivedUs) {
    timespec stamp{};
    const proto::Received received = proto::ReceiveMessage(fd, buffer, flags, &stamp);
    const std::int64_t monotonicNow = ClockNanoseconds(CLOCK_MONOTONIC);
    const std::int64_t realtimeNow = ClockNanoseconds(CLOCK_REALTIME);
    *arrivedUs = stamp.tv_sec == 0 && stamp.tv_nsec == 0
                     ? monotonicNow / 1000
                     : MonotonicFromRealtime(Nanoseconds(stamp), realtimeNow, monotonicNow);
    return received;
}

}  // namespace zel::sim
