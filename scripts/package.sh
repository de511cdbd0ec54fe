#!/usr/bin/env bash
# Builds the win32 tree and writes build/ostrel-<version>.zip: the stripped ostrel.exe and a short text for
# the user, the version read from the executable's version resource. The debug file, build/ostrel.debug,
# goes beside the zip, not in it: a debugger finds it under that name beside ostrel.exe.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh win32
release=build/win32/release
version=$(build/win32/native-tools/peinfo/ostrel-peinfo version "$release/ostrel.exe")
zip_file=build/ostrel-$version.zip
staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT
# Windows line ends, so that every editor shows the text as lines.
sed -e "s/@VERSION@/$version/" -e 's/$/\r/' res/package-readme.txt > "$staging/README.txt"
cp "$release/ostrel.exe" "$staging/ostrel.exe"
rm -f "$zip_file"
(cd "$staging" && zip -q -X -9 "$root/$zip_file" ostrel.exe README.txt)
cp "$release/ostrel.debug" build/ostrel.debug
echo "$zip_file ($(stat -c %s "$zip_file") bytes), debug file build/ostrel.debug"
