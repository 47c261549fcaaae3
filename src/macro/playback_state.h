#pragma once

// The requests that pass between the input reader and the macro player. Every field is 0 at
// start. The reader raises requests, the player carries them out and clears them.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stop_token>

namespace zel::macro {

class PlaybackState {
public:
    // A press waits for the player or is being played: set to 1 by the reader, to 0 by the
    // player when the function is done.
    std::atomic<std::int32_t> playRequest{0};
    // Event code (byte 1 of the input report) of the press that raised playRequest.
    std::atomic<std::uint8_t> pressedCode{0};
    // Value (byte 2) of the latest press of that button: for a DPI switch, the level the mouse
    // went to. A release never overwrites it.
    std::atomic<std::uint8_t> pressedValue{0};
    // The reader's own record of whether a reported button is down.
    std::atomic<std::int32_t> buttonHeld{0};
    // End the running macro after the current pass: set to 1 by the reader, to 0 by the player
    // after each function and every idle poll.
    std::atomic<std::int32_t> stopRequest{0};

    // Reader: stores the press's code and value, then raises playRequest (in this order, so
    // the player never sees the request without its code), and wakes the player.
    void RaisePlayRequest(std::uint8_t code, std::uint8_t value);

    // Player: waits until playRequest is 1 (true), `timeout` has passed or `stop` is requested
    // (false). A raised request ends the wait at once.
    bool WaitForPlayRequest(std::stop_token stop, std::chrono::nanoseconds timeout);

    // playRequest = stopRequest = 0, as before the threads start.
    void ClearRequests();

private:
    std::mutex wakeMutex_;
    std::condition_variable_any wake_;
};

}  // namespace zel::macro
