#!/usr/bin/env python3
"""What the running program costs on one 1920x1080 display (run inside desktop-session).

- start-up: from launching `tavik` to its first frame on screen, as the program measures it
  against the kernel's record of its start (median of several launches);
- memory: resident size after a minute of "rainy-night" with the panel closed;
- idle: with effects switched off, the frames drawn and the CPU used over a minute;
- the panel: from a click on the tray icon to the popup's first frame, as the program measures
  it (median of several opens).
Usage: desktop_bench.py TAVIK_BINARY [SECONDS]
"""
import json
import os
import statistics
import subprocess
import sys
import time

TAVIK = sys.argv[1]
SECONDS = float(sys.argv[2]) if len(sys.argv) > 2 else 60.0
TICKS = os.sysconf("SC_CLK_TCK")


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


def main():
    tavik("preset", "rainy-night")
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
        print("rainy-night for %.0f s (%s, llvmpipe): %.1f frames/s, %.1f%% of one core"
              % (elapsed, renderer, (frames(s) - begin_frames) / elapsed,
                 100.0 * (cpu_seconds(app.pid) - begin_cpu) / elapsed))
        print("resident memory after %.0f s of rainy-night: %.1f MB (budget 150 MB)" % (elapsed, resident_mb(app.pid)))

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


if __name__ == "__main__":
    main()
