#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "sim/control_command.h"
#include "sim/event_log.h"
#include "sim/mouse_model.h"

namespace zel::sim {

// The bus side of the mouse as a front-end provides it (a Unix socket, a kernel uhid device).
class HostPort {
public:
    virtual ~HostPort() = default;
    // Hands one input report to every host reader; returns how many took it.
    virtual std::size_t SendInput(std::span<const std::uint8_t> report) = 0;
    // The mouse has left the bus: every open host connection ends. Then: it is back.
    virtual void Unplugged() = 0;
    virtual void Plugged() = 0;
    // Front-end members of the "state" answer (connections and the like).
    virtual void AddStatus(JsonObject& /*state*/) const {}
};

struct CommandOutcome {
    bool ok = false;
    std::string text;  // the answer for the person or script that sent the command
    bool quit = false;
    // A click pressed this button; the front-end calls FinishClick after kClickHold.
    std::optional<int> releaseLater;
};

// Carries out control commands and host feature reports against the model, with presence on
// the bus and the event log; the same for every front-end. Single-threaded.
class MouseSession {
public:
    MouseSession(MouseModel& model, EventLog& log, HostPort& port, bool present);

    bool present() const { return present_; }
    const MouseModel& model() const { return model_; }

    CommandOutcome Execute(const ControlCommand& command);
    // The release half of a click.
    CommandOutcome FinishClick(int button);

    // A feature report from the host, received at tUs from the connection numbered client. While
    // unplugged nothing is accepted and nothing is logged.
    FeatureResult::Outcome OnFeatureReport(std::span<const std::uint8_t> report, std::int64_t tUs,
                                           int client);

    // "state": presence, the front-end's status, the model.
    std::string StateJson() const;

private:
    CommandOutcome Button(int button, bool press);
    CommandOutcome RawInput(std::span<const std::uint8_t> report);
    CommandOutcome Unplug();
    CommandOutcome Plug();
    // Sends and logs one input report with details; returns how many readers took it.
    std::size_t Emit(std::span<const std::uint8_t> report, const JsonObject& details);

    MouseModel& model_;
    EventLog& log_;
    HostPort& port_;
    bool present_;
};

}  // namespace zel::sim
