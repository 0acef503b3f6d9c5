"""What the desktop end-to-end tests share: checks, the program (TAVIK), the pointer, screenshots, window facts."""
import json
import os
import struct
import subprocess
import sys
import time
import zlib

TAVIK = sys.argv[1]
ARTEFACTS = sys.argv[2]
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
    try:
        return json.loads(tavik("status").stdout)  # nothing, when it is not running
    except ValueError:
        return None


def overlays():
    s = status()
    return s["overlays"]["overlays"] if s else []


def setting_in_file(key):
    try:
        with open(CONFIG) as f:
            return next((line.split("=", 1)[1].strip() for line in f if line.startswith(key + "=")), None)
    except OSError:
        return None


def stored(key, value):
    return wait_for(lambda: setting_in_file(key) == value, timeout=5)


def overlays_mapped(mapped):
    return wait_for(lambda: all(bool(window_info(int(o["windowId"])).get("mapped")) == mapped for o in overlays()), 5)


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=True)


def click(x, y, button=1, *more):
    xdotool("mousemove", str(x), str(y), "click", *more, str(button))


def panel_rect():
    """The panel's x, y, width and height while it is open, else None."""
    s = status()
    g = s["panel"]["geometry"] if s and s["panel"]["visible"] else None
    return g and (g["x"], g["y"], g["width"], g["height"])


def distance(r, x, y):
    return max(0, r[0] - x, x - (r[0] + r[2])) + max(0, r[1] - y, y - (r[1] + r[3]))


def with_program(run):
    """Runs the checks beside the program, which is ended after them; its output shows on a failure."""
    app = subprocess.Popen([TAVIK], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    try:
        run(app)
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


class Image:
    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb  # rgb: bytes, 3 per pixel

    def region(self, x, y, w, h):
        """Every pixel of a rectangle, clipped to the image."""
        x0, y0 = max(0, x), max(0, y)
        x1, y1 = min(self.width, x + w), min(self.height, y + h)
        for yy in range(y0, y1):
            row = self.rgb[(yy * self.width + x0) * 3:(yy * self.width + x1) * 3]
            yield from zip(row[0::3], row[1::3], row[2::3])

    def differing(self, x, y, w, h, background):
        """Pixels of a rectangle that differ clearly from a plain background colour."""
        return sum(1 for p in self.region(x, y, w, h) if sum(abs(a - b) for a, b in zip(p, background)) > 24)

    def save(self, name):
        """Keeps the image among the artefacts as a PNG, which every viewer opens."""
        raw = b"".join(b"\x00" + self.rgb[y * self.width * 3:(y + 1) * self.width * 3] for y in range(self.height))

        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        with open(os.path.join(ARTEFACTS, name + ".png"), "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))
        return self


def grab():
    """The screen from the X server's framebuffer file (xwd, 32-bit TrueColor): the root window leaves out translucent ones."""
    with open(os.environ["E2E_FRAMEBUFFER"], "rb") as f:
        data = f.read()
    f = struct.unpack(">25I", data[:100])
    width, height, stride = f[4], f[5], f[12]
    assert f[1] == 7 and f[2] == 2 and f[11] == 32 and f[14:17] == (0xFF0000, 0xFF00, 0xFF), "unexpected xwd image: %s" % (f,)
    offset = f[0] + f[19] * 12  # the header, then the colour map
    pixels = b"".join(data[offset + y * stride:offset + y * stride + width * 4] for y in range(height))
    rgb = bytearray(width * height * 3)
    for channel, byte in enumerate((2, 1, 0) if f[7] == 0 else (1, 2, 3)):  # by byte order
        rgb[channel::3] = pixels[byte::4]
    return Image(width, height, bytes(rgb))


def window_info(window_id):
    """xwininfo's x, y, width, height, mapped and override_redirect of a window."""
    text = subprocess.run(["xwininfo", "-id", str(window_id), "-all"], capture_output=True, text=True).stdout
    facts = {key: value.strip() for key, _, value in (line.strip().partition(":") for line in text.splitlines())}
    numbers = {"x": "Absolute upper-left X", "y": "Absolute upper-left Y", "width": "Width", "height": "Height"}
    return dict({k: int(facts[v]) for k, v in numbers.items() if v in facts}, mapped=facts.get("Map State") == "IsViewable",
                override_redirect=facts.get("Override Redirect State") == "yes")


def stacking_order():
    """The root's children, bottom to top, as integers (xwininfo lists the top first)."""
    text = subprocess.run(["xwininfo", "-root", "-children"], capture_output=True, text=True).stdout
    return [int(line.split()[0], 16) for line in reversed(text.splitlines()) if line.strip().startswith("0x")]
