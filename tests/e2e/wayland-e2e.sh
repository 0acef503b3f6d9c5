#!/usr/bin/env bash
# In a Wayland session (headless sway, XWayland) the overlay is an unmanaged X11 window clicks pass.
tavik="$1"
here="$(cd "$(dirname "$0")" && pwd)"
[ "${2:-}" = --inside ] || exec "$here/wayland-session" -- "$0" "$tavik" --inside

. "$here/../check.sh"
step=0.2
# Where sway put a window, by its Wayland app_id or, for X11 windows, by its title: "x y w h".
rect_of() {
  swaymsg -t get_tree | python3 -c 'import json, sys
def walk(n): return [n] + [m for c in n.get("nodes", []) + n.get("floating_nodes", []) for m in walk(c)]
for r in [n["rect"] for n in walk(json.load(sys.stdin)) if n.get("shell") and sys.argv[1] in (n.get("app_id"), n.get("name"))][:1]:
    print(r["x"], r["y"], r["width"], r["height"])' "$1"
}
unmanaged() {
  overlay="$(field 'left["windowId"]')"
  check "${1:-}unmanaged: an override-redirect X11 window" "yes" "$(xwininfo -id "$overlay" | sed -n 's/.*Override Redirect State: *//p')"
  check "${1:-}not in sway's tree" "0" "$(swaymsg -t get_tree | grep -c "\"window\": $overlay,")"
}
# A click of the session's (virtual) mouse, routed by the compositor like a real one, low in a window:
# clear of the program's panel (without a tray, a centred window).
click() {
  set -- $(rect_of "$1")
  python3 "$here/wayland_click.py" $(($1 + $3 / 4)) $(($2 + $4 * 7 / 8)) ${E2E_SIZE%x*} ${E2E_SIZE#*x}
}

# Two windows side by side under the overlay: an X11 one and a Wayland one, each noting clicks.
xev -event button >"$work/xev.log" 2>&1 &
stdbuf -oL wev -f wl_pointer:button >"$work/wev.log" 2>&1 &
for _ in $(seq 100); do [ -n "$(rect_of "Event Tester")" ] && [ -n "$(rect_of wev)" ] && break; sleep 0.1; done

# The scene is asked to sit below windows, which a Wayland session cannot do.
"$tavik" set app.floatsAboveWindows false
run_tavik
check "the overlay shows" "True" "$(await True field 'len(o) == 1 and all(x["visible"] for x in o)')"
check "and draws" "True" "$(await True field 'left["frames"] > 0')"
check "above windows, whatever the switch says" "aboveWindows" "$(field 'left["level"]')"
check "its display is not called XWAYLAND0" "0" "$("$tavik" displays | cut -f2 | grep -c XWAYLAND)"
unmanaged
check "while it manages the X11 window beside it" "1" "$(swaymsg -t get_tree | grep -c '"name": "Event Tester"')"

# A loaded XWayland can still be taking on the fresh virtual pointer when its first click comes: one more try.
for _ in 1 2; do
  click "Event Tester"
  [ "$(tries=20 await 1 grep -c ButtonPress "$work/xev.log")" = 1 ] && break
done
check "a click on an X11 window passes through" "1" "$(grep -c ButtonPress "$work/xev.log")"
click wev
sleep 0.5
# Only an XWayland that hands the empty input shape on lets it reach a Wayland window (not 22.1): reported, not counted.
if [ "$(grep -c 'state: 1 (pressed)' "$work/wev.log")" = 1 ]; then
  echo "ok   a click on a Wayland window passes through"
else
  echo "note a click on a Wayland window does not pass through: this XWayland keeps the input shape to itself"
fi
kill "$app_pid"
wait "$app_pid"

# A session-wide request for the Wayland platform: noted once, and the overlay is the same.
QT_QPA_PLATFORM=wayland run_tavik
check "with QT_QPA_PLATFORM=wayland it still shows" "True" "$(await True field 'len(o) == 1 and all(x["visible"] for x in o)')"
unmanaged "still "
check "one note about the replaced platform" "1" "$(grep -c 'QT_QPA_PLATFORM' "$work/tavik.log")"

finish
