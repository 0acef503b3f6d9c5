#!/usr/bin/env python3
"""The real program on a headless desktop of two monitors (run inside desktop-session).

Checks what a user meets: an unmanaged overlay over each monitor, clicks reaching the window
below, rain drawn over that window, the tray icon's right click switching everything off and
on, its left click opening the panel, per-display switches and a removed monitor, and overlays
kept below windows when they should not float above them.
Usage: desktop_e2e.py TAVIK_BINARY ARTEFACT_DIR
"""
import json
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import screen  # noqa: E402

TAVIK = sys.argv[1]
ARTEFACTS = sys.argv[2] if len(sys.argv) > 2 else os.environ.get("TMPDIR", "/tmp")
CONFIG = os.path.join(os.environ["XDG_CONFIG_HOME"], "tavik", "tavik.conf")
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def wait_for(predicate, timeout=10.0, step=0.05):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(step)


def tavik(*args, timeout=20):
    return subprocess.run([TAVIK, *args], capture_output=True, text=True, timeout=timeout)


def status():
    answer = tavik("status")
    if answer.returncode != 0:
        return None
    try:
        return json.loads(answer.stdout)
    except ValueError:
        return None


def overlays():
    s = status()
    return s["overlays"]["overlays"] if s else []


def setting_in_file(key):
    """A key's text in the settings file as it is on disk now (keys are stored whole, in
    the [General] section)."""
    try:
        with open(CONFIG) as f:
            for line in f:
                if line.startswith(key + "="):
                    return line.split("=", 1)[1].strip()
    except OSError:
        pass
    return None


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=True)


def rect(geometry):
    return geometry["x"], geometry["y"], geometry["width"], geometry["height"]


def park_pointer():
    """The server's framebuffer holds the pointer too: keep it out of the measured areas."""
    xdotool("mousemove", "1", "1")


def drop_pixels(image, x, y, w, h, background):
    """Pixels of a rectangle that differ clearly from the plain background colour."""
    return sum(1 for p in image.region(x, y, w, h) if sum(abs(a - b) for a, b in zip(p, background)) > 24)


