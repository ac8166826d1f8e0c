#!/usr/bin/env bash
# Installs what building and testing Kelvane needs on a Debian 12 machine.
# Idempotent: when every tool is present it only checks and returns.
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

for pkg in cmake make g++ clang libgtest-dev libgmock-dev libbenchmark-dev \
           g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine64 xvfb xauth sox \
           python3-numpy python3-scipy python3-pil fonts-dejavu-core zip unzip fp-utils; do
  have_pkg "$pkg" || need+=("$pkg")
done
have_pkg wine32:i386 || need+=("wine32:i386")

# Some sandboxed kernels cannot execute 32-bit Linux programs; Wine's 32-bit
# loader then runs under qemu-user, which needs version 8 or later to honour
# the fixed-address mappings Wine makes (Debian 12 has it in backports).
needs_qemu=0
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
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
if [ $needs_qemu -eq 1 ] && ! grep -rqs bookworm-backports /etc/apt/sources.list /etc/apt/sources.list.d; then
  echo "deb http://deb.debian.org/debian bookworm-backports main" | $SUDO tee /etc/apt/sources.list.d/bookworm-backports.list >/dev/null
fi
echo "setup: installing ${need[*]} $([ $needs_qemu -eq 1 ] && echo qemu-user)"
$SUDO apt-get update -q
if [ ${#need[@]} -gt 0 ]; then
  $SUDO apt-get install -y -q --no-install-recommends "${need[@]}"
fi
if [ $needs_qemu -eq 1 ]; then
  $SUDO apt-get install -y -q --no-install-recommends -t bookworm-backports qemu-user
fi
