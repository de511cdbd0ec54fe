#!/usr/bin/env bash
# Regenerates the decoder vectors under tests/data/disasm from binutils' disassembly (the oracle):
#   compiled.*    a slice of the .text of a test executable built by this project (gcc -O2 code),
#   handwritten.* tests/data/disasm/handwritten.s, assembled here.
# Each set is NAME.mem (memory blocks: u32 address, u32 size, bytes), NAME.vec (one line per instruction)
# and, for the compiled set, NAME.sym (function symbols of the slice and of what it calls).
# crafted.mem/.sym: the functions of crafted.s for the analyser and disassembly-text tests.
# landing.mem/.sym: landing.cpp built by gcc -O2 against stubs, with its unwind tables, for the landing pads.
# Usage: make_disasm_vectors.sh [test.exe] [slice bytes]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$here/disasm
exe=${1:-$here/../../build/win32/x86decoder_test.exe}
slice=${2:-0x30000}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
objdump=i686-w64-mingw32-objdump


# Compiled code: the slice from the start of .text up to the first function symbol past $slice.
python3 "$here/disasm_vectors.py" compiled "$exe" "$slice" "$out/compiled"

# Hand-written code, placed at 0x10000000 (address 0 is "no address" for the decoder).
i686-w64-mingw32-as --32 -o "$tmp/hand.o" "$out/handwritten.s"
$objdump -d -M intel --insn-width=16 --adjust-vma=0x10000000 "$tmp/hand.o" > "$tmp/hand.dis"
i686-w64-mingw32-objcopy -O binary -j .text "$tmp/hand.o" "$tmp/hand.bin"
python3 "$here/disasm_vectors.py" rawmem "$out/handwritten.mem" 0x10000000 "$tmp/hand.bin"
python3 "$here/disasm_vectors.py" vec "$tmp/hand.dis" > "$out/handwritten.vec"

# Crafted functions for the analyser and the text tests, at the same place, with their labels.
# Linked, so that tables and constants hold final addresses; .text lands at 0x10001000.
i686-w64-mingw32-as --32 -o "$tmp/crafted.o" "$out/crafted.s"
i686-w64-mingw32-ld -m i386pe --image-base=0x10000000 -e f_halt -o "$tmp/crafted.exe" "$tmp/crafted.o"
i686-w64-mingw32-objcopy -O binary -j .text "$tmp/crafted.exe" "$tmp/crafted.bin"
python3 "$here/disasm_vectors.py" rawmem "$out/crafted.mem" 0x10001000 "$tmp/crafted.bin"
python3 "$here/disasm_vectors.py" labels "$tmp/crafted.exe" 0 > "$out/crafted.sym"
# Try/catch and clean-up code with its unwind section and call-site tables, linked against stubs.
i686-w64-mingw32-g++-posix -O2 -fno-omit-frame-pointer -c -o "$tmp/landing.o" "$out/landing.cpp"
i686-w64-mingw32-as --32 -o "$tmp/landing_stubs.o" "$out/landing_stubs.s"
i686-w64-mingw32-ld -m i386pe --image-base=0x10000000 -e _start -o "$tmp/landing.exe" "$tmp/landing.o" \
    "$tmp/landing_stubs.o"
python3 "$here/disasm_vectors.py" landing "$tmp/landing.exe" "$out/landing"
wc -l "$out"/*.vec
