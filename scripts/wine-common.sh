# Sourced by the Wine scripts: the project's own prefix and display, under the build folder.
ostrel_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
wine_dir=${OSTREL_WINE_DIR:-$ostrel_root/build/wine}
export WINEPREFIX=$wine_dir/prefix
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ -f "$wine_dir/display" ]; then
    export DISPLAY=:$(cat "$wine_dir/display")
fi
