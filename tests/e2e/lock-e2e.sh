#!/usr/bin/env bash
# The real program and the screen lock: a fake logind (on a second private bus standing in for
# the system bus) and fake screen savers (on the session's bus) announce a lock; every overlay
# window must be unmapped at once and stop drawing, and come back after the unlock.
# Usage (inside desktop-session): lock-e2e.sh TAVIK FAKE_SESSION_SERVICES
set -u
tavik="$1" fake="$2"
work="$(mktemp -d)"
bus_pid= fake_pid= app_pid= watchers=()
cleanup() {
  exec 5>&- 2>/dev/null
  for file in "$work"/xev.*.pid; do [ -s "$file" ] && kill "$(cat "$file")" 2>/dev/null; done
  kill $app_pid $fake_pid $bus_pid "${watchers[@]}" 2>/dev/null
  wait $app_pid $fake_pid $bus_pid "${watchers[@]}" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Unmapping has to follow the lock within this long: the locker's own window is up by then.
hide_limit_ms=200

failures=0
check() { # description, expected, actual
  if [ "$2" == "$3" ]; then echo "ok   $1"; else echo "FAIL $1: expected [$2], got [$3]"; failures=$((failures + 1)); fi
}

# Notes every map and unmap of a window in $work/map.ID, stamped in microseconds by bash itself
# as it arrives: starting a process for the time costs more than the margin measured here.
watch_map() { # id
  ( stdbuf -oL xev -id "$1" -event structure & echo $! >"$work/xev.$1.pid"; wait ) 2>/dev/null |
    while IFS= read -r line; do
      case "$line" in
        UnmapNotify*) echo "${EPOCHREALTIME//[!0-9]/} unmap" ;;
        MapNotify*) echo "${EPOCHREALTIME//[!0-9]/} map" ;;
      esac
    done >>"$work/map.$1" &
  watchers+=($!)
}
# The time of the first event of a kind after a moment, for every window, or nothing until all
# of them had one.
latest_event_after() { # kind, since, ids...
  local kind="$1" since="$2" latest=0 found; shift 2
  for id in "$@"; do
    found=$(awk -v kind="$kind" -v since="$since" '$2 == kind && $1 >= since { print $1; exit }' "$work/map.$id" 2>/dev/null)
    [ -n "$found" ] || return
    [ "$found" -gt "$latest" ] && latest=$found
  done
  echo "$latest"
}

# The overlays (and their cloud underlays) as "windowId visible frames" lines.
windows() {
  "$tavik" status 2>/dev/null | python3 -c '
import json, sys
try:
    status = json.load(sys.stdin)
except ValueError:
    sys.exit(1)
for overlay in status.get("overlays", {}).get("overlays", []):
    for window in [overlay] + ([overlay["underlay"]] if "underlay" in overlay else []):
        print(window["windowId"], str(window["visible"]).lower(), int(window["frames"]))
'
}
# "yes" when every window's X map state is the one given (IsViewable or IsUnMapped).
all_mapped_as() { # state, ids...
  local state="$1"; shift
  for id in "$@"; do
    xwininfo -id "$id" 2>/dev/null | grep -q "Map State: $state" || { echo no; return; }
  done
  echo yes
}
total_frames() { windows | awk '{ sum += $3 } END { print sum + 0 }'; }

dbus-daemon --session --nofork --print-address=3 3>"$work/system-bus" 2>/dev/null &
bus_pid=$!
for _ in $(seq 100); do [ -s "$work/system-bus" ] && break; sleep 0.05; done
export DBUS_SYSTEM_BUS_ADDRESS="$(head -n1 "$work/system-bus")"

mkfifo "$work/fake.in"
"$fake" --system "$DBUS_SYSTEM_BUS_ADDRESS" --session "$DBUS_SESSION_BUS_ADDRESS" <"$work/fake.in" >"$work/fake.out" 2>&1 &
fake_pid=$!
exec 5>"$work/fake.in"
for _ in $(seq 100); do grep -q '^ready$' "$work/fake.out" && break; sleep 0.05; done
check "the fake logind and screen savers are up" "yes" "$(grep -q '^ready$' "$work/fake.out" && echo yes || echo no)"

