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

quarantine=tests/quarantine.txt
quarantined=$(grep -vE '^[[:space:]]*(#|$)' "$quarantine" | awk '{print $1}' || true)
exclude=()
if [ -n "$quarantined" ]; then
    exclude=(-E "^($(echo $quarantined | tr ' ' '|'))\$")
fi
print_quarantine() {
    echo
    if [ -z "$quarantined" ]; then
        echo "QUARANTINED: none"
        return 0
    fi
    echo "QUARANTINED (not run; $quarantine):"
    grep -vE '^[[:space:]]*(#|$)' "$quarantine" | sed 's/^/  /'
}
trap print_quarantine EXIT

status=0
ctest --test-dir build/host --output-on-failure --no-tests=error -j "$(nproc)" "${exclude[@]}" || status=1
if ! bash scripts/wine-env.sh start; then
    echo "test.sh: FAILED: the Wine environment did not start, so the win32 suite cannot run" >&2
    exit 1
fi
trap 'bash scripts/wine-env.sh stop; print_quarantine' EXIT
ctest --test-dir build/win32 --output-on-failure --no-tests=error -j "$(nproc)" "${exclude[@]}" || status=1
exit $status
