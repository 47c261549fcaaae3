#include "macro/input_reader.h"

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
                state.stopRequest.store(1);
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
            state.stopRequest.store(1);
        }
        return;
    }

    const std::int32_t held = state.buttonHeld.load() == 0 ? 1 : 0;
    state.buttonHeld.store(held);
    if (holdMode) {
        state.stopRequest.store(1);
    } else if (state.playRequest.load() == 1 && held == 1) {
        state.stopRequest.store(1);
    }
}

InputReader::InputReader(device::DeviceLink& link, const settings::ProfileSettings& profile,
                         PlaybackState& state)
    : link_(link), profile_(profile), state_(state) {}

InputReader::~InputReader() {
    Stop();
}

void InputReader::Start() {
    if (thread_.joinable()) {
        return;
    }
    thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
}

void InputReader::Stop() {
    if (!thread_.joinable()) {
        return;
    }
    thread_.request_stop();
    link_.CancelRead();
    thread_.join();
}

void InputReader::Run(std::stop_token stop) {
    while (!stop.stop_requested()) {
        if (link_.ReadInputReport()) {
            const device::InputReport report = link_.LastInputReport();
            InterpretInputReport(report.Received(), profile_.MACRO_MODE2.load(), state_);
            continue;
        }
        // Not open, unplugged, failed or cancelled.
        PauseFor(kReaderRetryPause, stop);
    }
}

}  // namespace zel::macro
