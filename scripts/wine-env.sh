#!/usr/bin/env bash
# start | stop: the Wine environment of the tests and of run.sh. start makes a private mount namespace in
# which /proc, /sys, /dev, /tmp (the X and Wine server sockets) and the project folder are bound into the
# Wine root, lets the kernel run 32-bit programs through qemu-user if it refuses them, starts Xvfb on a
# free display (or uses OSTREL_X_DISPLAY), the project's own prefix, a persistent wineserver and the
# virtual desktop "ostrel". stop ends only what start began; the namespace and its mounts go with it.
set -euo pipefail
source "$(dirname "$0")/wine-common.sh"
pids=$wine_dir/pids
prefix_kind="wine10 win64"

say() { printf 'wine-env: %s\n' "$*" >&2; }
die() { say "error: $*"; exit 1; }

alive() { [ -f "$pids" ] && while read -r p; do kill -0 "$p" 2>/dev/null || return 1; done <"$pids"; }

# The kernel-wide binfmt entry stays after stop: it serves every later run until the machine restarts, and
# the F flag keeps the interpreter open, so the entry never points at a missing file. OSTREL_WINE_QEMU=1
# takes the qemu-user road on a kernel that runs 32-bit programs too (to try that road); stop then removes
# the entry again, since it would slow down every 32-bit program of the machine.
let_kernel_run_i386() {
    local probe=(chroot "$wine_root" /usr/lib/i386-linux-gnu/ld-linux.so.2 --version)
    if [ "${OSTREL_WINE_QEMU:-0}" = 1 ]; then
        touch "$wine_dir/binfmt-forced"
    elif "${probe[@]}" >/dev/null 2>&1; then
        return 0
    fi
    local fs=/proc/sys/fs/binfmt_misc
    mountpoint -q "$fs" || mount -t binfmt_misc binfmt_misc "$fs" || die "cannot mount binfmt_misc on $fs"
    [ ! -e "$fs/$binfmt_name" ] || echo -1 >"$fs/$binfmt_name"
    printf ':%s:M::%s:%s:%s:F' "$binfmt_name" \
        '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00' \
        '\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff' \
        "$wine_root/usr/bin/qemu-i386-static" >"$fs/register" || die "registering qemu-user in binfmt_misc failed"
    "${probe[@]}" >/dev/null 2>&1 || die "32-bit programs do not run even through qemu-user"
    say "32-bit programs run through qemu-user"
}

start_namespace() {
    local ready=$wine_dir/namespace.ready
    rm -f "$ready"
    unshare --mount --propagation private -- bash -c '
        set -e
        r=$1 project=$2 ready=$3
        for d in /proc /sys /dev /tmp; do mount --rbind "$d" "$r$d"; done
        if [ "$(stat -c %d:%i "$project")" != "$(stat -c %d:%i "$r$project" 2>/dev/null)" ]; then
            mkdir -p "$r$project"
            mount --bind "$project" "$r$project"
        fi
        touch "$ready"
        exec sleep infinity' sh "$wine_root" "$ostrel_root" "$ready" >"$wine_dir/namespace.log" 2>&1 &
    local holder=$!
    echo "$holder" >>"$pids"
    for _ in $(seq 100); do
        [ -e "$ready" ] && break
        kill -0 "$holder" 2>/dev/null || break
        sleep 0.1
    done
    [ -e "$ready" ] || die "binding folders into the Wine root failed: $(cat "$wine_dir/namespace.log")"
    echo "$holder" >"$wine_dir/namespace"
}

