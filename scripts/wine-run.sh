#!/usr/bin/env bash
# Runs a Windows program under Wine on a private virtual display.
#
# The Wine prefix lives in the build tree; the first run creates it. Where the
# kernel cannot execute 32-bit Linux programs (some sandboxes), Wine's 32-bit
# loader runs under qemu-user instead: a private copy of the loader, invoked
# through a wrapper whose name Wine then reuses for every process it starts.
#
# usage: wine-run.sh PROGRAM.exe [ARGS...]
#        wine-run.sh --cpu    prints how 32-bit code runs here: "qemu-user" or "native"
set -euo pipefail

# The one place that decides whether the 32-bit loader needs qemu-user.
emulated() { ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; }
if [ "${1:-}" = "--cpu" ]; then
  if emulated; then echo qemu-user; else echo native; fi
  exit 0
fi

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${KELVANE_BUILD:-$repo/build}
export WINEPREFIX=${KELVANE_WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win32
# No Mono or Gecko: nothing here needs them, and their installers would prompt.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}
mkdir -p "$build"

wine=wine
if emulated; then
  layout=$build/wine-qemu
  if [ ! -x "$layout/lib/wine/wine-qemu" ]; then
    rm -rf "$layout"
    mkdir -p "$layout/lib/wine" "$layout/share"
    cp /usr/lib/wine/wine "$layout/lib/wine/wine"
    ln -s /usr/lib/i386-linux-gnu "$layout/lib/i386-linux-gnu"
    ln -s /usr/share/wine "$layout/share/wine"
    printf '#!/bin/sh\nexec /usr/lib/wine/wineserver64 "$@"\n' > "$layout/lib/wine/wineserver"
    printf '#!/bin/sh\nexec qemu-i386 -0 wine-qemu %s/lib/wine/wine "$@"\n' "$layout" > "$layout/lib/wine/wine-qemu"
    chmod +x "$layout/lib/wine/wineserver" "$layout/lib/wine/wine-qemu"
  fi
  wine=$layout/lib/wine/wine-qemu
  export WINESERVER=$layout/lib/wine/wineserver
fi

# A prefix counts as made once its system folder holds kernel32.dll: under a
# loaded machine wineboot can give up half-way, so an unfinished prefix is
# removed and made again.
ready=$WINEPREFIX/.kelvane-ready
no_debugger=$WINEPREFIX/.kelvane-no-debugger
(
  flock 9
  for attempt in 1 2 3; do
    [ -f "$ready" ] && break
    rm -rf "$WINEPREFIX"
    echo "wine-run: creating the Wine prefix $WINEPREFIX (attempt $attempt)" >&2
    xvfb-run -a "$wine" wineboot -i >/dev/null 2>&1 || true
    "${WINESERVER:-wineserver}" -w || true
    if [ -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ]; then touch "$ready"; fi
  done
  [ -f "$ready" ] || { echo "wine-run: could not create the Wine prefix" >&2; exit 1; }
  # No automatic debugger: by default a crash starts winedbg, which waits
  # until the test's time runs out. With an empty debugger command none can
  # start, so the crashed program ends at once, its exit status the low byte
  # of the exception code and Wine's "Unhandled ..." line in its output.
  # Prefixes made before this step get it on their next run.
  if [ ! -f "$no_debugger" ]; then
    aedebug='HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug'
    "$wine" reg add "$aedebug" /v Auto /t REG_SZ /d 1 /f >/dev/null
    "$wine" reg add "$aedebug" /v Debugger /t REG_SZ /d "" /f >/dev/null
    "${WINESERVER:-wineserver}" -w || true
    touch "$no_debugger"
  fi
) 9>"$build/wineprefix.lock"

# Each run waits for the Wine server and desktop to end before it returns, so
# that the next run starts on its own display; waiting (not killing) leaves
# any other run in the same prefix alone.
run='"$0" "$@"; rc=$?; "${WINESERVER:-wineserver}" -w 2>/dev/null; exit $rc'
export WINESERVER=${WINESERVER:-wineserver}
if [ -n "${KELVANE_USE_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ]; then
  exec sh -c "$run" "$wine" "$@"
fi
exec xvfb-run -a -s "-screen 0 1024x768x24" sh -c "$run" "$wine" "$@" 2> >(grep -v '^X connection to' >&2)
