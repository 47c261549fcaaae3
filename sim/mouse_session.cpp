#include "sim/mouse_session.h"

#include "platform/hex_text.h"
#include "sim/mouse_state_json.h"

namespace zel::sim {
namespace {

CommandOutcome Ok(std::string text) {
    return {true, std::move(text), false, std::nullopt};
}
CommandOutcome Failed(std::string text) {
    return {false, std::move(text), false, std::nullopt};
}

std::string Readers(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " reader" : " readers");
}

}  // namespace

MouseSession::MouseSession(MouseModel& model, EventLog& log, HostPort& port, bool present)
    : model_(model), log_(log), port_(port), present_(present) {}

CommandOutcome MouseSession::Execute(const ControlCommand& command) {
    using Kind = ControlCommand::Kind;
    switch (command.kind) {
        case Kind::Press:
            return Button(command.button, true);
        case Kind::Release:
            return Button(command.button, false);
        case Kind::Click: {
            CommandOutcome outcome = Button(command.button, true);
            if (outcome.ok) {
                outcome.releaseLater = command.button;
            }
            return outcome;
        }
        case Kind::Input:
            return RawInput(command.bytes);
        case Kind::Unplug:
            return Unplug();
        case Kind::Plug:
            return Plug();
        case Kind::State:
            return Ok(StateJson());
        case Kind::Quit: {
            CommandOutcome outcome = Ok("quitting");
            outcome.quit = true;
            return outcome;
        }
    }
    return Failed("unknown command");
}

CommandOutcome MouseSession::FinishClick(int button) {
    return Button(button, false);
}

CommandOutcome MouseSession::Button(int button, bool press) {
    if (!present_) {
        return Failed("the mouse is unplugged");
    }
    const ButtonResult result = press ? model_.Press(button) : model_.Release(button);
    if (!result.valid) {
        return Failed(result.error);
    }
    const std::string what =
        "button " + std::to_string(button) + (press ? " pressed" : " released");
    if (!result.report) {
        return Ok(what + ": handled inside the mouse (device code " +
                  std::to_string(result.deviceCode) + "), nothing reported");
    }
    JsonObject details;
    details.AddString("source", press ? "press" : "release")
        .AddInt("button", button)
        .AddInt("device_code", result.deviceCode);
    const std::size_t readers = Emit(*result.report, details);
    return Ok(what + ": sent " + platform::HexBytes(*result.report) + " to " + Readers(readers));
}

CommandOutcome MouseSession::RawInput(std::span<const std::uint8_t> report) {
    if (!present_) {
        return Failed("the mouse is unplugged");
    }
    if (report.empty() || report.size() > kMaxReportLength) {
        return Failed("an input report has 1.." + std::to_string(kMaxReportLength) + " bytes");
    }
    JsonObject details;
    details.AddString("source", "raw");
    const std::size_t readers = Emit(report, details);
    return Ok("sent " + platform::HexBytes(report) + " to " + Readers(readers));
}

std::size_t MouseSession::Emit(std::span<const std::uint8_t> report, const JsonObject& details) {
    const std::int64_t leaving = MonotonicMicros();
    const std::size_t readers = port_.SendInput(report);
    // Logged after the report is on its way, stamped with the time it left.
    JsonObject event = EventLog::Event(leaving, "input");
    event.AddString("hex", platform::HexBytes(report))
        .Append(details)
        .AddInt("readers", static_cast<std::int64_t>(readers));
    log_.Write(event);
    return readers;
}

CommandOutcome MouseSession::Unplug() {
    if (!present_) {
        return Ok("already unplugged");
    }
    present_ = false;
    model_.PowerOff();
    log_.Write(EventLog::Event(MonotonicMicros(), "unplug"));
    port_.Unplugged();
    return Ok("unplugged");
}

CommandOutcome MouseSession::Plug() {
    if (present_) {
        return Ok("already plugged in");
    }
    present_ = true;
    log_.Write(EventLog::Event(MonotonicMicros(), "plug"));
    port_.Plugged();
    return Ok("plugged in");
}

FeatureResult::Outcome MouseSession::OnFeatureReport(std::span<const std::uint8_t> report,
                                                     std::int64_t tUs, int client) {
    if (!present_) {
        return FeatureResult::Outcome::Refused;
    }
    const FeatureResult result = model_.HandleFeatureReport(report);
    JsonObject event = EventLog::Event(tUs, "feature");
    event.AddString("hex", platform::HexBytes(report))
        .AddInt("client", client)
        .AddString("cmd", result.command)
        .AddString("result", OutcomeName(result.outcome));
    if (!result.note.empty()) {
        event.AddString("note", result.note);
    }
    log_.Write(event);
    return result.outcome;
}

std::string MouseSession::StateJson() const {
    JsonObject state;
    state.AddBool("present", present_);
    port_.AddStatus(state);
    AddMouseState(state, model_);
    return state.Text();
}

}  // namespace zel::sim
