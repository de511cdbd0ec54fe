#!/usr/bin/env bash
# Installs what building and testing Ostrel needs on Debian, then the Debian root that runs Wine (once per
# machine). Safe to run again: installs only what is missing.
set -euo pipefail
here=$(dirname "$0")

packages=(mmdebstrap xvfb xauth x11-utils cmake ninja-build gcc libc6-dev g++-mingw-w64-i686 mingw-w64-tools
          binutils-mingw-w64-i686 libz-mingw-w64-dev libstb-dev googletest clang libclang-rt-14-dev zlib1g-dev
          zip)

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

missing() {
    local p
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
    done
}

# 'apt-get update' may fail on an index nobody here needs (say, a foreign architecture's index caught
# mid-sync); the lists it did fetch still serve, so only the install's own failure counts.
install_missing() {
    local want try
    want=$(missing)
    [ -n "$want" ] || return 0
    export DEBIAN_FRONTEND=noninteractive
    for try in 1 2 3; do
        "${sudo_cmd[@]}" apt-get update -q || echo "setup: apt-get update reported errors (try $try of 3)" >&2
        # shellcheck disable=SC2086
        "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends $want && return 0
        [ "$try" = 3 ] || sleep $((try * 10))
    done
    echo "setup: could not install: $want" >&2
    return 1
}

install_missing
"${sudo_cmd[@]}" bash "$here/wine-root.sh"
