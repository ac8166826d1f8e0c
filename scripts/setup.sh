#!/usr/bin/env bash
# Installs what building and testing Kelvane needs on a Debian 12 machine.
# Idempotent: when every tool is present it only checks and returns.
#
# usage: setup.sh                       install what is missing
#        setup.sh --backports-line DIR  print the backports source line derived
#                                       from the apt sources under DIR, and stop
set -euo pipefail

# The machine's own Debian archive, from its configured sources in either
# format (one-line sources.list entries and deb822 .sources stanzas): the
# first enabled "deb" entry for the release itself (not -updates or
# -security) gives its address and signing key to a backports entry. Prints
# that entry as one line, or fails when no such source is configured.
backports_line() {
  local dir=$1 release=$2
  local files=()
  [ -f "$dir/sources.list" ] && files+=("$dir/sources.list")
  for f in "$dir"/sources.list.d/*.list "$dir"/sources.list.d/*.sources; do
    [ -f "$f" ] && files+=("$f")
  done
  local line=""
  if [ ${#files[@]} -gt 0 ]; then
    line=$(awk -v release="$release" '
      function emit(uri, key) {
        printf "deb %s%s %s-backports main\n", key == "" ? "" : "[signed-by=" key "] ", uri, release
        found = 1; exit
      }
      # deb822: a stanza ends at a blank line or at the end of its file.
      function stanza(   i, n, s) {
        if (types ~ /(^| )deb( |$)/ && enabled != "no" && uris != "") {
          n = split(suites, s, " ")
          for (i = 1; i <= n; i++) if (s[i] == release) { split(uris, s, " "); emit(s[1], signed) }
        }
        types = uris = suites = signed = enabled = ""
      }
      FNR == 1 && NR > 1 && deb822 { stanza() }
      FNR == 1 { deb822 = FILENAME ~ /\.sources$/ }
      /^[ \t]*#/ { next }
      deb822 && /^[ \t]*$/ { stanza(); next }
      deb822 {
        field = tolower($1); sub(/:$/, "", field)
        value = $0; sub(/^[^:]*:[ \t]*/, "", value)
        if (field == "types") types = value
        else if (field == "uris") uris = value
        else if (field == "suites") suites = value
        else if (field == "enabled") enabled = tolower(value)
        else if (field == "signed-by" && value ~ /^\//) signed = value
        next
      }
      $1 == "deb" {
        i = 2; key = ""
        if ($2 ~ /^\[/) {
          for (; i <= NF; i++) {
            if (match($i, /signed-by=[^] ]+/)) key = substr($i, RSTART + 10, RLENGTH - 10)
            if ($i ~ /\]$/) { i++; break }
          }
        }
        if ($(i + 1) == release) emit($i, key)
      }
      END { if (!found && deb822) stanza() }
    ' "${files[@]}")
  fi
  if [ -z "$line" ]; then
    echo "setup: no Debian source for '$release' in $dir/sources.list or $dir/sources.list.d/;" >&2
    echo "       the backports entry for qemu-user is made from it. Add your Debian mirror" >&2
    echo "       for '$release' to the apt sources, then run setup again." >&2
    return 1
  fi
  echo "$line"
}

release=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
if [ "${1:-}" = "--backports-line" ]; then
  backports_line "${2:-/etc/apt}" "$release"
  exit
fi

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

for pkg in cmake make g++ clang libgtest-dev libgmock-dev libbenchmark-dev \
           g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine64 xvfb xauth sox \
           python3-numpy python3-scipy python3-matplotlib python3-pil fonts-dejavu-core zip unzip fp-utils nsis; do
  have_pkg "$pkg" || need+=("$pkg")
done
have_pkg wine32:i386 || need+=("wine32:i386")

# Some sandboxed kernels cannot execute 32-bit Linux programs; Wine's 32-bit
# loader then runs under qemu-user, which needs version 8 or later to honour
# the fixed-address mappings Wine makes (Debian 12 has it in backports, which
# setup adds next to the machine's own Debian source).
needs_qemu=0
if [ "$("$(dirname "$0")/wine-run.sh" --cpu)" = qemu-user ]; then
  v=$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null | sed 's/^[0-9]*://; s/[.+~-].*//')
  if [ -z "$v" ] || [ "$v" -lt 8 ]; then needs_qemu=1; fi
fi

if [ ${#need[@]} -eq 0 ] && [ $needs_qemu -eq 0 ]; then
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
if [ $needs_qemu -eq 1 ] && ! grep -rqs -- "$release-backports" /etc/apt/sources.list /etc/apt/sources.list.d; then
  line=$(backports_line /etc/apt "$release")
  echo "setup: adding $line"
  echo "$line" | $SUDO tee "/etc/apt/sources.list.d/$release-backports.list" >/dev/null
fi
echo "setup: installing ${need[*]} $([ $needs_qemu -eq 1 ] && echo qemu-user)"
$SUDO apt-get update -q
if [ ${#need[@]} -gt 0 ]; then
  $SUDO apt-get install -y -q -o DPkg::Lock::Timeout=600 --no-install-recommends "${need[@]}"
fi
if [ $needs_qemu -eq 1 ]; then
  $SUDO apt-get install -y -q -o DPkg::Lock::Timeout=600 --no-install-recommends -t "$release-backports" qemu-user
fi
