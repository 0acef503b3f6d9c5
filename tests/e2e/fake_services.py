#!/usr/bin/python3
"""Stand-ins on the session bus, "ready" once named, then commands on stdin until it closes: gamemode (register,
unregister; prints "clients N MICROSECONDS"), player NAME (play, pause), watcher (prints "registered SERVICE")."""
import os
import sys
import time

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

PROPERTIES = "org.freedesktop.DBus.Properties"
GAMEMODE = "com.feralinteractive.GameMode"
WATCHER = "org.kde.StatusNotifierWatcher"


class Service(dbus.service.Object):
    """An object at PATH whose properties of INTERFACE are what `properties()` returns."""

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        values = self.properties() if interface == self.INTERFACE else {}
        if name not in values:
            raise dbus.exceptions.DBusException("org.freedesktop.DBus.Error.UnknownProperty")
        return values[name]

    @dbus.service.signal(PROPERTIES, signature="sa{sv}as")
    def PropertiesChanged(self, interface, changed, invalidated):
        pass

    def announce(self, **changed):
        self.PropertiesChanged(self.INTERFACE, changed, [])


class GameMode(Service):
    INTERFACE, PATH = GAMEMODE, "/com/feralinteractive/GameMode"
    clients = 0

    def properties(self):
        return {"ClientCount": dbus.Int32(self.clients)}

    @dbus.service.signal(GAMEMODE, signature="io")
    def GameRegistered(self, pid, path):
        pass

    @dbus.service.signal(GAMEMODE, signature="io")
    def GameUnregistered(self, pid, path):
        pass

    def command(self, word):
        step = {"register": 1, "unregister": -1}.get(word)
        if not step:
            return
        moment = int(time.time() * 1e6)  # before the announcement: the program may act on it at once
        self.clients = max(0, self.clients + step)
        game = dbus.ObjectPath("/com/feralinteractive/GameMode/Games/%d" % os.getpid())
        self.announce(ClientCount=dbus.Int32(self.clients))
        (self.GameRegistered if step > 0 else self.GameUnregistered)(os.getpid(), game)
        print("clients", self.clients, moment, flush=True)


class Player(Service):
    INTERFACE, PATH = "org.mpris.MediaPlayer2.Player", "/org/mpris/MediaPlayer2"
    status = "Stopped"

    def properties(self):
        return {"PlaybackStatus": self.status}

    def command(self, word):
        status = {"play": "Playing", "pause": "Paused"}.get(word)
        if status:
            self.status = status
            self.announce(PlaybackStatus=status)
            print("status", status, flush=True)


class Watcher(Service):
    INTERFACE, PATH = WATCHER, "/StatusNotifierWatcher"
    command, items = None, []  # one watcher a process

    @dbus.service.method(WATCHER, in_signature="s", out_signature="", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        # An item may name its object path instead of a bus name; then it is the sender's.
        name = sender + service if service.startswith("/") else service
        self.items.append(name)
        print("registered", name, flush=True)
        self.StatusNotifierItemRegistered(name)

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, service):
        pass

    def properties(self):
        return {"RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s"),
                "IsStatusNotifierHostRegistered": True, "ProtocolVersion": dbus.Int32(0)}


if __name__ == "__main__":
    service_class, name = {"gamemode": (GameMode, GAMEMODE), "watcher": (Watcher, WATCHER),
                           "player": (Player, "org.mpris.MediaPlayer2." + sys.argv[-1])}[sys.argv[1]]
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    service = service_class(bus, service_class.PATH)
    service.name = dbus.service.BusName(name, bus)
    loop = GLib.MainLoop()

    def line(source, condition):
        text = sys.stdin.readline()
        if text:
            service.command(text.strip())
        else:
            loop.quit()
        return bool(text)  # whether to go on watching

    if service.command:
        GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, line)
    print("ready", flush=True)
    loop.run()
