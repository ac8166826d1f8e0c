#!/usr/bin/env bash
# KelvaneFx.dll must export exactly the four entry points, by name and by
# ordinal, without decorated names, and import Windows system libraries only:
# each imported function must be on the list beside this script
# (xp_sp3_imports.txt), which holds only functions that the system libraries
# of Windows XP SP3 export. A new import is added there on purpose, once it
# is known that XP has it, or the plug-in would fail to load there.
set -euo pipefail
dll=$1
dump=$(i686-w64-mingw32-objdump -p "$dll")
fail=0

exports=$(printf '%s\n' "$dump" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/^\t\[/ {print $NF}' | sort | tr '\n' ' ')
want="FxChangePosition FxInit FxMainHandler FxProcessBuffer "
[ "$exports" = "$want" ] || { echo "exported names: '$exports', want '$want'"; fail=1; }

# Each name's ordinal: the table lists [index] name, ordinal = base + index.
base=$(printf '%s\n' "$dump" | sed -n 's/^Export Address Table -- Ordinal Base \([0-9]*\).*/\1/p')
for pair in FxInit:10 FxMainHandler:20 FxProcessBuffer:30 FxChangePosition:40; do
  name=${pair%:*}; ordinal=${pair#*:}
  index=$(printf '%s\n' "$dump" | sed -n "s/^\t\[ *\([0-9]*\)\] $name\$/\1/p")
  [ -n "$index" ] && [ $((base + index)) -eq "$ordinal" ] || { echo "$name: ordinal $((base + ${index:-0})), want $ordinal"; fail=1; }
done
entries=$(printf '%s\n' "$dump" | sed -n '/^Export Address Table -- Ordinal Base/,/^$/p' | grep -c 'Export RVA' || true)
[ "$entries" -eq 4 ] || { echo "$entries ordinals exported, want 4"; fail=1; }

allowed=" advapi32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll shell32.dll user32.dll version.dll "
for lib in $(printf '%s\n' "$dump" | sed -n 's/^\tDLL Name: //p'); do
  case "$allowed" in *" ${lib,,} "*) ;; *) echo "imports $lib, not a Windows system library"; fail=1;; esac
done

list=${2:-$(dirname "$0")/xp_sp3_imports.txt}
imports=$(printf '%s\n' "$dump" | awk '
  /^The Import Tables/ { on = 1; next }
  on && /^(The|There is) / { on = 0 }
  on && /^\tDLL Name: / { lib = tolower($3); next }
  on && /^\t[0-9a-f]+\t/ { print lib, ($3 == "" ? "<ordinal " $2 ">" : $3) }')
count=0
while read -r lib name; do
  [ -n "$lib" ] || continue
  count=$((count + 1))
  grep -qix "$lib $name" "$list" || { echo "imports $lib $name, not on $(basename "$list")"; fail=1; }
done <<< "$imports"
[ "$count" -gt 0 ] || { echo "no imported function found"; fail=1; }

[ $fail -eq 0 ] && echo "KelvaneFx.dll tables: 4 exports by name and ordinal, $count imports, all on the XP SP3 list"
exit $fail
