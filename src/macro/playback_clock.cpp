#include "macro/playback_clock.h"

#include <condition_variable>
#include <mutex>

namespace zel::macro {

PlaybackClock::TimePoint SteadyPlaybackClock::Now() {
    return std::chrono::steady_clock::now();
}

bool SteadyPlaybackClock::SleepUntil(TimePoint deadline, std::stop_token stop) {
    // Nobody notifies this condition: it only wakes at the deadline or on a stop request.
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    wake.wait_until(lock, stop, deadline, [] { return false; });
    return !stop.stop_requested();
}

bool PauseFor(std::chrono::nanoseconds duration, std::stop_token stop) {
    SteadyPlaybackClock clock;
    return clock.SleepUntil(clock.Now() + duration, std::move(stop));
}

}  // namespace zel::macro
