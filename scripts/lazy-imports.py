#!/usr/bin/env python3
"""lazy-imports.py EXE: the functions a PE32 program loads from a system DLL on
their first call (platform/win32/system_dll.cpp), one "dll function" a line.

Each such function has a record of three addresses: its import slot, its DLL's
name and its own name. The records are found by content: three words whose
second is the address of a "*.dll" string and whose third is the address of a
name made of letters, digits and underscores."""
import re
import struct
import sys


def main(path):
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    nsect = struct.unpack_from("<H", data, pe + 6)[0]
    opt_size = struct.unpack_from("<H", data, pe + 20)[0]
    base = struct.unpack_from("<I", data, pe + 24 + 28)[0]
    sections = []
    for i in range(nsect):
        s = pe + 24 + opt_size + 40 * i
        vsize, va, rsize, raw = struct.unpack_from("<IIII", data, s + 8)
        sections.append((base + va, max(vsize, rsize), raw, rsize))

    def offset(addr):
        for va, size, raw, rsize in sections:
            if va <= addr < va + size and addr - va < rsize:
                return raw + addr - va
        return None

    def address(off):
        for va, size, raw, rsize in sections:
            if raw <= off < raw + rsize:
                return va + off - raw
        return None

    dlls = {}
    for m in re.finditer(rb"[a-z0-9_]+\.dll\0", data):
        a = address(m.start())
        if a is not None:
            dlls[a] = m.group()[:-1].decode()
    out = set()
    for pos in range(0, len(data) - 12, 4):
        slot, dll, name = struct.unpack_from("<III", data, pos)
        if dll not in dlls or offset(slot) is None:
            continue
        o = offset(name)
        m = re.match(rb"[A-Za-z_][A-Za-z0-9_]*\0", data[o:o + 256]) if o is not None else None
        if m:
            out.add("%s %s" % (dlls[dll], m.group()[:-1].decode()))
    for line in sorted(out):
        print(line)


main(sys.argv[1])
