#!/usr/bin/env bash
# Installs what building and testing Ostrel needs on Debian. Safe to run again: installs only what is missing.
set -euo pipefail

packages=(wine wine32:i386 wine64 fonts-wine xvfb xauth x11-utils imagemagick cmake ninja-build
          g++-mingw-w64-i686 mingw-w64-tools binutils-mingw-w64-i686 libz-mingw-w64-dev libstb-dev
          googletest clang libclang-rt-14-dev zlib1g-dev zip)

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
