#pragma once

// A run of the program without window, tray or skins: the mouse gets the current profile and
// the program then follows the mouse until it is removed or the program is told to stop.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "app/session/session_core.h"
#include "control/instance_channel.h"
#include "control/instance_requests.h"
#include "device/device_link.h"
#include "macro/macro_record.h"
#include "platform/app_paths.h"
#include "platform/hid_transport.h"
#include "platform/message_sink.h"
#include "platform/pointer_settings.h"
#include "platform/wake_up_event.h"
#include "settings/profile_settings.h"

namespace zel::app {

// Why a headless run ended; the service's last line in the journal says it.
using HeadlessEnd = SessionEnd;

// The line written to standard error when a headless run starts, and when it ends with
// `reason` (`signal`: the signal's number for HeadlessEnd::Signal, 0 when unknown).
std::string HeadlessStartLine(const std::string& configPath);
std::string HeadlessEndLine(HeadlessEnd reason, int signal = 0);

// The service's driver of a Session: its own loop waits on the device watcher, the stop
// descriptor, the wake-up and the command socket.
class HeadlessSession : private SessionDriver {
public:
    // transport may be null (no HID access at all): the run then finds no mouse.
    HeadlessSession(platform::AppPaths paths, std::unique_ptr<platform::HidTransport> transport,
                    std::unique_ptr<platform::PointerSettings> pointer,
                    platform::MessageSink& messages);
    ~HeadlessSession() override;
    HeadlessSession(const HeadlessSession&) = delete;
    HeadlessSession& operator=(const HeadlessSession&) = delete;

    // Loads the current profile, finds the mouse and uploads, then runs until the mouse is
    // removed, `stopFd` becomes readable (a signal descriptor; -1 for none) or
    // RequestShutdown() is called; every way out goes through the shutdown sequence. Returns
    // the exit status: 0 after a run with the mouse (or one waiting for access to it), 1 when
    // no mouse was found.
    int Run(int stopFd = -1);

    // Ends Run() through the shutdown sequence; callable from any thread.
    void RequestShutdown();

    // While it runs, takes the requests of later starts and of zel-gmousectl from `server`
    // (set before Run(); null: none). A window start makes the run step aside: the worker
    // threads stop and the run ends without the shutdown report, the window's connection moved
    // into `handover` for the caller to close once the lock is free.
    void ServeRequests(control::InstanceServer* server, platform::UniqueFd* handover);
    HeadlessEnd endReason() const { return core_.endReason(); }

    // Called on the run's thread after the first upload (start the reader and player threads
    // here) and inside the shutdown before the shutdown report (stop and join them here; the
    // link is still open). Set them before Run().
    std::function<void(HeadlessSession&)> onStart;
    std::function<void(HeadlessSession&)> onStop;
    // zel-gmousectl replaced the user macros in their file: the macros in memory follow.
    std::function<void(std::span<const macro::MacroRecord>)> onUserMacrosReplaced;

    // What the hooks work with.
    Session& core() { return core_; }
    const platform::AppPaths& paths() const { return paths_; }
    device::DeviceLink& link() { return link_; }
    settings::ProfileSettings& profile() { return profile_; }
    platform::HidTransport* transport() { return transport_.get(); }
    platform::PointerSettings& pointer() { return *pointer_; }
    platform::MessageSink& messages() { return messages_; }
    std::int32_t currentProfile() const { return currentProfile_.load(); }
    std::int32_t languageFlag() const { return languageFlag_; }

private:
    // The session's hooks.
    void WatchDeviceEvents(int fd) override { watchFd_ = fd; }
    void MouseTookProfile(const device::UploadOutcome& outcome) override;
    void StopWorkers() override;
    void Ended(SessionEnd reason) override;

    int FollowDevice(int stopFd);
    // New connections join `pending_`; their requests are read as the bytes arrive.
    void AcceptRequests();
    void ReadPendingRequests(const std::vector<short>& readiness);
    void DropExpiredRequests();
    int MsUntilFirstRequestDeadline() const;
    void AnswerRequest(const control::ControlRequest& request, platform::UniqueFd connection);

    platform::AppPaths paths_;
    std::unique_ptr<platform::HidTransport> transport_;
    std::unique_ptr<platform::PointerSettings> pointer_;
    platform::MessageSink& messages_;
    device::DeviceLink link_;
    settings::ProfileSettings profile_;
    // Changed by zel-gmousectl's `profile N` while the player thread reads it.
    std::atomic<std::int32_t> currentProfile_{0};
    std::int32_t languageFlag_ = 0;
    Session core_;
    int watchFd_ = -1;  // the device watcher's, once the start has made it
    platform::WakeUpEvent wake_;
    bool finished_ = false;  // the loop ends
    control::InstanceServer* server_ = nullptr;
    platform::UniqueFd* handover_ = nullptr;
    std::vector<control::PendingRequest> pending_;
};

// `ZEL_GMouse --headless`: the session with the real transport, desktop and standard error.
// `prepare` runs before the session starts, to set its hooks (playback threads). While another
// instance runs for this user, it ends at once with status 0 and a line on standard error.
int RunHeadless(const std::function<void(HeadlessSession&)>& prepare = {});

}  // namespace zel::app
