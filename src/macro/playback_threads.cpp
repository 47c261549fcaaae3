#include "macro/playback_threads.h"

#include <utility>

namespace zel::macro {

PlaybackThreads::PlaybackThreads(PlaybackServices services)
    : ownClock_(std::make_unique<SteadyPlaybackClock>()),
      reader_(services.link, services.profile, state_, services.threadPriority.get()),
      player_(std::move(services), state_, *ownClock_) {}

PlaybackThreads::PlaybackThreads(PlaybackServices services, PlaybackClock& clock)
    : reader_(services.link, services.profile, state_, services.threadPriority.get()),
      player_(std::move(services), state_, clock) {}

PlaybackThreads::~PlaybackThreads() {
    Stop();
}

void PlaybackThreads::Start() {
    if (Running()) {
        return;
    }
    state_.ClearRequests();
    reader_.Start();
    player_.Start();
}

void PlaybackThreads::Stop() {
    // The player first: once it has ended, nothing more is injected; then the reader, whose
    // requests nobody would carry out any more.
    player_.Stop();
    reader_.Stop();
}

}  // namespace zel::macro
