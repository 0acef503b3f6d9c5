#!/usr/bin/python3
# The system interpreter: python3-dbus and python3-gi are Debian packages built for it.
"""GameMode on the session bus, for the tests: owns com.feralinteractive.GameMode and registers
or unregisters a game when told "register" or "unregister" on stdin, announcing it as the
service does. Prints "ready" once it owns its name and "clients N MICROSECONDS" after each
change, with the time of the announcement."""
import os
import sys
import time

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

NAME = "com.feralinteractive.GameMode"
PATH = "/com/feralinteractive/GameMode"
PROPERTIES = "org.freedesktop.DBus.Properties"


class GameMode(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, PATH)
        self.clients = 0

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if interface == NAME and name == "ClientCount":
            return dbus.Int32(self.clients)
        raise dbus.exceptions.DBusException("org.freedesktop.DBus.Error.UnknownProperty")

    @dbus.service.signal(PROPERTIES, signature="sa{sv}as")
    def PropertiesChanged(self, interface, changed, invalidated):
        pass

    @dbus.service.signal(NAME, signature="io")
    def GameRegistered(self, pid, path):
        pass

    @dbus.service.signal(NAME, signature="io")
    def GameUnregistered(self, pid, path):
        pass

    def change(self, step):
        self.clients = max(0, self.clients + step)
        game = dbus.ObjectPath("/com/feralinteractive/GameMode/Games/%d" % os.getpid())
        self.PropertiesChanged(NAME, {"ClientCount": dbus.Int32(self.clients)}, [])
        (self.GameRegistered if step > 0 else self.GameUnregistered)(os.getpid(), game)
        print("clients", self.clients, int(time.time() * 1e6), flush=True)


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    service = GameMode(bus)
    name = dbus.service.BusName(NAME, bus)
    loop = GLib.MainLoop()

    def command(source, condition):
        line = sys.stdin.readline()
        if not line:
            loop.quit()
            return False
        word = line.strip()
        if word in ("register", "unregister"):
            service.change(1 if word == "register" else -1)
        return True

    GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, command)
    print("ready", flush=True)
    loop.run()
    del name


if __name__ == "__main__":
    main()
