#!/usr/bin/env bash
# Sets up, builds both trees and runs every test: the host tree natively (sanitizers, bounded fuzzing), the
# win32 tree through Wine in the virtual desktop. Tests named in tests/quarantine.txt are left out of the
# run and listed at the end of every run; everything else must pass. A win32 suite that cannot run fails.
set -euo pipefail
# The Wine root is entered with chroot and mounts.
[ "$(id -u)" = 0 ] || exec sudo -E bash "$0" "$@"
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh

source scripts/quarantine.sh
trap print_quarantine EXIT

status=0
ctest --test-dir build/host --output-on-failure --no-tests=error -j "$(nproc)" "${quarantine_exclude[@]}" || status=1
if ! bash scripts/wine-env.sh start; then
    echo "test.sh: FAILED: the Wine environment did not start, so the win32 suite cannot run" >&2
    exit 1
fi
trap 'bash scripts/wine-env.sh stop; print_quarantine' EXIT
quarantine_select
ctest --test-dir build/win32 --output-on-failure --no-tests=error -j "$(nproc)" "${quarantine_exclude[@]}" || status=1
exit $status
