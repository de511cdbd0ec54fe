#!/usr/bin/env python3
"""Writes tests/data/compact/golden.jov: compact symbol data made without any of the program's code, so
that the reader's test catches a wrong password, cipher, packing or layout on either side.

Blowfish's tables are the hexadecimal digits of pi, computed here; deflate and CRC-32 are Python's."""
import os
import struct
import zlib

MAGIC = b"OSTREL-SYMBOLS"
VERSION = 2
PREFIX = "Qx7#oS"

SEGMENTS = [(0x0000, 0x0180, "Main"), (0x0180, 0x2E80, "jovMapFile"), (0x3000, 0x0400, "Zeta.Unit")]
PUBLICS = [("_start", 0x0010), ("Main.Run", 0x0090), ("TMapFile.FindLine", 0x0190),
           ("far_away", 0x2F00), ("Zeta.Unit.Init", 0x3004)]
LINES = [(10, 0x0010), (11, 0x0018), (200, 0x0190), (199, 0x0210), (70000, 0x2F00), (1, 0x3004)]
ENTRY = 0x0010


def pi_words(count):
    """The first `count` 32-bit words of pi's fraction (Machin's formula in fixed point)."""
    bits = count * 32 + 64
    one = 1 << bits

    def arctan_inverse(x):
        total, term, n, sign = 0, one // x, 1, 1
        while term:
            total += sign * (term // n)
            term //= x * x
            n += 2
            sign = -sign
        return total

    pi = 16 * arctan_inverse(5) - 4 * arctan_inverse(239)
    fraction = (pi - 3 * one) >> 64
    return [(fraction >> (32 * (count - 1 - i))) & 0xFFFFFFFF for i in range(count)]


class Blowfish:
    def __init__(self, key):
        words = pi_words(18 + 4 * 256)
        self.p = words[:18]
        self.s = [words[18 + 256 * i:18 + 256 * (i + 1)] for i in range(4)]
        for i in range(18):
            k = 0
            for j in range(4):
                k = (k << 8) | key[(4 * i + j) % len(key)]
            self.p[i] ^= k
        left = right = 0
        for i in range(0, 18, 2):
            left, right = self.encrypt(left, right)
            self.p[i], self.p[i + 1] = left, right
        for box in self.s:
            for i in range(0, 256, 2):
                left, right = self.encrypt(left, right)
                box[i], box[i + 1] = left, right

    def f(self, x):
        a, b, c, d = x >> 24, (x >> 16) & 0xFF, (x >> 8) & 0xFF, x & 0xFF
        return ((((self.s[0][a] + self.s[1][b]) & 0xFFFFFFFF) ^ self.s[2][c]) + self.s[3][d]) & 0xFFFFFFFF

    def encrypt(self, left, right):
        for i in range(16):
            left ^= self.p[i]
            right ^= self.f(left)
            left, right = right, left
        left, right = right, left
        right ^= self.p[16]
        left ^= self.p[17]
        return left, right

    def encrypt_stored_order(self, data):
        """ECB over whole 8-byte blocks; the dword at offset 4 is the left half; a short tail stays plain."""
        out = bytearray(data)
        for at in range(0, len(data) - len(data) % 8, 8):
            right, left = struct.unpack_from("<II", data, at)
            left, right = self.encrypt(left, right)
            struct.pack_into("<II", out, at, right, left)
        return bytes(out)


def password(payload_length):
    text = f"{PREFIX}{payload_length:08X}{PREFIX}{payload_length % 100000000:08d}".encode() * 2
    return Blowfish(text).encrypt_stored_order(text)


def packed(value):
    return struct.pack("<b", value) if -127 <= value <= 127 else b"\x80" + struct.pack("<i", value)


def short_string(text):
    return bytes([len(text)]) + text.encode()


def stream():
    out = struct.pack("<I", len(SEGMENTS))
    for start, length, unit in SEGMENTS:
        out += struct.pack("<II", start, length) + short_string(unit)
    out += struct.pack("<I", len(PUBLICS))
    for i, (name, address) in enumerate(PUBLICS):
        out += short_string(name)
        out += struct.pack("<I", address) if i == 0 else packed(address - PUBLICS[i - 1][1])
    out += struct.pack("<I", len(LINES))
    out += struct.pack("<II", *LINES[0])
    for (line, address), (before, at) in zip(LINES[1:], LINES):
        out += packed(line - before) + packed(address - at)
    return out + struct.pack("<I", ENTRY)


def main():
    plain = stream()
    deflate = zlib.compressobj(9, zlib.DEFLATED, -15)
    compressed = struct.pack("<III", len(plain), zlib.crc32(plain), 0) + deflate.compress(plain) + deflate.flush()
    payload = Blowfish(password(len(compressed))).encrypt_stored_order(compressed)
    here = os.path.dirname(os.path.abspath(__file__))
    path = os.path.join(here, "..", "tests", "data", "compact", "golden.jov")
    with open(path, "wb") as out:
        out.write(MAGIC + struct.pack("<II", len(payload), VERSION) + payload)


if __name__ == "__main__":
    main()
