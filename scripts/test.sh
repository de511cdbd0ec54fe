#!/usr/bin/env bash
# Sets up, builds both trees and runs every test: the host tree natively (sanitizers, bounded fuzzing),
# the win32 tree through Wine in the virtual desktop.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh
status=0
ctest --test-dir build/host --output-on-failure -j "$(nproc)" || status=1
# Wine runs 32-bit Windows programs through its 32-bit loader; a kernel that refuses 32-bit executables
# (some virtual machines) cannot run the win32 tests at all, which is said loudly rather than failed.
if ! timeout 30 /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "test.sh: this machine cannot run 32-bit programs, so Wine cannot run the win32 tests;" \
         "they were built, not run." >&2
    exit $status
fi
bash scripts/wine-env.sh start
trap 'bash scripts/wine-env.sh stop' EXIT
ctest --test-dir build/win32 --output-on-failure -j "$(nproc)" || status=1
exit $status
