#!/usr/bin/env bash
# `tavik weather` against a local fake of the web services: output, exit status, settings untouched.
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"
tavik="$1" python="$2" server="$3"
export XDG_CONFIG_HOME="$work/config" HOME="$work/home"
mkdir -p "$XDG_CONFIG_HOME" "$HOME"
serve_weather

# The device location is skipped: a test machine has no location service to ask.
out="$("$tavik" weather --ip-location)"
check "exit status when found" "0" "$?"
check "printed lines" "status: live → rainy night
place: Helsinki, Uusimaa
condition: rain
temperature: -3°C
preset: rainy-night
reason: " "$out"
check "forecast query" "1" "$(grep -c '^/v1/forecast?latitude=60.17&longitude=24.94&current=weather_code,is_day,temperature_2m$' "$work/requests.log")"
check "no settings file written" "" "$(ls -A "$XDG_CONFIG_HOME")"

out="$(TAVIK_GEO1_URL="$base/nogeo" "$tavik" weather --ip-location)"
check "second service after success false" "place: Stockholm" "$(grep '^place:' <<<"$out")"

out="$(TAVIK_FORECAST_URL="$base/broken" "$tavik" weather --ip-location)"
check "exit status when unavailable" "1" "$?"
check "status when unavailable" "status: weather unavailable" "$(head -n1 <<<"$out")"
check "no preset when unavailable" "preset: " "$(grep '^preset:' <<<"$out")"
check "why it is unavailable" "reason: HTTP 502" "$(grep '^reason:' <<<"$out")"

# Port 1 is never served here: the connection is refused.
out="$(TAVIK_FORECAST_URL="http://127.0.0.1:1" "$tavik" weather --ip-location)"
check "refused connection" "reason: refused" "$(grep '^reason:' <<<"$out")"

TAVIK_FORECAST_URL="file:///etc/passwd" "$tavik" weather --ip-location >/dev/null 2>&1
check "bad service URL exit status" "2" "$?"
"$tavik" weather --bogus >/dev/null 2>&1
check "bad option exit status" "2" "$?"

# With detailed weather on, the values it would set are printed, and not set.
"$tavik" set weather.detailed true >/dev/null
"$tavik" list >"$work/before"
out="$("$tavik" weather --ip-location)"
settings="$(grep '^settings:' <<<"$out")"
for pair in rain.enabled=true rain.dropsPerSecond=65 wind.dynamic=false wind.strength=62 wind.direction=45 \
            wind.gustiness=50 clouds.enabled=true clouds.count=11; do
  check "detailed value $pair" "yes" "$(grep -q " $pair\b" <<<"$settings" && echo yes || echo "no: $settings")"
done
check "settings untouched by detailed weather" "" "$("$tavik" list | diff "$work/before" -)"

finish
