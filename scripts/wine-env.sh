#!/usr/bin/env bash
# start | stop: the Wine test environment: Xvfb on a free display, the project's own prefix, a persistent
# wineserver and the virtual desktop "ostrel" (so the shell's windows exist). Stops only what it started.
set -euo pipefail
source "$(dirname "$0")/wine-common.sh"
pids=$wine_dir/pids

alive() { [ -f "$pids" ] && while read -r p; do kill -0 "$p" 2>/dev/null || return 1; done <"$pids"; }

start() {
    mkdir -p "$wine_dir"
    if alive; then return 0; fi
    rm -f "$pids"
    if [ -n "${OSTREL_X_DISPLAY:-}" ]; then
        # A real X display given by the caller: show the desktop there.
        echo "${OSTREL_X_DISPLAY#:}" >"$wine_dir/display"
        export DISPLAY=$OSTREL_X_DISPLAY
    else
        local n=90
        while [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ]; do n=$((n + 1)); done
        Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >"$wine_dir/xvfb.log" 2>&1 &
        echo $! >>"$pids"
        for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
        echo $n >"$wine_dir/display"
        export DISPLAY=:$n
    fi

    if [ ! -f "$WINEPREFIX/.ostrel-ready" ]; then
        wineboot -i >"$wine_dir/wineboot.log" 2>&1
        wineserver -w
        # Every process joins the virtual desktop "ostrel"; windows keep the captions Wine draws; no crash
        # dialog from the debugger.
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d ostrel /f >/dev/null
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v ostrel /d 1280x1024 /f >/dev/null
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
        # Wine's own fonts (Marlett draws the caption buttons) are found only inside the prefix here.
        cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
        wineserver -w
        touch "$WINEPREFIX/.ostrel-ready"
    fi
    wineserver -p
    pgrep -n -u "$(id -u)" -f 'wineserver' >>"$pids" || true
    # Wine closes a desktop when its last user process ends: a console process that waits on a pipe we
    # hold open keeps "ostrel" (and its shell) alive until stop.
    rm -f "$wine_dir/hold"
    mkfifo "$wine_dir/hold"
    wine cmd.exe <"$wine_dir/hold" >"$wine_dir/holder.log" 2>&1 &
    echo $! >>"$pids"
    sleep infinity >"$wine_dir/hold" &
    echo $! >>"$pids"
    wine explorer /desktop=ostrel,1280x1024 >"$wine_dir/explorer.log" 2>&1 &
    for _ in $(seq 150); do
        xwininfo -root -tree 2>/dev/null | grep -q 'ostrel - Wine desktop' && return 0
        sleep 0.2
    done
    echo "wine-env: the virtual desktop did not start" >&2
    return 1
}

stop() {
    [ -f "$pids" ] || return 0
    wineserver -k 2>/dev/null || true
    tac "$pids" | while read -r p; do kill "$p" 2>/dev/null || true; done
    rm -f "$pids" "$wine_dir/display"
}

case "${1:-}" in
start) start ;;
stop) stop ;;
*) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
