#!/usr/bin/python3
"""A stand-in for RealtimeKit on a private system bus: MakeThreadRealtime(tu) appends
"PID TID PRIORITY" (the caller's process from the bus) to LOG and grants, or refuses with
REFUSAL as its D-Bus error message when one is given.
Usage: fake_realtime_kit.py LOG [REFUSAL]   (DBUS_SYSTEM_BUS_ADDRESS names the bus)"""
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NAME = "org.freedesktop.RealtimeKit1"


class RealtimeKit(dbus.service.Object):
    def __init__(self, bus, log, refusal):
        super().__init__(bus, "/org/freedesktop/RealtimeKit1")
        self.bus, self.log, self.refusal = bus, log, refusal

    @dbus.service.method(NAME, in_signature="tu", out_signature="", sender_keyword="sender")
    def MakeThreadRealtime(self, thread, priority, sender=None):
        daemon = self.bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus")
        pid = daemon.GetConnectionUnixProcessID(sender, dbus_interface="org.freedesktop.DBus")
        with open(self.log, "a") as log:
            log.write(f"{pid} {thread} {priority}\n")
        if self.refusal:
            raise dbus.exceptions.DBusException(self.refusal, name="org.freedesktop.DBus.Error.AccessDenied")


DBusGMainLoop(set_as_default=True)
bus = dbus.SystemBus()
kit = RealtimeKit(bus, sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else "")
name = dbus.service.BusName(NAME, bus)
print("ready", flush=True)
GLib.MainLoop().run()
