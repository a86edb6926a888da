#!/usr/bin/env python3
"""Packages for the command-line tests of veltaro-kit, written into DIR:
a good one and one per way the installer would not install it whole."""
import random
import struct
import sys
import zipfile
import zlib

out = sys.argv[1]
STAMP = (2024, 5, 1, 12, 0, 0)
ROOT_FILES = ["VeltaroLauncher.exe", "VeltaroMain.exe", "VAVodevado.exe", "Uninstall/uninst.exe", "365.ico"]


def write(name, members, method=zipfile.ZIP_DEFLATED):
    with zipfile.ZipFile(f"{out}/{name}", "w") as z:
        for member, data in members:
            info = member if isinstance(member, zipfile.ZipInfo) else zipfile.ZipInfo(member, STAMP)
            info.compress_type = method
            z.writestr(info, data)


def patch(name, fn):
    path = f"{out}/{name}"
    data = bytearray(open(path, "rb").read())
    fn(data)
    open(path, "wb").write(bytes(data))


def central(data):
    return data.find(b"PK\x01\x02")


# A large member that does not compress keeps the package big enough for two
# real segments.
blob = random.Random(1).randbytes(600000)
good = [(n, (n * 300).encode()) for n in ROOT_FILES]
good += [("数据/readme.txt", "说明".encode() * 500), ("docs/", b""), ("data/blob.bin", blob)]
write("Pkg-2.1.zip", good)
write("Pkg-2.2.zip", good + [("new.txt", b"new in 2.2")])
write("bare.zip", [("readme.txt", b"only a readme")])
write("utf8name.zip", good + [("中.txt", b"its UTF-8 bytes end in half a GBK pair")])
write("utf8deep.zip", good + [("文档/用户手册.txt", b"inside a folder the stored bytes stay")])
write("folder.zip", [("Pkg/" + n, d) for n, d in good])
write("carried.zip", good + [("ThirdSoftware/BaseService.exe", b"the package's own copy")])
write("control.zip", good + [("bad\x01.txt", b"a control byte in the name")])
# 41 characters of "D:\Program Files\Veltaro\VeltaroPlatform\" and 211 or 207 below it: a
# file's temporary name is 8 characters longer.
write("long.zip", good + [("e/" + "y" * 205 + ".txt", b"260"), ("f/" + "z" * 205 + "/a", b"248")])
link = zipfile.ZipInfo("lib/libx.so", STAMP)
link.create_system = 3
link.external_attr = 0o120777 << 16
write("names.zip", good + [("A.txt", b"1"), ("a.TXT", b"2"), ("dot.", b"3"), ("sp /x.txt", b"4"), ("ab:c/x.txt", b"5"),
                           ("/abs/x.txt", b"6"), ("C:/y.txt", b"7"), (link, b"libx.so.1")])
write("my pkg.zip", good)
write("unsafe.zip", good + [("../evil.txt", b"out of the folder")])
write("badcrc.zip", good)
patch("badcrc.zip", lambda d: d.__setitem__(slice(central(d) + 16, central(d) + 20), b"\0\0\0\0"))
write("bzip2.zip", good)


def set_method(d):
    d[8:10] = struct.pack("<H", 12)  # the first local header
    c = central(d)
    d[c + 10:c + 12] = struct.pack("<H", 12)


patch("bzip2.zip", set_method)
write("encrypted.zip", good)
patch("encrypted.zip", lambda d: d.__setitem__(central(d) + 8, d[central(d) + 8] | 1))
write("gbkfolder.zip", [("XXXX/a.txt", b"a")] + good)
patch("gbkfolder.zip", lambda d: d.__setitem__(slice(0, len(d)), d.replace(b"XXXX", "数据".encode("gbk"))))
open(f"{out}/empty.zip", "wb").write(b"PK\x05\x06" + bytes(18))
open(f"{out}/notzip.zip", "wb").write(b"this is not a zip archive\n" * 10)
with open(f"{out}/huge.zip", "wb") as f:  # sparse: 2 GiB without the disk space
    f.truncate(2 ** 31)
for n in ["Pkg-2.1.zip", "Pkg-2.2.zip"]:
    print(n, "%02X" % zlib.crc32(open(f"{out}/{n}", "rb").read()))
