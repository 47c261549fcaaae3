#include "macro/input_reader.h"

#include <algorithm>

#include "device/feature_report.h"
#include "macro/playback_clock.h"

namespace zel::macro {

namespace {
constexpr std::size_t kEventReportLength = 3;  // report ID, event code, value
}  // namespace

void InterpretInputReport(std::span<const std::uint8_t> report, std::int32_t macroMode2,
                          PlaybackState& state) {
    if (report.size() < kEventReportLength || report[0] != device::kInputReportId) {
        return;
    }
    const std::uint8_t code = report[1];
    const std::uint8_t value = report[2];
    const bool holdMode = macroMode2 != 0;

    if (code > device::kButtonEventBase) {
        if (value == device::kReleaseValue) {
            state.buttonHeld.store(0);
            if (holdMode) {
                state.RaiseStopRequest();
            }
            return;
        }
        state.buttonHeld.store(1);
        if (state.playRequest.load() == 0) {
            state.RaisePlayRequest(code, value);
            return;
        }
        if (state.pressedCode.load() == code) {
            state.pressedValue.store(value);
        }
        if (!holdMode) {
            state.RaiseStopRequest();
        }
        return;
    }

    const std::int32_t held = state.buttonHeld.load() == 0 ? 1 : 0;
    state.buttonHeld.store(held);
    if (holdMode) {
        state.RaiseStopRequest();
    } else if (state.playRequest.load() == 1 && held == 1) {
        state.RaiseStopRequest();
    }
}

InputReader::InputReader(device::DeviceLink& link, const settings::ProfileSettings& profile,
                         PlaybackState& state, platform::ThreadPriority* priority)
    : link_(link), profile_(profile), state_(state), priority_(priority) {}

InputReader::~InputReader() {
    Stop();
}

void InputReader::Start() {
    thread_.Start(kInputReaderThreadName, [this](std::stop_token stop) { Run(stop); });
}

void InputReader::Stop() {
    thread_.Stop([this] { link_.CancelRead(); });
}

void InputReader::Run(std::stop_token stop) {
    if (priority_ != nullptr) {
        priority_->RaiseCurrentThread("input reader");
    }
    std::chrono::milliseconds retryPause = kReaderRetryPause;
    while (link_.WaitForReadChannel(stop)) {
        if (link_.ReadInputReport()) {
            const device::InputReport report = link_.LastInputReport();
            InterpretInputReport(report.Received(), profile_.MACRO_MODE2.load(), state_);
            retryPause = kReaderRetryPause;
            continue;
        }
        // The read failed or was cancelled. A channel whose device is gone fails every read
        // at once; it is tried again ever less often, so that it costs next to nothing.
        if (!PauseFor(retryPause, stop)) {
            break;
        }
        retryPause = std::min(retryPause * 2, kReaderLongestRetryPause);
    }
}

}  // namespace zel::macro
