#!/usr/bin/env bash
# stress.sh [--busy] N: sets up and builds the win32 tree, then runs the win32 suite N times in a row, the
# first time on a new Wine prefix. One line per run and a closing count; the log of a run with any failure
# is kept under build/stress/. --busy keeps every core busy with a load of its own for the whole time.
# Exits non-zero when any run failed.
set -euo pipefail
[ "$(id -u)" = 0 ] || exec sudo -E bash "$0" "$@"
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
busy=0
if [ "${1:-}" = --busy ]; then
    busy=1
    shift
fi
runs=${1:-}
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [--busy] N" >&2; exit 2; }

bash scripts/setup.sh
bash scripts/build.sh win32
source scripts/quarantine.sh
logs=build/stress
mkdir -p "$logs"
rm -f "$logs"/run-*.log

load=()
stop_all() {
    [ ${#load[@]} -eq 0 ] || kill "${load[@]}" 2>/dev/null || true
    bash scripts/wine-env.sh stop
    print_quarantine
}
trap stop_all EXIT
if [ "$busy" = 1 ]; then
    for _ in $(seq "$(nproc)"); do
        nice -n 0 bash -c 'while :; do :; done' &
        load+=($!)
    done
    echo "stress: $(nproc) busy loops keep every core busy"
fi

# A new prefix for the first run, as on a machine that never ran the suite.
bash scripts/wine-env.sh stop
rm -rf "$WINEPREFIX"
green=0
for run in $(seq "$runs"); do
    log=$logs/run-$run.log
    start=$(date +%s)
    if ! bash scripts/wine-env.sh start >"$log" 2>&1; then
        echo "run $run: FAILED: the Wine environment did not start (log: $log)"
        continue
    fi
    quarantine_select
    if ctest --test-dir build/win32 --output-on-failure --no-tests=error -j "$(nproc)" \
        "${quarantine_exclude[@]}" >>"$log" 2>&1; then
        green=$((green + 1))
        echo "run $run: passed, $(grep -oE '[0-9]+ tests? failed out of [0-9]+' "$log" | awk '{print $NF}') tests in $(($(date +%s) - start)) s"
        rm -f "$log"
    else
        failed=$(sed -n '/The following tests FAILED:/,$p' "$log" | grep -oE ' - [A-Za-z0-9_]+' | cut -c4- | tr '\n' ' ')
        echo "run $run: FAILED in $(($(date +%s) - start)) s: ${failed:-see the log} (log: $log)"
    fi
done
echo "stress: $green of $runs runs green"
[ "$green" = "$runs" ]
