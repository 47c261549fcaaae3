#pragma once

// The input reader: a thread that blocks on the mouse's input channel (or, before the mouse is
// found, until the channel is attached) and turns each button event of input report 6 into a
// play request or a stop request for the macro player.

#include <chrono>
#include <cstdint>
#include <span>

#include "device/device_link.h"
#include "macro/playback_state.h"
#include "platform/thread_priority.h"
#include "platform/worker_thread.h"
#include "settings/profile_settings.h"

namespace zel::macro {

// Pause after a failed read, doubled after each further failure up to the longest: an unplugged
// mouse's channel, which fails every read at once, neither keeps the thread spinning nor wakes
// it more than once a second. While no channel is attached the reader just waits for one.
inline constexpr std::chrono::milliseconds kReaderRetryPause{2};
inline constexpr std::chrono::milliseconds kReaderLongestRetryPause{1024};
// The thread's name (in /proc/PID/task/TID/comm, top, gdb).
inline constexpr const char* kInputReaderThreadName = "zel-reader";

// What one input report means for the requests, with the current MACRO_MODE2. `report` is the
// received bytes, report ID first. Reports other than ID 6 and reports too short to carry an
// event code and value (3 bytes) change nothing.
//
// Event code above 0xF0 (a configurable button):
//   release (value 0x80): buttonHeld = 0; in hold mode (MACRO_MODE2 != 0) stopRequest = 1.
//   press: buttonHeld = 1; with no request waiting, raise the play request for this code;
//   otherwise a further press of the same button updates pressedValue, and in count mode
//   (MACRO_MODE2 == 0) the press asks the running macro to stop.
// Event code 0xF0 or below (names no button): buttonHeld flips; in hold mode stopRequest = 1;
//   in count mode stopRequest = 1 when a request is running and buttonHeld became 1.
void InterpretInputReport(std::span<const std::uint8_t> report, std::int32_t macroMode2,
                          PlaybackState& state);

class InputReader {
public:
    // All must outlive the reader. With `priority` the thread raises its scheduling first.
    InputReader(device::DeviceLink& link, const settings::ProfileSettings& profile,
                PlaybackState& state, platform::ThreadPriority* priority = nullptr);
    ~InputReader();
    InputReader(const InputReader&) = delete;
    InputReader& operator=(const InputReader&) = delete;

    // Starts the thread; nothing when it is running.
    void Start();
    // Ends the thread and joins it: a blocked read is woken by cancelling the link's read
    // channel, which stays cancelled (every later read fails at once); a wait for a channel or
    // a retry pause ends on the stop request. Safe to call twice.
    void Stop();
    bool Running() const { return thread_.Running(); }

private:
    void Run(std::stop_token stop);

    device::DeviceLink& link_;
    const settings::ProfileSettings& profile_;
    PlaybackState& state_;
    platform::ThreadPriority* priority_;
    platform::WorkerThread thread_;
};

}  // namespace zel::macro
