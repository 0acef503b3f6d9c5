#!/usr/bin/env python3
"""What the running program costs on one 1920x1080 display (run inside desktop-session).

- start-up: from launching `tavik` to its first frame on screen, as the program measures it
  against the kernel's record of its start (median of several launches);
- memory: resident size after a minute of "rainy-night" with the panel closed;
- idle: with effects switched off, the frames drawn and the CPU used over a minute;
- the panel: from a click on the tray icon to the popup's first frame, as the program measures
  it (median of several opens);
- scenes: for each scene, the CPU of the program, the X server and the compositor together (as
  a share of one core), the frames drawn each second by each overlay, and resident memory.
Usage: desktop_bench.py TAVIK_BINARY [SECONDS] [--scenes NAME,...] [--label TEXT]
With --scenes only the scene table is measured, for those scenes (a desktop of several
monitors or another size is the caller's: run it in such a desktop-session).
TAVIK_BENCH_SCENE_SECONDS sets how long each scene runs (default 40).
"""
import json
import os
import statistics
import subprocess
import sys
import time

ARGS = sys.argv[1:]
ONLY_SCENES = None
LABEL = ""
if "--scenes" in ARGS:
    at = ARGS.index("--scenes")
    ONLY_SCENES = ARGS[at + 1].split(",")
    del ARGS[at:at + 2]
if "--label" in ARGS:
    at = ARGS.index("--label")
    LABEL = ARGS[at + 1]
    del ARGS[at:at + 2]
TAVIK = ARGS[0]
SECONDS = float(ARGS[1]) if len(ARGS) > 1 else 60.0
SCENE_SECONDS = float(os.environ.get("TAVIK_BENCH_SCENE_SECONDS", "40"))
TICKS = os.sysconf("SC_CLK_TCK")

EFFECT_SWITCHES = ["rain.enabled", "clouds.enabled", "thunder.enabled", "snow.enabled", "sun.enabled",
                   "moon.enabled", "stars.enabled", "fog.enabled", "dust.enabled", "aurora.enabled",
                   "leaves.enabled", "petals.enabled", "fireflies.enabled"]
# Every amount at the top of its range.
MAXIMA = {"rain.dropsPerSecond": 120, "rain.dropOpacity": 1, "clouds.count": 20, "clouds.opacity": 1,
          "thunder.frequency": 100, "thunder.brightness": 100, "snow.density": 100, "snow.opacity": 1,
          "sun.intensity": 100, "moon.intensity": 100, "stars.density": 100, "stars.shooting": 100,
          "fog.density": 100, "fog.opacity": 1, "dust.density": 100, "aurora.intensity": 100,
          "leaves.count": 40, "petals.count": 40, "fireflies.count": 30, "fireflies.size": 100,
          "wind.strength": 100}


def tavik(*args):
    return subprocess.run([TAVIK, *args], capture_output=True, text=True, timeout=30)


def status():
    answer = tavik("status")
    try:
        return json.loads(answer.stdout) if answer.returncode == 0 else None
    except ValueError:
        return None


def wait_for(predicate, timeout=30.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.05)
    return None


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS  # utime and stime


def resident_mb(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    return float("nan")


def frames(s):
    return sum(o["frames"] for o in s["overlays"]["overlays"])


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=True)


def panel_opening_ms(opens=7):
    """Clicks the tray icon and reads how long the popup took to show its first frame."""
    geometry = (status() or {}).get("tray", {}).get("geometry")
    if not geometry or geometry["width"] <= 0:
        return []
    x, y = geometry["x"] + geometry["width"] // 2, geometry["y"] + geometry["height"] // 2
    times = []
    for _ in range(opens):
        xdotool("mousemove", str(x), str(y), "click", "1")
        s = wait_for(lambda: (lambda s: s if s and s["panel"]["visible"] and "lastOpenMs" in s["panel"] else None)(status()), 5)
        if s:
            # Settle, then read: the figure is written when the first frame is on screen.
            time.sleep(0.3)
            times.append(status()["panel"]["lastOpenMs"])
        xdotool("mousemove", "100", "100", "click", "1")
        wait_for(lambda: not status()["panel"]["visible"], 5)
        time.sleep(0.8)  # past the guard that keeps a closing click from reopening it
    return times


