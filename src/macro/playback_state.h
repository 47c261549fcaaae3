#pragma once

// The requests that pass between the input reader and the macro player. Every field is 0 at
// start. The reader raises requests, the player carries them out and clears them. Raising a
// request wakes the player, which otherwise sleeps.

#include <atomic>
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
    // End the running macro after the current pass: set to 1 by the reader; cleared by the
    // player after each function, and at once when raised while nothing plays.
    std::atomic<std::int32_t> stopRequest{0};

    // Reader: stores the press's code and value, then raises playRequest (in this order, so
    // the player never sees the request without its code), and wakes the player. A stop
    // request left from before the press is dropped: it was raised with nothing playing.
    void RaisePlayRequest(std::uint8_t code, std::uint8_t value);
    // Reader: stopRequest = 1, and wakes an idle player so that it clears it.
    void RaiseStopRequest();

    // Player, while idle: sleeps until playRequest is 1 (true) or `stop` is requested (false).
    // Stop requests raised meanwhile with no play request are cleared as they come.
    bool WaitForPlayRequest(std::stop_token stop);
    // Player, when a function is done: stopRequest = 0, then playRequest = 0 (a stop raised
    // in between was meant for the function that just ended).
    void FinishPlayRequest();

    // playRequest = stopRequest = 0, as before the threads start.
    void ClearRequests();

private:
    std::mutex wakeMutex_;
    std::condition_variable_any wake_;
};

}  // namespace zel::macro
