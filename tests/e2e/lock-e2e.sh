#!/usr/bin/env bash
# The real program and the screen lock: a fake logind (on a second private bus standing in for
# the system bus) asks for a lock that a fake locker, which never reports back, confirms by
# holding the screen; fake screen savers (on the session's bus) announce one. Every overlay
# window must be unmapped at once and stop drawing, and come back when the lock ends: the
# locker letting go, the screen saver going inactive. A lock request alone hides nothing.
# Usage (inside desktop-session): lock-e2e.sh TAVIK FAKE_SESSION_SERVICES FAKE_LOCKER
set -u
tavik="$1" fake="$2" locker="$3"
work="$(mktemp -d)"
bus_pid= fake_pid= app_pid= locker_pid= watchers=()
cleanup() {
  exec 5>&- 6>&- 2>/dev/null
  [ -n "$locker_pid" ] && kill "$locker_pid" 2>/dev/null
  for file in "$work"/xev.*.pid; do [ -s "$file" ] && kill "$(cat "$file")" 2>/dev/null; done
  kill $app_pid $fake_pid $bus_pid "${watchers[@]}" 2>/dev/null
  wait $app_pid $fake_pid $bus_pid "${watchers[@]}" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Unmapping has to follow the locker within this long.
hide_limit_ms=200

. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"

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

# A locker that tells nobody, held open through descriptor 6 until `release_locker`.
start_locker() { # options
  rm -f "$work/locker.in" "$work/locker.out"
  mkfifo "$work/locker.in"
  "$locker" "$@" <"$work/locker.in" >"$work/locker.out" 2>&1 &
  locker_pid=$!
  exec 6>"$work/locker.in"
  for _ in $(seq 100); do grep -q '^locked ' "$work/locker.out" && break; sleep 0.02; done
}
release_locker() {
  exec 6>&-
  wait "$locker_pid" 2>/dev/null
  locker_pid=
}
await_mapped_as() { # state, ids...
  for _ in $(seq 100); do [ "$(all_mapped_as "$@")" == yes ] && break; sleep 0.05; done
  all_mapped_as "$@"
}
resumes_drawing() {
  local before grew=no
  before=$(total_frames)
  for _ in $(seq 50); do
    sleep 0.1
    [ "$(total_frames)" -gt "$before" ] && { grew=yes; break; }
  done
  echo "$grew"
}

# logind asks, nobody locks (no locker, or one that failed to start): nothing hides.
echo lock >&5
sleep 1
check "a lock request alone hides nothing" "yes" "$(all_mapped_as IsViewable "${ids[@]}")"

# logind asks and a locker takes the screen with a window of its own; it never reports back.
echo lock >&5
sleep 0.2
start_locker --window-only
start=$(awk '/^locked / { print $2 }' "$work/locker.out")
start=${start:-${EPOCHREALTIME//[!0-9]/}}
hidden=
for _ in $(seq 100); do
  hidden=$(latest_event_after unmap "$start" "${ids[@]}")
  [ -n "$hidden" ] && break
  sleep 0.05
done
check "a locker's window unmaps every overlay window" "yes" "$([ -n "$hidden" ] && echo yes || echo no)"
elapsed=$(( (${hidden:-$start} - start) / 1000 ))
check "within ${hide_limit_ms} ms of the locker taking the screen (took ${elapsed} ms)" "yes" "$([ -n "$hidden" ] && [ "$elapsed" -le "$hide_limit_ms" ] && echo yes || echo no)"
check "the X server agrees" "yes" "$(all_mapped_as IsUnMapped "${ids[@]}")"
check "status shows no visible overlay" "" "$(windows | awk '$2 == "true"')"
before=$(total_frames)
sleep 0.5
check "no frames are drawn while locked" "$before" "$(total_frames)"
sleep 5 # past the time logind's request is watched for: the locker's hold is what counts
check "the lock lasts as long as the locker" "yes" "$(all_mapped_as IsUnMapped "${ids[@]}")"

release_locker
check "the locker going maps every overlay window again, with no unlock from logind" "yes" "$(await_mapped_as IsViewable "${ids[@]}")"
check "and drawing resumes" "yes" "$(resumes_drawing)"

# A locker that only grabs the keyboard.
echo lock >&5
start_locker --grab-only
check "a locker's keyboard grab hides the overlays" "yes" "$(await_mapped_as IsUnMapped "${ids[@]}")"
release_locker
check "and letting go brings them back" "yes" "$(await_mapped_as IsViewable "${ids[@]}")"

# logind's hint, set by a locker that does report.
echo "hint true" >&5
check "logind's LockedHint hides the overlays" "yes" "$(await_mapped_as IsUnMapped "${ids[@]}")"
echo "hint false" >&5
check "and its end brings them back" "yes" "$(await_mapped_as IsViewable "${ids[@]}")"

# The screen saver's word counts too, and an unlock from logind ends it.
echo "saver true" >&5
check "an active screen saver hides the overlays" "yes" "$(await_mapped_as IsUnMapped "${ids[@]}")"
echo unlock >&5
check "and logind's unlock brings them back" "yes" "$(await_mapped_as IsViewable "${ids[@]}")"

kill -0 "$app_pid" 2>/dev/null || { echo "FAIL the program stopped"; failures=$((failures + 1)); cat "$work/tavik.log"; }
echo "$failures failed"
[ "$failures" -eq 0 ]
