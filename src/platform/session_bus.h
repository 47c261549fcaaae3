#pragma once

// Whether the D-Bus buses can be reached without starting one. Without a session bus, libdbus
// (under Qt) and GLib (under gsettings) would run `dbus-launch --autolaunch`, which leaves a
// bus daemon of its own behind for as long as the X server lives.

#include <string>

namespace zel::platform {

// The variables that decide where the session bus is.
struct SessionBusEnvironment {
    std::string address;     // $DBUS_SESSION_BUS_ADDRESS, empty when unset
    std::string runtimeDir;  // $XDG_RUNTIME_DIR, empty when unset

    static SessionBusEnvironment FromProcess();
};

// True when a session bus is named by the address, or its socket ($XDG_RUNTIME_DIR/bus)
// exists; those are the two places the D-Bus libraries look before they autolaunch one.
bool SessionBusReachable(const SessionBusEnvironment& environment);

// The address DBUS_SESSION_BUS_ADDRESS takes when no session bus is reachable: one that never
// connects, so every library (and helper program) fails at once instead of starting a bus.
inline constexpr const char* kNoSessionBusAddress = "disabled:";

// Run first in main(), before any thread or library looks for a bus: when no session bus is
// reachable, sets DBUS_SESSION_BUS_ADDRESS to kNoSessionBusAddress. True when it did.
bool KeepSessionBusFromAutolaunching();

// True when the system bus's socket ($DBUS_SYSTEM_BUS_ADDRESS's unix:path=, else
// /run/dbus/system_bus_socket) exists, so that RealtimeKit and logind are only asked where
// they can answer.
bool SystemBusReachable();

}  // namespace zel::platform
