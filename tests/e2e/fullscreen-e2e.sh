#!/usr/bin/env bash
# The real program beside a fullscreen window and a game (inside desktop-session --monitors 2):
# a window made fullscreen on the left display unmaps that display's overlay at once and stops
# its frames while the right one keeps drawing; leaving fullscreen brings it back; with the
# setting off nothing pauses. A game registered with a stand-in GameMode pauses both.
# Usage: fullscreen-e2e.sh TAVIK FAKE_GAMEMODE
set -u
tavik="$1" fake="$2"
work="$(mktemp -d)"
app_pid= client_pid= fake_pid= watchers=()
cleanup() {
  exec 5>&- 2>/dev/null
  for file in "$work"/xev.*.pid; do [ -s "$file" ] && kill "$(cat "$file")" 2>/dev/null; done
  kill $app_pid $client_pid $fake_pid "${watchers[@]}" 2>/dev/null
  wait $app_pid $client_pid $fake_pid "${watchers[@]}" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The overlay has to be unmapped within this long of the window going fullscreen.
hide_limit_ms=300

. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"

# One value of `tavik status`, by a Python expression over it as `d`; `left` and `right` are the
# overlays by position.
field() {
  "$tavik" status 2>/dev/null | python3 -c "import json, sys
try:
    d = json.load(sys.stdin)
except ValueError:
    sys.exit(1)
o = sorted(d['overlays']['overlays'], key=lambda o: o['geometry']['x'])
left, right = (o[0], o[-1]) if o else ({}, {})
print($1)"
}
await() { # expected, expression
  local value
  for _ in $(seq 100); do
    value="$(field "$2")"
    [ "$value" == "$1" ] && break
    sleep 0.1
  done
  echo "$value"
}
map_state() { xwininfo -id "$1" 2>/dev/null | sed -n 's/.*Map State: //p'; }
now_us() { echo "${EPOCHREALTIME//[!0-9]/}"; }
# Notes every map and unmap of a window in $work/map.ID, stamped in microseconds by bash as it
# arrives: polling with a process per look would cost more than the margin measured here.
watch_map() { # id
  ( stdbuf -oL xev -id "$1" -event structure & echo $! >"$work/xev.$1.pid"; wait ) 2>/dev/null |
    while IFS= read -r line; do
      case "$line" in
        UnmapNotify*) echo "$(now_us) IsUnMapped" ;;
        MapNotify*) echo "$(now_us) IsViewable" ;;
      esac
    done >>"$work/map.$1" &
  watchers+=($!)
}
# Milliseconds from a moment until a window was mapped or unmapped, or "never" within 5 s.
ms_until() { # state, since, id
  local found
  for _ in $(seq 250); do
    found=$(awk -v state="$1" -v since="$2" '$2 == state && $1 >= since { print $1; exit }' "$work/map.$3" 2>/dev/null)
    [ -n "$found" ] && { echo $(((found - $2) / 1000)); return; }
    sleep 0.02
  done
  echo never
}
within_limit() { [ "$1" != never ] && [ "$1" -le "$hide_limit_ms" ] && echo yes || echo "no ($1 ms)"; }
# "left right": whether each overlay drew a frame in half a second.
drawing() {
  local before after
  before="$(field '(left["frames"], right["frames"])')"
  sleep 0.5
  after="$(field '(left["frames"], right["frames"])')"
  python3 -c "b, a = ($before), ($after); print('yes' if a[0] > b[0] else 'no', 'yes' if a[1] > b[1] else 'no')"
}
# Returns the moment it asked.
fullscreen() { now_us; wmctrl -i -r "$client" -b "$1,fullscreen"; }

QT_LOGGING_RULES="tavik.fullscreen.info=true;tavik.gamemode.info=true" "$tavik" >"$work/tavik.log" 2>&1 &
app_pid=$!
check "two overlays are shown" "2 True True" \
  "$(await "2 True True" 'len(o), left.get("visible"), right.get("visible")')"
left_id="$(field 'left["windowId"]')" right_id="$(field 'right["windowId"]')"
check "both draw" "yes yes" "$(drawing)"
for id in "$left_id" "$right_id"; do watch_map "$id"; done
for _ in $(seq 100); do [ "$(ls "$work"/xev.*.pid 2>/dev/null | wc -l)" -eq 2 ] && break; sleep 0.05; done
sleep 0.5 # the moment xev needs to select the events

