#!/usr/bin/env bash
# How the desktop's volume mixer sees the soundscape, on a private PulseAudio server (inside desktop-session).
tavik="$1"
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"

# A server of our own: no configuration read, one null sink, one socket, no cookie.
HOME="$work" XDG_RUNTIME_DIR="$work" pulseaudio -n -F /dev/null --daemonize=no --exit-idle-time=-1 \
  --use-pid-file=no --system=no --load="module-null-sink sink_name=silent" \
  --load="module-native-protocol-unix socket=$work/native auth-anonymous=1" >"$work/pulse.log" 2>&1 &
export PULSE_SERVER="unix:$work/native"
check "the private server answers" "0" "$(await 0 sh -c 'pactl info >/dev/null 2>&1; echo $?')"

"$tavik" set sound.enabled true >/dev/null
export SDL_AUDIODRIVER=pulseaudio
run_tavik
property() { pactl list sink-inputs 2>/dev/null | sed -n "s/^[[:space:]]*$1 = \"\(.*\)\"$/\1/p" | head -n1; }
check "the mixer names the program" "Tavik" "$(tries=150 await Tavik property application.name)"
check "and the stream" "Weather soundscape" "$(property media.name)"
check "with the program's icon" "tavik" "$(property application.icon_name)"
check "as music" "music" "$(property media.role)"

"$tavik" set sound.enabled false >/dev/null
check "switched off, the stream goes away" "" "$(await "" pactl list short sink-inputs)"
finish
