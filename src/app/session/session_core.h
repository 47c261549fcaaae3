#pragma once

// One run of the program with the mouse, the same for the window and for the service: the start
// in its order (where the files are, the configuration, the device watcher, the search for the
// mouse), the replugs while access to the mouse is refused, the end when the mouse goes or the
// source of device events hangs up, the upload of a profile, and the playback threads' request
// for real-time scheduling.
//
// The session never waits. Its driver (the window's event loop, the service's own loop) waits
// on the descriptor it is given in WatchDeviceEvents() and calls FollowDeviceEvents() whenever
// that is readable or hung up; the driver's hooks do what belongs to the program around each
// step (the window's skin, the tray icon, the worker threads).

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "device/device_link.h"
#include "device/upload.h"
#include "macro/macro_player.h"
#include "macro/macro_store.h"
#include "platform/app_paths.h"
#include "platform/hid_transport.h"
#include "platform/launcher.h"
#include "platform/message_sink.h"
#include "platform/pointer_settings.h"
#include "settings/profile_settings.h"

namespace zel::app {

// Why a session ended.
enum class SessionEnd {
    Running,            // not ended yet
    NoMouse,            // no mouse at the start
    MouseRemoved,       // the mouse was unplugged
    DeviceEventsEnded,  // the source of device events went away (the virtual mouse ended)
    HandedOver,         // the session stepped aside for another program (StepAside)
    Signal,             // SIGTERM, SIGINT, SIGHUP or SIGQUIT
    Requested,          // the user or the program asked (tray exit, a missing layout, ...)
    WaitFailed,         // the driver's wait for events failed
};

// How a start went.
enum class SessionStart {
    NoFiles,         // the program's files cannot be used: nothing else ran
    Stopped,         // the session stopped while the driver prepared (Configured)
    NoMouse,         // no mouse: the session has stopped (SessionEnd::NoMouse)
    AwaitingAccess,  // plugged in but not to be opened: each arrival tries again
    MouseFound,      // opened: the driver calls GiveProfileToNewMouse() when it is ready
};

// What the program around a session does at its steps; called on the driver's thread.
class SessionDriver {
public:
    virtual ~SessionDriver() = default;
    // After the configuration, before the device watcher (the window loads its skin here).
    // False: the start goes no further.
    virtual bool Configured() { return true; }
    // From now on, call Session::FollowDeviceEvents() whenever `fd` is readable or hung up.
    virtual void WatchDeviceEvents(int fd) = 0;
    // A mouse just opened (at the start, or on the replug that let it be opened) was given the
    // current profile.
    virtual void MouseTookProfile(const device::UploadOutcome& /*outcome*/) {}
    // An upload changed what a window shows.
    virtual void Repaint() {}
    // The end, in this order: stop waiting on the descriptor; remove the tray icon; stop the
    // reader and player threads (the link is still open); then, after the shutdown report and
    // the desktop's own pointer values, Ended.
    virtual void StopWatching() {}
    virtual void RemoveTrayIcon() {}
    virtual void StopWorkers() {}
    virtual void Ended(SessionEnd reason) = 0;
};

// What a session works on; the driver owns it all.
struct SessionParts {
    device::DeviceLink& link;
    settings::ProfileSettings& profile;
    platform::HidTransport* transport;  // null: no HID access at all, no mouse is found
    platform::PointerSettings& pointer;
    platform::MessageSink& messages;
    // Filled by the start when `exeDir` is set; else used as given.
    platform::AppPaths& paths;
    // Also read by the player thread, and changed by `profile N` commands.
    std::atomic<std::int32_t>& currentProfile;
    // The edition (non-zero: EN); the window's edition switch changes it.
    std::int32_t& languageFlag;
    // Set: the files are found at the start beside this folder or in the user's (the window).
    // Unset: `paths` were found before the session (the service announces them first).
    std::optional<std::string> exeDir;
};

class Session {
public:
    Session(SessionParts parts, SessionDriver& driver);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Where the files are, the configuration (profile and edition), the driver's Configured,
    // the device watcher, the search for the mouse; in this order, the watcher before the
    // search so that a removal right after it is not missed. Says what was found (the user is
    // told why the mouse is refused or missing), and stops the session when there is none.
    SessionStart Start();

    // A moment for the mouse found, then the current profile's upload, then MouseTookProfile.
    void GiveProfileToNewMouse();

    // Takes the watcher's events: while access is refused each arrival searches again; else
    // the mouse's removal ends the session. A hung-up watcher ends it too (the mouse went with
    // it). Never waits.
    void FollowDeviceEvents();

    // Sends the current profile to the mouse and records it in config.ini.
    device::UploadOutcome Upload();
    // Makes profile `profile` (1 ... 5) current and uploads it; nothing when it is out of range
    // or config.ini cannot be read (the user is told why).
    std::optional<device::UploadOutcome> UploadProfile(std::int32_t profile);

    // The shutdown sequence (the hooks, the shutdown report, the desktop's own pointer values);
    // once.
    void Stop(SessionEnd reason);
    // Lets go of the mouse for another program: the worker threads stop and the desktop gets
    // its values back, without the shutdown report.
    void StepAside();

    // What the reader and the player work with, scheduled real-time where the system allows.
    macro::PlaybackServices Playback(const macro::MacroStore& macros, platform::Launcher& launcher,
                                     std::function<void()> requestRepaint);

    bool stopped() const { return endReason_ != SessionEnd::Running; }
    SessionEnd endReason() const { return endReason_; }
    bool awaitingAccess() const { return awaitingAccess_; }

private:
    bool FindFiles();
    void FollowArrivalWhileAwaitingAccess(const platform::HidDeviceEvent& event);
    bool WatcherHungUp() const;

    SessionParts parts_;
    SessionDriver& driver_;
    std::unique_ptr<platform::HidDeviceWatcher> watcher_;
    bool awaitingAccess_ = false;  // the mouse was found but access to it was refused
    SessionEnd endReason_ = SessionEnd::Running;
};

}  // namespace zel::app