"$tavik" >"$work/tavik.log" 2>&1 &
app_pid=$!
drawing=no
for _ in $(seq 300); do
  lines="$(windows)"
  if [ -n "$lines" ] && ! echo "$lines" | awk '$2 != "true" || $3 == 0 { bad = 1 } END { exit !bad }'; then
    drawing=yes
    break
  fi
  sleep 0.1
done
check "overlays are shown and drawing" "yes" "$drawing"
ids=($(windows | awk '{ print $1 }'))
[ "${#ids[@]}" -gt 0 ] || { echo "FAIL no overlay windows"; cat "$work/tavik.log"; exit 1; }
echo "     windows: ${ids[*]}"
# The program asks logind and the screen savers at start; their answers are in before a lock.
for _ in $(seq 100); do [ "$(grep -c '^answered GetActive$' "$work/fake.out")" -ge 3 ] && break; sleep 0.05; done
for _ in $(seq 100); do grep -q '^answered LockedHint$' "$work/fake.out" && break; sleep 0.05; done

for id in "${ids[@]}"; do watch_map "$id"; done
for _ in $(seq 100); do [ "$(ls "$work"/xev.*.pid 2>/dev/null | wc -l)" -eq "${#ids[@]}" ] && break; sleep 0.05; done
sleep 0.5 # the moment xev needs to start and select the events

start="${EPOCHREALTIME//[!0-9]/}"
echo lock >&5
hidden=
for _ in $(seq 100); do
  hidden=$(latest_event_after unmap "$start" "${ids[@]}")
  [ -n "$hidden" ] && break
  sleep 0.05
done
check "a lock unmaps every overlay window" "yes" "$([ -n "$hidden" ] && echo yes || echo no)"
elapsed=$(( (${hidden:-$start} - start) / 1000 ))
check "within ${hide_limit_ms} ms (took ${elapsed} ms)" "yes" "$([ -n "$hidden" ] && [ "$elapsed" -le "$hide_limit_ms" ] && echo yes || echo no)"
check "the X server agrees" "yes" "$(all_mapped_as IsUnMapped "${ids[@]}")"
check "status shows no visible overlay" "" "$(windows | awk '$2 == "true"')"
before=$(total_frames)
sleep 0.5
check "no frames are drawn while locked" "$before" "$(total_frames)"

echo unlock >&5
shown=no
for _ in $(seq 100); do
  [ "$(all_mapped_as IsViewable "${ids[@]}")" == yes ] && { shown=yes; break; }
  sleep 0.05
done
check "an unlock maps every overlay window again" "yes" "$shown"
before=$(total_frames)
grew=no
for _ in $(seq 50); do
  sleep 0.1
  [ "$(total_frames)" -gt "$before" ] && { grew=yes; break; }
done
check "and drawing resumes" "yes" "$grew"

# The screen saver's word counts too, and an unlock from logind ends it.
echo "saver true" >&5
for _ in $(seq 100); do [ "$(all_mapped_as IsUnMapped "${ids[@]}")" == yes ] && break; sleep 0.02; done
check "an active screen saver hides the overlays" "yes" "$(all_mapped_as IsUnMapped "${ids[@]}")"
echo unlock >&5
for _ in $(seq 100); do [ "$(all_mapped_as IsViewable "${ids[@]}")" == yes ] && break; sleep 0.05; done
check "and logind's unlock brings them back" "yes" "$(all_mapped_as IsViewable "${ids[@]}")"

kill -0 "$app_pid" 2>/dev/null || { echo "FAIL the program stopped"; failures=$((failures + 1)); cat "$work/tavik.log"; }
echo "$failures failed"
[ "$failures" -eq 0 ]
