// The virtual mouse's arrival stamps: the kernel's time of arrival, on the log's clock.

#include "sim/arrival_time.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <thread>

#include "sim/event_log.h"

namespace zel::sim {
namespace {

using namespace std::chrono_literals;

TEST(MonotonicFromRealtime, KeepsTheStampsAgeOnTheMonotonicClock) {
    struct Case {
        const char* what;
        std::int64_t stampNs, realtimeNowNs, monotonicNowNs, expectedUs;
    };
    const Case cases[] = {
        {"3 ms old", 1'000'000'000'000, 1'000'003'000'000, 50'000'000'000, 49'997'000},
        {"just now", 7'000'000'000, 7'000'000'000, 9'000'000'000, 9'000'000},
        {"the wall clock was set back since: now", 5'000'000'000, 4'000'000'000, 2'000'000'000,
         2'000'000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(MonotonicFromRealtime(c.stampNs, c.realtimeNowNs, c.monotonicNowNs),
                  c.expectedUs);
    }
}

TEST(ReceiveStampedMessage, AMessageReadLateKeepsTheTimeItArrived) {
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends), 0);
    StampArrivals(ends[1]);
    const std::int64_t beforeSend = MonotonicMicros();
    const std::array<std::uint8_t, 3> message = {2, 7, 9};
    ASSERT_EQ(::send(ends[0], message.data(), message.size(), 0), 3);
    const std::int64_t afterSend = MonotonicMicros();
    std::this_thread::sleep_for(30ms);  // the mouse is busy elsewhere

    std::array<std::uint8_t, 16> buffer{};
    std::int64_t arrived = 0;
    const auto received = ReceiveStampedMessage(ends[1], buffer, 0, &arrived);
    ASSERT_EQ(received.status, platform::sim_protocol::ReceiveStatus::Message);
    EXPECT_EQ(received.length, 3u);
    EXPECT_EQ(buffer[2], 9);
    // The stamp is from the send, not from the late read (a 1 ms margin for clock rounding).
    EXPECT_GE(arrived, beforeSend - 1000);
    EXPECT_LE(arrived, afterSend + 1000);
    ::close(ends[0]);
    ::close(ends[1]);
}

TEST(ReceiveStampedMessage, WithoutStampsItIsTheTimeOfTheRead) {
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends), 0);
    const std::array<std::uint8_t, 1> message = {1};
    ASSERT_EQ(::send(ends[0], message.data(), message.size(), 0), 1);
    std::this_thread::sleep_for(20ms);
    const std::int64_t beforeRead = MonotonicMicros();
    std::array<std::uint8_t, 4> buffer{};
    std::int64_t arrived = 0;
    ASSERT_EQ(ReceiveStampedMessage(ends[1], buffer, 0, &arrived).status,
              platform::sim_protocol::ReceiveStatus::Message);
    EXPECT_GE(arrived, beforeRead);
    ::close(ends[0]);
    ::close(ends[1]);
}

}  // namespace
}  // namespace zel::sim
