#!/usr/bin/env python3
"""The demo release package of Veltaro365, made from the demo programs.

make_package.py PROGRAMS_DIR OUT_DIR

PROGRAMS_DIR holds the programs the win32 tree builds into bin/demo/. Writes
  OUT_DIR/VeltaroPlatform_<version>.zip   the package (version from demo/VERSION)
  OUT_DIR/components/                     the four component files for publish
and prints the package's path. Entries carry fixed times and attributes and
come in a fixed order: the same programs give the same bytes on every run.
"""
import os
import random
import sys
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
DOS_TIME = (2026, 1, 5, 8, 7, 10)
COMPONENTS = {  # file in OUT_DIR/components -> where the installer puts it
    "BaseService.exe": "ThirdSoftware/BaseService.exe",
    "SWUKeyDrive.exe": "App/SWUKeyDrive.exe",
    "VeltaroCSP.exe": "App/VeltaroCSP.exe",
    "SKPDrive.exe": "App/SKPDrive.exe",
}
# Written by the product after the install, removed by its uninstaller.
PRODUCT_FILES = ["VAVodevado.log"]
LIST = "Uninstall/install.lst"


def read(path):
    with open(path, "rb") as f:
        return f.read()


def members(programs):
    rng = random.Random(365)
    files = {
        "VeltaroLauncher.exe": read(os.path.join(programs, "VeltaroLauncher.exe")),
        "VeltaroMain.exe": read(os.path.join(programs, "VeltaroMain.exe")),
        "VAVodevado.exe": read(os.path.join(programs, "VAVodevado.exe")),
        "Uninstall/uninst.exe": read(os.path.join(programs, "uninst.exe")),
        "365.ico": read(os.path.join(HERE, "..", "resources", "veltaro.ico")),
        # Chinese names, stored as UTF-8: the unpack installs them as they read.
        "使用说明.txt": "Veltaro365 演示版\r\n\r\n这是 Veltaro 在线安装程序的演示产品。\r\n".encode("gbk"),
        "数据/offline.bin": rng.randbytes(1536 * 1024),
        "数据/配置/settings.ini": b"[Settings]\r\nColor=2E7BFB\r\n",
        "插件/税务/readme.txt": b"Veltaro365 demo plug-in\r\n" * 40,
    }
    return files


def folders_of(names):
    return sorted({n[: i + 1] for n in names for i, c in enumerate(n) if c == "/"})


def install_list(files):
    """What the installation consists of, for the uninstaller: folders first
    (parents before children), then files; Windows separators, UTF-8."""
    names = list(files) + list(COMPONENTS.values()) + PRODUCT_FILES + [LIST]
    lines = folders_of(names) + sorted(names)
    return "".join(line.replace("/", "\\") + "\r\n" for line in lines).encode("utf-8")


def write_package(path, files):
    with zipfile.ZipFile(path, "w") as z:
        for folder in folders_of(files):
            info = zipfile.ZipInfo(folder, DOS_TIME)
            info.create_system = 0  # made on Windows: DOS attributes
            info.external_attr = 0x10
            z.writestr(info, b"")
        for name in sorted(files):
            info = zipfile.ZipInfo(name, DOS_TIME)
            info.create_system = 0
            info.external_attr = 0x20
            info.compress_type = zipfile.ZIP_STORED if name.endswith(".bin") else zipfile.ZIP_DEFLATED
            z.writestr(info, files[name])


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip().splitlines()[2])
    programs, out = sys.argv[1], sys.argv[2]
    with open(os.path.join(HERE, "VERSION")) as f:
        version = f.read().strip()
    files = members(programs)
    files[LIST] = install_list(files)
    os.makedirs(os.path.join(out, "components"), exist_ok=True)
    package = os.path.join(out, "VeltaroPlatform_%s.zip" % version)
    write_package(package + ".tmp", files)
    os.replace(package + ".tmp", package)
    for name in COMPONENTS:
        with open(os.path.join(out, "components", name), "wb") as f:
            f.write(read(os.path.join(programs, name)))
    print(package)


if __name__ == "__main__":
    main()
