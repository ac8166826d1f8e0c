#!/usr/bin/env bash
# scripts/fuzz.sh given a target that fails and then one that runs clean: the
# second still runs, the failed one is named, and the script exits non-zero.
#
# usage: fuzz_script_test.sh FUZZ_DIR   (the folder holding chunk_fuzz)
set -uo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '#!/bin/sh\necho "this target always fails" >&2\nexit 3\n' >"$work/broken_fuzz"
chmod +x "$work/broken_fuzz"
ln -s "$(cd "$1" && pwd)/chunk_fuzz" "$work/chunk_fuzz"

out=$("$repo/scripts/fuzz.sh" "$work" --runs 100 broken chunk)
rc=$?
printf '%s\n' "$out"
fail=0
[ $rc -ne 0 ] || { echo "FAIL: fuzz.sh exited 0 although a target failed"; fail=1; }
grep -q '^fuzz: chunk clean' <<<"$out" || { echo "FAIL: the target after the failed one did not run clean"; fail=1; }
grep -q '^fuzz: failed: broken$' <<<"$out" || { echo "FAIL: the failed target is not named at the end"; fail=1; }
exit $fail
