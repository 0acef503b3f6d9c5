"""What the desktop end-to-end tests share: checks, the program under test (TAVIK, the first argument),
its status and settings file, the pointer, and screenshots and window facts from the X tools alone."""
import json
import os
import struct
import subprocess
import sys
import time
import zlib

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
    try:
        return json.loads(answer.stdout) if answer.returncode == 0 else None
    except ValueError:
        return None


def overlays():
    s = status()
    return s["overlays"]["overlays"] if s else []


def setting_in_file(key):
    """A key's text in the settings file as it is on disk now (keys are stored whole, in [General])."""
    try:
        with open(CONFIG) as f:
            return next((line.split("=", 1)[1].strip() for line in f if line.startswith(key + "=")), None)
    except OSError:
        return None


def stored(key, value):
    """Whether the settings file holds the value within 5 s."""
    return wait_for(lambda: setting_in_file(key) == value, timeout=5)


def overlays_mapped(mapped):
    """Whether every overlay window is mapped (or, given False, unmapped) within 5 s."""
    return wait_for(lambda: all(bool(window_info(int(o["windowId"])).get("mapped")) == mapped for o in overlays()), 5)


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=True)


def click(x, y, button=1, *more):
    xdotool("mousemove", str(x), str(y), "click", *more, str(button))


def rect(geometry):
    return geometry["x"], geometry["y"], geometry["width"], geometry["height"]


def distance(rect, x, y):
    px, py, pw, ph = rect
    return max(0, px - x, x - (px + pw)) + max(0, py - y, y - (py + ph))


def drop_pixels(image, x, y, w, h, background):
    """Pixels of a rectangle that differ clearly from the plain background colour."""
    return sum(1 for p in image.region(x, y, w, h) if sum(abs(a - b) for a, b in zip(p, background)) > 24)


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

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    def region(self, x, y, w, h):
        """Every pixel of a rectangle, clipped to the image."""
        x0, y0 = max(0, x), max(0, y)
        x1, y1 = min(self.width, x + w), min(self.height, y + h)
        for yy in range(y0, y1):
            row = self.rgb[(yy * self.width + x0) * 3:(yy * self.width + x1) * 3]
            for i in range(0, len(row), 3):
                yield row[i], row[i + 1], row[i + 2]

    def save_png(self, path):
        raw = b"".join(b"\x00" + self.rgb[y * self.width * 3:(y + 1) * self.width * 3] for y in range(self.height))

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        with open(path, "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 6))
                      + chunk(b"IEND", b""))


def _decode_xwd(data):
    fields = struct.unpack(">25I", data[:100])
    header_size, version, pixmap_format = fields[0], fields[1], fields[2]
    width, height = fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    masks = fields[14:17]
    ncolors = fields[19]
    if version != 7 or pixmap_format != 2 or bits_per_pixel not in (24, 32):
        raise ValueError("unexpected xwd image: version %d format %d bpp %d" % (version, pixmap_format, bits_per_pixel))
    offset = header_size + ncolors * 12
    shifts = [(m & -m).bit_length() - 1 for m in masks]
    step = bits_per_pixel // 8
    order = "little" if byte_order == 0 else "big"
    rgb = bytearray(width * height * 3)
    for y in range(height):
        line = data[offset + y * bytes_per_line: offset + y * bytes_per_line + width * step]
        base = y * width * 3
        for x in range(width):
            v = int.from_bytes(line[x * step:(x + 1) * step], order)
            i = base + x * 3
            rgb[i] = (v & masks[0]) >> shifts[0]
            rgb[i + 1] = (v & masks[1]) >> shifts[1]
            rgb[i + 2] = (v & masks[2]) >> shifts[2]
    return Image(width, height, bytes(rgb))


def grab():
    """What the screen shows, from the X server's framebuffer file (desktop-session keeps one):
    grabbing the root window would leave out translucent windows, which have a different depth."""
    path = os.environ.get("E2E_FRAMEBUFFER")
    if path and os.path.exists(path):
        with open(path, "rb") as f:
            return _decode_xwd(f.read())
    data = subprocess.run(["xwd", "-root", "-silent"], check=True, capture_output=True).stdout
    return _decode_xwd(data)


def window_info(window_id):
    """xwininfo's answers for a window: geometry, map state and override-redirect."""
    text = subprocess.run(["xwininfo", "-id", str(window_id), "-all"], capture_output=True, text=True).stdout
    info = {}
    for line in text.splitlines():
        line = line.strip()
        for key, name in (("Absolute upper-left X:", "x"), ("Absolute upper-left Y:", "y"),
                          ("Width:", "width"), ("Height:", "height")):
            if line.startswith(key):
                info[name] = int(line.split(":")[1])
        if line.startswith("Map State:"):
            info["mapped"] = line.split(":")[1].strip() == "IsViewable"
        if line.startswith("Override Redirect State:"):
            info["override_redirect"] = line.split(":")[1].strip() == "yes"
    return info


def stacking_order():
    """The root's children, bottom to top, as integers."""
    text = subprocess.run(["xwininfo", "-root", "-children"], capture_output=True, text=True).stdout
    ids = []
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("0x"):
            ids.append(int(line.split()[0], 16))
    return list(reversed(ids))  # xwininfo lists top first
