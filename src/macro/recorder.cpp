#include "macro/recorder.h"

#include <algorithm>
#include <chrono>

#include "macro/key_codes.h"
#include "macro/macro_name.h"

namespace zel::macro {
namespace {

constexpr std::int64_t kMillisecondsPerDay = 86'400'000;

bool IsDown(int msg) {
    return msg == kKeyDownMessage || msg == kSysKeyDownMessage;
}
bool IsUp(int msg) {
    return msg == kKeyUpMessage || msg == kSysKeyUpMessage;
}

}  // namespace

std::int64_t SystemRecordClock::MillisecondsSinceMidnightUtc() {
    const auto sinceEpoch = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    const std::int64_t ms = sinceEpoch.count() % kMillisecondsPerDay;
    return ms < 0 ? ms + kMillisecondsPerDay : ms;
}

RecordingChange Recorder::ToggleRecording() {
    MacroPageView& view = page_.view;
    if (view.macroNames.empty()) {
        return RecordingChange::None;
    }
    StepListState& state = page_.state;
    state.recording = !state.recording;
    MacroStore& store = page_.store();
    if (state.recording) {
        const int listed = static_cast<int>(view.macroNames.size());
        const int t =
            view.macroSelection >= 0 && view.macroSelection < listed ? view.macroSelection : 0;
        heldCount_ = 0;
        heldKeys_.fill(0);
        recordTarget_ = t;
        state.downCount = 0;
        state.upCount = 0;
        recordedCount_ = 0;
        const std::string& name = view.macroNames[static_cast<std::size_t>(t)];
        store.EditUserMacro(t, [&name](MacroRecord& record) {
            record = MacroRecord{};
            SetName(record, name);
            record.repeatOn = 0;
            record.repeatCount.Set(1);
        });
        store.SetCurrentMacro(t);
        view.repeat = {"1", false};
        view.stepLines.clear();
        view.stepSelection = kNoLine;
        return RecordingChange::Started;
    }
    const auto count = static_cast<std::uint8_t>(recordedCount_);
    store.EditUserMacro(recordTarget_, [count](MacroRecord& record) { record.stepCount = count; });
    return RecordingChange::Stopped;
}

RecordKeyResult Recorder::RecordKey(int msg, int vk) {
    return RecordKey(msg, vk, Now());
}

bool Recorder::IsHeld(std::uint8_t key) const {
    const auto held = heldKeys_.begin() + heldCount_;
    return std::find(heldKeys_.begin(), held, key) != held;
}

RecordKeyResult Recorder::RecordKey(int msg, int vk, std::int64_t receivedAt) {
    if (!IsDown(msg) && !IsUp(msg)) {
        return RecordKeyResult::NotAKey;
    }
    const auto key = static_cast<std::uint8_t>(vk & 0xFF);
    // A press of a key still held is its auto-repeat, whatever came between.
    const bool repeated = (msg == lastKeyMsg_ && vk == lastKeyVk_) || (IsDown(msg) && IsHeld(key));
    if (!repeated && recordedCount_ < kMaxRecordedSteps) {
        std::uint8_t action = kPressAction;
        if (IsDown(msg)) {
            if (page_.state.downCount >= kMaxRecordedPresses || heldCount_ >= kMaxHeldKeys) {
                return RecordKeyResult::Dropped;
            }
            heldKeys_[static_cast<std::size_t>(heldCount_++)] = key;
        } else {
            const auto held = heldKeys_.begin() + heldCount_;
            const auto found = std::find(heldKeys_.begin(), held, key);
            if (found == held) {
                return RecordKeyResult::Dropped;
            }
            std::copy(found + 1, held, found);
            --heldCount_;
            heldKeys_[static_cast<std::size_t>(heldCount_)] = 0;
            action = kReleaseAction;
        }
        const int k = recordedCount_;
        const std::uint16_t elapsed = ElapsedMs(receivedAt);
        page_.store().EditUserMacro(recordTarget_, [&](MacroRecord& record) {
            const auto step = static_cast<std::size_t>(k);
            record.steps[step] = {VkToUsage(key), action};
            if (k > 0) {
                record.delays[step - 1].Set(elapsed);
                record.delays[step].Set(kLastStepDelay);
            }
        });
        page_.AddStepLines(recordTarget_, k);
        ++recordedCount_;
    }
    lastKeyMsg_ = msg;
    lastKeyVk_ = vk;
    return RecordKeyResult::Filtered;
}

std::uint16_t Recorder::ElapsedMs() {
    return ElapsedMs(Now());
}

std::uint16_t Recorder::ElapsedMs(std::int64_t at) {
    std::int64_t d = at - lastEventTime_;
    lastEventTime_ = at;
    if (d < 0) {
        d += kMillisecondsPerDay;
    }
    return static_cast<std::uint16_t>(std::min<std::int64_t>(d, 65535));
}

}  // namespace zel::macro
