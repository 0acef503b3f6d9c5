#!/usr/bin/python3
# The system interpreter: python3-dbus and python3-gi are Debian packages built for it.
"""Another media player on the session bus, for the tests: owns org.mpris.MediaPlayer2.NAME and
switches its PlaybackStatus when told "play" or "pause" on stdin, announcing it the way players
do (PropertiesChanged). Prints "ready" once it owns its name and "status X" after each change."""
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

PLAYER = "org.mpris.MediaPlayer2.Player"
PROPERTIES = "org.freedesktop.DBus.Properties"


class Player(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/org/mpris/MediaPlayer2")
        self.status = "Stopped"

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if interface == PLAYER and name == "PlaybackStatus":
            return self.status
        raise dbus.exceptions.DBusException("org.freedesktop.DBus.Error.UnknownProperty")

    @dbus.service.method(PROPERTIES, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {"PlaybackStatus": self.status} if interface == PLAYER else {}

    @dbus.service.signal(PROPERTIES, signature="sa{sv}as")
    def PropertiesChanged(self, interface, changed, invalidated):
        pass

    def set_status(self, status):
        self.status = status
        self.PropertiesChanged(PLAYER, {"PlaybackStatus": status}, [])
        print("status", status, flush=True)


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    name = dbus.service.BusName("org.mpris.MediaPlayer2." + (sys.argv[1] if len(sys.argv) > 1 else "fake"), bus)
    player = Player(bus)
    loop = GLib.MainLoop()

    def command(source, condition):
        line = sys.stdin.readline()
        if not line:
            loop.quit()
            return False
        word = line.strip()
        if word == "play":
            player.set_status("Playing")
        elif word == "pause":
            player.set_status("Paused")
        return True

    GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, command)
    print("ready", flush=True)
    loop.run()
    del name


if __name__ == "__main__":
    main()
