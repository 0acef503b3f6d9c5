#!/usr/bin/env bash
# Start at login, a background start with no tray, and quit, SIGTERM, SIGINT each ending it cleanly.
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"
tavik="$1"
conf="$XDG_CONFIG_HOME/tavik/tavik.conf" entry="$XDG_CONFIG_HOME/autostart/tavik.desktop"

# Start at login, from a shell without a display and with nothing running.
check "no entry: status off" "off	$entry" "$(env -u DISPLAY "$tavik" autostart status)"
env -u DISPLAY "$tavik" autostart on
check "on: done" "0" "$?"
verdict="$(desktop-file-validate "$entry" 2>&1)"
check "the entry passes desktop-file-validate without a word" "0:" "$?:$verdict"
check "it starts this program in the background" "Exec=$tavik --background" "$(grep '^Exec=' "$entry")"
check "status on" "on	$entry" "$("$tavik" autostart status)"
"$tavik" autostart off
check "off removes it" "no" "$([ -e "$entry" ] && echo yes || echo no)"
check "status off again" "off	$entry" "$("$tavik" autostart status)"

# In the background, and the three ways out; started as a session does: SIGINT at its default (a
# background job has it ignored), sound to a file.
"$tavik" set sound.enabled true >/dev/null
for how in quit TERM INT; do
  SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/sound.raw" python3 -c \
    'import os, signal, sys; signal.signal(signal.SIGINT, signal.SIG_DFL); os.execv(sys.argv[1], sys.argv[1:])' \
    "$tavik" --background >"$work/tavik.log" 2>&1 &
  app_pid=$!
  check "$how: drawing in the background" "True" "$(await True field 'bool(o) and all(x["frames"] > 0 for x in o)')"
  if [ "$how" == quit ]; then
    sleep 3 # longer than the program waits for a tray before opening the panel by itself
    check "no panel window without a tray" "False 0" "$(field 'd["panel"]["visible"]') $(xdotool search --onlyvisible --name '^Tavik$' 2>/dev/null | wc -l)"
    "$tavik" panel
    check "tavik panel opens it" "True" "$(await True field 'd["panel"]["visible"]')"
  fi
  check "$how: the sound menu's player is up" "(true,)" "$(await "(true,)" owned org.mpris.MediaPlayer2.tavik)"
  before="$(cat "$conf")"
  if [ "$how" == quit ]; then
    "$tavik" quit
    check "tavik quit: done" "0" "$?"
    check "and nothing answers any more" "1" "$("$tavik" status >/dev/null 2>&1; echo $?)"
  else # a change just before the signal must reach the file
    gdbus call --session --dest org.mpris.MediaPlayer2.tavik --object-path /org/mpris/MediaPlayer2 \
      --method org.mpris.MediaPlayer2.Player.PlayPause >/dev/null
    kill -"$how" "$app_pid"
    before="${before/sound.enabled=true/sound.enabled=false}"
  fi
  # Its exit status once it has ended (a zombie waiting for us); killed if still running at 10 s.
  for _ in $(seq 100); do grep -q '^State:.*Z' "/proc/$app_pid/status" 2>/dev/null && break; sleep 0.1; done
  kill -KILL "$app_pid" 2>/dev/null # nothing to a zombie
  wait "$app_pid"
  check "$how: exit status 0" "0" "$?"
  app_pid=
  check "$how: the settings file is intact" "$before" "$(cat "$conf")"
  "$tavik" set sound.enabled true >/dev/null
done

"$tavik" quit 2>"$work/err"
check "quit with nothing running fails" "1" "$?"
check "and says so" "tavik: Tavik is not running" "$(cat "$work/err")"

finish
