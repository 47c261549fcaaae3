#pragma once

// Macro recording: keystrokes become press and release steps of the macro selected on the
// macro page, with the measured pauses between them. The keyboard capture itself (a keyboard
// grab while recording) is the window's; it hands every key event to RecordKey as a
// Windows key message and virtual-key code.

#include <array>
#include <cstdint>

#include "macro/step_list.h"

namespace zel::macro {

// Key messages as the recorder knows them.
inline constexpr int kKeyDownMessage = 0x100;
inline constexpr int kKeyUpMessage = 0x101;
inline constexpr int kSysKeyDownMessage = 0x104;
inline constexpr int kSysKeyUpMessage = 0x105;

inline constexpr int kMaxRecordedSteps = 216;
inline constexpr int kMaxRecordedPresses = 108;
inline constexpr int kMaxHeldKeys = 9;
inline constexpr std::uint16_t kLastStepDelay = 30;  // until a next step measures it

// Milliseconds since midnight UTC, 0 ... 86399999.
class RecordClock {
public:
    virtual ~RecordClock() = default;
    virtual std::int64_t MillisecondsSinceMidnightUtc() = 0;
};

class SystemRecordClock final : public RecordClock {
public:
    std::int64_t MillisecondsSinceMidnightUtc() override;
};

enum class RecordingChange { None, Started, Stopped };

enum class RecordKeyResult {
    NotAKey,   // not a key message: it passes untouched
    Dropped,   // a press beyond the limits or a release of a key not pressed while recording
    Filtered,  // the filter ran to its end: recorded, or a repeat or beyond 216 steps
};

class Recorder {
public:
    Recorder(MacroPageModel& page, RecordClock& clock) : page_(page), clock_(clock) {}

    bool recording() const { return page_.state.recording; }
    int recordedCount() const { return recordedCount_; }
    int heldCount() const { return heldCount_; }

    // The Record button. Without macros nothing happens. Starting blanks the selected macro
    // (its name kept, repeat off, count 1) and empties the step list; stopping stores the
    // number of steps recorded. Nothing is saved.
    RecordingChange ToggleRecording();

    // One key message while recording: msg one of the four key messages, vk the virtual-key
    // code. Repeated messages (same message, same key) are recorded once, and a press of a key
    // that is held already is its auto-repeat; at most 216 steps, 108 presses and 9 keys held
    // at a time (a tenth held key is dropped, its release too). The pause before the step is
    // measured up to now, or up to `receivedAt` (a time of Now()) for a message taken earlier.
    RecordKeyResult RecordKey(int msg, int vk);
    RecordKeyResult RecordKey(int msg, int vk, std::int64_t receivedAt);

    // The recording clock's time, for RecordKey's `receivedAt`.
    std::int64_t Now() { return clock_.MillisecondsSinceMidnightUtc(); }

    // Milliseconds since the previous call (until now or until `at`), across midnight, at most
    // 65535.
    std::uint16_t ElapsedMs();
    std::uint16_t ElapsedMs(std::int64_t at);

private:
    bool IsHeld(std::uint8_t key) const;

    MacroPageModel& page_;
    RecordClock& clock_;
    int recordTarget_ = 0;
    int recordedCount_ = 0;
    std::array<std::uint8_t, kMaxHeldKeys> heldKeys_{};
    int heldCount_ = 0;
    int lastKeyMsg_ = 0;
    int lastKeyVk_ = 0;
    std::int64_t lastEventTime_ = 0;
};

}  // namespace zel::macro
