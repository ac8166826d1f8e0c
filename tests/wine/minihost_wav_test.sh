#!/usr/bin/env bash
# The stand-in host's WAV files, read back by sox and measure_wav.py: white
# noise at the top position in 32-bit host buffers (-12.0 dBFS RMS, the
# editor's pictures taken before it) goes over full scale, and
# the 32-bit float file keeps those overs, which minihost counts; a 16-bit
# render stays 16-bit PCM.
set -euo pipefail
runner=$1
minihost=$2
measure=$3
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
fail() { echo "minihost WAV test: $*" >&2; exit 1; }
cd "$folder"

noise=(--noise white --noise-level 105 --tone off --sweep off --seconds 4)
# With the editor's pictures taken first, as make run does: they change nothing rendered.
out=$("$runner" "$minihost" "${noise[@]}" --drag-screenshot drag.bmp --out white32.wav | tr -d "\r") ||
  fail "the 32-bit render failed: $out"
echo "$out"
# "left : peak   +2.44 dBFS, RMS ..., 14 samples over full scale" (Wine's console
# ends its lines with CR LF)
overs=$(sed -n 's/^  left : peak *+\([0-9.]*[1-9][0-9.]*\) dBFS.*, \([1-9][0-9]*\) samples over full scale$/\2/p' <<<"$out")
[ -n "$overs" ] || fail "minihost reports no peak above 0 dBFS with samples over full scale"
[ "$(soxi -e white32.wav)" = "Floating Point PCM" ] || fail "the 32-bit render is not a float WAV"
measured=$(/usr/bin/python3 "$measure" white32.wav)
echo "$measured"
grep -Eq "channel 0: peak +\+[0-9.]*[1-9][0-9.]* dBFS, RMS +-12\.0[0-9] dBFS, $overs over full scale," <<<"$measured" ||
  fail "the WAV does not hold the $overs samples over full scale that minihost reported"

out=$("$runner" "$minihost" "${noise[@]}" --seconds 1 --format 16 --out white16.wav) || fail "the 16-bit render failed: $out"
[ "$(soxi -b white16.wav) $(soxi -e white16.wav)" = "16 Signed Integer PCM" ] || fail "the 16-bit render is not 16-bit PCM"
echo "minihost WAV test: 32-bit overs kept and counted ($overs in the left channel), 16-bit stays PCM"
