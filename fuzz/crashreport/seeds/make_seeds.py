#!/usr/bin/env python3
"""Writes the fuzz targets' seeds beside this script: small well-formed inputs from which the fuzzer
reaches the records behind the headers (segments, publics, lines, call-site tables, listings)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "..", "..", "tests", "data")


def write(target, name, data):
    os.makedirs(os.path.join(HERE, target), exist_ok=True)
    with open(os.path.join(HERE, target, name), "wb") as out:
        out.write(data)


def linker_map():
    lines = [
        "", " Start         Length     Name                   Class",
        " 0001:00000000 0000F000H .text                   CODE", "", "", "Detailed map of segments", "",
        " 0001:00000000 00000100 C=CODE     S=.text    G=(none)   M=System   ACBP=A9",
        " 0001:00000100 00000200 C=CODE     S=.text    G=(none)   M=C:\\src\\Unit2.pas ACBP=A9",
        " 0002:00000000 00000050 C=DATA     S=.data    G=DGROUP   M=System   ACBP=A9", "", "",
        "  Address         Publics by Value", "",
        " 0001:00000000       System.Start", " 0001:00000100       Unit2",
        " 0001:00000150       Unit2.Foo(Integer;string)", " 0002:00000010       System.Var", "", "",
        "Line numbers for Unit2(Unit2.pas) segment .text", "",
        "    10 0001:00000100    11 0001:00000110    13 0001:00000120    20 0001:00000130", "",
        "Program entry point at 0001:00000150", ""]
    write("linkermap_fuzz", "map", "\r\n".join(lines).encode())


def td32():
    names = [b"C:\\work\\Alpha.pas", b"Alpha.Run", b"Alpha.Counter", b"Beta.pas"]

    def module(name_index, entries):
        b = bytearray(28)
        b[4] = len(entries)
        struct.pack_into("<I", b, 8, name_index)
        for flags, offset, length in entries:
            b += struct.pack("<HHII", 1, flags, offset, length)
        return bytes(b)

    def procedure(kind, offset, name_index):
        r = bytearray(44)
        r[0] = 42
        struct.pack_into("<H", r, 2, kind)
        struct.pack_into("<I", r, 28, offset)
        struct.pack_into("<I", r, 40, name_index)
        return bytes(r)

    def data(kind, offset, name_index):
        r = bytearray(20)
        r[0] = 18
        struct.pack_into("<H", r, 2, kind)
        struct.pack_into("<I", r, 4, offset)
        struct.pack_into("<I", r, 16, name_index)
        return bytes(r)

    pairs = [(0x10, 5), (0x20, 6), (0x40, 7), (0x48, 8)]
    lines = struct.pack("<HHIHHHIHH", 1, 0, 8, 1, 0, 0, 18, 1, len(pairs))
    lines += b"".join(struct.pack("<I", a) for a, _ in pairs) + b"".join(struct.pack("<H", n) for _, n in pairs)
    name_table = struct.pack("<I", len(names)) + b"".join(bytes([len(n)]) + n + b"\0" for n in names)
    subsections = [(0x120, module(1, [(1, 0, 0x120), (0, 0x10, 0x40)])), (0x120, module(4, [(1, 0x120, 0x80)])),
                   (0x129, bytes(32) + procedure(0x205, 0x50, 2) + data(0x201, 0x20, 3)),
                   (0x127, lines), (0x130, name_table)]
    out = b"FB09" + struct.pack("<IHHIII", 8, 16, 12, len(subsections), 0, 0)
    offset = len(out) + 12 * len(subsections)
    for kind, body in subsections:
        out += struct.pack("<HHII", kind, 0, offset, len(body))
        offset += len(body)
    write("td32_fuzz", "sample", out + b"".join(body for _, body in subsections))


def pe_image():
    """A 32-bit image file with two sections and an export table of named, unnamed and forwarded entries."""
    mapped = bytearray(0x3000)
    put32 = lambda at, v: struct.pack_into("<I", mapped, at, v)
    put16 = lambda at, v: struct.pack_into("<H", mapped, at, v)
    put16(0, 0x5A4D); put32(60, 0x80); put32(0x80, 0x4550); put16(0x84, 0x14C); put16(0x86, 2)
    put16(0x94, 0xE0); put16(0x98, 0x10B); put32(0x98 + 56, 0x3000); put32(0x98 + 92, 16)
    put32(0x98 + 96, 0x2000); put32(0x98 + 100, 0x1000)
    for i, (address, raw) in enumerate([(0x1000, 0x400), (0x2000, 0x800)]):
        h = 0x98 + 0xE0 + 40 * i
        put32(h + 8, 0x1000); put32(h + 12, address); put32(h + 16, 0x1000); put32(h + 20, raw)
    put32(0x2010, 5); put32(0x2014, 4); put32(0x2018, 2); put32(0x201C, 0x2100); put32(0x2020, 0x2200)
    put32(0x2024, 0x2300)
    for i, rva in enumerate([0x1010, 0x1020, 0x2400, 0x1030]):
        put32(0x2100 + 4 * i, rva)
    mapped[0x2400:0x2400 + 23] = b"KERNEL32.GetTickCount\0\0"
    for i, (name, ordinal) in enumerate([(b"Alpha", 0), (b"@Unit@TFoo@Bar$qqrv", 3)]):
        put32(0x2200 + 4 * i, 0x2500 + 0x40 * i)
        mapped[0x2500 + 0x40 * i:0x2500 + 0x40 * i + len(name) + 1] = name + b"\0"
        put16(0x2300 + 2 * i, ordinal)
    file = bytes(mapped[:0x400]) + bytes(mapped[0x1000:0x1400]) + bytes(mapped[0x2000:0x3000])
    write("pe_image_fuzz", "file", file)
    write("pe_image_fuzz", "mapped", bytes(mapped))


def blocks(name):
    raw = open(os.path.join(DATA, "disasm", name + ".mem"), "rb").read()
    at, out = 0, []
    while at < len(raw):
        address, size = struct.unpack_from("<II", raw, at)
        out.append((address, raw[at + 8:at + 8 + size]))
        at += 8 + size
    return out


def disasm():
    """Entry offset, then the crafted functions and the compiled landing-pad set as code."""
    for name in ("crafted", "landing"):
        base, code = blocks(name)[0]
        for line in open(os.path.join(DATA, "disasm", name + ".sym")):
            address, symbol = line.split()
            offset = int(address, 16) - base
            if 0 <= offset < len(code) and (symbol.startswith("f_") or symbol.startswith(("__Z9catch", "__Z8clean"))):
                write("disasm_fuzz", f"{name}_{symbol}", struct.pack("<H", offset) + code)


def unwind():
    """Length of the unwind section, the section, then the code block that holds the call-site tables."""
    text, _, eh_frame = blocks("landing")
    write("unwind_fuzz", "landing", struct.pack("<H", len(eh_frame[1])) + eh_frame[1] + text[1])


if __name__ == "__main__":
    linker_map()
    td32()
    pe_image()
    disasm()
    unwind()
