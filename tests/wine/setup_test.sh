#!/usr/bin/env bash
# The setup program used as a script would use it: a silent install into a
# fresh host folder, an install over it, a silent uninstall that leaves the
# folder and its plug-in list byte for byte as they were, a second uninstall,
# and a folder without a plug-in list, which is refused. With a file held
# (read-only or not), loaded or mapped, a file where a folder goes or a newer version, refusals
# change nothing; an older version's retired preset goes, a user's preset stays.
# Skipped (exit 77) where makensis is missing and so no setup program is made.
set -euo pipefail
setup=$1
runner=$2
stage=$3       # the files the setup program installs, laid out as in the zip
version=$4
holder=$5      # file_holder.exe: runs a program with a file kept in its way
nsi=$6         # setup.nsi and the factory presets' lines, to make other versions
preset_lines=$7
if ! command -v makensis >/dev/null; then
  echo "setup test: SKIPPED: makensis (Debian package nsis) is not installed, so no setup program is made"
  exit 77
fi
fail() { echo "setup test: $*" >&2; exit 1; }
[ -f "$setup" ] || fail "no setup program at $setup"

key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kelvane'
base=$(mktemp -d)
trap 'rm -rf "$base"' EXIT
host=$base/SAW
mkdir -p "$host" "$base/copy"
windows() { echo "Z:${1//\//\\}"; }
# Every entry of the folder with its kind, and every file's bytes.
snapshot() { (cd "$1" && find . -printf '%y %p\n' | sort && find . -type f -exec sha256sum {} + | sort); }
run() { local rc=0; "$runner" "$@" >/dev/null || rc=$?; echo $rc; }
# A setup program run silently on the host folder: SETUP [MODE FILE [SWITCH]],
# with FILE held by file_holder as MODE says.
install() { run ${2:+"$holder" "$2" "$(windows "$3")"} "$(windows "$1")" /S ${4:-} "/D=$(windows "$host")"; }
# The uninstaller as scripts run it: a copy outside the folder, told the
# folder with _?=, so that the exit code is the one of the removal itself.
# Once the folder's own is gone, the copy runs again. [MODE FILE] as above.
uninstall() {
  if [ -f "$host/Kelvane-uninstall.exe" ]; then cp "$host/Kelvane-uninstall.exe" "$base/copy/"; fi
  run ${1:+"$holder" "$1" "$(windows "$2")"} "$(windows "$base/copy/Kelvane-uninstall.exe")" /S "_?=$(windows "$host")"
}
state() { snapshot "$host"; find "$host" -printf '%m %p\n' | sort; "$runner" reg query "$key" /s 2>/dev/null | tr -d '\r' || true; }
# Another version of the setup program, VERSION OUT [a retired preset it adds].
other_setup() {
  cp -r "$stage" "$base/stage-$1" && cp "$preset_lines" "$base/presets-$1.nsh"
  if [ -n "${3:-}" ]; then
    mkdir "$base/stage-$1/quellmarsh/Kelvane/Presets/Retired" && echo old >"$base/stage-$1/quellmarsh/Kelvane/Presets/Retired/$3"
    printf '!insertmacro KelvaneFolder "${PRESETS_FOLDER}\\Retired"\n!insertmacro KelvaneFile "${PRESETS_FOLDER}\\Retired" "%s"\n' "$3" >>"$base/presets-$1.nsh"
  fi
  makensis -V1 -DVERSION="$1" -DSTAGE="$base/stage-$1" -DOUTFILE="$2" -DPRESET_FILES="$base/presets-$1.nsh" "$nsi" >/dev/null
}

