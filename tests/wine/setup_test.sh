#!/usr/bin/env bash
# The setup program used as a script would use it: a silent install into a
# fresh host folder, an install over it, a silent uninstall that leaves the
# folder and its plug-in list byte for byte as they were, a second uninstall,
# and a folder without a plug-in list, which is refused.
# Skipped (exit 77) where makensis is missing and so no setup program is made.
set -euo pipefail
setup=$1
runner=$2
stage=$3       # the files the setup program installs, laid out as in the zip
version=$4
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
# The uninstaller as scripts run it: a copy outside the folder, told the
# folder with _?=, so that the exit code is the one of the removal itself.
# Once the folder's own is gone, the copy runs again.
uninstall() {
  if [ -f "$host/Kelvane-uninstall.exe" ]; then cp "$host/Kelvane-uninstall.exe" "$base/copy/"; fi
  run "$base/copy/Kelvane-uninstall.exe" /S "_?=$(windows "$host")"
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

rm -rf "$host" && mkdir "$host"
[ "$(run "$setup" /S "/D=$(windows "$host")")" = 3 ] || fail "a folder without a plug-in list was not refused with exit code 3"
[ -z "$(ls -A "$host")" ] || fail "the refused install wrote into the folder"
if "$runner" reg query "$key" >/dev/null 2>&1; then fail "the refused install registered itself"; fi
echo "setup test: installs, upgrades, uninstalls twice and refuses a folder without a plug-in list"
