#!/usr/bin/env bash
# Without a compositor the overlays stay unmapped (they would show black) and the program says why.
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"
tavik="$1"
reason='d["overlays"]["hiddenBecause"].split(":")[0]'

run_tavik
check "the overlays are made" "2" "$(await 2 field 'len(o)')"
windows=($(field '" ".join(x["windowId"] for x in o)'))
sleep 1 # time in which a wrongly shown overlay would map
check "each asks compositors for no shadow" "0 0" \
  "$(for w in "${windows[@]}"; do xprop -id "$w" _COMPTON_SHADOW | sed 's/.*= //'; done | xargs)"
check "they stay unmapped" "yes" "$(mapped_as IsUnMapped "${windows[@]}")"
check "status says why" "False needs a compositor" "$(await "False needs a compositor" field "d['overlays']['compositing'], $reason")"
check "status shows no visible overlay" "False" "$(field 'any(x["visible"] for x in o)')"
check "the tray says why" "Tavik (needs a compositor)" "$(await "Tavik (needs a compositor)" field 'd["tray"]["toolTip"]')"

picom --backend xrender --no-fading-openclose >"$work/picom.log" 2>&1 &
picom_pid=$!
check "a compositor starting maps them" "yes" "$(await yes mapped_as IsViewable "${windows[@]}")"
check "and status has no reason left" "True " "$(await "True " field "d['overlays']['compositing'], d['overlays']['hiddenBecause']")"
check "nor the tray" "Tavik (on)" "$(await "Tavik (on)" field 'd["tray"]["toolTip"]')"
before=$(frames)
sleep 0.5
check "and they draw" "yes" "$([ "$(frames)" -gt "${before:-0}" ] && echo yes || echo no)"

kill "$picom_pid"
wait "$picom_pid" 2>/dev/null
check "the compositor stopping unmaps them again" "yes" "$(await yes mapped_as IsUnMapped "${windows[@]}")"
check "and status says why again" "needs a compositor" "$(await "needs a compositor" field "$reason")"
finish
