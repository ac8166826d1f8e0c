#!/bin/bash
# make bench: the engine natively (Google Benchmark, Release, no sanitizers),
# the 32-bit DLL through the stand-in host under Wine, and sox synth for the
# same signals; bench/report.py prints the table, ratios and goals, kept in
# build/bench/report.txt.
#
# usage: bench/run.sh [jobs]
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${1:-2}
native=build/bench
cross=build/bench-win32

command -v sox >/dev/null || { echo "bench: sox is not installed" >&2; exit 1; }
cmake -S . -B $native -DCMAKE_BUILD_TYPE=Release -DKELVANE_SANITIZE=OFF >/dev/null
cmake --build $native -j "$jobs" --target engine_bench >/dev/null
[ -f $cross/CMakeCache.txt ] ||
    cmake -S . -B $cross -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build $cross -j "$jobs" --target KelvaneFx bench_host >/dev/null

results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT
echo "bench: engine_bench (native)..." >&2
$native/bench/engine_bench --benchmark_format=json --benchmark_min_time=0.3 \
    --benchmark_repetitions=6 >"$results/native.json" 2>/dev/null
echo "bench: bench_host.exe (32-bit DLL under Wine)..." >&2
# A Wine prefix of its own: another run ending in the shared prefix stops its
# Wine server, and with it this program.
export KELVANE_WINEPREFIX=$PWD/build/bench-wineprefix
# Six runs, of which the report takes each case's best, as it does with the
# native repetitions: other work on the machine (another process on the same
# core) only ever adds time, and adds most to the code that keeps the core's
# execution units busy, as white noise does.
for run in 1 2 3 4 5 6; do
    scripts/wine-run.sh $cross/tools/minihost/bench_host.exe --dll $cross/plugin/KelvaneFx.dll --seconds 0.3 \
        >>"$results/dll.txt"
done
[ "$(grep -c '^BM_Render' "$results/dll.txt")" = 168 ] || { echo "bench: bench_host.exe stopped early" >&2; exit 1; }
echo "bench: sox synth..." >&2
# The report is kept: bench/readme_table.py writes the README's table from it.
/usr/bin/python3 bench/report.py "$results/native.json" "$results/dll.txt" 60 "$(scripts/wine-run.sh --cpu)" \
    | tee "$native/report.txt"
