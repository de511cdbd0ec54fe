#!/usr/bin/env bash
# Builds the Debian root that runs Wine for the win32 tests, once per machine: Debian 13 (amd64 and i386)
# with Wine 10, qemu-user for kernels that refuse 32-bit programs, and the trap-number shim built for both
# architectures and checked. A marker in the root names what it holds; a root with another marker is
# rebuilt. Network steps are retried.
set -euo pipefail
source "$(dirname "$0")/wine-common.sh"

suite=trixie
# Wine's X11 driver loads these at run time (Recommends of libwine): without them 32-bit windows quietly
# lose XRandR, XInput2, Xcursor, Xinerama and XComposite.
xlibs="libxcursor1 libxi6 libxrandr2 libxinerama1 libxcomposite1 libxxf86vm1 libxrender1 libxfixes3"
packages="wine wine64 libwine fonts-wine wine32:i386 libwine:i386 qemu-user-static gcc-i686-linux-gnu
  libc6-dev-i386-cross $xlibs $(for p in $xlibs; do printf '%s:i386 ' "$p"; done)"
trapfix_src=$ostrel_root/scripts/trapfix

say() { printf 'wine-root: %s\n' "$*" >&2; }
die() { say "error: $*"; exit 1; }

wanted_marker() {
    { echo "$suite" $packages; cat "$trapfix_src"/*.c; } | sha256sum | cut -c1-16
}

host_mirror() {
    { grep -rhoE '^(URIs:|deb)[[:space:]]+https?://[^[:space:]]+/debian/?([[:space:]]|$)' \
        /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null || true; } | awk '{print $2; exit}'
}

# Nothing of ours may still be mounted inside a root that is about to be removed.
remove_root() {
    local dir=$1
    [ -e "$dir" ] || return 0
    if awk -v p="$dir" '$5 == p || index($5, p "/") == 1 { f = 1 } END { exit !f }' /proc/self/mountinfo; then
        die "something is mounted under $dir; stop what runs there (bash scripts/wine-env.sh stop) and retry"
    fi
    rm -rf --one-file-system -- "$dir"
}

build_root() {
    local part=$wine_root.partial mirror try
    mirror=${OSTREL_DEBIAN_MIRROR:-$(host_mirror)}
    mirror=${mirror:-http://deb.debian.org/debian}
    for try in 1 2 3; do
        remove_root "$part"
        say "building a Debian $suite root with Wine in $part (try $try of 3; about 400 MB to download)"
        # qemu's other emulators, documentation and translations are left out (about 500 MB).
        if mmdebstrap --mode=root --variant=apt --architectures=amd64,i386 --aptopt='Acquire::Retries "3"' \
            --include="$(echo $packages | tr ' ' ,)" \
            --dpkgopt='path-exclude=/usr/bin/qemu-*' --dpkgopt='path-include=/usr/bin/qemu-i386*' \
            --dpkgopt='path-exclude=/usr/share/doc/*' --dpkgopt='path-include=/usr/share/doc/*/copyright' \
            --dpkgopt='path-exclude=/usr/share/man/*' --dpkgopt='path-exclude=/usr/share/locale/*' \
            "$suite" "$part" "deb $mirror $suite main"; then
            remove_root "$wine_root"
            mv -- "$part" "$wine_root"
            return 0
        fi
        [ "$try" = 3 ] || sleep $((try * 15))
    done
    remove_root "$part"
    die "mmdebstrap could not build the root from $mirror (network or mirror problem?); see its messages above"
}

# Runs a command in the root with a private /proc that is gone when it ends.
in_root() {
    unshare --mount --propagation private -- sh -c \
        'r=$1; shift; mount -t proc proc "$r/proc" && cd / && exec chroot "$r" "$@"' sh "$wine_root" "$@"
}

build_trapfix() {
    local dst=$wine_root/usr/local/src/trapfix out
    mkdir -p "$dst"
    cp "$trapfix_src"/*.c "$dst/"
    in_root i686-linux-gnu-gcc -O2 -Wall -shared -fPIC -o /usr/lib/i386-linux-gnu/libtrapfix.so \
        /usr/local/src/trapfix/trapfix.c -ldl || die "building the i386 trap-number shim failed"
    in_root i686-linux-gnu-gcc -O0 -Wall -o /usr/local/src/trapfix/trapfix_test32 \
        /usr/local/src/trapfix/trapfix_test.c || die "building the i386 shim test failed"
    gcc -O2 -Wall -shared -fPIC -o "$wine_root/usr/lib/x86_64-linux-gnu/libtrapfix.so" "$dst/trapfix.c" -ldl ||
        die "building the x86_64 trap-number shim failed"
    gcc -O0 -Wall -o "$dst/trapfix_test64" "$dst/trapfix_test.c" || die "building the x86_64 shim test failed"

    # Under the real kernel the shim must change nothing; under qemu-user it must repair the frame.
    out=$(LD_PRELOAD="$wine_root/usr/lib/x86_64-linux-gnu/libtrapfix.so" "$dst/trapfix_test64" 2>&1) ||
        { printf '%s\n' "$out" >&2; die "the trap-number shim changes what the real kernel reports"; }
    out=$(in_root env LD_PRELOAD=/usr/lib/i386-linux-gnu/libtrapfix.so /usr/bin/qemu-i386-static \
        /usr/local/src/trapfix/trapfix_test32 2>&1) ||
        { printf '%s\n' "$out" >&2; die "the trap-number shim does not repair qemu-user's fault reports"; }
}

[ "$(id -u)" = 0 ] || die "must run as root (it uses mmdebstrap, chroot and mounts)"
want=$(wanted_marker)
if [ -f "$wine_root/.ostrel-root" ] && [ "$(cat "$wine_root/.ostrel-root")" = "$want" ]; then
    exit 0
fi
start=$SECONDS
mkdir -p "$(dirname "$wine_root")"
build_root
build_trapfix
echo "$want" >"$wine_root/.ostrel-root"
say "ready in $((SECONDS - start)) s: $wine_root ($(du -sxh "$wine_root" | cut -f1))"
