#!/usr/bin/python3
# The system interpreter: python3-dbus is a Debian package built for it.
"""The tray item on a stand-in StatusNotifierWatcher: its menu and Activate as a host uses them, and the X11 icon."""
import os
import re
import subprocess
import sys
import time

import dbus

import desktop as e2e
from desktop import check, distance, panel_rect, status, stored, wait_for

WATCHER = [sys.executable, os.path.join(os.path.dirname(os.path.abspath(__file__)), "fake_services.py"), "watcher"]
ITEM = "org.kde.StatusNotifierItem"
MENU = "com.canonical.dbusmenu"


class Watcher:
    """The stand-in watcher as a process; `registered()` lists the items it has heard of."""

    def __init__(self):
        self.process = subprocess.Popen(WATCHER, stdout=subprocess.PIPE, text=True)
        self.lines = []
        os.set_blocking(self.process.stdout.fileno(), False)
        wait_for(lambda: "ready" in self.read(), timeout=10)

    def read(self):
        self.lines += [line.strip() for line in self.process.stdout]
        return self.lines

    def registered(self):
        return [line.split()[1] for line in self.read() if line.startswith("registered ")]


def layout(bus, service):
    """The menu the way a host reads it: the top labels, and every entry by label as (id, checked, child labels)."""
    menu = bus.get_object(service, str(bus.get_object(service, "/StatusNotifierItem").Get(
        ITEM, "Menu", dbus_interface=dbus.PROPERTIES_IFACE)))
    _, root = menu.GetLayout(0, -1, dbus.Array([], signature="s"), dbus_interface=MENU)
    entries = {}

    def entry(item):
        item_id, props, children = item
        label = str(props.get("label", "")).replace("__", "_") if props.get("type") != "separator" else "-"
        entries[label] = int(item_id), int(props.get("toggle-state", 0)) == 1, [entry(c) for c in children]
        return label

    return [entry(child) for child in root[2]], entries, menu


def checked(bus, service, label):
    """The checked children of an entry, or whether the entry itself is checked."""
    _, entries, _ = layout(bus, service)
    return [c for c in entries[label][2] if entries[c][1]] if entries[label][2] else entries[label][1]


def click(bus, service, label):
    _, entries, menu = layout(bus, service)
    if label in entries:
        menu.Event(entries[label][0], "clicked", dbus.Int32(0, variant_level=1), dbus.UInt32(0), dbus_interface=MENU)
    return label in entries


def panel_above_overlays():
    """Whether the panel's frame is above every overlay: rain never falls across its text."""
    order, frames = e2e.stacking_order(), []
    # The top-level windows holding a window titled Tavik: the panel, in its frame.
    for window in subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Tavik$"],
                                 capture_output=True, text=True).stdout.split():
        window = int(window)
        while window not in order and (parent := re.search(r"Parent window id: (0x[0-9a-f]+)", subprocess.run(
                ["xwininfo", "-id", str(window), "-tree"], capture_output=True, text=True).stdout)):
            window = int(parent.group(1), 16)
        frames.append(window)
    tops = [order.index(int(o["windowId"])) for o in e2e.overlays() if int(o["windowId"]) in order]
    frames = [order.index(w) for w in frames if w in order]
    return bool(tops and frames and max(tops) < min(frames))


