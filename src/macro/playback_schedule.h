#pragma once

// When the next step of a macro starts. Steps are due at fixed times from the start of the
// pass (the sum of the delays before them), so neither slow sends nor late wake-ups add up
// over a long macro: a step that started late does not move the ones after it, the macro
// catches up with its schedule at once, and only these limits slow the catching up, measured
// from the start of the step before:
//   - never sooner than kMinStepDelay after it: no burst of reports;
//   - never sooner than half its delay after it: a long pause is never squeezed to the floor.
// How long the send before took does not count: on a busy machine a send returns late because
// the sending thread waits for a core once the mouse has the report, and holding the next step
// back by that would turn every busy moment into drift.
// The floor bounds the catching up: a step it holds back starts 15 ms plus one wake-up after
// the one before, so a macro of 20 ms steps on a machine whose wake-ups come more than 5 ms
// late on average falls further behind at each step until the load eases.

#include <chrono>
#include <cstdint>

#include "macro/playback_clock.h"

namespace zel::macro {

// The shortest pause after a macro step; shorter delays are waited this long. The sends of two
// steps never start closer than this, even while a macro catches up after a stall.
inline constexpr std::chrono::milliseconds kMinStepDelay{15};

// The delay waited after a step whose recorded delay is `recordedMs` milliseconds.
std::chrono::microseconds StepDelay(std::uint16_t recordedMs);

// When the step after one whose send started at `previousStart`, with delay `delay` (from
// StepDelay), starts, when it is due at `scheduled` by the pass's schedule.
PlaybackClock::TimePoint NextStepStart(PlaybackClock::TimePoint scheduled,
                                       PlaybackClock::TimePoint previousStart,
                                       std::chrono::microseconds delay);

}  // namespace zel::macro
