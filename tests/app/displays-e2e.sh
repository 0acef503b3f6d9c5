#!/usr/bin/env bash
# tavik displays on a real X server split into two monitors, and without any display.
tavik="$1"
session="$(dirname "$0")/../e2e/desktop-session"
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"

listing="$("$session" --monitors 2 --no-tray -- "$tavik" displays)"
check "one line per monitor" "2" "$(printf '%s\n' "$listing" | grep -c .)"
check "distinct ids" "2" "$(printf '%s\n' "$listing" | cut -f1 | sort -u | grep -c .)"
check "every line has an id and a name" "2" "$(printf '%s\n' "$listing" | awk -F'\t' 'NF == 2 && $1 != "" && $2 != ""' | grep -c .)"

env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$tavik" displays >/dev/null 2>&1
check "no display: a clear failure" "1" "$?"
finish
