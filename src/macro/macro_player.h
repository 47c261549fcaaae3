#pragma once

// The macro player: a thread that waits for the input reader's play requests and carries out
// the function of the pressed button: a user or built-in macro played through the mouse's
// injection reports, a consumer-control key, the calculator or a terminal, and the DPI-level
// and report-rate changes the mouse made by itself.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <thread>

#include "device/device_link.h"
#include "macro/macro_store.h"
#include "macro/playback_clock.h"
#include "macro/playback_schedule.h"
#include "macro/playback_state.h"
#include "platform/launcher.h"
#include "platform/thread_priority.h"
#include "platform/worker_thread.h"
#include "settings/profile_settings.h"

namespace zel::macro {

// Passes of a user macro in hold mode (MACRO_MODE2 != 0): it repeats until the release.
inline constexpr std::uint32_t kHoldModePasses = 10000;
// The thread's name (in /proc/PID/task/TID/comm, top, gdb).
inline constexpr const char* kMacroPlayerThreadName = "zel-player";

// What the player works with. The references must outlive the player.
struct PlaybackServices {
    device::DeviceLink& link;
    settings::ProfileSettings& profile;
    const MacroStore& macros;
    platform::Launcher& launcher;
    // config.ini, where the DPI level and report-rate follow-ups are saved.
    std::filesystem::path configPath;
    // The profile the follow-ups are saved to; called on the player thread.
    std::function<std::int32_t()> currentProfile;
    // Asks the window to repaint; called on the player thread, so the window must forward it
    // to its own thread (a queued call). May be empty.
    std::function<void()> requestRepaint;
    // Raises the reader's and the player's scheduling as each starts; empty: normal priority.
    std::shared_ptr<platform::ThreadPriority> threadPriority = {};
};

// How playing a macro ended.
enum class PlayEnd {
    Completed,      // every pass was played
    StopRequested,  // a stop request ended it after a pass
    Cancelled,      // the thread was told to stop: the pass was cut short and all released
};

class MacroPlayer {
public:
    // `services`, `state` and `clock` must outlive the player; the clock's waits are the step
    // delays (the pauses of ReleaseAll are the DeviceLink's own).
    MacroPlayer(PlaybackServices services, PlaybackState& state, PlaybackClock& clock);
    ~MacroPlayer();
    MacroPlayer(const MacroPlayer&) = delete;
    MacroPlayer& operator=(const MacroPlayer&) = delete;

    // Starts the thread; nothing when it is running.
    void Start();
    // Ends the thread and joins it. A macro in progress ends at once: the rest of its pass is
    // skipped and every injected key and button is released. Safe to call twice.
    // Between requests the thread sleeps until the reader raises one; between steps until the
    // next step is due.
    void Stop();
    bool Running() const { return thread_.Running(); }

    // The work of one play request, on the calling thread: for each configurable button whose
    // event code is pressedCode, the DPI-level and report-rate follow-ups, then its function.
    void RunPressedFunction(std::stop_token stop);

    // Plays user macro `index` (0 ... 11) or built-in macro `index` (0 ... 7) as a press of a
    // button with that function would. A user macro beyond the user count plays nothing.
    PlayEnd PlayUserMacro(int index, std::stop_token stop);
    PlayEnd PlayBuiltinMacro(int index, std::stop_token stop);

private:
    void Run(std::stop_token stop);
    void RunButtonFunction(std::int32_t function, std::stop_token stop);
    void FollowDpiLevel();
    void FollowUsbSpeed();
    void RequestRepaint() const;
    // Plays `passes` passes: the first of `first`, each later one of a fresh copy from
    // `copyRecord` (nullopt: the macro is gone, playing ends).
    PlayEnd PlayPasses(const MacroRecord& first,
                       const std::function<std::optional<MacroRecord>()>& copyRecord,
                       std::uint32_t passes, std::stop_token stop);
    // One pass: every step with its delay, then ReleaseAll. False when stopped.
    bool PlayPass(const MacroRecord& record, std::stop_token stop);

    PlaybackServices services_;
    PlaybackState& state_;
    PlaybackClock& clock_;
    platform::WorkerThread thread_;
};

}  // namespace zel::macro
