#include "app/session/session_core.h"

#include <poll.h>

#include <utility>

#include "app/session/startup_sequence.h"
#include "device/discovery.h"
#include "device/shutdown.h"
#include "platform/app_identity.h"
#include "platform/realtime_kit.h"
#include "platform/thread_priority.h"
#include "settings/profile_actions.h"
#include "settings/program_files.h"
#include "settings/startup_config.h"
#include "text/catalog.h"

namespace zel::app {

Session::Session(SessionParts parts, SessionDriver& driver)
    : parts_(std::move(parts)), driver_(driver) {}

Session::~Session() = default;

SessionStart Session::Start() {
    if (!FindFiles()) {
        return SessionStart::NoFiles;
    }

    // The profile and the edition.
    const settings::StartupConfig config = settings::LoadStartupConfig(
        parts_.paths.configPath, parts_.profile,
        settings::EditionForLocale(platform::UserEnvironment::FromProcess().messagesLocale));
    parts_.currentProfile = config.currentProfile;
    parts_.languageFlag = config.languageFlag;
    parts_.paths.SetLanguage(parts_.languageFlag);
    if (!config.notice.empty()) {
        parts_.messages.ShowMessage(config.notice, platform::kProgramName);
    }
    if (!driver_.Configured() || stopped()) {
        return SessionStart::Stopped;
    }

    // Watch before looking, so that a removal right after discovery is not missed.
    device::DiscoveryResult discovery;
    if (parts_.transport != nullptr) {
        watcher_ = parts_.transport->Watch();
        if (watcher_ && watcher_->PollFd() >= 0) {
            driver_.WatchDeviceEvents(watcher_->PollFd());
        }
        discovery = device::DiscoverMouseReportingAccess(parts_.link, *parts_.transport,
                                                         parts_.messages, parts_.languageFlag);
    }
    switch (ReportMouseAtStart(discovery, parts_.languageFlag, parts_.messages,
                               platform::kProgramName)) {
        case MouseAtStart::AccessRefused:
            // The mouse is there but may not be opened: wait for the replug.
            awaitingAccess_ = true;
            return SessionStart::AwaitingAccess;
        case MouseAtStart::Missing:
            Stop(SessionEnd::NoMouse);
            return SessionStart::NoMouse;
        case MouseAtStart::Found:
            break;
    }
    return SessionStart::MouseFound;
}

bool Session::FindFiles() {
    if (!parts_.exeDir) {
        return true;
    }
    // Beside the executable, or shipped data and the user's folder.
    platform::Result<settings::ProgramFiles> files =
        settings::ResolveProgramFiles(*parts_.exeDir, platform::UserEnvironment::FromProcess());
    if (!files.ok()) {
        parts_.messages.ShowMessage(files.error().message, platform::kProgramName);
        return false;
    }
    parts_.paths = std::move(files->paths);
    if (!files->notice.empty()) {
        parts_.messages.ShowMessage(files->notice, platform::kProgramName);
    }
    return true;
}

void Session::GiveProfileToNewMouse() {
    WaitForMouseToSettle();
    driver_.MouseTookProfile(Upload());
}

void Session::FollowDeviceEvents() {
    if (!watcher_ || parts_.transport == nullptr || stopped()) {
        return;
    }
    for (const platform::HidDeviceEvent& event : watcher_->TakeEvents()) {
        if (awaitingAccess_) {
            FollowArrivalWhileAwaitingAccess(event);
            continue;
        }
        device::FollowDeviceChange(event, parts_.link, *parts_.transport, parts_.messages,
                                   parts_.languageFlag, [this] { Stop(SessionEnd::MouseRemoved); });
        if (stopped()) {
            return;
        }
    }
    if (WatcherHungUp()) {
        // The source of device events is gone (the virtual mouse ended): the mouse went with it.
        parts_.link.found = false;
        Stop(SessionEnd::DeviceEventsEnded);
    }
}

bool Session::WatcherHungUp() const {
    // Asked without waiting: the driver has just woken for this descriptor.
    pollfd descriptor{watcher_->PollFd(), POLLIN, 0};
    return ::poll(&descriptor, 1, 0) > 0 &&
           (descriptor.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void Session::FollowArrivalWhileAwaitingAccess(const platform::HidDeviceEvent& event) {
    const device::DiscoveryResult discovery = device::RetryDiscoveryOnArrival(
        event, parts_.link, *parts_.transport, parts_.messages, parts_.languageFlag);
    if (discovery.found) {
        awaitingAccess_ = false;
        GiveProfileToNewMouse();
    } else if (!discovery.refusedNode.empty() &&
               device::SameDevicePath(event.path, discovery.refusedNode)) {
        // Plugged in again without the rule: the same advice once more.
        parts_.messages.ShowMessage(text::Message(text::TextId::kAccessRefused, parts_.languageFlag,
                                                  {{"{node}", discovery.refusedNode}}),
                                    platform::kProgramName);
    }
}

device::UploadOutcome Session::Upload() {
    return device::UploadSettings({parts_.profile, parts_.link, parts_.pointer,
                                   parts_.paths.configPath, [this] { driver_.Repaint(); }},
                                  parts_.currentProfile.load());
}

std::optional<device::UploadOutcome> Session::UploadProfile(std::int32_t profile) {
    settings::ProfileActionHooks hooks;
    hooks.repaint = [this] { driver_.Repaint(); };
    const settings::ProfileActionContext context{
        parts_.profile,        parts_.currentProfile,  parts_.languageFlag, parts_.paths.configPath,
        parts_.paths.skinsDir, parts_.paths.macroPath, parts_.messages,     std::move(hooks)};
    if (!settings::SelectProfile(context, profile)) {
        return std::nullopt;
    }
    return Upload();
}

void Session::Stop(SessionEnd reason) {
    if (stopped()) {
        return;
    }
    endReason_ = reason;
    driver_.StopWatching();
    device::ShutdownHooks hooks;
    hooks.removeTrayIcon = [this] { driver_.RemoveTrayIcon(); };
    hooks.stopWorkers = [this] { driver_.StopWorkers(); };
    hooks.destroyWindow = [this, reason] { driver_.Ended(reason); };
    device::ShutdownLink(parts_.link, parts_.pointer, hooks);
}

void Session::StepAside() {
    if (stopped()) {
        return;
    }
    endReason_ = SessionEnd::HandedOver;
    driver_.StopWatching();
    driver_.StopWorkers();
    // The program that takes over finds the desktop as the user had it.
    parts_.pointer.RestoreDesktopValues();
    driver_.Ended(SessionEnd::HandedOver);
}

macro::PlaybackServices Session::Playback(const macro::MacroStore& macros,
                                          platform::Launcher& launcher,
                                          std::function<void()> requestRepaint) {
    return {
        parts_.link,
        parts_.profile,
        macros,
        launcher,
        parts_.paths.configPath,
        [&current = parts_.currentProfile] { return current.load(); },
        std::move(requestRepaint),
        platform::ThreadPriority::ForLinux(platform::MakeThreadRealtimeThroughRealtimeKit),
    };
}

}  // namespace zel::app
