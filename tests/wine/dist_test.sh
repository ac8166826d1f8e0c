#!/usr/bin/env bash
# The release package installed as a user would: unpacked into an empty host
# folder, Tamrin run there, the plug-in loaded from there with its help file.
set -euo pipefail
zip=$1
runner=$2
minihost=$3
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
fail() { echo "dist test: $*" >&2; exit 1; }

cd "$folder"
unzip -q "$zip"
for f in KelvaneFx.dll Tamrin.exe INSTALL.txt quellmarsh/Kelvane/Kelvane.chm; do
  [ -f "$f" ] || fail "$f missing from the package"
done
presets=(quellmarsh/Kelvane/Presets/*.plg)
[ -f "${presets[0]}" ] || fail "no factory presets beside the help file"
for p in "${presets[@]}"; do [ "$(stat -c %s "$p")" -eq 364 ] || fail "$p is not a preset record"; done
[ "$(unzip -Z1 "$zip" | grep -vc '/$')" -eq $((4 + ${#presets[@]})) ] || fail "the package holds more than the four files and the presets"

printf 'Reverb.dll\r\nDelay.dll\r\n' > SAWStudioFX_Native.ini
"$runner" Tamrin.exe || fail "Tamrin failed"
[ "$(cat SAWStudioFX_Native.ini)" = "$(printf 'Reverb.dll\r\nDelay.dll\r\nKelvaneFx.dll\r\n')" ] || fail "plug-in list not as expected"

out=$("$runner" "$minihost" --dll KelvaneFx.dll --info) || fail "minihost could not load the installed plug-in: $out"
echo "$out"
grep -q 'plug-in name "Kelvane"' <<<"$out" || fail "no plug-in name"
grep -q 'Kelvane.chm: present' <<<"$out" || fail "help file not where Help opens it"

"$runner" Tamrin.exe -U || fail "Tamrin -U failed"
[ "$(cat SAWStudioFX_Native.ini)" = "$(printf 'Reverb.dll\r\nDelay.dll\r\n')" ] || fail "removal left the list changed"
echo "dist test: package installs, loads, finds its help and uninstalls"
