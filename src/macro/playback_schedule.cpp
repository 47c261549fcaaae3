#include "macro/playback_schedule.h"

#include <algorithm>

namespace zel::macro {

std::chrono::microseconds StepDelay(std::uint16_t recordedMs) {
    return std::max<std::chrono::microseconds>(std::chrono::milliseconds(recordedMs),
                                               kMinStepDelay);
}

PlaybackClock::TimePoint NextStepStart(PlaybackClock::TimePoint scheduled,
                                       PlaybackClock::TimePoint previousStart,
                                       std::chrono::microseconds delay) {
    return std::max({scheduled, previousStart + kMinStepDelay, previousStart + delay / 2});
}

}  // namespace zel::macro