# An ordinary window on the left display, active (it takes the focus, unlike a clock).
xmessage -geometry 300x200+100+100 "in front" >/dev/null 2>&1 &
client_pid=$!
client="$(xdotool search --sync --onlyvisible --class Xmessage 2>/dev/null | head -n1)"
wmctrl -i -a "$client"
check "the window is active" "$client" "$(($(xprop -root _NET_ACTIVE_WINDOW | sed 's/.*# //')))"
check "a window that is not fullscreen pauses nothing" "yes yes" "$(drawing)"

since=$(fullscreen add)
check "going fullscreen unmaps the left overlay in ${hide_limit_ms} ms" yes "$(within_limit "$(ms_until IsUnMapped "$since" "$left_id")")"
check "status says why, for the left one only" "a fullscreen app is in front|" \
  "$(await "a fullscreen app is in front|" 'left["hiddenBecause"] + "|" + right["hiddenBecause"]')"
check "the left stops drawing, the right goes on" "no yes" "$(drawing)"
check "the right stays mapped" IsViewable "$(map_state "$right_id")"

since=$(fullscreen remove)
check "leaving fullscreen maps it again" yes "$(within_limit "$(ms_until IsViewable "$since" "$left_id")")"
check "and both draw" "yes yes" "$(drawing)"

"$tavik" set app.pauseWhenFullscreen false >/dev/null
fullscreen add >/dev/null
sleep 0.5
check "with the setting off nothing pauses" "IsViewable yes yes" "$(map_state "$left_id") $(drawing)"
since=$(now_us)
"$tavik" set app.pauseWhenFullscreen true >/dev/null
check "turning it on pauses the fullscreen display" yes "$([ "$(ms_until IsUnMapped "$since" "$left_id")" != never ] && echo yes)"
since=$(fullscreen remove)
ms_until IsViewable "$since" "$left_id" >/dev/null

# GameMode: present but idle, then a game, then the service leaving with the game still on.
mkfifo "$work/fake.in"
"$fake" <"$work/fake.in" >"$work/fake.out" 2>&1 &
fake_pid=$!
exec 5>"$work/fake.in"
for _ in $(seq 100); do grep -q '^ready$' "$work/fake.out" && break; sleep 0.05; done
sleep 0.3
check "GameMode without a game pauses nothing" "yes yes" "$(drawing)"
# Tells the stand-in and returns the moment it made the announcement: the time limit is the program's.
game() { # register|unregister
  local before; before=$(grep -c '^clients' "$work/fake.out")
  echo "$1" >&5
  for _ in $(seq 500); do [ "$(grep -c '^clients' "$work/fake.out")" -gt "$before" ] && break; sleep 0.01; done
  grep '^clients' "$work/fake.out" | tail -n1 | awk '{ print $3 }'
}
since=$(game register)
# Both are gated in one pass: timing one is timing both.
check "a game unmaps every overlay" "yes yes" \
  "$(within_limit "$(ms_until IsUnMapped "$since" "$left_id")") $(within_limit "$(ms_until IsUnMapped "$since" "$right_id")")"
check "and status says why" "a game is running|a game is running" \
  "$(await "a game is running|a game is running" 'left["hiddenBecause"] + "|" + right["hiddenBecause"]')"
check "neither draws" "no no" "$(drawing)"
since=$(game unregister)
back="$(within_limit "$(ms_until IsViewable "$since" "$left_id")") $(within_limit "$(ms_until IsViewable "$since" "$right_id")")"
check "the game ending brings them back" "yes yes" "$back"
# Seen once: the left one stayed hidden. What the program thought, for whoever looks next.
[ "$back" = "yes yes" ] || { echo "     hidden because: $(field 'left["hiddenBecause"] + "|" + right["hiddenBecause"]')"; sed 's/^/     /' "$work/tavik.log"; }
since=$(game register)
ms_until IsUnMapped "$since" "$right_id" >/dev/null
since=$(now_us)
exec 5>&-
wait "$fake_pid" 2>/dev/null; fake_pid=
check "GameMode leaving the bus brings them back" "yes yes" \
  "$(within_limit "$(ms_until IsViewable "$since" "$left_id")") $(within_limit "$(ms_until IsViewable "$since" "$right_id")")"

kill -0 "$app_pid" 2>/dev/null || { echo "FAIL the program stopped"; failures=$((failures + 1)); cat "$work/tavik.log"; }
echo "$failures failed"
[ "$failures" -eq 0 ]
