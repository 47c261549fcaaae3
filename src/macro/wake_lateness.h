#pragma once

// How late the player's wake-ups come, to ask for the next one that much earlier. On a machine
// whose cores are all busy, a thread at normal priority wakes several milliseconds after its
// deadline at nearly every step. A player that waits for the 15 ms floor after a late step then
// takes 15 ms plus that lateness per step, longer than a 20 ms step, and falls further behind
// at each one. Waking early by the lateness seen lately, and sleeping again for the rest in the
// rare case the wake-up came on time, keeps every floor and deadline while the macro keeps its
// pace.
//
// The estimate is the smallest lateness among the last few wake-ups: a wake-up usually comes
// at least that late, so the early deadline seldom needs a second sleep, and one stall on its
// own never moves it.

#include <array>
#include <chrono>
#include <cstddef>

namespace zel::macro {

class WakeLateness {
public:
    // Wake-ups remembered.
    static constexpr std::size_t kRemembered = 8;
    // The most a wake-up is ever asked early.
    static constexpr std::chrono::microseconds kLongestLead{std::chrono::milliseconds(10)};

    // A wake-up that came `lateness` after its deadline (0 or more).
    void Record(std::chrono::microseconds lateness);
    // How much earlier than its deadline to ask for the next wake-up: the smallest of the
    // remembered latenesses, at most kLongestLead; 0 until kRemembered wake-ups were seen.
    std::chrono::microseconds Lead() const;

private:
    std::array<std::chrono::microseconds, kRemembered> recent_{};
    std::size_t next_ = 0;
    std::size_t seen_ = 0;
};

}  // namespace zel::macro
