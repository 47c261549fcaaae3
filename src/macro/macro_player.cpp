#include "macro/macro_player.h"

#include <sys/prctl.h>

#include <utility>

#include "settings/button_function.h"
#include "settings/config_files.h"
#include "settings/profile_operations.h"

namespace zel::macro {

MacroPlayer::MacroPlayer(PlaybackServices services, PlaybackState& state, PlaybackClock& clock)
    : services_(std::move(services)), state_(state), clock_(clock) {}

MacroPlayer::~MacroPlayer() {
    Stop();
}

void MacroPlayer::Start() {
    thread_.Start(kMacroPlayerThreadName, [this](std::stop_token stop) { Run(stop); });
}

void MacroPlayer::Stop() {
    // The stop token wakes the idle wait and every step delay.
    thread_.Stop();
}

void MacroPlayer::Run(std::stop_token stop) {
    // Step delays end on time to the microsecond rather than within the default 50 us slack
    // (a real-time thread has none anyway).
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    if (services_.threadPriority) {
        services_.threadPriority->RaiseCurrentThread("macro player");
    }
    while (state_.WaitForPlayRequest(stop)) {
        RunPressedFunction(stop);
        state_.FinishPlayRequest();
    }
}

void MacroPlayer::RunPressedFunction(std::stop_token stop) {
    const std::uint8_t code = state_.pressedCode.load();
    const auto& buttonNumbers = device::DeviceLink::buttonNumbers;
    settings::ProfileSettings& profile = services_.profile;
    // Every button with this event code is handled; normally there is one.
    for (std::size_t i = 0; i < buttonNumbers.size(); ++i) {
        if (stop.stop_requested()) {
            return;
        }
        if (code != device::kButtonEventBase + buttonNumbers[i]) {
            continue;
        }
        if (profile.reportsDpiLevel[i].load()) {
            FollowDpiLevel();
        }
        if (profile.cyclesUsbSpeed[i].load()) {
            FollowUsbSpeed();
        }
        RunButtonFunction(profile.K[i].load(), stop);
    }
}

void MacroPlayer::RunButtonFunction(std::int32_t function, std::stop_token stop) {
    using settings::HostAction;
    switch (settings::HostActionOf(function)) {
        case HostAction::UserMacro:
            PlayUserMacro(function - settings::kFirstUserMacroFunction, stop);
            break;
        case HostAction::BuiltinMacro:
            PlayBuiltinMacro(function - settings::kFirstBuiltinMacroFunction, stop);
            break;
        case HostAction::ConsumerKey:
            services_.link.SendConsumerKey(function);
            break;
        case HostAction::Calculator:
            services_.launcher.Start(platform::HostProgram::Calculator);
            break;
        case HostAction::CommandPrompt:
            services_.launcher.Start(platform::HostProgram::Terminal);
            break;
        case HostAction::None:
        case HostAction::RecordDpiLevel:  // done by the follow-ups
        case HostAction::CycleUsbSpeed:
            break;
    }
}

void MacroPlayer::FollowDpiLevel() {
    settings::ProfileSettings& profile = services_.profile;
    if (!settings::OnDeviceDpiLevel(profile, state_.pressedValue.load())) {
        return;  // not a level: nothing changed
    }
    RequestRepaint();
    if (services_.currentProfile) {
        settings::WriteProfileDpiLevel(services_.configPath, services_.currentProfile(), profile);
    }
}

void MacroPlayer::FollowUsbSpeed() {
    settings::ProfileSettings& profile = services_.profile;
    settings::OnUsbSpeedCycle(profile);
    RequestRepaint();
    if (services_.currentProfile) {
        settings::WriteProfileUsbSpeed(services_.configPath, services_.currentProfile(), profile);
    }
}

void MacroPlayer::RequestRepaint() const {
    if (services_.requestRepaint) {
        services_.requestRepaint();
    }
}

PlayEnd MacroPlayer::PlayUserMacro(int index, std::stop_token stop) {
    const MacroStore& macros = services_.macros;
    const auto present = [&macros, index] { return index >= 0 && index < macros.UserCount(); };
    // A button may still name a macro that was deleted or not loaded: that record is stale
    // (or blank), not the user's macro.
    if (!present()) {
        return PlayEnd::Completed;
    }
    const MacroRecord first = macros.CopyUserMacro(index);
    std::uint32_t passes = 1;
    if (services_.profile.MACRO_MODE2.load() != 0) {
        passes = kHoldModePasses;
    } else if (first.repeatOn != 0) {
        passes = first.repeatCount.Value();  // 0 plays nothing
    }
    return PlayPasses(
        first,
        [&]() -> std::optional<MacroRecord> {
            if (!present()) {
                return std::nullopt;
            }
            return macros.CopyUserMacro(index);
        },
        passes, stop);
}

PlayEnd MacroPlayer::PlayBuiltinMacro(int index, std::stop_token stop) {
    const MacroStore& macros = services_.macros;
    // Once, whatever the repeat mode and the record's own repeat fields say.
    return PlayPasses(macros.CopyBuiltinMacro(index), {}, 1, stop);
}

PlayEnd MacroPlayer::PlayPasses(const MacroRecord& first,
                                const std::function<std::optional<MacroRecord>()>& copyRecord,
                                std::uint32_t passes, std::stop_token stop) {
    for (std::uint32_t pass = 0; pass < passes; ++pass) {
        bool played = false;
        if (pass == 0) {
            played = PlayPass(first, stop);
        } else {
            // A fresh copy each pass, taken under the store's lock: an edit made meanwhile
            // is seen whole or not at all.
            const std::optional<MacroRecord> record = copyRecord();
            if (!record) {
                return PlayEnd::Completed;
            }
            played = PlayPass(*record, stop);
        }
        if (!played) {
            return PlayEnd::Cancelled;
        }
        if (state_.stopRequest.load() == 1) {
            return PlayEnd::StopRequested;
        }
    }
    return PlayEnd::Completed;
}

bool MacroPlayer::PlayPass(const MacroRecord& record, std::stop_token stop) {
    if (stop.stop_requested()) {
        return false;
    }
    device::DeviceLink& link = services_.link;
    // When each step is due: the pass's start plus the delays before it, whatever the sends
    // and the wake-ups took.
    PlaybackClock::TimePoint scheduled = clock_.Now();
    for (int k = 0; k < record.stepCount; ++k) {
        const auto step = static_cast<std::size_t>(k);
        // A report's time is the start of its send (the mouse has it a moment later).
        const PlaybackClock::TimePoint started = clock_.Now();
        link.InjectEvent(record.steps[step].code, record.steps[step].action);
        const std::chrono::microseconds delay = StepDelay(record.delays[step].Value());
        scheduled += delay;
        const PlaybackClock::TimePoint due = NextStepStart(scheduled, started, delay);
        if (!clock_.SleepUntil(due, stop)) {
            // Cut short (shutdown, removal): nothing injected may stay held.
            link.ReleaseAll();
            return false;
        }
    }
    link.ReleaseAll();
    return !stop.stop_requested();
}

}  // namespace zel::macro
