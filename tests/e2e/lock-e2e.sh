#!/usr/bin/env bash
# A confirmed lock (a locker holding the screen, logind's hint, a screen saver) hides every overlay at once.
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"
tavik="$1" fake="$2" locker="$3"
hide_limit_ms=200 # unmapping follows the locker within this

# A second private bus stands in for the system bus.
dbus-daemon --session --nofork --print-address=3 3>"$work/system-bus" 2>/dev/null &
for _ in $(seq 100); do [ -s "$work/system-bus" ] && break; sleep 0.05; done
export DBUS_SYSTEM_BUS_ADDRESS="$(head -n1 "$work/system-bus")"
start_fake "$fake" --system "$DBUS_SYSTEM_BUS_ADDRESS" --session "$DBUS_SESSION_BUS_ADDRESS"
check "the fake logind and screen savers are up" "yes" "$(grep -q '^ready$' "$work/fake.out" && echo yes || echo no)"

run_tavik
check "overlays are shown and drawing" "True" \
  "$(tries=300 await True field 'bool(windows) and all(w["visible"] and w["frames"] > 0 for w in windows)')"
ids=($(field '" ".join(w["windowId"] for w in windows)'))
[ "${#ids[@]}" -gt 0 ] || { echo "FAIL no overlay windows"; failures=1; finish; }
# The answers to the program's questions at start are in before a lock.
for _ in $(seq 100); do [ "$(grep -c '^answered GetActive$' "$work/fake.out")" -ge 3 ] && break; sleep 0.05; done
for _ in $(seq 100); do grep -q '^answered LockedHint$' "$work/fake.out" && break; sleep 0.05; done
watch_map "${ids[@]}"

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
}
more_frames_than() { [ "$(frames)" -gt "$1" ] && echo yes || echo no; }

# logind asks, nobody locks: nothing hides.
echo lock >&5
sleep 1
check "a lock request alone hides nothing" "yes" "$(mapped_as IsViewable "${ids[@]}")"

# A locker takes the screen with a window of its own and never reports back.
echo lock >&5
sleep 0.2
start_locker --window-only
start=$(awk '/^locked / { print $2 }' "$work/locker.out")
took=$(ms_until IsUnMapped "${start:-$(now_us)}" "${ids[@]}")
check "a locker's window unmaps every overlay window within ${hide_limit_ms} ms (took ${took} ms)" "yes" "$(within_limit "$took")"
check "the X server agrees" "yes" "$(mapped_as IsUnMapped "${ids[@]}")"
check "status shows no visible overlay" "False" "$(field 'any(w["visible"] for w in windows)')"
before=$(frames)
sleep 0.5
check "no frames are drawn while locked" "$before" "$(frames)"
sleep 5 # past the time logind's request is watched for: the locker's hold is what counts
check "the lock lasts as long as the locker" "yes" "$(mapped_as IsUnMapped "${ids[@]}")"

release_locker
check "the locker going maps every overlay window again, with no unlock from logind" "yes" "$(await yes mapped_as IsViewable "${ids[@]}")"
check "and drawing resumes" "yes" "$(tries=50 await yes more_frames_than "$(frames)")"

# A keyboard grab alone, logind's hint (set by a locker that reports), a screen saver that logind ends.
while IFS='|' read -r lock unlock hides returns; do
  eval "$lock"
  check "$hides" "yes" "$(await yes mapped_as IsUnMapped "${ids[@]}")"
  eval "$unlock"
  check "$returns" "yes" "$(await yes mapped_as IsViewable "${ids[@]}")"
done <<'EOF'
echo lock >&5; start_locker --grab-only|release_locker|a locker's keyboard grab hides the overlays|and letting go brings them back
echo hint true >&5|echo hint false >&5|logind's LockedHint hides the overlays|and its end brings them back
echo saver true >&5|echo unlock >&5|an active screen saver hides the overlays|and logind's unlock brings them back
EOF
finish