def main():
    monitor_width = int(os.environ["E2E_MONITOR_WIDTH"])
    height = int(os.environ["E2E_SIZE"].split("x")[1])
    app = subprocess.Popen([TAVIK], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    try:
        run(monitor_width, height)
    finally:
        app.terminate()
        try:
            out, _ = app.communicate(timeout=10)
        except subprocess.TimeoutExpired:
            app.kill()
            out, _ = app.communicate()
        if failures:
            print("--- tavik's output ---\n" + (out or ""))
    print("%d failure(s)" % len(failures))
    return 1 if failures else 0


def run(monitor_width, height):
    ready = wait_for(lambda: len(overlays()) == 2 and all(o["frames"] > 0 for o in overlays()), timeout=20)
    if not check(ready, "one drawing overlay on each of the two monitors"):
        return
    for index, overlay in enumerate(sorted(overlays(), key=lambda o: o["geometry"]["x"])):
        info = screen.window_info(int(overlay["windowId"]))
        check(info.get("override_redirect") is True, "overlay %d is unmanaged (override-redirect)" % index)
        check((info.get("x"), info.get("y"), info.get("width"), info.get("height"))
              == (index * monitor_width, 0, monitor_width, height), "overlay %d covers its monitor exactly" % index)

    hosts = [o["hostsDock"] for o in sorted(overlays(), key=lambda o: o["geometry"]["x"])]
    check(hosts == [True, False], "the monitor holding the panel (the tray's bar) hosts the dock: %s" % hosts)

    # A normal window under the rain: clicks must reach it, and drops must show over it.
    target = subprocess.Popen(["xev", "-geometry", "360x240+200+200", "-name", "click-target", "-event", "button"],
                              stdout=subprocess.PIPE, text=True)
    try:
        time.sleep(1.0)
        xdotool("mousemove", "380", "330", "click", "1")
        time.sleep(0.5)
        target.terminate()
        events = target.communicate(timeout=5)[0]
    finally:
        if target.poll() is None:
            target.kill()
    check("ButtonPress" in events, "a click over a window goes through the overlay to the window")

    checks_over_window(monitor_width, height)
    checks_frame_rate()
    checks_tray()
    checks_display_switch()
    checks_monitor_removed()


def checks_over_window(monitor_width, height):
    # The densest rain there is, so that a screenshot is sure to catch drops over a small window.
    tavik("set", "rain.dropsPerSecond", "120")
    tavik("set", "rain.dropOpacity", "1")
    window = subprocess.Popen(["xlogo", "-geometry", "400x300+300+300", "-bg", "white", "-fg", "white"])
    try:
        park_pointer()
        time.sleep(1.5)
        shot = screen.grab()
        shot.save_png(os.path.join(ARTEFACTS, "desktop-rain-over-window.png"))
        over = drop_pixels(shot, 320, 340, 360, 240, (255, 255, 255))
        check(over > 100, "drops are drawn over a normal window (%d pixels)" % over)

        tavik("set", "app.floatsAboveWindows", "false")
        wait_for(lambda: all(o["level"] == "desktop" for o in overlays()), timeout=5)
        time.sleep(1.0)
        shot = screen.grab()
        shot.save_png(os.path.join(ARTEFACTS, "desktop-rain-below-window.png"))
        over = drop_pixels(shot, 320, 340, 360, 240, (255, 255, 255))
        beside = drop_pixels(shot, 800, 100, 900, 700, shot.pixel(5, height - 5))
        check(over == 0, "below windows: the window shows unchanged over the overlay (%d pixels differ)" % over)
        check(beside > 100, "below windows: drops still show on the desktop beside it (%d pixels)" % beside)
        tavik("set", "app.floatsAboveWindows", "true")
        wait_for(lambda: all(o["level"] == "aboveWindows" for o in overlays()), timeout=5)
    finally:
        window.terminate()
        tavik("set", "rain.dropsPerSecond", "22")
        tavik("set", "rain.dropOpacity", "0.22")


def frame_rates():
    s = status()
    return (s["overlays"]["frameRate"], s["overlays"]["framesPerSecond"], s["overlays"]["frameRateCap"]) if s else (0, 0, 0)


def checks_frame_rate():
    # Slow fog is drawn at a fraction of the maximum; rain brings the clock back up.
    tavik("preset", "foggy-morning")
    slow = wait_for(lambda: 0 < frame_rates()[0] < frame_rates()[1] / 2, timeout=10)
    fog_rate = frame_rates()[0]
    check(slow, "fog alone runs the clock slowly: %s frames/s of at most %s (overruns allow %s)" % frame_rates())
    tavik("preset", "rainy-night")
    check(wait_for(lambda: frame_rates()[0] > fog_rate, timeout=10),
          "rain raises the rate from %s: %s frames/s of at most %s (overruns allow %s)" % ((fog_rate,) + frame_rates()))


def checks_tray():
    s = status()
    geometry = s["tray"].get("geometry") if s else None
    if not check(bool(s and s["tray"].get("available") and geometry and geometry["width"] > 0), "the tray icon is shown"):
        return
    x, y = geometry["x"] + geometry["width"] // 2, geometry["y"] + geometry["height"] // 2
    xdotool("mousemove", str(x), str(y), "click", "3")
    check(wait_for(lambda: setting_in_file("app.enabled") == "false", timeout=5),
          "right click: app.enabled is false in the settings file")
    check(wait_for(lambda: all(not screen.window_info(int(o["windowId"])).get("mapped") for o in overlays()), 5),
          "right click: the overlays are unmapped")
    check(not status()["panel"]["visible"], "right click never opens the panel")
    time.sleep(0.6)
    xdotool("mousemove", str(x), str(y), "click", "3")
    check(wait_for(lambda: setting_in_file("app.enabled") == "true", timeout=5), "right click again: enabled again")
    check(wait_for(lambda: all(screen.window_info(int(o["windowId"])).get("mapped") for o in overlays()), 5),
          "right click again: the overlays are back")
    # Two right clicks quicker than a double click: both count, so effects end up on.
    xdotool("mousemove", str(x), str(y), "click", "--repeat", "2", "--delay", "120", "3")
    time.sleep(1.0)
    check(setting_in_file("app.enabled") == "true" and all(o["visible"] for o in overlays()),
          "a quick second right click switches effects back on")

    xdotool("mousemove", str(x), str(y), "click", "1")
    shown = wait_for(lambda: status()["panel"]["visible"], timeout=5)
    if check(shown, "left click: the panel opens"):
        px, py, pw, ph = rect(status()["panel"]["geometry"])
        distance = max(0, px - x, x - (px + pw)) + max(0, py - y, y - (py + ph))
        check(distance < 80, "the panel opens next to the tray icon (%d px away)" % distance)
        screen.grab().save_png(os.path.join(ARTEFACTS, "desktop-panel.png"))
        # The header's switch, at the panel's top right, is the master switch.
        xdotool("mousemove", str(px + pw - 29), str(py + 26), "click", "1")
        check(wait_for(lambda: setting_in_file("app.enabled") == "false", timeout=5),
              "the panel's master switch writes app.enabled=false")
        check(wait_for(lambda: all(not screen.window_info(int(o["windowId"])).get("mapped") for o in overlays()), 5),
              "the panel's master switch hides the overlays")
        xdotool("mousemove", str(px + pw - 29), str(py + 26), "click", "1")
        check(wait_for(lambda: setting_in_file("app.enabled") == "true", timeout=5),
              "the panel's master switch turns effects back on")
        check(status()["panel"]["visible"], "the panel stays open while it is used")
        # The third pill of the tab bar is the clouds tab: a right click switches clouds.
        clouds = setting_in_file("clouds.enabled") or "false"
        xdotool("mousemove", str(px + 226), str(py + ph - 23), "click", "3")
        flipped = "true" if clouds == "false" else "false"
        check(wait_for(lambda: setting_in_file("clouds.enabled") == flipped, timeout=5),
              "a right click on the clouds pill switches clouds (%s -> %s)" % (clouds, flipped))
        xdotool("mousemove", str(px + 226), str(py + ph - 23), "click", "3")
        check(wait_for(lambda: setting_in_file("clouds.enabled") == clouds, timeout=5),
              "a second right click switches them back")
        # Typing reaches the popup: the second pill opens the saved scenes, whose name field
        # takes a name, and Return saves the scene.
        xdotool("mousemove", str(px + 140), str(py + ph - 23), "click", "1")
        time.sleep(0.3)
        xdotool("mousemove", str(px + 150), str(py + 200), "click", "1")
        xdotool("type", "--delay", "30", "desk")
        xdotool("key", "Return")
        check(wait_for(lambda: "desk" in (setting_in_file("app.savedScenes") or ""), timeout=5),
              "a scene named in the popup is saved to the settings file")
        screen.grab().save_png(os.path.join(ARTEFACTS, "desktop-panel-saved.png"))
        xdotool("key", "Escape")
        check(wait_for(lambda: not status()["panel"]["visible"], timeout=5), "Escape puts the popup away")
        time.sleep(0.8)  # past the guard that keeps a closing click from reopening it
        xdotool("mousemove", str(x), str(y), "click", "1")
        check(wait_for(lambda: status()["panel"]["visible"], timeout=5), "a click on the icon opens it again")
        # A click elsewhere closes it.
        xdotool("mousemove", "100", "100", "click", "1")
        check(wait_for(lambda: not status()["panel"]["visible"], timeout=5), "a click elsewhere closes the panel")


def checks_display_switch():
    ids = [o["id"] for o in sorted(overlays(), key=lambda o: o["geometry"]["x"])]
    tavik("set", "app.monitors", json.dumps({ids[1]: False}))
    started = time.monotonic()
    gone = wait_for(lambda: [o["id"] for o in overlays()] == [ids[0]], timeout=5, step=0.02)
    took = time.monotonic() - started
    check(gone and took < 0.5, "switching a display off removes its overlay (%.2f s)" % took)
    tavik("set", "app.monitors", "{}")
    check(wait_for(lambda: len(overlays()) == 2, timeout=5), "switching it on brings a fresh overlay")


def checks_monitor_removed():
    subprocess.run(["xrandr", "--delmonitor", "E2E-1"], check=False)
    check(wait_for(lambda: len(overlays()) == 1, timeout=5), "removing a monitor removes its overlay")


if __name__ == "__main__":
    sys.exit(main())