start_display() {
    if [ -n "${OSTREL_X_DISPLAY:-}" ]; then
        echo "${OSTREL_X_DISPLAY#:}" >"$wine_dir/display"
        export DISPLAY=$OSTREL_X_DISPLAY
        return 0
    fi
    # Another run may take the same free display at the same moment: then Xvfb ends, and the next is tried.
    local n xpid=""
    for n in $(seq 90 189); do
        [ ! -e /tmp/.X$n-lock ] && [ ! -e /tmp/.X11-unix/X$n ] || continue
        Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >"$wine_dir/xvfb.log" 2>&1 &
        xpid=$!
        for _ in $(seq 100); do
            [ -e /tmp/.X11-unix/X$n ] && kill -0 "$xpid" 2>/dev/null && break
            kill -0 "$xpid" 2>/dev/null || break
            sleep 0.1
        done
        if kill -0 "$xpid" 2>/dev/null && [ -e /tmp/.X11-unix/X$n ]; then
            echo "$xpid" >>"$pids"
            break
        fi
        kill "$xpid" 2>/dev/null || true
        xpid=
    done
    [ -n "$xpid" ] || die "Xvfb did not start on any display from :90 to :189: $(cat "$wine_dir/xvfb.log")"
    echo $n >"$wine_dir/display"
    export DISPLAY=:$n
}

make_prefix() {
    [ "$(cat "$WINEPREFIX/.ostrel-prefix" 2>/dev/null)" != "$prefix_kind" ] || return 0
    rm -rf "$WINEPREFIX"
    wine_tool wineboot -i >"$wine_dir/wineboot.log" 2>&1 || die "wineboot failed: see $wine_dir/wineboot.log"
    wine_tool wineserver -w
    # Every process joins the virtual desktop "ostrel"; windows keep the captions Wine draws; no crash
    # dialog from the debugger.
    wine_tool wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d ostrel /f >/dev/null
    wine_tool wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v ostrel /d 1280x1024 /f >/dev/null
    wine_tool wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
    wine_tool wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
    wine_tool wineserver -w
    echo "$prefix_kind" >"$WINEPREFIX/.ostrel-prefix"
}

start() {
    [ "$(id -u)" = 0 ] || die "must run as root (the Wine root is entered with chroot)"
    [ -f "$wine_root/.ostrel-root" ] || die "no Wine root at $wine_root: run bash scripts/setup.sh"
    mkdir -p "$wine_dir"
    if alive; then return 0; fi
    stop
    let_kernel_run_i386
    start_namespace
    start_display
    make_prefix
    wine_tool wineserver -p
    # Wine closes a desktop when its last program ends: a console program reading a pipe we hold open keeps
    # "ostrel" (and its shell) alive until stop.
    rm -f "$wine_dir/hold"
    mkfifo "$wine_dir/hold"
    wine_tool wine cmd.exe <"$wine_dir/hold" >"$wine_dir/holder.log" 2>&1 &
    echo $! >>"$pids"
    sleep infinity >"$wine_dir/hold" &
    echo $! >>"$pids"
    wine_tool wine explorer /desktop=ostrel,1280x1024 >"$wine_dir/explorer.log" 2>&1 &
    local seen=0
    for _ in $(seq 300); do
        xwininfo -root -tree 2>/dev/null | grep -qi 'ostrel - Wine desktop' && { seen=1; break; }
        sleep 0.2
    done
    [ "$seen" = 1 ] || die "the virtual desktop did not start (see $wine_dir/explorer.log)"
    # A 32-bit program must run, or the win32 tests cannot.
    local out
    out=$(wine_tool wine 'C:\windows\syswow64\cmd.exe' /c echo 32-bit-ok 2>&1 | tr -d '\r') || true
    [[ $out == *32-bit-ok* ]] || die "Wine cannot run a 32-bit program: $out"
}

stop() {
    [ -f "$pids" ] || return 0
    [ ! -f "$wine_dir/namespace" ] || wine_tool wineserver -k 2>/dev/null || true
    { tac "$pids" 2>/dev/null || true; } | while read -r p; do kill "$p" 2>/dev/null || true; done
    rm -f "$pids" "$wine_dir/display" "$wine_dir/namespace" "$wine_dir/namespace.ready"
    if [ -f "$wine_dir/binfmt-forced" ]; then
        [ ! -e "/proc/sys/fs/binfmt_misc/$binfmt_name" ] || echo -1 >"/proc/sys/fs/binfmt_misc/$binfmt_name"
        rm -f "$wine_dir/binfmt-forced"
    fi
}

case "${1:-}" in
start) start ;;
stop) stop ;;
*) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
