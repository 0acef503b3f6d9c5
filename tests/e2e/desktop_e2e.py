#!/usr/bin/env python3
"""The program on two headless monitors: overlays, clicks through, rain over and below windows, tray, panel, displays."""
import json
import os
import subprocess
import sys
import time

from desktop import (check, click, distance, grab, overlays, overlays_mapped, panel_rect, setting_in_file, status,
                     stored, tavik, wait_for, window_info, with_program, xdotool)


def run(app):
    monitor_width = int(os.environ["E2E_MONITOR_WIDTH"])
    height = int(os.environ["E2E_SIZE"].split("x")[1])
    drawing = lambda: len(overlays()) == 2 and all(o["frames"] > 0 for o in overlays())  # noqa: E731
    if not check(wait_for(drawing, timeout=20), "one drawing overlay on each of the two monitors"):
        return
    ordered = sorted(overlays(), key=lambda o: o["geometry"]["x"])
    for index, overlay in enumerate(ordered):
        info = window_info(int(overlay["windowId"]))
        check(info.get("override_redirect") is True, "overlay %d is unmanaged (override-redirect)" % index)
        check((info.get("x"), info.get("y"), info.get("width"), info.get("height"))
              == (index * monitor_width, 0, monitor_width, height), "overlay %d covers its monitor exactly" % index)

    hosts = [o["hostsDock"] for o in ordered]
    check(hosts == [True, False], "the monitor holding the panel (the tray's bar) hosts the dock: %s" % hosts)

    # A normal window under the rain: clicks must reach it, and drops must show over it.
    target = subprocess.Popen(["xev", "-geometry", "360x240+200+200", "-name", "click-target", "-event", "button"],
                              stdout=subprocess.PIPE, text=True)
    time.sleep(1.0)
    click(380, 330)
    time.sleep(0.5)
    target.terminate()
    check("ButtonPress" in target.communicate(timeout=5)[0], "a click over a window goes through the overlay to the window")

    # The densest rain there is, so that a screenshot is sure to catch drops over a small window.
    tavik("set", "rain.dropsPerSecond", "120")
    tavik("set", "rain.dropOpacity", "1")
    window = subprocess.Popen(["xlogo", "-geometry", "400x300+300+300", "-bg", "white", "-fg", "white"])
    xdotool("mousemove", "1", "1")  # the framebuffer holds the pointer too: keep it out of the way
    time.sleep(1.5)
    shot = grab().save("desktop-rain-over-window")
    over = shot.differing(320, 340, 360, 240, (255, 255, 255))
    check(over > 100, "drops are drawn over a normal window (%d pixels)" % over)

    tavik("set", "app.floatsAboveWindows", "false")
    wait_for(lambda: all(o["level"] == "desktop" for o in overlays()), timeout=5)
    time.sleep(1.0)
    shot = grab().save("desktop-rain-below-window")
    over = shot.differing(320, 340, 360, 240, (255, 255, 255))
    beside = shot.differing(800, 100, 900, 700, next(shot.region(5, height - 5, 1, 1)))
    check(over == 0, "below windows: the window shows unchanged over the overlay (%d pixels differ)" % over)
    check(beside > 100, "below windows: drops still show on the desktop beside it (%d pixels)" % beside)
    tavik("set", "app.floatsAboveWindows", "true")
    wait_for(lambda: all(o["level"] == "aboveWindows" for o in overlays()), timeout=5)
    window.terminate()

    # Fog needs a fraction of the full rate, rain all of it; the clock ticks at that unless overruns hold it lower.
    def rates():
        o = (status() or {}).get("overlays", {})
        return tuple(o.get(k, 0) for k in ("frameRateNeeded", "frameRate", "framesPerSecond", "frameRateCap"))

    def settled(needs):
        needed, rate, most, cap = rates()
        return needs(needed, most) and rate == min(needed, cap)
    text = "needs %s frames/s, ticks at %s, of at most %s (overruns allow %s)"
    tavik("preset", "foggy-morning")
    check(wait_for(lambda: settled(lambda needed, most: 0 < needed < most / 2), timeout=10),
          "fog alone runs the clock slowly: " + text % rates())
    tavik("preset", "rainy-night")
    check(wait_for(lambda: settled(lambda needed, most: needed == most), timeout=10),
          "rain brings the clock to the full rate: " + text % rates())
    # Aurora and a sky full of clouds behind the rain: kept as a picture, drawn at their own rate.
    for key, value in (("aurora.enabled", "true"), ("aurora.intensity", "100"), ("clouds.count", "20")):
        tavik("set", key, value)
    check(wait_for(lambda: all(o.get("keptLayers", 0) >= 1 for o in overlays()), timeout=10),
          "a slow, costly sky behind the rain is kept as a picture: %s" % [o.get("keptLayers") for o in overlays()])

    checks_tray()
    ids = [o["id"] for o in sorted(overlays(), key=lambda o: o["geometry"]["x"])]
    tavik("set", "app.monitors", json.dumps({ids[1]: False}))
    started = time.monotonic()
    gone = wait_for(lambda: [o["id"] for o in overlays()] == [ids[0]], timeout=5, step=0.02)
    took = time.monotonic() - started
    check(gone and took < 0.5, "switching a display off removes its overlay (%.2f s)" % took)
    tavik("set", "app.monitors", "{}")
    check(wait_for(lambda: len(overlays()) == 2, timeout=5), "switching it on brings a fresh overlay")
    subprocess.run(["xrandr", "--delmonitor", "E2E-1"], check=False)
    check(wait_for(lambda: len(overlays()) == 1, timeout=5), "removing a monitor removes its overlay")


