#!/usr/bin/env bash
# tavik sound on the real binary: a storm renders to a playable WAV file; bad input exits 2.
set -u
tavik="$1"
work="$(mktemp -d)"
export XDG_CONFIG_HOME="$work/config"
trap 'rm -rf "$work"' EXIT
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"

"$tavik" sound --preset storm --seconds 3 --seed 7 --thunder-at 0.5:80 --out "$work/storm.wav" >/dev/null
check "storm renders" "0" "$?"
check "a loud 3 s stereo WAV" "44100 2 2 132300 loud" "$(python3 - "$work/storm.wav" <<'PY'
import sys, wave, array, math
w = wave.open(sys.argv[1])
samples = array.array('h', w.readframes(w.getnframes()))[::7]
rms = math.sqrt(sum(s * s for s in samples) / len(samples)) / 32768
print(w.getframerate(), w.getnchannels(), w.getsampwidth(), w.getnframes(), "loud" if rms > 0.01 else "silent")
PY
)"
"$tavik" sound --seconds -3 --out "$work/bad.wav" 2>/dev/null
check "bad length exits 2 and writes nothing" "2 no" "$? $([ -e "$work/bad.wav" ] && echo yes || echo no)"
exit $((failures > 0))
