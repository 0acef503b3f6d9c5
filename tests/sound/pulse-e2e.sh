#!/usr/bin/env bash
# How the desktop's volume mixer sees the soundscape: the real program plays into a private
# PulseAudio server with a null sink, and the server's own list of streams must show its name,
# stream name, role and icon.
# Usage (inside desktop-session): pulse-e2e.sh TAVIK
set -u
tavik="$1"
work="$(mktemp -d)"
chmod 700 "$work"
pulse_pid= app_pid=
cleanup() {
  kill $app_pid $pulse_pid 2>/dev/null
  wait $app_pid $pulse_pid 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"

# A server of our own: no configuration read, one null sink, one socket, no cookie.
HOME="$work" XDG_RUNTIME_DIR="$work" pulseaudio -n -F /dev/null --daemonize=no --exit-idle-time=-1 \
  --use-pid-file=no --system=no --load="module-null-sink sink_name=silent" \
  --load="module-native-protocol-unix socket=$work/native auth-anonymous=1" >"$work/pulse.log" 2>&1 &
pulse_pid=$!
export PULSE_SERVER="unix:$work/native"
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
check "the private server answers" "0" "$(pactl info >/dev/null 2>&1; echo $?)"

"$tavik" set sound.enabled true >/dev/null
SDL_AUDIODRIVER=pulseaudio "$tavik" >"$work/tavik.log" 2>&1 &
app_pid=$!
property() { pactl list sink-inputs 2>/dev/null | sed -n "s/^[[:space:]]*$1 = \"\(.*\)\"$/\1/p" | head -n1; }
await() { # expected, property
  for _ in $(seq 150); do [ "$(property "$2")" == "$1" ] && break; sleep 0.1; done
  property "$2"
}
check "the mixer names the program" "Tavik" "$(await Tavik application.name)"
check "and the stream" "Weather soundscape" "$(property media.name)"
check "with the program's icon" "tavik" "$(property application.icon_name)"
check "as music" "music" "$(property media.role)"

"$tavik" set sound.enabled false >/dev/null
for _ in $(seq 50); do [ -z "$(pactl list short sink-inputs 2>/dev/null)" ] && break; sleep 0.1; done
check "switched off, the stream goes away" "" "$(pactl list short sink-inputs 2>/dev/null)"
echo "$failures failed"
[ "$failures" -eq 0 ]
