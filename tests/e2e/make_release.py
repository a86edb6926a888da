#!/usr/bin/env python3
"""A deterministic test release of Veltaro365, laid out at the servers' paths.

make_release.py OUT STAND_IN_EXE [--ascii-names | --all-names] writes:
  OUT/www/   the download server's files: manifest, package, the three drivers
  OUT/svc/   the service host's files: the base service
  OUT/tree/  what an install leaves below the installation folder: the
             package's files plus the four component files at their places
With --ascii-names the package's names are ASCII; --all-names adds every name of
tests/support/package_names.py to those.
  OUT/release.env   PACKAGE, PACKAGE_CRC, PACKAGE_SIZE, VERSION for the shell
The same inputs give the same bytes on every run.
"""
import os
import random
import struct
import sys
import zipfile
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import package_names  # noqa: E402

VERSION = "V2.1.0"
PACKAGE = "VeltaroPlatform_2.1.0.zip"
PKG_DIR = "zelqa/DOWN_CENTER/VELTARO/VELTARO/"
DRIVER_DIR = "zelqa/DOWN_CENTER/SBQD/"
BASE_SERVICE = "rjxz/KESMO365/YCSFW/DiruvOzoBaseService.exe"
DOS_TIME = (2026, 1, 5, 8, 7, 10)


def icon_16x16():
    """A real one-image .ico: 16 x 16, 32 bits a pixel, a blue square."""
    pixels = b"".join(struct.pack("<BBBB", 0xFB, 0x7B, 0x2E, 0xFF) for _ in range(256))
    mask = bytes(4 * 16)
    bmp = struct.pack("<IiiHHIIiiII", 40, 16, 32, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0) + pixels + mask
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", 16, 16, 0, 0, 1, 32, len(bmp), 22) + bmp


def package_members(stand_in):
    rng = random.Random(365)
    tag = lambda name: stand_in + b"\0VeltaroTestRelease:" + name.encode()
    files = {
        "VeltaroMain.exe": tag("VeltaroMain"),
        "VeltaroLauncher.exe": tag("VeltaroLauncher"),
        "VAVodevado.exe": tag("VAVodevado"),
        "Uninstall/uninst.exe": tag("uninst"),
        "365.ico": icon_16x16(),
        # Chinese names at the top level and for folders (every kind of name:
        # --all-names).
        "使用说明.txt": "Veltaro365 测试版\r\n".encode("gbk") * 40,
        "数据/offline.bin": rng.randbytes(3 * 1024 * 1024 + 4097),
        "数据/皮肤/theme.ini": b"[Theme]\r\nColor=2E7BFB\r\n",
        "插件/税务/readme.txt": b"plug-in placeholder\r\n" * 300,
        "App/config.xml": b"<config version=\"2.1.0\"/>\r\n",
    }
    return files


def write_package(path, files, all_names=False):
    folders = sorted({name[: i + 1] for name in files for i, c in enumerate(name) if c == "/"})
    with zipfile.ZipFile(path, "w") as z:
        if all_names:
            package_names.add_names(z)
        for folder in folders:
            info = zipfile.ZipInfo(folder, DOS_TIME)
            info.create_system = 0  # made on Windows: attributes are DOS attributes
            info.external_attr = 0x10
            z.writestr(info, b"")
        for name, data in files.items():
            info = zipfile.ZipInfo(name, DOS_TIME)
            info.create_system = 0
            info.external_attr = 0x20
            info.compress_type = zipfile.ZIP_STORED if name.endswith(".bin") else zipfile.ZIP_DEFLATED
            z.writestr(info, data)


def put(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


# The same package for a Windows whose code page is not GBK, which cannot create
# the Chinese names: ASCII names in their place.
ASCII_NAMES = {"使用说明.txt": "readme-cn.txt", "数据": "data", "皮肤": "skin", "插件": "plugins", "税务": "tax"}


def ascii_name(name):
    return "/".join(ASCII_NAMES.get(part, part) for part in name.split("/"))


def main():
    out, stand_in_path = sys.argv[1], sys.argv[2]
    with open(stand_in_path, "rb") as f:
        stand_in = f.read()
    files = package_members(stand_in)
    all_names = sys.argv[3:] == ["--all-names"]
    if sys.argv[3:] == ["--ascii-names"] or all_names:
        files = {ascii_name(name): data for name, data in files.items()}
        assert all(name.isascii() for name in files)
    www, svc, tree = (os.path.join(out, d) for d in ("www", "svc", "tree"))

    pkg = os.path.join(www, PKG_DIR, PACKAGE)
    os.makedirs(os.path.dirname(pkg), exist_ok=True)
    write_package(pkg, files, all_names)
    with open(pkg, "rb") as f:
        data = f.read()
    crc = "%02X" % zlib.crc32(data)
    put(os.path.join(www, PKG_DIR, "VELTARO.XML"),
        ("[Setup]\r\nLargeVer=%s\r\nurl=%s\r\ncrc=%s\r\n" % (VERSION, PACKAGE, crc)).encode())

    components = {
        "ThirdSoftware/BaseService.exe": (os.path.join(svc, BASE_SERVICE), b"base service 2.00\0" * 7000),
        "App/SWUKeyDrive.exe": (os.path.join(www, DRIVER_DIR, "SWUKeyDrive.exe"), b"usb key driver\0" * 3000),
        "App/VeltaroCSP.exe": (os.path.join(www, DRIVER_DIR, "VeltaroCSP.exe"), b"tax disk driver\0" * 2000),
        "App/SKPDrive.exe": (os.path.join(www, DRIVER_DIR, "SKPDrive.exe"), b"skp driver\0" * 1000),
    }
    for target, (source, body) in components.items():
        put(source, body)
        put(os.path.join(tree, target), body)
    for name, body in files.items():
        put(os.path.join(tree, name), body)
    for name, body in (package_names.installed() if all_names else {}).items():
        if body is None:
            os.makedirs(os.path.join(tree, name), exist_ok=True)
        else:
            put(os.path.join(tree, name), body)

    with open(os.path.join(out, "release.env"), "w") as f:
        f.write("PACKAGE=%s\nPACKAGE_CRC=%s\nPACKAGE_SIZE=%d\nVERSION=%s\n" % (PACKAGE, crc, len(data), VERSION))


if __name__ == "__main__":
    main()
