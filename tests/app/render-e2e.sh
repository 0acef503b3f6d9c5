#!/usr/bin/env bash
# tavik render on the real binary: pictures, the dump, determinism and bad options.
set -u
tavik="$1"
export XDG_CONFIG_HOME="$(mktemp -d)"
out="$(mktemp -d)"
trap 'rm -rf "$XDG_CONFIG_HOME" "$out"' EXIT
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"

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

echo "$failures failed"
[ "$failures" -eq 0 ]
