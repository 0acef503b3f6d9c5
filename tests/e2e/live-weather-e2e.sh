#!/usr/bin/env bash
# Live weather from a local fake of the web services applies its scene; off brings back the user's.
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"
tavik="$1" python="$2" server="$3"
serve_weather
asked() { local n; n=$(grep -c "$1" "$work/requests.log"); [ "$n" -ge 1 ] && echo yes || echo "no ($n)"; }

# The user's own scene, set before the program starts.
"$tavik" preset storm >/dev/null
"$tavik" set rain.dropsPerSecond 61 >/dev/null
run_tavik
for _ in $(seq 100); do "$tavik" status >/dev/null 2>&1 && break; sleep 0.1; done

"$tavik" set weather.live true >/dev/null
# The device location is asked first; where there is none, the IP services answer.
check "live weather applies the scene of the weather" "rainy-night" "$(tries=400 await rainy-night "$tavik" get app.scene)"
check "the weather's scene has no thunder" "false" "$("$tavik" get thunder.enabled)"
check "the forecast was asked" "yes" "$(asked '^/v1/forecast?')"

"$tavik" set weather.live false >/dev/null
check "switching it off restores the user's scene" "storm" "$(await storm "$tavik" get app.scene)"
check "with its thunder" "true" "$("$tavik" get thunder.enabled)"
check "and its own rain" "61" "$("$tavik" get rain.dropsPerSecond)"

# Detailed weather: rain 5 mm/h, a 40 km/h westerly and 80% cloud cover in the answer.
for pair in wind.dynamic=true wind.direction=-20 fog.density=33 sun.color=#ABCDEF weather.detailed=true; do
  "$tavik" set "${pair%=*}" "${pair#*=}" >/dev/null
done
"$tavik" list | grep -v '^weather\.live=' >"$work/own-scene"
"$tavik" set weather.live true >/dev/null
tries=400 await 65 "$tavik" get rain.dropsPerSecond >/dev/null
for pair in rain.dropsPerSecond=65 wind.strength=62 wind.direction=45 clouds.count=11 wind.dynamic=false; do
  check "the settings file holds $pair" "$pair" "$(grep -x "$pair" "$XDG_CONFIG_HOME/tavik/tavik.conf")"
done
check "the measured values were asked" "yes" "$(asked '^/v1/forecast?.*wind_direction_10m')"

"$tavik" set weather.live false >/dev/null
await 61 "$tavik" get rain.dropsPerSecond >/dev/null
check "switching it off restores every setting" "" "$(diff "$work/own-scene" <("$tavik" list | grep -v '^weather\.live='))"

check "the program still answers" 0 "$("$tavik" status >/dev/null 2>&1; echo $?)"
finish
