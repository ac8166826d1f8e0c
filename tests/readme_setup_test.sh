#!/usr/bin/env bash
# The README names every package that scripts/setup.sh installs, as `name`.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
packages=$(sed -n '/^for pkg in /,/; do$/p' "$repo/scripts/setup.sh" | sed 's/^for pkg in//; s/; do$//; s/\\$//')
packages="$packages $(sed -n 's/^have_pkg \([^ ]*\) || need+=.*/\1/p' "$repo/scripts/setup.sh") qemu-user"
missing=()
for p in $packages; do
  grep -qF "\`$p\`" "$repo/README.md" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] || { echo "README does not name what setup installs: ${missing[*]}"; exit 1; }
echo "README names all $(wc -w <<<"$packages") packages that setup installs"
