#!/usr/bin/env bash
# The desktop program on a headless desktop: tray clicks, the panel, commands sent to the
# running program, a second launch; and, without a tray, the panel as a window.
tavik="$1"
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"
step=0.2 # slow machines, sanitizer builds
run_tavik
check "answers status" "$app_pid" "$(await "$app_pid" field 'd["pid"]')"

if [ "$2" == "no-tray" ]; then
  check "without a tray the panel opens as a window" "window True" "$(await "window True" field 'd["panel"]["mode"], d["panel"]["window"]')"
else
  check "tray icon shown" "True Tavik (on)" "$(await "True Tavik (on)" field 'd["tray"]["available"], d["tray"]["toolTip"]')"
  icon="$(field 'd["tray"]["geometry"]["x"] + d["tray"]["geometry"]["width"] // 2, d["tray"]["geometry"]["y"] + d["tray"]["geometry"]["height"] // 2')"
  xdotool mousemove $icon click 1
  check "left click opens the popover" "True" "$(await True field 'd["panel"]["popover"]')"
  xdotool mousemove 200 200 click 1
  check "a click elsewhere closes it" "False" "$(await False field 'd["panel"]["popover"]')"
  xdotool mousemove $icon click 3
  check "right click switches off" "False Tavik (off)" "$(await "False Tavik (off)" field 'd["enabled"], d["tray"]["toolTip"]')"
  check "and opens nothing" "False" "$(field 'd["panel"]["visible"]')"
  check "settings commands reach the running program" "false" "$("$tavik" get app.enabled)"
  check "which wrote its file" "1" "$(grep -c '^app.enabled=false' "$XDG_CONFIG_HOME/tavik/tavik.conf")"
  "$tavik" set app.enabled true
  check "a set reaches the tray icon" "Tavik (on)" "$(await "Tavik (on)" field 'd["tray"]["toolTip"]')"
  "$tavik"
  check "a second launch exits" "0" "$?"
  check "and opens the panel of the first" "True" "$(await True field 'd["panel"]["popover"]')"
fi
check "still the one program" "1" "$(pgrep -c -f "^$tavik\$")"
finish
