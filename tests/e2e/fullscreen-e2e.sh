#!/usr/bin/env bash
# A fullscreen window pauses the overlay of its display at once, a GameMode game pauses both.
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"
tavik="$1" fake="$2"
hide_limit_ms=300 # going fullscreen hides within this
prompt_ms=2000 # the rest only has to follow the event, not a poll, even on a busy machine

# "left right": whether each overlay drew a frame in half a second.
drawing() {
  local before; before="$(field '(left["frames"], right["frames"])')"
  sleep 0.5
  field "' '.join('yes' if a > b else 'no' for a, b in zip((left['frames'], right['frames']), $before))"
}
fullscreen() { now_us; wmctrl -i -r "$client" -b "$1,fullscreen"; } # prints the moment it asked
reasons='left["hiddenBecause"] + "|" + right["hiddenBecause"]'

QT_LOGGING_RULES="tavik.fullscreen.info=true;tavik.gamemode.info=true" run_tavik
check "two overlays are shown" "2 True True" "$(await "2 True True" field 'len(o), left.get("visible"), right.get("visible")')"
left_id="$(field 'left["windowId"]')" right_id="$(field 'right["windowId"]')"
check "both draw" "yes yes" "$(drawing)"
watch_map "$left_id" "$right_id"

# An ordinary window on the left display, active (it takes the focus, unlike a clock).
xmessage -geometry 300x200+100+100 "in front" >/dev/null 2>&1 &
client="$(xdotool search --sync --onlyvisible --class Xmessage 2>/dev/null | head -n1)"
wmctrl -i -a "$client"
check "the window is active" "$client" "$(($(xprop -root _NET_ACTIVE_WINDOW | sed 's/.*# //')))"
check "a window that is not fullscreen pauses nothing" "yes yes" "$(drawing)"

since=$(fullscreen add)
check "going fullscreen unmaps the left overlay in ${hide_limit_ms} ms" yes "$(within_limit "$(ms_until IsUnMapped "$since" "$left_id")")"
check "status says why, for the left one only" "a fullscreen app is in front|" \
  "$(await "a fullscreen app is in front|" field "$reasons")"
check "the left stops drawing, the right goes on" "no yes" "$(drawing)"
check "the right stays mapped" yes "$(mapped_as IsViewable "$right_id")"

since=$(fullscreen remove)
took=$(ms_until IsViewable "$since" "$left_id")
check "leaving fullscreen maps it again (took $took ms)" yes "$(within_limit "$took" $prompt_ms)"
check "and both draw" "yes yes" "$(drawing)"

"$tavik" set app.pauseWhenFullscreen false >/dev/null
fullscreen add >/dev/null
sleep 0.5
check "with the setting off nothing pauses" "yes yes yes" "$(mapped_as IsViewable "$left_id") $(drawing)"
since=$(now_us)
"$tavik" set app.pauseWhenFullscreen true >/dev/null
check "turning it on pauses the fullscreen display" yes "$([ "$(ms_until IsUnMapped "$since" "$left_id")" != never ] && echo yes)"
since=$(fullscreen remove)
ms_until IsViewable "$since" "$left_id" >/dev/null

# GameMode idle, then a game, then the service leaving with the game still on.
start_fake "$fake" gamemode
sleep 0.3
check "GameMode without a game pauses nothing" "yes yes" "$(drawing)"
game() { # register|unregister; prints the moment the stand-in announced it
  local before; before=$(grep -c '^clients' "$work/fake.out")
  echo "$1" >&5
  for _ in $(seq 500); do [ "$(grep -c '^clients' "$work/fake.out")" -gt "$before" ] && break; sleep 0.01; done
  grep '^clients' "$work/fake.out" | tail -n1 | awk '{ print $3 }'
}
since=$(game register)
took=$(ms_until IsUnMapped "$since" "$left_id" "$right_id")
check "a game unmaps every overlay (took $took ms)" yes "$(within_limit "$took" $prompt_ms)"
check "and status says why" "a game is running|a game is running" "$(await "a game is running|a game is running" field "$reasons")"
check "neither draws" "no no" "$(drawing)"
since=$(game unregister)
took=$(ms_until IsViewable "$since" "$left_id" "$right_id")
check "the game ending brings them back (took $took ms)" yes "$(within_limit "$took" $prompt_ms)"
since=$(game register)
ms_until IsUnMapped "$since" "$right_id" >/dev/null
since=$(now_us)
exec 5>&-
wait "$fake_pid" 2>/dev/null
took=$(ms_until IsViewable "$since" "$left_id" "$right_id")
check "GameMode leaving the bus brings them back (took $took ms)" yes "$(within_limit "$took" $prompt_ms)"
finish
