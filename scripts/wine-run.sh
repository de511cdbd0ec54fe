#!/usr/bin/env bash
# Runs a Windows program in the project's Wine environment (CTest's emulator for the win32 tree).
# Under load, Wine's server kills (SIGKILL, status 137) a process whose Linux side is slow to go after its
# last thread has ended, and the exit code it ended with is lost. Test programs record their verdict in
# OSTREL_EXIT_FILE just before they end; a killed run is judged by that record, and one without it fails.
source "$(dirname "$0")/wine-common.sh"
record=$(mktemp /tmp/ostrel-exit.XXXXXX)
trap 'rm -f "$record"' EXIT
export OSTREL_EXIT_FILE="Z:${record//\//\\}"
status=0
wine_tool wine "$@" || status=$?
if [ "$status" = 137 ] && [ -s "$record" ]; then
    status=$(tr -dc '0-9' <"$record")
    echo "wine-run: Wine killed the program after it had ended with exit code $status" >&2
fi
exit "$status"
