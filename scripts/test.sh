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
bash scripts/wine-env.sh start
trap 'bash scripts/wine-env.sh stop' EXIT
ctest --test-dir build/win32 --output-on-failure -j "$(nproc)" || status=1
exit $status
