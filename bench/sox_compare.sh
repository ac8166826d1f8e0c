#!/bin/bash
# Times `sox synth` generating the signals that engine_bench renders (48 kHz,
# 24-bit stereo, discarded) and prints sox's cost per stereo frame beside the
# engine's, with the ratio sox / engine (how many times faster the engine is).
#
# usage: bench/sox_compare.sh [path/to/engine_bench] [seconds of audio per sox run]
set -euo pipefail

bench=${1:-build/bench/bench/engine_bench}
seconds=${2:-60}
rate=48000
frames=$((rate * seconds))

command -v sox >/dev/null || { echo "sox is not installed" >&2; exit 1; }
[ -x "$bench" ] || { echo "no engine_bench at $bench" >&2; exit 1; }

# Best of three wall-clock runs, in ns per stereo frame.
sox_ns_per_frame() {
    local best=""
    for _ in 1 2 3; do
        local start end
        start=$(date +%s%N)
        sox -q -n -r $rate -b 24 -c 2 -t wav /dev/null synth "$seconds" "$@" 2>/dev/null
        end=$(date +%s%N)
        local ns=$(( (end - start) / frames ))
        if [ -z "$best" ] || [ "$ns" -lt "$best" ]; then best=$ns; fi
    done
    echo "$best"
}

# The engine's ns per frame for each case at 5024 frames, 32-bit samples.
json=$(mktemp)
trap 'rm -f "$json"' EXIT
"$bench" --benchmark_filter='BM_Render32/.*/5024$' --benchmark_format=json >"$json" 2>/dev/null

engine_ns() {
    python3 - "$json" "$1" <<'PY'
import json, sys
data = json.load(open(sys.argv[1]))
for b in data["benchmarks"]:
    if b["name"] == "BM_Render32/%s/5024" % sys.argv[2]:
        print("%.2f" % (b["s/frame"] * 1e9))
PY
}

printf "%-10s %14s %14s %8s\n" signal "sox ns/frame" "engine ns/frame" ratio
compare() {
    local name=$1; shift
    local sox engine
    sox=$(sox_ns_per_frame "$@")
    engine=$(engine_ns "$name")
    printf "%-10s %14s %14s %8s\n" "$name" "$sox" "$engine" "$(python3 -c "print('%.1f' % ($sox / $engine))")"
}
compare tone sine 1000
compare sweep sine 20/20000
compare white whitenoise
compare pink pinknoise
compare all_white sine 1000 synth "$seconds" sine mix 20/20000 synth "$seconds" whitenoise mix
compare all_pink sine 1000 synth "$seconds" sine mix 20/20000 synth "$seconds" pinknoise mix
