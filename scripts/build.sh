#!/usr/bin/env bash
# Configures and builds both trees: build/win32 (cross-compiled) and build/host (native, sanitizers, fuzzers).
# "win32" or "host" as the argument builds only that tree.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
trees=${1:-all}
if [ "$trees" = all ] || [ "$trees" = win32 ]; then
    cmake -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
    cmake --build build/win32
fi
if [ "$trees" = all ] || [ "$trees" = host ]; then
    cmake -S . -B build/host -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DOSTREL_FUZZ=ON >/dev/null
    cmake --build build/host
fi
