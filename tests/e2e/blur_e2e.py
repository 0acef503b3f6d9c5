#!/usr/bin/env python3
"""The overlay under a compositor that blurs what shows through translucent windows (run inside
desktop-session --no-compositor; this starts picom itself).

picom blurs behind every translucent window unless its configuration exempts the window; the
exemptions its shipped sample configuration lists (and distributions install) include windows
that carry _GTK_FRAME_EXTENTS. The overlay carries it, so a finely patterned desktop must stay
as sharp with Tavik on as with Tavik off; taking the property away must blur it, which shows
that the compositor really blurs here. The overlay also asks for no shadow (_COMPTON_SHADOW 0).
Usage: blur_e2e.py TAVIK_BINARY ARTEFACT_DIR
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
EFFECTS = ["rain", "clouds", "thunder", "snow", "sun", "moon", "stars", "fog", "dust", "aurora", "wind", "leaves",
           "petals", "fireflies"]
# The blur exemptions of picom's sample configuration, word for word.
PICOM_CONFIG = """blur-background-exclude = [
  "window_type = 'dock'",
  "window_type = 'desktop'",
  "_GTK_FRAME_EXTENTS@:c"
];
"""
AREA = (400, 300, 400, 300)  # measured part of the screen, clear of the tray and the pointer
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def wait_for(predicate, timeout=10.0, step=0.1):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(step)


def tavik(*args):
    return subprocess.run([TAVIK, *args], capture_output=True, text=True, timeout=20)


def overlays():
    answer = tavik("status")
    try:
        return json.loads(answer.stdout)["overlays"]["overlays"] if answer.returncode == 0 else []
    except ValueError:
        return []


def sharpness(name):
    """How much neighbouring pixels differ in the measured area: a blur makes it fall."""
    shot = screen.grab()
    shot.save_png(os.path.join(ARTEFACTS, "blur-%s.png" % name))
    x, y, w, h = AREA
    total = 0
    for row in range(y, y + h):
        for col in range(x, x + w - 1):
            total += sum(abs(a - b) for a, b in zip(shot.pixel(col, row), shot.pixel(col + 1, row)))
    return total / (w * h)


def main():
    config = os.path.join(os.environ["HOME"], "picom.conf")
    with open(config, "w") as f:
        f.write(PICOM_CONFIG)
    # A one-pixel check pattern on the root: as sharp as a picture gets.
    subprocess.run(["xsetroot", "-mod", "2", "2", "-fg", "white", "-bg", "black"], check=True)
    subprocess.run(["xdotool", "mousemove", "1", "1"], check=True)
    picom = subprocess.Popen(["picom", "--config", config, "--backend", "xrender", "--blur-background",
                              "--blur-kern", "7x7box", "--no-fading-openclose"],
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for effect in EFFECTS:
        tavik("set", effect + ".enabled", "false")
    app = None
    try:
        time.sleep(1.5)
        plain = sharpness("tavik-off")
        check(plain > 100, "the pattern is sharp without Tavik (%.0f)" % plain)
        app = subprocess.Popen([TAVIK], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shown = wait_for(lambda: overlays() and all(o["visible"] for o in overlays()), timeout=20)
        if not check(shown, "the overlay shows"):
            return 1
        overlay = overlays()[0]["windowId"]
        shadow = subprocess.run(["xprop", "-id", overlay, "_COMPTON_SHADOW"], capture_output=True, text=True).stdout
        check(shadow.strip().endswith("= 0"), "the overlay asks for no shadow: %s" % shadow.strip())
        time.sleep(1.5)
        covered = sharpness("tavik-on")
        check(covered > 0.9 * plain, "the desktop behind the overlay stays sharp (%.0f of %.0f)" % (covered, plain))

        subprocess.run(["xprop", "-id", overlay, "-remove", "_GTK_FRAME_EXTENTS"], check=True)
        time.sleep(1.5)
        blurred = sharpness("without-hint")
        check(blurred < 0.5 * plain, "without the hint this compositor blurs it (%.0f of %.0f)" % (blurred, plain))
    finally:
        if app:
            app.terminate()
            app.wait(timeout=10)
        picom.terminate()
        picom.wait(timeout=10)
    print("%d failure(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
