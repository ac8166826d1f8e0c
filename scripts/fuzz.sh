#!/usr/bin/env bash
# Runs libFuzzer targets built from tests/fuzz, starting from the seed corpus
# in tests/fuzz/corpus/TARGET. Every target runs, whatever the one before it
# did; each gets one summary line, and the script fails at the end when any
# target failed.
#
# usage: fuzz.sh FUZZ_DIR --time SECONDS TARGET...   the long run: inputs that
#            add coverage are kept in FUZZ_DIR/corpus/TARGET for the next run
#        fuzz.sh FUZZ_DIR --runs COUNT TARGET...     a smoke run: COUNT inputs
#            from a fixed seed, in FUZZ_DIR/smoke, which starts empty each time
set -uo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
dir=$1 mode=$2 amount=$3
shift 3

failed=()
for target in "$@"; do
  program=$dir/${target}_fuzz
  seeds=$repo/tests/fuzz/corpus/$target
  if [ "$mode" = --time ]; then
    work=$dir
    corpus=$dir/corpus/$target
    limit=(-max_total_time="$amount")
  else
    work=$dir/smoke
    corpus=$work/$target
    rm -rf "$corpus"
    limit=(-runs="$amount" -seed=1)
  fi
  mkdir -p "$corpus"
  log=$work/$target.log
  # libFuzzer adds new inputs to the first folder only; the seeds stay as they are.
  "$program" "${limit[@]}" -print_final_stats=1 -artifact_prefix="$work/$target-" \
    "$corpus" "$seeds" >"$log" 2>&1
  rc=$?
  runs=$(awk '/stat::number_of_executed_units/ { print $2 }' "$log")
  seconds=$(awk '/stat::slowest_unit_time_sec/ { next } /Done [0-9]+ runs in/ { print $5 }' "$log")
  if [ $rc -eq 0 ]; then
    echo "fuzz: $target clean: ${runs:-?} executions in ${seconds:-?} s, corpus $(ls "$corpus" | wc -l) new + $(ls "$seeds" | wc -l) seeds"
  else
    failed+=("$target")
    echo "fuzz: $target FAILED (exit $rc) after ${runs:-?} executions; the end of $log:"
    tail -n 30 "$log" | sed 's/^/    /'
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: failed: ${failed[*]}"
  exit 1
fi
