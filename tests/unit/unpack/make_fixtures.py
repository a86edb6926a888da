#!/usr/bin/env python3
"""Writes the archives the unpack tests read, made by real tools (zip, bsdtar,
Python's zipfile), some then damaged on purpose. Usage: make_fixtures.py OUTDIR"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "support"))
import package_names  # noqa: E402

out = os.path.abspath(sys.argv[1])
os.makedirs(out, exist_ok=True)
work = tempfile.mkdtemp()


def path(name):
    return os.path.join(out, name)


def write(p, data):
    os.makedirs(os.path.dirname(p), exist_ok=True)
    with open(p, "wb") as f:
        f.write(data)


def central_headers(data):
    """Offsets of the central directory headers, in order."""
    pos, found = 0, []
    while True:
        pos = data.find(b"PK\x01\x02", pos)
        if pos < 0:
            return found
        found.append(pos)
        pos += 4


# A tree with stored (.bin) and deflated members, made by Info-ZIP.
tree = os.path.join(work, "tree")
write(os.path.join(tree, "readme.txt"), b"hello package\n" * 50)
write(os.path.join(tree, "bin", "raw.bin"), bytes(range(256)) * 1200)  # 300 KiB, stored
write(os.path.join(tree, "bin", "deep", "text.txt"), b"".join(b"%d\n" % i for i in range(40000)))
write(os.path.join(tree, "empty.txt"), b"")
os.makedirs(os.path.join(tree, "void"))
subprocess.run(["zip", "-q", "-r", "-n", ".bin", path("tree.zip"), "."], cwd=tree, check=True)
subprocess.run(["bsdtar", "--format", "zip", "-cf", path("tree-bsdtar.zip"), "-C", tree, "."], check=True)

# Folders only.
folders = os.path.join(work, "folders")
os.makedirs(os.path.join(folders, "a", "b"))
os.makedirs(os.path.join(folders, "c"))
subprocess.run(["zip", "-q", "-r", path("folders.zip"), "."], cwd=folders, check=True)

# The longest comment the format allows.
with zipfile.ZipFile(path("comment.zip"), "w") as z:
    z.writestr("c.txt", b"comment follows")
    z.comment = b"#" * 65535

write(path("empty.zip"), b"")
write(path("notzip.zip"), b"This is not an archive at all.\n" * 10)

# Three stored members; the middle one's data is damaged afterwards.
with zipfile.ZipFile(path("badcrc.zip"), "w") as z:
    for name in ("good1.txt", "bad.txt", "good2.txt"):
        z.writestr(name, name.encode() * 20)
data = bytearray(open(path("badcrc.zip"), "rb").read())
data[data.rfind(b"bad.txtbad.txt") + 3] ^= 0x20  # in the data, not the name
write(path("badcrc.zip"), bytes(data))

# Every kind of name (tests/support/package_names.py) and the tree it installs
# as, one path a line in UTF-8, folders ending in "/".
with zipfile.ZipFile(path("names.zip"), "w") as z:
    package_names.add_names(z)
write(path("names.expected"), "".join(p + "\n" for p in sorted(package_names.installed())).encode("utf-8"))

# Names that try to leave the destination, beside one harmless member.
with zipfile.ZipFile(path("hostile.zip"), "w") as z:
    for name in ("../up1.txt", "..\\up2.txt", "a/../../up3.txt", "x/..\\..\\up4.txt", "C:/drive/d.txt",
                 "C:evil.txt", "D:..\\up5.txt", "/abs/x.txt", "\\abs2\\y.txt", "ok.txt"):
        z.writestr(zipfile.ZipInfo(name), name.encode())

# Attributes and times: a read-only member and a time out of range.
with zipfile.ZipFile(path("attrs.zip"), "w") as z:
    ro = zipfile.ZipInfo("ro.txt", date_time=(2020, 2, 29, 13, 37, 58))
    ro.external_attr = 0x01  # MS-DOS read-only
    z.writestr(ro, b"read only")
    z.writestr(zipfile.ZipInfo("late.txt", date_time=(2021, 6, 15, 10, 0, 0)), b"late")
data = bytearray(open(path("attrs.zip"), "rb").read())
late = central_headers(data)[1]
struct.pack_into("<HH", data, late + 12, 0xFFFF, (41 << 9) | (15 << 5) | 0)  # 31:63:62, month 15, day 0
write(path("attrs.zip"), bytes(data))

# An encrypted member (zip's traditional encryption).
enc = os.path.join(work, "enc")
write(os.path.join(enc, "secret.txt"), b"secret")
subprocess.run(["zip", "-q", "-P", "pw", path("encrypted.zip"), "secret.txt"], cwd=enc, check=True)

# ZIP64 records (end of central directory record and locator) forced by zip.
subprocess.run(["zip", "-q", "-fz", path("zip64.zip"), "secret.txt"], cwd=enc, check=True)

# An empty member marked deflated with no data at all, as some writers store it.
with zipfile.ZipFile(path("emptydeflate.zip"), "w") as z:
    z.writestr("nothing.txt", b"")
d = bytearray(open(path("emptydeflate.zip"), "rb").read())
struct.pack_into("<H", d, 8, 8)
struct.pack_into("<H", d, central_headers(d)[0] + 10, 8)
write(path("emptydeflate.zip"), bytes(d))

# Damaged copies of a two-member deflated archive.
with zipfile.ZipFile(path("two.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("first.txt", b"A" * 100000)
    z.writestr("second.txt", b"second member")
base = open(path("two.zip"), "rb").read()
cd = central_headers(base)
# The first member's local header offset points past the end of the file.
d = bytearray(base)
struct.pack_into("<I", d, cd[0] + 42, len(base) + 100)
write(path("badlocal.zip"), bytes(d))
# The first member declares one byte less than its stream inflates to.
d = bytearray(base)
struct.pack_into("<I", d, cd[0] + 24, 100000 - 1)
write(path("longer.zip"), bytes(d))
# The central directory claims more bytes than the archive holds.
d = bytearray(base)
eocd = base.rfind(b"PK\x05\x06")
struct.pack_into("<I", d, eocd + 12, len(base) * 4)
write(path("bigcd.zip"), bytes(d))
# Cut off in the middle of the first member's data.
write(path("truncated.zip"), base[: len(base) // 2])
# A method no package uses (12, bzip2).
d = bytearray(base)
struct.pack_into("<H", d, cd[1] + 10, 12)
write(path("method.zip"), bytes(d))

# Two stored members and an archive comment: the base the damage table changes
# byte by byte (the comment leaves room after the end record).
with zipfile.ZipFile(path("stored2.zip"), "w") as z:
    z.writestr("a.txt", b"alpha" * 10)
    z.writestr("b.txt", b"beta" * 10)
    z.comment = b"#" * 64


def raw_zip(name, extra, comment):
    """One stored member whose central sizes read 0xFFFFFFFF, with the given
    extra field and file comment in its central header, then a plain "ok.txt"."""
    data, crc = b"x" * 40, zipfile.crc32(b"x" * 40)
    ok, okcrc = b"fine", zipfile.crc32(b"fine")
    local = struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, 0, 0, 0x21, crc, len(data), len(data), len(name), 0)
    local2_at = len(local) + len(name) + len(data)
    local2 = struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, 0, 0, 0x21, okcrc, 4, 4, 6, 0)
    body = local + name + data + local2 + b"ok.txt" + ok
    cen = struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, 0, 0, 0, 0x21, crc, 0xFFFFFFFF, 0xFFFFFFFF,
                      len(name), len(extra), len(comment), 0, 0, 0, 0) + name + extra + comment
    cen += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, 0, 0, 0, 0x21, okcrc, 4, 4, 6, 0, 0, 0, 0, 0,
                       local2_at) + b"ok.txt"
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 2, 2, len(cen), len(body), 0)
    return body + cen + end


# A ZIP64 extra field shorter than the two sizes it must hold, and one that
# claims more bytes than the extra area has; in both the file comment that
# follows holds the right sizes, so a reader that runs over reads them.
n = struct.pack("<Q", 40)
write(path("extra-short.zip"), raw_zip(b"x.txt", struct.pack("<HH", 1, 4) + n[:4], n[4:] + n))
write(path("extra-long.zip"), raw_zip(b"x.txt", struct.pack("<HH", 1, 16) + n, n))

shutil.rmtree(work)
open(path("stamp"), "w").close()
