#!/usr/bin/env bash
# The real program on an X11 desktop without a compositor (inside desktop-session
# --no-compositor): transparent windows would show black, so the overlays stay unmapped and
# the program says why; they map once a compositor starts, and go again when it stops.
# Usage: compositor-e2e.sh TAVIK
set -u
tavik="$1"
work="$(mktemp -d)"
app_pid= picom_pid=
cleanup() {
  kill $app_pid $picom_pid 2>/dev/null
  wait $app_pid $picom_pid 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"
# One value of `tavik status`, by a Python expression over it as `d`.
field() {
  "$tavik" status 2>/dev/null | python3 -c "import json, sys
try:
    d = json.load(sys.stdin)
except ValueError:
    sys.exit(1)
print($1)"
}
# The field's value once it is the one given (or the last one seen after 10 s).
await() { # expected, expression
  local value
  for _ in $(seq 100); do
    value="$(field "$2")"
    [ "$value" == "$1" ] && break
    sleep 0.1
  done
  echo "$value"
}
ids() { field '" ".join(o["windowId"] for o in d["overlays"]["overlays"])'; }
# "yes" when every window's X map state is the one given (IsViewable or IsUnMapped).
all_mapped_as() { # state, ids...
  local state="$1"; shift
  for id in "$@"; do
    xwininfo -id "$id" 2>/dev/null | grep -q "Map State: $state" || { echo no; return; }
  done
  echo yes
}
await_mapped_as() { # state, ids...
  for _ in $(seq 100); do [ "$(all_mapped_as "$@")" == yes ] && break; sleep 0.1; done
  all_mapped_as "$@"
}
reason='d["overlays"]["hiddenBecause"].split(":")[0]'

"$tavik" >"$work/tavik.log" 2>&1 &
app_pid=$!
check "the overlays are made" "2" "$(await 2 'len(d["overlays"]["overlays"])')"
windows=($(ids))
echo "     windows: ${windows[*]}"
sleep 1 # time in which a wrongly shown overlay would map
check "each asks compositors for no shadow" "0 0" \
  "$(for w in "${windows[@]}"; do xprop -id "$w" _COMPTON_SHADOW | sed 's/.*= //'; done | xargs)"
check "they stay unmapped" "yes" "$(all_mapped_as IsUnMapped "${windows[@]}")"
check "status says why" "False needs a compositor" "$(await "False needs a compositor" "d['overlays']['compositing'], $reason")"
check "status shows no visible overlay" "False" "$(field 'any(o["visible"] for o in d["overlays"]["overlays"])')"
check "the tray says why" "Tavik (needs a compositor)" "$(await "Tavik (needs a compositor)" 'd["tray"]["toolTip"]')"

picom --backend xrender --no-fading-openclose >"$work/picom.log" 2>&1 &
picom_pid=$!
check "a compositor starting maps them" "yes" "$(await_mapped_as IsViewable "${windows[@]}")"
check "and status has no reason left" "True " "$(await "True " "d['overlays']['compositing'], d['overlays']['hiddenBecause']")"
check "nor the tray" "Tavik (on)" "$(await "Tavik (on)" 'd["tray"]["toolTip"]')"
frames=$(field 'sum(o["frames"] for o in d["overlays"]["overlays"])')
sleep 0.5
check "and they draw" "yes" "$([ "$(field 'sum(o["frames"] for o in d["overlays"]["overlays"])')" -gt "${frames:-0}" ] && echo yes || echo no)"

kill "$picom_pid"; wait "$picom_pid" 2>/dev/null; picom_pid=
check "the compositor stopping unmaps them again" "yes" "$(await_mapped_as IsUnMapped "${windows[@]}")"
check "and status says why again" "needs a compositor" "$(await "needs a compositor" "$reason")"

kill -0 "$app_pid" 2>/dev/null || { echo "FAIL the program stopped"; failures=$((failures + 1)); cat "$work/tavik.log"; }
echo "$failures failed"
[ "$failures" -eq 0 ]