def run(app):
    global watcher

    def tray_kind():
        return (status() or {"tray": {}})["tray"].get("kind")

    def popups():  # mapped unmanaged windows of ours other than the overlays: menus
        overlays = {int(o["windowId"]) for o in e2e.overlays()}
        return [w for w in e2e.stacking_order() if w not in overlays
                and (info := e2e.window_info(w)).get("mapped") and info.get("override_redirect")]

    width, height = (int(v) for v in os.environ["E2E_SIZE"].split("x"))
    bus = dbus.SessionBus()
    if not check(wait_for(lambda: watcher.registered(), 15), "the item registers with the watcher"):
        return
    service = watcher.registered()[0]
    item = bus.get_object(service, "/StatusNotifierItem")
    prop = lambda name: item.Get(ITEM, name, dbus_interface=dbus.PROPERTIES_IFACE)  # noqa: E731
    check(prop("Title") == "Tavik" and prop("Id") == "tavik", "the item's title is Tavik (id tavik)")
    check(not bool(prop("ItemIsMenu")), "a left click is the item's own, not the menu's")
    check(str(prop("ToolTip")[2]) == "Tavik (on)", "the tooltip says Tavik (on)")
    check(len(prop("IconPixmap")) > 0, "the item carries its icon")
    time.sleep(1.0)
    check(len(watcher.registered()) == 1, "one item, not a second one from Qt: %s" % watcher.registered())
    check(tray_kind() == "statusNotifier", "no X11 tray icon beside it")

    top, entries, _ = layout(bus, service)
    check(top == ["Open panel", "Effects", "Sound", "Scenes", "-", "Quit"], "the menu's entries: %s" % top)
    check(len(entries["Scenes"][2]) == 13, "Scenes holds the 13 built-in scenes")
    check(checked(bus, service, "Scenes") == ["Rainy night"], "the scene on screen is checked")
    check(checked(bus, service, "Effects") and not checked(bus, service, "Sound"), "Effects checked, Sound not")

    click(bus, service, "Effects")
    check(stored("app.enabled", "false"), "Effects switches effects off")
    check(wait_for(lambda: not checked(bus, service, "Effects"), 5), "and its check mark goes")
    click(bus, service, "Effects")
    check(stored("app.enabled", "true"), "and on again")
    click(bus, service, "Storm")
    check(stored("app.scene", "storm"), "a scene entry applies the scene")
    check(wait_for(lambda: checked(bus, service, "Scenes") == ["Storm"], 5), "and is the one checked")

    x, y = 700, 300
    item.Activate(x, y, dbus_interface=ITEM)
    # The window manager may report the window before it has moved it.
    rect = wait_for(lambda: (r := panel_rect()) and distance(r, x, y) < 20 and r, 5)
    if check(bool(rect), "Activate(x, y) opens the panel next to (%d, %d): %s" % (x, y, panel_rect())):
        check(wait_for(panel_above_overlays, 3), "the panel stacks above the overlays")
        e2e.grab().save("tray-panel")
        item.Activate(x, y, dbus_interface=ITEM)
        check(wait_for(lambda: panel_rect() is None, 5), "a second Activate puts it away")
    time.sleep(0.5)  # past the guard that keeps a closing click from reopening the panel
    e2e.xdotool("mousemove", str(width // 4), str(height // 2))
    item.Activate(0, 0, dbus_interface=ITEM)
    rect = wait_for(lambda: (r := panel_rect()) and r[0] + r[2] > width - 40 and r[1] < 40 and r, 5)
    check(bool(rect), "Activate(0, 0): the top right corner, not mid-screen: %s" % (panel_rect(),))
    item.Activate(0, 0, dbus_interface=ITEM)
    wait_for(lambda: panel_rect() is None, 5)

    watcher.process.terminate()
    watcher.process.wait(timeout=10)
    check(wait_for(lambda: tray_kind() == "xembed", 5), "without a watcher the X11 tray icon shows")
    geometry = wait_for(lambda: (g := status()["tray"].get("geometry")) and g["width"] > 0 and g, 5)
    if check(bool(geometry), "the X11 icon has a place"):
        before = popups()
        x, y = geometry["x"] + geometry["width"] // 2, geometry["y"] + geometry["height"] // 2
        e2e.click(x, y, 2)
        check(wait_for(lambda: len(popups()) > len(before), 5), "a middle click on the X11 icon opens the menu")
        check(e2e.setting_in_file("app.enabled") == "true" and not status()["panel"]["visible"],
              "and neither switches effects nor opens the panel")
        e2e.xdotool("key", "Escape")
        wait_for(lambda: len(popups()) == len(before), 5)

    watcher = Watcher()
    check(wait_for(lambda: len(watcher.registered()) == 1, 5), "a new watcher gets the item again")
    check(wait_for(lambda: tray_kind() == "statusNotifier", 5), "and the X11 icon goes")
    check(click(bus, watcher.registered()[0], "Quit"), "the menu has Quit")
    wait_for(lambda: app.poll() is not None, 10)
    check(app.poll() == 0, "Quit ends the program with exit status 0 (%s)" % app.poll())


if __name__ == "__main__":
    watcher = Watcher()
    try:
        sys.exit(e2e.with_program(run))
    finally:
        watcher.process.terminate()
