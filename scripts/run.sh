#!/usr/bin/env bash
# Sets up, builds and starts Ostrel in the Wine virtual desktop: on the X display of the session when there
# is one, else on Xvfb. Arguments go to Ostrel.
set -euo pipefail
# The Wine root is entered with chroot and mounts.
[ "$(id -u)" = 0 ] || exec sudo -E bash "$0" "$@"
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh win32
# On a desktop session the Wine desktop opens on its display; without one it runs on Xvfb.
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    export OSTREL_X_DISPLAY=$DISPLAY
fi
bash scripts/wine-env.sh start
trap 'bash scripts/wine-env.sh stop' EXIT
echo "Ostrel runs on display $(cat build/wine/display); close its main window to end."
bash scripts/wine-run.sh build/win32/ostrel.exe "$@"
