#!/usr/bin/env python3
"""Helpers of make_disasm_vectors.sh: memory-block files and vector lines from objdump's Intel listing."""
import re
import struct
import subprocess
import sys
import tempfile

PREFIXES = {"rep", "repz", "repe", "repnz", "repne", "lock", "data16", "data32", "addr16", "addr32",
            "cs", "ds", "es", "ss", "fs", "gs", "bnd", "notrack"}
LINE = re.compile(r"^\s*([0-9a-f]+):\t([0-9a-f ]+?)\s*\t(.*)$")
RELATIVE = re.compile(r"^([0-9a-f]+)(?: <.*>)?$")
CELL = re.compile(r"^[A-Z]+ PTR (?:[a-z]s:)?(?:ds:)?0x([0-9a-f]+)$")


def section(exe, name):
    """(vma, bytes) of a section of an image."""
    heads = subprocess.run(["i686-w64-mingw32-objdump", "-h", exe], capture_output=True, text=True,
                           check=True).stdout
    for line in heads.splitlines():
        f = line.split()
        if len(f) > 4 and f[1] == name:
            vma = int(f[3], 16)
            with tempfile.NamedTemporaryFile() as tmp:
                subprocess.run(["i686-w64-mingw32-objcopy", "-O", "binary", "-j", name, exe, tmp.name],
                               check=True)
                return vma, open(tmp.name, "rb").read()
    raise SystemExit(f"{exe}: no section {name}")


def write_blocks(path, blocks):
    with open(path, "wb") as out:
        for address, data in blocks:
            out.write(struct.pack("<II", address, len(data)))
            out.write(data)


def compiled(args):
    exe, limit, base = args[0], int(args[1], 0), args[2]
    vma, text = section(exe, ".text")
    nm = subprocess.run(["i686-w64-mingw32-nm", "-n", exe], capture_output=True, text=True, check=True).stdout
    symbols, cells = [], {}
    for line in nm.splitlines():
        f = line.split()
        if len(f) == 3 and f[1] in "tT" and not f[2].startswith("."):
            symbols.append((int(f[0], 16), f[2]))
        elif len(f) == 3 and f[1] == "I" and f[2].startswith("__imp_"):
            cells[int(f[0], 16)] = f[2]
    stop = next((a for a, _ in symbols if a >= vma + limit), vma + len(text))
    listing = subprocess.run(["i686-w64-mingw32-objdump", "-d", "-M", "intel", "--insn-width=16",
                              f"--start-address={vma:#x}", f"--stop-address={stop:#x}", exe],
                             capture_output=True, text=True, check=True).stdout
    with tempfile.NamedTemporaryFile("w", suffix=".dis") as tmp:
        tmp.write(listing)
        tmp.flush()
        with open(base + ".vec", "w") as out:
            sys.stdout, saved = out, sys.stdout
            vec([tmp.name])
            sys.stdout = saved
    # Names of the slice's functions, and of whatever the slice calls or jumps to (through import cells).
    targets = set()
    for line in open(base + ".vec"):
        f = line.split()
        if f[2] in "RC":
            targets.add(int(f[3], 16))
    with open(base + ".sym", "w") as out:
        seen = set()
        for address, name in symbols:
            if (vma <= address < stop or address in targets) and address not in seen:
                seen.add(address)
                out.write(f"{address:x} {name}\n")
        for address in sorted(targets & cells.keys()):
            out.write(f"{address:x} {cells[address]}\n")
    rdata_vma, rdata = section(exe, ".rdata")
    write_blocks(base + ".mem", [(vma, text[:stop - vma]), (rdata_vma, rdata)])


def labels(args):
    """Symbols of an object file, moved by an offset (the crafted functions' labels)."""
    obj, offset = args[0], int(args[1], 16)
    nm = subprocess.run(["i686-w64-mingw32-nm", "-n", obj], capture_output=True, text=True, check=True).stdout
    for line in nm.splitlines():
        f = line.split()
        if len(f) == 3 and f[1] in "tT" and not f[2].startswith((".", "__")):
            print(f"{int(f[0], 16) + offset:x} {f[2]}")


def landing(args):
    """Code, read-only data and unwind section of the linked landing-pad set; the unwind section's start
    is named ".eh_frame" in the symbols (the image keeps only 8 characters of the name)."""
    exe, base = args[0], args[1]
    blocks = [section(exe, ".text"), section(exe, ".rdata")]
    heads = subprocess.run(["i686-w64-mingw32-objdump", "-h", exe], capture_output=True, text=True,
                           check=True).stdout
    unwind = next(f[1] for f in (line.split() for line in heads.splitlines())
                  if len(f) > 4 and f[1].startswith(".eh_fram"))
    blocks.append(section(exe, unwind))
    write_blocks(base + ".mem", blocks)
    nm = subprocess.run(["i686-w64-mingw32-nm", "-n", exe], capture_output=True, text=True, check=True).stdout
    with open(base + ".sym", "w") as out:
        for line in nm.splitlines():
            f = line.split()
            if len(f) == 3 and f[1] in "tT" and not f[2].startswith("."):
                out.write(f"{int(f[0], 16):x} {f[2]}\n")
        out.write(f"{blocks[2][0]:x} .eh_frame\n")


def rawmem(args):
    write_blocks(args[0], [(int(args[1], 16), open(args[2], "rb").read())])


def vec(args):
    for line in open(args[0]):
        m = LINE.match(line.rstrip("\n"))
        if not m:
            continue
        address = int(m.group(1), 16)
        code = [int(b, 16) for b in m.group(2).split()]
        text = m.group(3).split("#")[0].strip()
        if "(bad)" in text or not text:
            continue
        words = text.split()
        while words and words[0] in PREFIXES:
            words.pop(0)
        mnemonic = words[0] if words else ""
        operands = " ".join(words[1:])
        nxt = address + len(code)
        kind = "-"
        target = None
        is_call = mnemonic.startswith("call") or mnemonic == "lcall"
        is_jump = mnemonic.startswith("j") or mnemonic.startswith("loop") or mnemonic == "ljmp"
        prefix_bytes = []
        for b in code:
            if b not in (0x26, 0x2E, 0x36, 0x3E, 0x64, 0x65, 0x66, 0x67, 0xF0, 0xF2, 0xF3):
                break
            prefix_bytes.append(b)
        opcode = code[len(prefix_bytes)]
        if mnemonic == "ud2":
            kind = "X"
        elif is_call or is_jump:
            rel = RELATIVE.match(operands)
            cell = CELL.match(operands)
            if rel and opcode not in (0xFF, 0x9A, 0xEA):
                target = int(rel.group(1), 16)
                kind = "-" if target == nxt else "R"
            elif cell and opcode == 0xFF and 0x67 not in prefix_bytes:
                kind, target = "C", int(cell.group(1), 16)
            else:
                kind = "c" if is_call else "j"
        print(f"{address:x} {len(code)} {kind}" + (f" {target:x}" if kind in "RC" and target is not None else ""))


if __name__ == "__main__":
    {"compiled": compiled, "landing": landing, "labels": labels, "rawmem": rawmem, "vec": vec}[sys.argv[1]](sys.argv[2:])
