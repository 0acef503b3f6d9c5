#!/usr/bin/env bash
# tavik sound on the real binary: storms, switches and the sleep timer rendered to WAV files.
tavik="$1"
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" # no running Tavik to reach
mkdir -m 700 "$XDG_RUNTIME_DIR"
# A WAV file's format, or the loudness of each stretch given: wav FILE [FROM-TO (seconds) ...]
wav() {
  python3 - "$@" <<'PY'
import sys, struct, array, math
b = open(sys.argv[1], 'rb').read()
tag, channels, rate, _, _, bits = struct.unpack('<HHIIHH', b[20:36])
data = b.index(b'data', 36)
size = struct.unpack('<I', b[data + 4:data + 8])[0]
samples = array.array('h' if bits == 16 else 'f', b[data + 8:])
if len(sys.argv) == 2:
    print(tag, rate, channels, bits, len(samples) // channels, 'whole' if data + 8 + size == len(b) else 'cut')
def rms(stretch):
    start, end = (int(float(seconds) * 88200) for seconds in stretch.split('-'))
    return '%.6f' % (math.sqrt(sum(s * s for s in samples[start:end]) / (end - start)) / (32768 if bits == 16 else 1))
print(*map(rms, sys.argv[2:]))
PY
}

# The user's sound is off, the screen saver on battery: the render is still the storm.
"$tavik" set sound.enabled false >/dev/null
"$tavik" set app.lowPowerMode true >/dev/null
storm=(sound --preset storm --seconds 2.5 --seed 7 --thunder-at 0.1:100)
"$tavik" "${storm[@]}" --out "$work/storm.wav" >/dev/null
check "storm renders" "0" "$?"
check "a 2.5 s 16-bit stereo WAV" "1 44100 2 16 110250 whole" "$(wav "$work/storm.wav")"
read -r before clap <<<"$(wav "$work/storm.wav" 0.1-0.3 0.6-0.9)"
check "rain, then the clap after the flash" "yes" "$(python3 -c "print('yes' if $before > 0.005 and $clap > 1.5 * $before else ($before, $clap))")"
"$tavik" "${storm[@]}" --out "$work/again.wav" >/dev/null
check "the same seed, the same file" "$(sha256sum <"$work/storm.wav")" "$(sha256sum <"$work/again.wav")"
# Settings given apply after the preset, whatever the order.
"$tavik" sound --set sound.rain=false --set sound.wind=false --set thunder.enabled=false --preset storm --seconds 1 \
  --float --out "$work/quiet.wav" >/dev/null
check "switches off: 32-bit float" "3 44100 2 32 44100 whole" "$(wav "$work/quiet.wav")"
check "and silent" "0.000000" "$(wav "$work/quiet.wav" 0-1)"

# The sleep timer fades the render to silence, one stretch quieter than the one before.
"$tavik" sound --preset rainy-night --seconds 40 --seed 5 --sleep-in 5 --float --out "$work/sleep.wav" >/dev/null
check "the sleep timer fades and switches off" "yes" "$(wav "$work/sleep.wav" 1-5 5-10 10-15 15-20 20-25 25-30 30-35 36-40 |
  python3 -c "import sys; l = [float(x) for x in sys.stdin.read().split()]
print('yes' if l[0] > 0.002 and all(a > b for a, b in zip(l, l[1:])) and l[6] < 0.1 * l[0] and l[7] < 1e-6 else l)")"

for bad in "--seconds -3" "--seconds 100000" "--uptime -5" "--thunder-at 1:200" "--thunder-at 12 --seconds 10" \
  "--seed -3" "--sleep-in -1" "--loud" "extra" "--preset no-such-scene" "--set nope=1" "--set sound.rain=perhaps"; do
  "$tavik" sound $bad --out "$work/bad.wav" 2>/dev/null
  check "$bad exits 2 and writes nothing" "2 no" "$? $([ -e "$work/bad.wav" ] && echo yes || echo no)"
done
"$tavik" sound --seconds 2 2>/dev/null
check "nothing to write" "2" "$?"
"$tavik" sound --seconds 0.1 --out "$work/no/such/folder/x.wav" 2>"$work/err"
check "an unwritable file fails and says so" "1 1" "$? $(grep -c 'cannot write' "$work/err")"
finish
