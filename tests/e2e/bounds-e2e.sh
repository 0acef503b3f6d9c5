#!/usr/bin/env bash
# The real program started over a settings file holding numbers far outside their ranges (as a
# hand edit or an older version may leave it): it clamps them, keeps drawing, and its resident
# memory stays under a limit. While it runs, a set outside the range is refused and changes
# nothing. Usage (inside desktop-session): bounds-e2e.sh TAVIK [SECONDS] [LIMIT_MB]
# (a sanitizer build carries its shadow memory and quarantine, so it is given a higher limit)
set -u
tavik="$1" seconds="${2:-10}" limit_mb="${3:-200}"
work="$(mktemp -d)"
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

limit_kb=$((limit_mb * 1024))

. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"
frames() {
  "$tavik" status 2>/dev/null | python3 -c '
import json, sys
try:
    status = json.load(sys.stdin)
except ValueError:
    sys.exit(1)
print(sum(int(o.get("frames", 0)) for o in status.get("overlays", {}).get("overlays", [])))
'
}
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$app_pid/status" 2>/dev/null; }

mkdir -p "$XDG_CONFIG_HOME/tavik"
cat >"$XDG_CONFIG_HOME/tavik/tavik.conf" <<'CONF'
[General]
app.didFirstLaunch=true
app.enabled=true
rain.enabled=true
rain.dropsPerSecond=1e9
rain.dropSpeed=0
snow.enabled=true
snow.density=1e9
CONF

"$tavik" >"$work/tavik.log" 2>&1 &
app_pid=$!
drawing=no
for _ in $(seq 300); do
  [ "$(frames)" -gt 0 ] 2>/dev/null && { drawing=yes; break; }
  sleep 0.1
done
check "the overlays draw" "yes" "$drawing"
check "the rain rate reads as its ceiling" "120" "$("$tavik" get rain.dropsPerSecond)"
check "the snow density reads as its ceiling" "100" "$("$tavik" get snow.density)"
check "the drop speed reads as its floor" "1" "$("$tavik" get rain.dropSpeed)"

"$tavik" set rain.dropsPerSecond 1e9 >"$work/set.out" 2>"$work/set.err"
check "a set outside the range is refused" "2" "$?"
check "saying why" "tavik: rain.dropsPerSecond must be between 1 and 120" "$(cat "$work/set.err")"
check "and changes nothing" "120" "$("$tavik" get rain.dropsPerSecond)"

peak=0
for _ in $(seq "$seconds"); do
  sleep 1
  now=$(rss_kb)
  [ -n "$now" ] || break
  [ "$now" -gt "$peak" ] && peak=$now
done
echo "     peak resident memory over ${seconds} s: $((peak / 1024)) MB"
check "the program is still running" "yes" "$(kill -0 "$app_pid" 2>/dev/null && echo yes || echo no)"
check "resident memory stays under $((limit_kb / 1024)) MB" "yes" "$([ "$peak" -gt 0 ] && [ "$peak" -lt "$limit_kb" ] && echo yes || echo no)"

[ "$failures" -eq 0 ] || cat "$work/tavik.log"
echo "$failures failed"
[ "$failures" -eq 0 ]
