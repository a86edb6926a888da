#!/usr/bin/env python3
"""delay-imports.py EXE: the functions a PE32 program delay-loads, one "dll function"
a line (lower-case DLL name; "#N" for an import by ordinal).

The toolchain's delay-load libraries leave the PE header's delay-import entry
empty, so the descriptors are found by content: 32 bytes whose first word is 1
(addresses are RVAs) and whose second is the RVA of a DLL name in the image."""
import re
import struct
import sys


def main(path):
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    nsect = struct.unpack_from("<H", data, pe + 6)[0]
    opt = pe + 24
    sections = []
    for i in range(nsect):
        s = opt + struct.unpack_from("<H", data, pe + 20)[0] + 40 * i
        vsize, va, rsize, raw = struct.unpack_from("<IIII", data, s + 8)
        sections.append((va, max(vsize, rsize), raw, rsize))

    def offset(rva):
        for va, size, raw, rsize in sections:
            if va <= rva < va + size and rva - va < rsize:
                return raw + rva - va
        return None

    def rva_of(off):
        for va, size, raw, rsize in sections:
            if raw <= off < raw + rsize:
                return va + off - raw
        return None

    def cstr(rva):
        o = offset(rva)
        return data[o:data.index(b"\0", o)].decode("ascii", "replace") if o is not None else None

    names = {}
    for m in re.finditer(rb"[A-Za-z0-9_.-]+\.dll\0", data, re.I):
        r = rva_of(m.start())
        if r is not None:
            names[r] = m.group()[:-1].decode().lower()
    out = set()
    for pos in range(0, len(data) - 32, 4):
        attrs, name_rva, hmod, iat, int_rva = struct.unpack_from("<IIIII", data, pos)
        if attrs != 1 or name_rva not in names or offset(int_rva) is None or offset(iat) is None:
            continue
        o = offset(int_rva)
        while True:
            entry = struct.unpack_from("<I", data, o)[0]
            if entry == 0:
                break
            out.add("%s %s" % (names[name_rva], "#%d" % (entry & 0xFFFF) if entry & 0x80000000 else cstr(entry + 2)))
            o += 4
    for line in sorted(out):
        print(line)


main(sys.argv[1])