def launch():
    app = subprocess.Popen([TAVIK], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    s = wait_for(lambda: (lambda s: s if s and s["overlays"]["firstFrameMs"] >= 0 else None)(status()))
    if not s:
        app.kill()
        raise SystemExit("tavik showed no frame")
    return app, s


def stop(app):
    app.terminate()
    try:
        app.wait(timeout=10)
    except subprocess.TimeoutExpired:
        app.kill()


def session_pids():
    """The X server and the compositor of this desktop, found by what they were started with."""
    display = os.environ.get("DISPLAY", "").encode()
    fbdir = os.path.dirname(os.environ.get("E2E_FRAMEBUFFER", "")).encode()
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                cmdline = f.read().split(b"\0")
            name = os.path.basename(cmdline[0])
            if name == b"Xvfb" and fbdir and fbdir in cmdline:
                found.append(int(entry))
            elif name == b"picom":
                with open("/proc/%s/environ" % entry, "rb") as f:
                    if b"DISPLAY=" + display in f.read().split(b"\0"):
                        found.append(int(entry))
        except OSError:
            continue
    return found


def set_scene(name):
    if name == "nothing":
        tavik("preset", "rainy-night")
        for key in EFFECT_SWITCHES:
            tavik("set", key, "false")
    elif name == "maximum":
        for key in EFFECT_SWITCHES:
            tavik("set", key, "true")
        for key, value in MAXIMA.items():
            tavik("set", key, str(value))
    else:
        tavik("preset", name)


SCENE_TITLES = {"nothing": "switched on, every effect off", "maximum": "every effect at its maximum"}


def scene_table(names, label):
    app, s = launch()
    others = session_pids()
    try:
        print("%-40s %10s %22s %14s %12s" % ("scene" + label, "total CPU", "frames/s per overlay",
                                             "CPU ms/frame", "resident MB"))
        for name in names:
            set_scene(name)
            time.sleep(3.0)  # past the settings pause and the scene's fade-in
            s = status()
            pids = [app.pid] + others
            begin_cpu = sum(cpu_seconds(pid) for pid in pids)
            begin_frames = [o["frames"] for o in s["overlays"]["overlays"]]
            begin = time.monotonic()
            time.sleep(SCENE_SECONDS)
            s = status()
            elapsed = time.monotonic() - begin
            cpu = 100.0 * (sum(cpu_seconds(pid) for pid in pids) - begin_cpu) / elapsed
            rates = [(o["frames"] - f) / elapsed for o, f in zip(s["overlays"]["overlays"], begin_frames)]
            # Per frame drawn, the cost reads the same on a machine busy with other work.
            per_frame = 10.0 * cpu / sum(rates) if sum(rates) > 0 else float("nan")
            print("%-40s %9.1f%% %22s %14.1f %12.1f" % (SCENE_TITLES.get(name, name), cpu,
                                                        " ".join("%.1f" % r for r in rates), per_frame,
                                                        resident_mb(app.pid)))
            sys.stdout.flush()
        overlays = s["overlays"]
        print("renderer: %s (%s); CPU is the program, the X server and the compositor, as a share of one core"
              % (overlays.get("renderer") or overlays["overlays"][0]["renderer"], overlays.get("rendererReason", "")))
    finally:
        stop(app)


def main():
    tavik("preset", "rainy-night")
    if ONLY_SCENES:
        scene_table(ONLY_SCENES, LABEL)
        return
    starts = []
    for _ in range(int(os.environ.get("TAVIK_BENCH_STARTS", "5"))):
        app, s = launch()
        starts.append(s["overlays"]["firstFrameMs"])
        stop(app)
        time.sleep(0.5)
    print("start-up to first frame: median %.0f ms (runs: %s; budget 400 ms)"
          % (statistics.median(starts), ", ".join("%.0f" % v for v in starts)))

    app, s = launch()
    try:
        time.sleep(1.5)  # the panel is built after the first frame
        opens = panel_opening_ms()
        if opens:
            print("panel opening, click to first frame: median %.0f ms (runs: %s; budget 150 ms)"
                  % (statistics.median(opens), ", ".join("%.0f" % v for v in opens)))
        else:
            print("panel opening: no tray icon to click")
    finally:
        stop(app)

    app, s = launch()
    try:
        renderer = s["overlays"]["overlays"][0]["renderer"]
        begin_cpu, begin_frames, begin = cpu_seconds(app.pid), frames(s), time.monotonic()
        time.sleep(SECONDS)
        s = status()
        elapsed = time.monotonic() - begin
        print("rainy-night for %.0f s (%s): %.1f frames/s, %.1f%% of one core"
              % (elapsed, renderer, (frames(s) - begin_frames) / elapsed,
                 100.0 * (cpu_seconds(app.pid) - begin_cpu) / elapsed))
        print("resident memory after %.0f s of rainy-night: %.1f MB (budget 100 MB)" % (elapsed, resident_mb(app.pid)))

        tavik("set", "app.enabled", "false")
        time.sleep(2.0)  # the switch takes effect after the settings pause
        s = status()
        begin_cpu, begin_frames, begin = cpu_seconds(app.pid), frames(s), time.monotonic()
        time.sleep(SECONDS)
        elapsed = time.monotonic() - begin
        s = status()
        print("idle with effects off for %.0f s: %d frames drawn, %.3f%% of one core (budget 0.5%%)"
              % (elapsed, frames(s) - begin_frames, 100.0 * (cpu_seconds(app.pid) - begin_cpu) / elapsed))
    finally:
        tavik("set", "app.enabled", "true")
        stop(app)

    print()
    scene_table(["nothing", "rainy-night", "focus", "starry-night", "snowfall", "storm", "maximum"], "")


if __name__ == "__main__":
    main()
