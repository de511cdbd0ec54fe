# Sourced by the Wine scripts: where the Wine root lies, the project's own prefix and display under the
# build folder, and `wine_tool`, which runs one of Wine's programs inside the root.
ostrel_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
wine_root=${OSTREL_WINE_ROOT:-/var/lib/ostrel/wine-root}
wine_dir=${OSTREL_WINE_DIR:-$ostrel_root/build/wine}
export WINEPREFIX=$wine_dir/prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEARCH
# The kernel-wide binfmt entry through which `wine-env.sh start` runs 32-bit programs under qemu-user.
binfmt_name=ostrel-i386
i386_through_qemu() { grep -qx enabled "/proc/sys/fs/binfmt_misc/$binfmt_name" 2>/dev/null; }
if [ -f "$wine_dir/display" ]; then
    export DISPLAY=:$(cat "$wine_dir/display")
fi

# wine_tool TOOL ARGS...: runs /usr/bin/TOOL of the root (wine, wineboot, wineserver) in the mount
# namespace that `wine-env.sh start` made, where /proc, /sys, /dev, /tmp and the project folder are bound
# into the root at their own paths. A 64-bit prefix: Wine's own programs run natively, 32-bit ones through
# the i386 loader (under qemu-user where the kernel refuses them, with the trap-number shim preloaded).
wine_tool() {
    local tool=$1 holder cwd
    shift
    holder=$(cat "$wine_dir/namespace" 2>/dev/null) && [ -e "/proc/$holder/ns/mnt" ] || {
        echo "wine: the Wine environment is not running (bash scripts/wine-env.sh start)" >&2
        return 126
    }
    cwd=$(pwd -P)
    case $cwd in "$ostrel_root" | "$ostrel_root"/* | /tmp | /tmp/*) ;; *) cwd=/ ;; esac
    nsenter --mount="/proc/$holder/ns/mnt" -- chroot "$wine_root" /usr/bin/env -u LD_LIBRARY_PATH -C "$cwd" \
        PATH=/usr/local/bin:/usr/bin:/bin LD_PRELOAD='/usr/$LIB/libtrapfix.so' "/usr/bin/$tool" "$@"
}
