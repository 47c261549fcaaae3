#pragma once

// The two playback threads together, as the main window (or the headless run) uses them:
//
//   PlaybackThreads playback({link, profile, macros, launcher, configPath,
//                             [&] { return currentProfile.load(); },
//                             [window] { QMetaObject::invokeMethod(window, "update",
//                                                                  Qt::QueuedConnection); }});
//   playback.Start();  // at initialisation, before the mouse and the macros are loaded
//   ...
//   playback.Stop();   // in the shutdown, before the shutdown report
//
// Until the mouse is found the reader finds its channel not open and waits; until the macros
// are loaded the store is empty and macro buttons play nothing.

#include <memory>

#include "macro/input_reader.h"
#include "macro/macro_player.h"
#include "macro/playback_clock.h"
#include "macro/playback_state.h"

namespace zel::macro {

class PlaybackThreads {
public:
    // Step delays on the steady clock.
    explicit PlaybackThreads(PlaybackServices services);
    // Step delays on `clock`, which must outlive this object.
    PlaybackThreads(PlaybackServices services, PlaybackClock& clock);
    // Stops the threads.
    ~PlaybackThreads();
    PlaybackThreads(const PlaybackThreads&) = delete;
    PlaybackThreads& operator=(const PlaybackThreads&) = delete;

    // Clears the play and stop requests, then starts the reader and the player, in this order.
    // Nothing when they run.
    void Start();
    // Stops both threads and joins them: the reader's blocked read is cancelled (the read
    // channel stays cancelled), a macro in progress ends at once with every injected key and
    // button released. After Stop the player sends nothing more. Safe to call twice.
    void Stop();
    bool Running() const { return reader_.Running() || player_.Running(); }

    PlaybackState& state() { return state_; }
    MacroPlayer& player() { return player_; }

private:
    std::unique_ptr<SteadyPlaybackClock> ownClock_;
    PlaybackState state_;
    InputReader reader_;
    MacroPlayer player_;
};

}  // namespace zel::macro
