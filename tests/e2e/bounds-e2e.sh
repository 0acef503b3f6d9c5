#!/usr/bin/env bash
# Settings far outside their ranges are clamped, drawn, refused on set, in bounded memory.
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"
tavik="$1" seconds="${2:-10}" limit_mb="${3:-200}"

mkdir -p "$XDG_CONFIG_HOME/tavik"
printf '%s\n' '[General]' app.didFirstLaunch=true app.enabled=true rain.enabled=true rain.dropsPerSecond=1e9 \
  rain.dropSpeed=0 snow.enabled=true snow.density=1e9 >"$XDG_CONFIG_HOME/tavik/tavik.conf"

run_tavik
check "the overlays draw" "True" "$(tries=300 await True field 'sum(x["frames"] for x in o) > 0')"
for pair in rain.dropsPerSecond=120 snow.density=100 rain.dropSpeed=1; do
  check "$pair, clamped" "${pair#*=}" "$("$tavik" get "${pair%=*}")"
done

"$tavik" set rain.dropsPerSecond 1e9 >"$work/set.out" 2>"$work/set.err"
check "a set outside the range is refused" "2" "$?"
check "saying why" "tavik: rain.dropsPerSecond must be between 1 and 120" "$(cat "$work/set.err")"
check "and changes nothing" "120" "$("$tavik" get rain.dropsPerSecond)"

peak=0
for _ in $(seq "$seconds"); do
  sleep 1
  now=$(awk '/^VmRSS:/ { print $2 }' "/proc/$app_pid/status" 2>/dev/null) && [ -n "$now" ] || break
  peak=$((now > peak ? now : peak))
done
check "resident memory stays under $limit_mb MB (peak over $seconds s: $((peak / 1024)) MB)" "yes" "$([ "$peak" -gt 0 ] && [ "$peak" -lt $((limit_mb * 1024)) ] && echo yes || echo no)"
finish
