# What the shell tests share: `check`, a scratch folder $work, helpers around the program $tavik.
set -u
failures=0
check() { # description, expected, actual
  if [ "$2" == "$3" ]; then echo "ok   $1"; else echo "FAIL $1: expected [$2], got [$3]"; failures=$((failures + 1)); fi
}
work="$(mktemp -d)" app_pid=
cleanup() {
  exec 5>&- 6>&-
  for file in "$work"/xev.*.pid; do [ -s "$file" ] && kill "$(cat "$file")"; done
  kill $(jobs -p)
  wait
  rm -rf "$work"
} 2>/dev/null
trap cleanup EXIT
# A program under test that stopped is a failure, and any failure shows its log.
finish() {
  [ -z "$app_pid" ] || [ "$(running)" == yes ] || { echo "FAIL the program stopped"; failures=$((failures + 1)); }
  [ "$failures" -eq 0 ] || [ ! -s "$work/tavik.log" ] || sed 's/^/     /' "$work/tavik.log"
  echo "$failures failed"
  exit $((failures > 0))
}

run_tavik() { "$tavik" "$@" >"$work/tavik.log" 2>&1 & app_pid=$!; }
running() { kill -0 "$app_pid" 2>/dev/null && echo yes || echo no; }
# A Python expression over `tavik status` as d: o the overlays left to right, windows with underlays.
field() {
  "$tavik" status 2>/dev/null | python3 2>/dev/null -c "import json, sys
d = json.load(sys.stdin)
o = sorted(d.get('overlays', {}).get('overlays', []), key=lambda o: o['geometry']['x'])
left, right = (o[0], o[-1]) if o else ({}, {})
windows = [w for x in o for w in [x] + ([x['underlay']] if 'underlay' in x else [])]
print($1)"
}
frames() { field 'sum(w["frames"] for w in windows)'; }
# Polls until the command prints the expected text ($tries times, $step s apart); prints its last answer.
await() { # expected, command...
  local expected="$1" got; shift
  for _ in $(seq "${tries:-100}"); do
    got="$("$@" 2>/dev/null)"
    [ "$got" == "$expected" ] && break
    sleep "${step:-0.1}"
  done
  echo "$got"
}
# "yes" when every X window given is in the map state given (IsViewable or IsUnMapped).
mapped_as() { # state, ids...
  local state="$1" id; shift
  for id in "$@"; do xwininfo -id "$id" 2>/dev/null | grep -q "Map State: $state" || { echo no; return; }; done
  echo yes
}
owned() { # bus name
  gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null
}
now_us() { echo "${EPOCHREALTIME//[!0-9]/}"; }
# Notes each map and unmap in $work/map.ID, stamped by bash (a process per look costs too much).
watch_map() { # ids...
  local id
  for id in "$@"; do
    (stdbuf -oL xev -id "$id" -event structure & echo $! >"$work/xev.$id.pid"; wait) 2>/dev/null |
      while read -r event _; do
        case "$event" in UnmapNotify) state=IsUnMapped ;; MapNotify) state=IsViewable ;; *) continue ;; esac
        echo "${EPOCHREALTIME//[!0-9]/} $state"
      done >>"$work/map.$id" &
  done
  for _ in $(seq 100); do [ "$(ls "$work"/xev.*.pid 2>/dev/null | wc -l)" -eq $# ] && break; sleep 0.05; done
  sleep 0.5 # the moment xev needs to select the events
}
# Milliseconds from a moment until every window given was mapped or unmapped, or "never" within 5 s.
ms_until() { # state, since, ids...
  local state="$1" since="$2" found; shift 2
  for _ in $(seq 250); do
    found=$(awk -v state="$state" -v since="$since" '$2 == state && $1 >= since && !(FILENAME in seen) {
      seen[FILENAME]; n++; if ($1 > last) last = $1 } END { print n + 0, last }' "${@/#/$work/map.}" 2>/dev/null)
    [ "${found% *}" = $# ] && { echo $(((${found#* } - since) / 1000)); return; }
    sleep 0.02
  done
  echo never
}
within_limit() { [ "$1" != never ] && [ "$1" -le "${2:-$hide_limit_ms}" ] && echo yes || echo "no ($1 ms)"; }
# A stand-in service ($fake_pid) reading commands from descriptor 5, once it wrote "ready" to $work/fake.out.
start_fake() { # command...
  mkfifo "$work/fake.in"
  "$@" <"$work/fake.in" >"$work/fake.out" 2>&1 &
  fake_pid=$!
  exec 5>"$work/fake.in"
  for _ in $(seq 100); do grep -q '^ready$' "$work/fake.out" && break; sleep 0.05; done
}
# The fake web services ($server, run by $python) on a free port at $base, every endpoint pointed there.
serve_weather() {
  "$python" "$server" "$work/requests.log" >"$work/port" &
  for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
  base="http://127.0.0.1:$(head -n1 "$work/port")"
  export TAVIK_FORECAST_URL="$base" TAVIK_GEO1_URL="$base" TAVIK_GEO2_URL="$base" TAVIK_REVERSE_GEOCODE_URL="$base"
}
