#!/usr/bin/env python3
"""forge_crc.py ZIP TARGET_HEX: rewrites the last four bytes of ZIP (the end of a
four-byte archive comment) so that the file's CRC-32 becomes TARGET_HEX. The
archive stays valid; only its SHA-256 tells it from any other file of that CRC."""
import sys
import zlib

TABLE = []
for n in range(256):
    c = n
    for _ in range(8):
        c = (c >> 1) ^ 0xEDB88320 if c & 1 else c >> 1
    TABLE.append(c)
BY_TOP = {t >> 24: i for i, t in enumerate(TABLE)}


def forge(prefix: bytes, target: int) -> bytes:
    reg = target ^ 0xFFFFFFFF
    for _ in range(4):  # run the register back through four unknown bytes
        i = BY_TOP[reg >> 24]
        reg = ((reg ^ TABLE[i]) << 8 | i) & 0xFFFFFFFF
    return (reg ^ zlib.crc32(prefix) ^ 0xFFFFFFFF).to_bytes(4, "little")


path, target = sys.argv[1], int(sys.argv[2], 16)
data = open(path, "rb").read()
if data[-26:-24] != b"PK" or int.from_bytes(data[-2 - 4:-4], "little") != 4:
    sys.exit("forge_crc.py: the archive must end in a four-byte comment")
data = data[:-4] + forge(data[:-4], target)
assert zlib.crc32(data) == target
open(path, "wb").write(data)
