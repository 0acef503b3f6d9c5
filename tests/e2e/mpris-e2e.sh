#!/usr/bin/env bash
# The soundscape as a media player driven over D-Bus, and giving way to another player when asked to.
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"
tavik="$1" fake="$2"
name=org.mpris.MediaPlayer2.tavik path=/org/mpris/MediaPlayer2 player=org.mpris.MediaPlayer2.Player
call() { gdbus call --session --dest $name --object-path $path --method "$@" 2>&1; }
get() { call org.freedesktop.DBus.Properties.Get "$1" "$2"; }
stored() { sed -n "s/^$1=//p" "$XDG_CONFIG_HOME/tavik/tavik.conf" 2>/dev/null; }
status() { get $player PlaybackStatus; }
title() { get $player Metadata | grep -o "'xesam:title': <'[^']*'>" | sed "s/.*<'\(.*\)'>/\1/"; }
grows() { # whether SDL's disk driver, which writes while the device is open, wrote within half a second
  local before; before=$(stat -c %s "$work/out.raw")
  sleep 0.5
  [ "$(stat -c %s "$work/out.raw")" -gt "$before" ] && echo yes || echo no
}
signalled() { grep -q "$1" "$work/signals" && echo yes; }

"$tavik" preset rainy-night >/dev/null
"$tavik" set sound.enabled false >/dev/null
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/out.raw" run_tavik
check "owns $name" "(true,)" "$(await "(true,)" owned $name)"
dbus-monitor --session "type='signal',path='$path',interface='org.freedesktop.DBus.Properties',member='PropertiesChanged'" \
  >"$work/signals" 2>/dev/null &
sleep 0.3

check "identity" "(<'Tavik'>,)" "$(get org.mpris.MediaPlayer2 Identity)"
check "desktop entry" "(<'tavik'>,)" "$(get org.mpris.MediaPlayer2 DesktopEntry)"
check "switched off: paused" "(<'Paused'>,)" "$(status)"
check "the scene on screen is the title" "Rainy night" "$(title)"
check "artist" "1" "$(get $player Metadata | grep -c "'xesam:artist': <\['Tavik'\]>")"

for step in "PlayPause true Playing" "PlayPause false Paused" "Play true Playing"; do
  set -- $step
  call $player.$1 >/dev/null
  check "$1 stores sound.enabled=$2 in the settings file" "$2" "$(await $2 stored sound.enabled)"
  check "and the player is $3" "(<'$3'>,)" "$(await "(<'$3'>,)" status)"
done
check "playing was announced" "yes" "$(await yes signalled Playing)"
check "and the sound device plays" "yes" "$(await yes grows)"

call $player.Next >/dev/null
check "Next applies the next scene of the bar" "storm" "$(await storm stored app.scene)"
check "whose name is the title" "Storm" "$(await Storm title)"
check "announced with the metadata" "yes" "$(await yes signalled 'string "Storm"')"
call $player.Previous >/dev/null
check "Previous goes back" "rainy-night" "$(await rainy-night stored app.scene)"

call org.freedesktop.DBus.Properties.Set $player Volume "<0.3>" >/dev/null
check "Volume 0.3 stores sound.volume=30" "30" "$(await 30 stored sound.volume)"
call org.freedesktop.DBus.Properties.Set $player Volume "<7.0>" >/dev/null
check "a volume above 1 is held to 100" "100" "$(await 100 stored sound.volume)"
check "and reads back as 1" "(<1.0>,)" "$(get $player Volume)"
"$tavik" set sound.volume 40 >/dev/null
check "a volume set elsewhere is announced" "yes" "$(await yes sh -c "grep -A1 '\"Volume\"' '$work/signals' | grep -q 'double 0.4' && echo yes")"

"$tavik" sound-timer 15 >/dev/null
check "sound-timer reaches the running program" "15" "$(await 15 stored sound.sleepTimer)"
"$tavik" sound-timer off >/dev/null
check "and off" "0" "$(await 0 stored sound.sleepTimer)"

start_fake "$fake" player other
check "the other player is up" "ready" "$(head -n1 "$work/fake.out")"
echo play >&5
sleep 3
check "with the option off, another player changes nothing" "(<'Playing'>,)" "$(status)"
check "and the device keeps playing" "yes" "$(grows)"
"$tavik" set sound.pauseForOtherAudio true >/dev/null
check "with the option on, it gives way" "(<'Paused'>,)" "$(await "(<'Paused'>,)" status)"
check "saying why" "1" "$(get $player Metadata | grep -c 'Paused while other audio plays')"
sleep 3 # the fade, then the device closes
check "the device stops once faded out" "no" "$(grows)"
check "the user's switch stays on" "true" "$(stored sound.enabled)"
echo pause >&5
check "it plays again when the other player pauses" "(<'Playing'>,)" "$(await "(<'Playing'>,)" status)"
check "and the device plays again" "yes" "$(await yes grows)"
echo play >&5
check "the next time too" "(<'Paused'>,)" "$(await "(<'Paused'>,)" status)"
kill $fake_pid; wait $fake_pid 2>/dev/null
check "a player that goes away counts as stopped" "(<'Playing'>,)" "$(await "(<'Playing'>,)" status)"

call org.mpris.MediaPlayer2.Raise >/dev/null
check "Raise opens the panel" "True" "$(await True field 'd["panel"]["visible"]')"

check "a sound menu may quit it" "(<true>,)" "$(get org.mpris.MediaPlayer2 CanQuit)"
call org.mpris.MediaPlayer2.Quit >/dev/null
wait "$app_pid"
check "Quit ends the program cleanly" "0" "$?"
app_pid=
check "the name is released when the program ends" "(false,)" "$(await "(false,)" owned $name)"
finish
