#!/usr/bin/env bash
# Installs what building and testing Kelvane needs on a Debian 12 machine.
# Idempotent: when every tool is present it only checks and returns.
set -euo pipefail

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

for pkg in cmake make g++ clang libgtest-dev libgmock-dev libbenchmark-dev \
           g++-mingw-w64-i686 binutils-mingw-w64-i686 wine xvfb xauth sox \
           python3-numpy python3-scipy python3-pil fonts-dejavu-core zip unzip fp-utils; do
  have_pkg "$pkg" || need+=("$pkg")
done
have_pkg wine32:i386 || need+=("wine32:i386")

if [ ${#need[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "setup: installing ${need[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${need[@]}"
