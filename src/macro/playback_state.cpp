#include "macro/playback_state.h"

namespace zel::macro {

void PlaybackState::RaisePlayRequest(std::uint8_t code, std::uint8_t value) {
    pressedCode.store(code);
    pressedValue.store(value);
    {
        // Raised under the mutex, so a player that has just found no request is already
        // waiting when the notification comes.
        std::lock_guard lock(wakeMutex_);
        stopRequest.store(0);
        playRequest.store(1);
    }
    wake_.notify_one();
}

void PlaybackState::RaiseStopRequest() {
    {
        std::lock_guard lock(wakeMutex_);
        stopRequest.store(1);
    }
    wake_.notify_one();
}

bool PlaybackState::WaitForPlayRequest(std::stop_token stop) {
    std::unique_lock lock(wakeMutex_);
    return wake_.wait(lock, stop, [this] {
        if (playRequest.load() == 1) {
            return true;
        }
        // Nothing plays: a stop request has nothing to end.
        stopRequest.store(0);
        return false;
    });
}

void PlaybackState::FinishPlayRequest() {
    stopRequest.store(0);
    playRequest.store(0);
}

void PlaybackState::ClearRequests() {
    playRequest.store(0);
    stopRequest.store(0);
}

}  // namespace zel::macro
