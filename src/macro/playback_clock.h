#pragma once

// Time as the macro player sees it. Step delays are waited to absolute deadlines on a steady
// clock, so the time taken by sends does not add up over a long macro. Tests put a clock of
// their own in its place and run a macro of many seconds in no time.

#include <chrono>
#include <stop_token>

namespace zel::macro {

class PlaybackClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~PlaybackClock() = default;
    virtual TimePoint Now() = 0;
    // Waits until `deadline` (returns at once when it has passed). False when `stop` was
    // requested, before or during the wait; a stop ends the wait at once.
    virtual bool SleepUntil(TimePoint deadline, std::stop_token stop) = 0;
};

// std::chrono::steady_clock, waiting really.
class SteadyPlaybackClock final : public PlaybackClock {
public:
    TimePoint Now() override;
    bool SleepUntil(TimePoint deadline, std::stop_token stop) override;
};

// A real pause of `duration` that a stop request cuts short. False when stopped.
bool PauseFor(std::chrono::nanoseconds duration, std::stop_token stop);

}  // namespace zel::macro
