#!/usr/bin/env bash
# The main job: renders the demo (or what the options ask for) with the real
# plug-in in the stand-in host under Wine, saves pictures of the editor
# showing the same settings (the second with the NOISE GEN knob held and its
# value tip shown), and draws the rendered sound (spectrogram, third-octave
# spectrum, tone figures) beside the WAV with measure_wav.py.
# Options are minihost's (minihost --help).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
win32=${KELVANE_WIN32_DIR:-build/win32}
mkdir -p out

args=("$@")
interactive=0
for a in "${args[@]}"; do
  case "$a" in
    --help|-h) exec scripts/wine-run.sh "$win32/tools/minihost/minihost.exe" --help ;;
    --interactive) interactive=1 ;;
  esac
done

if [ $interactive -eq 1 ]; then
  if [ -z "${DISPLAY:-}" ]; then
    echo "run: --interactive needs a display to show the editor on." >&2
    echo "     Run it from a desktop session (DISPLAY set), or over ssh -X." >&2
    exit 2
  fi
  export KELVANE_USE_DISPLAY=1
fi

picture=out/kelvane-editor.bmp
drag_picture=out/kelvane-editor-drag.bmp
started=$(mktemp)
trap 'rm -f "$started"' EXIT
scripts/wine-run.sh "$win32/tools/minihost/minihost.exe" --dll "$win32/plugin/KelvaneFx.dll" \
  --screenshot "$picture" --drag-screenshot "$drag_picture" "${args[@]}"
/usr/bin/python3 - "$picture" "$drag_picture" <<'PY'
import sys
from PIL import Image
for bmp in sys.argv[1:]:
    Image.open(bmp).save(bmp[:-4] + ".png")
PY
rm -f "$picture" "$drag_picture"
wav=out/kelvane-demo.wav
for ((i = 0; i < ${#args[@]}; i++)); do
  [ "${args[$i]}" = "--out" ] && wav=${args[$((i + 1))]:-$wav}
done
# --info renders nothing: only a WAV written by this run is drawn.
if [ "$wav" -nt "$started" ]; then
  sound_picture=${wav%.wav}.png
  /usr/bin/python3 scripts/measure_wav.py "$wav" --png "$sound_picture"
  echo
  echo "sound:  $repo/$wav"
  echo "        $repo/$sound_picture"
fi
echo "editor: $repo/out/kelvane-editor.png"
echo "        $repo/out/kelvane-editor-drag.png"