def checks_tray():
    s = status()
    geometry = s["tray"].get("geometry") if s else None
    if not check(bool(s and s["tray"].get("available") and geometry and geometry["width"] > 0), "the tray icon is shown"):
        return
    x, y = geometry["x"] + geometry["width"] // 2, geometry["y"] + geometry["height"] // 2
    for enabled, shown in (("false", False), ("true", True)):
        click(x, y, 3)
        check(stored("app.enabled", enabled), "right click: app.enabled is %s in the settings file" % enabled)
        check(overlays_mapped(shown), "right click: the overlays are %s" % ("back" if shown else "unmapped"))
        check(not status()["panel"]["visible"], "right click never opens the panel")
        time.sleep(0.6)
    # Two right clicks quicker than a double click: both count, so effects end up on.
    click(x, y, 3, "--repeat", "2", "--delay", "120")
    time.sleep(1.0)
    check(setting_in_file("app.enabled") == "true" and all(o["visible"] for o in overlays()),
          "a quick second right click switches effects back on")

    click(x, y)
    shown = wait_for(lambda: status()["panel"]["visible"], timeout=5)
    if check(shown, "left click: the panel opens"):
        px, py, pw, ph = panel_rect()
        away = distance((px, py, pw, ph), x, y)
        check(away < 80, "the panel opens next to the tray icon (%d px away)" % away)
        grab().save("desktop-panel")
        for enabled, shown in (("false", False), ("true", True)):  # the master switch, at the header's top right
            click(px + pw - 29, py + 26)
            check(stored("app.enabled", enabled), "the panel's master switch writes app.enabled=%s" % enabled)
            check(overlays_mapped(shown), "and %s the overlays" % ("shows" if shown else "hides"))
        check(status()["panel"]["visible"], "the panel stays open while it is used")
        clouds = setting_in_file("clouds.enabled") or "false"
        for value in ("true" if clouds == "false" else "false", clouds):  # the third pill of the tab bar is the clouds tab
            click(px + 226, py + ph - 23, 3)
            check(stored("clouds.enabled", value), "a right click on the clouds pill switches clouds to %s" % value)
        # Typing reaches the popup: in the saved scenes (the second pill), a name and Return save one.
        click(px + 140, py + ph - 23)
        time.sleep(0.3)
        click(px + 150, py + 200)
        xdotool("type", "--delay", "30", "desk")
        xdotool("key", "Return")
        check(wait_for(lambda: "desk" in (setting_in_file("app.savedScenes") or ""), timeout=5),
              "a scene named in the popup is saved to the settings file")
        grab().save("desktop-panel-saved")
        xdotool("key", "Escape")
        check(wait_for(lambda: not status()["panel"]["visible"], timeout=5), "Escape puts the popup away")
        time.sleep(0.8)  # past the guard that keeps a closing click from reopening it
        click(x, y)
        check(wait_for(lambda: status()["panel"]["visible"], timeout=5), "a click on the icon opens it again")
        click(100, 100)
        check(wait_for(lambda: not status()["panel"]["visible"], timeout=5), "a click elsewhere closes the panel")


if __name__ == "__main__":
    sys.exit(with_program(run))
