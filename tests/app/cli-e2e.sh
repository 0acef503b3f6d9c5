#!/usr/bin/env bash
# The tavik binary on a real settings file in a fresh config folder, and tavik render; a private
# runtime folder, so that commands edit the file and never reach a running Tavik.
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"
tavik="$1"
export XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
conf="$XDG_CONFIG_HOME/tavik/tavik.conf"

check "first launch scene" "rainy-night" "$("$tavik" get app.scene)"
check "first launch rain" "22" "$("$tavik" get rain.dropsPerSecond)"
"$tavik" preset storm
check "preset storm" "true" "$("$tavik" get thunder.enabled)"

before="$(cat "$conf")"
"$tavik" set rain.dropsPerSecond abc 2>/dev/null
check "bad number exit status" "2" "$?"
check "bad number changes nothing" "$before" "$(cat "$conf")"
"$tavik" set no.such.key 1 2>/dev/null
check "bad key exit status" "2" "$?"

# A saved-scenes list with one broken record: valid scenes survive a save, the broken text is backed up.
id="$("$tavik" scene save good --icon "🌧")"
"$tavik" scene save other >/dev/null
good_json="$("$tavik" get app.savedScenes)"
broken="${good_json%]},{\"id\":\"BROKEN\"}]"
"$tavik" set app.scene keep-me
python3 - "$conf" "$broken" <<'PY'
import sys, re
path, broken = sys.argv[1], sys.argv[2]
text = open(path, encoding="utf-8").read()
escaped = broken.replace("\\", "\\\\").replace('"', '\\"')
text = re.sub(r'^app\.savedScenes=.*$', lambda m: 'app.savedScenes="' + escaped + '"', text, flags=re.M)
open(path, "w", encoding="utf-8").write(text)
PY
check "damaged list still lists valid scenes" "2" "$("$tavik" scene list | wc -l)"
"$tavik" scene save x >/dev/null
check "valid scenes kept after save" "3" "$("$tavik" scene list | wc -l)"
check "backup key in file" "1" "$(grep -c '^app.savedScenes.backup=.*BROKEN' "$conf")"
check "first scene intact" "1" "$("$tavik" scene list | grep -c "^$id .*🌧 good")"

"$tavik" reset
check "reset clears scene name" "" "$("$tavik" get app.scene)"
check "reset keeps saved scenes" "3" "$("$tavik" scene list | wc -l)"
message="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$tavik" 2>&1 >/dev/null)"
check "bare tavik without a display fails" "1" "$?"
check "and says why" "1" "$(grep -c 'no display' <<<"$message")"
"$tavik" status 2>/dev/null
check "status without a running program" "1" "$?"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$tavik" render --renderer gl --out "$XDG_CONFIG_HOME/gl.png" 2>/dev/null
check "drawing with OpenGL without a display fails cleanly" "1" "$?"

# Commands running at once, with no program to funnel them, lose no acknowledged save.
count_saved() { "$tavik" scene list | grep -cE " $1( |\$)"; }
for shell in 1 2 3 4; do
  (for n in 1 2 3 4 5; do "$tavik" scene save "shell$shell-$n" >/dev/null || echo "FAIL save shell$shell-$n"; done) &
done
wait
check "four shells saving at once keep all 20" "20" "$(count_saved 'shell[1-4]-[1-5]')"
(for n in $(seq 1 25); do "$tavik" set app.scene "set-$n"; done) &
(for n in $(seq 1 25); do "$tavik" scene save "loop-$n" >/dev/null; done)
wait
check "a set loop beside a save loop loses no save" "25" "$(count_saved 'loop-[0-9]+')"
check "nor the last set" "set-25" "$("$tavik" get app.scene)"

# One record the JSON reader cannot take hides only itself, and the listing says so.
listed="$("$tavik" scene list | wc -l)"
python3 - "$conf" <<'PY'
import sys, re
path = sys.argv[1]
text = open(path, encoding="utf-8").read()
text = re.sub(r'(^app\.savedScenes=.*?\\"cloudCount\\":)', r'\g<1>1e999,\\"was\\":', text, count=1, flags=re.M)
open(path, "w", encoding="utf-8").write(text)
PY
errors="$("$tavik" scene list 2>&1 >/dev/null)"
check "an unreadable record hides only itself" "$((listed - 1))" "$("$tavik" scene list 2>/dev/null | wc -l)"
check "and is counted on stderr" "1" "$(grep -c '^tavik: 1 saved scene could not be read' <<<"$errors")"

# An unreadable live-weather backup is moved aside, so the next switch-on can take a new one.
printf 'app.weatherSnapshot="{\\"cloudsEnabled\\":true}"\n' >>"$conf"
"$tavik" set weather.live true
"$tavik" preset storm
"$tavik" set weather.live false
check "unreadable weather backup removed" "0" "$(grep -c '^app.weatherSnapshot=' "$conf")"
check "and kept aside" "1" "$(grep -c '^app.weatherSnapshot.backup=.*cloudsEnabled' "$conf")"

# tavik render on a config folder of its own: pictures, the dump, determinism and bad options.
export XDG_CONFIG_HOME="$work/render-config"
out="$work/render"
mkdir "$out"
"$tavik" render --preset storm --time 2 --seed 4 --size 480x300 --out "$out/a.png" --dump "$out/a.json" >/dev/null
check "render exit status" "0" "$?"
"$tavik" render --preset storm --time 2 --seed 4 --size 480x300 --out "$out/b.png" >/dev/null
check "same seed, same picture" "$(sha256sum < "$out/a.png")" "$(sha256sum < "$out/b.png")"
"$tavik" render --preset storm --time 2 --seed 5 --size 480x300 --out "$out/c.png" >/dev/null
if cmp -s "$out/a.png" "$out/c.png"; then check "another seed, another picture" "different" "same"; fi

python3 - "$out/a.json" "$out/a.png" <<'PY'
import json, struct, sys
dump = json.load(open(sys.argv[1]))
assert dump["size"] == [480, 300], dump["size"]
assert len(dump["effects"]) == 15
rain = dump["effects"]["rain"]
assert rain["z"] == 0 and rain["children"][0]["kind"] == "emitter" and rain["children"][0]["particles"] > 0
assert len(dump["effects"]["clouds"]["children"]) == 12  # the storm preset's cloud count
png = open(sys.argv[2], "rb").read()
assert png[:8] == b"\x89PNG\r\n\x1a\n"
width, height = struct.unpack(">II", png[16:24])
assert (width, height) == (480, 300), (width, height)
PY
check "dump and picture hold the scene" "0" "$?"

"$tavik" render --preset storm --frames 3 --time 0.5 --size 200x100 --scale 2 --out "$out/series.png" >/dev/null
check "numbered series" "3" "$(ls "$out"/series-000*.png | wc -l)"

"$tavik" render --set rain.dropsPerSecond=abc --out "$out/x.png" 2>/dev/null
check "bad --set" "2" "$?"
"$tavik" render --size 0x100 --out "$out/x.png" 2>/dev/null
check "bad --size" "2" "$?"
"$tavik" render --size 100000x100 --out "$out/x.png" 2>/dev/null
check "oversized picture refused" "2" "$?"
"$tavik" render --time 3 2>/dev/null
check "nothing to write" "2" "$?"
"$tavik" render --out /no/such/folder/x.png 2>/dev/null
check "unwritable output" "1" "$?"
check "render leaves the settings file alone" "" "$(ls "$XDG_CONFIG_HOME/tavik" 2>/dev/null | grep -v '^$' | head -1)"
finish