printf 'Reverb.dll\r\nDelay.dll\r\n' > "$host/SAWStudioFX_Native.ini"
echo 'the host' > "$host/SAWStudio.exe"
before=$(snapshot "$host")
installed=(KelvaneFx.dll quellmarsh/Kelvane/Kelvane.chm)
for p in "$stage"/quellmarsh/Kelvane/Presets/*.plg; do installed+=("${p#"$stage"/}"); done
[ ${#installed[@]} -gt 2 ] || fail "no factory presets staged"

for pass in install upgrade; do
  [ "$(run "$setup" /S "/D=$(windows "$host")")" = 0 ] || fail "$pass: the silent install failed"
  for f in "${installed[@]}"; do cmp -s "$stage/$f" "$host/$f" || fail "$pass: $f not installed"; done
  [ -f "$host/Kelvane-uninstall.exe" ] || fail "$pass: no uninstaller"
  [ "$(find "$host" -type f | wc -l)" -eq $((${#installed[@]} + 3)) ] || fail "$pass: other files than expected in the folder"
  [ "$(cat "$host/SAWStudioFX_Native.ini")" = "$(printf 'Reverb.dll\r\nDelay.dll\r\nKelvaneFx.dll\r\n')" ] ||
    fail "$pass: the plug-in list does not hold exactly one new line"
  entry=$("$runner" reg query "$key") || fail "$pass: no uninstall entry"
  for value in "DisplayName.*Kelvane" "DisplayVersion.*$version" "Publisher.*QuellMarsh" \
               "InstallLocation.*REG_SZ *$(windows "$host" | sed 's/\\/\\\\/g')\s*$" "EstimatedSize.*0x[1-9a-f]" \
               "DisplayIcon.*Kelvane-uninstall.exe" "UninstallString.*Kelvane-uninstall.exe"; do
    grep -q "$value" <<<"${entry//$'\r'/}" || fail "$pass: the uninstall entry lacks $value: $entry"
  done
done

for pass in uninstall "second uninstall"; do
  [ "$(uninstall)" = 0 ] || fail "$pass: the silent uninstall failed"
  [ "$(snapshot "$host")" = "$before" ] || fail "$pass: the folder is not as before: $(diff <(echo "$before") <(snapshot "$host"))"
  if "$runner" reg query "$key" >/dev/null 2>&1; then fail "$pass: the uninstall entry is still there"; fi
done

# Each refusal: SETUP-OR-UNINSTALL EXIT-CODE [MODE FILE [SWITCH]], nothing changed.
refused() {
  local was; was=$(state)
  local rc; if [ "$1" = uninstall ]; then rc=$(uninstall "${@:3}"); else rc=$(install "$1" "${@:3}"); fi
  [ "$rc" = "$2" ] || fail "$* gave exit code $rc"
  [ "$(state)" = "$was" ] || fail "$*: changed $(diff <(echo "$was") <(state))"
}
other_setup 1.0.0.1 "$base/older.exe" Retired.plg && other_setup 99.0.0.0 "$base/newer.exe"
echo x >"$host/quellmarsh" && refused "$setup" 5 && rm "$host/quellmarsh"
[ "$(install "$base/older.exe")" = 0 ] || fail "the older version did not install"
printf X >>"$host/KelvaneFx.dll"   # so that a refusal that wrote it shows
refused "$setup" 5 r "$host/quellmarsh/Kelvane/Kelvane.chm"
chmod a-w "$host/quellmarsh/Kelvane/Kelvane.chm" && refused "$setup" 5 r "$host/quellmarsh/Kelvane/Kelvane.chm"
refused "$setup" 5 map "$host/quellmarsh/Kelvane/Kelvane.chm"
[ "$(install "$setup")" = 0 ] || fail "the upgrade from the older version failed"
refused "$base/older.exe" 8
[ "$(install "$base/older.exe" "" "" /DOWNGRADE)" = 0 ] && [ "$(install "$base/newer.exe")" = 0 ] || fail "no downgrade with /DOWNGRADE"
refused "$setup" 8
[ "$(install "$setup" "" "" /DOWNGRADE)" = 0 ] || fail "no downgrade from the newer version"
echo mine >"$host/quellmarsh/Kelvane/Presets/Mine.plg" && printf 'Later.dll\r\n' >>"$host/SAWStudioFX_Native.ini"
chmod a-w "$host/KelvaneFx.dll" && refused uninstall 5 load "$host/KelvaneFx.dll"
refused uninstall 6 map "$host/SAWStudioFX_Native.ini"
[ "$(uninstall)" = 0 ] || fail "the uninstall after the older version failed"
[ "$(cd "$host" && find . | sort | tr '\n' ' ')" = ". ./SAWStudio.exe ./SAWStudioFX_Native.ini ./quellmarsh ./quellmarsh/Kelvane ./quellmarsh/Kelvane/Presets ./quellmarsh/Kelvane/Presets/Mine.plg " ] ||
  fail "the uninstall did not leave only the user's preset: $(cd "$host" && find .)"
[ "$(cat "$host/SAWStudioFX_Native.ini")" = "$(printf 'Reverb.dll\r\nDelay.dll\r\nLater.dll\r\n')" ] || fail "the plug-in list is not as before"

rm -rf "$host" && mkdir "$host"
[ "$(run "$setup" /S "/D=$(windows "$host")")" = 3 ] || fail "a folder without a plug-in list was not refused with exit code 3"
[ -z "$(ls -A "$host")" ] || fail "the refused install wrote into the folder"
if "$runner" reg query "$key" >/dev/null 2>&1; then fail "the refused install registered itself"; fi
echo "setup test: installs, upgrades, uninstalls twice, refuses what is in the way, a downgrade and a folder without a plug-in list"
