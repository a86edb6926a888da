"""The names a package may give its files, each stored as real packers store it.

Shared by the unpack's unit fixtures and the Wine install test: NAMES rows are
(name, stored encoding, UTF-8 flag, host); every file holds its own name, so a
file installed under another entry's name shows.
"""
import zipfile

NAMES = [
    ("说明书.txt", "utf-8", True, 3),  # UTF-8 whose bytes are no GBK text
    ("帮助.txt", "utf-8", False, 3),  # the same without the flag
    ("文档/", "utf-8", True, 3),
    ("文档/用户手册.txt", "utf-8", True, 3),  # nested
    ("资料/许可协议.txt", "utf-8", False, 3),
    ("插件/税务/说明.txt", "utf-8", False, 0),  # an MS-DOS host's UTF-8, no flag
    ("使用说明.txt", "gbk", False, 0),
    ("数据/", "gbk", False, 0),
    ("数据/配置.ini", "gbk", False, 0),
    ("数据/淺水.txt", "gbk", False, 0),  # a GBK character whose second byte is "\"
    ("表情😀.txt", "utf-8", True, 3),  # beyond the Basic Multilingual Plane
    ("readme.txt", "ascii", False, 3),
]


class RawNameInfo(zipfile.ZipInfo):
    """A member whose name bytes and UTF-8 flag are given, not chosen by zipfile."""

    def __init__(self, name, encoding, utf8_flag, host):
        super().__init__(name, (2026, 1, 5, 8, 7, 10))
        self.raw_name = name.encode(encoding)
        self.utf8_flag = utf8_flag
        self.create_system = host
        self.external_attr = 0x10 if name.endswith("/") else 0x20

    def _encodeFilenameFlags(self):
        return self.raw_name, (self.flag_bits | 0x800) if self.utf8_flag else (self.flag_bits & ~0x800)


def content(name):
    return ("%s\r\n" % name).encode("utf-8") * 3


def add_names(z):
    """Writes every row into the open zipfile.ZipFile z."""
    for name, encoding, flag, host in NAMES:
        info = RawNameInfo(name, encoding, flag, host)
        info.compress_type = zipfile.ZIP_DEFLATED
        z.writestr(info, b"" if name.endswith("/") else content(name))


def installed():
    """Path (with "/", folders ending in "/") -> bytes, as the unpack must leave them."""
    out = {}
    for name, _, _, _ in NAMES:
        parts = name.rstrip("/").split("/")
        for i in range(1, len(parts)):
            out["/".join(parts[:i]) + "/"] = None
        out[name] = None if name.endswith("/") else content(name)
    return out
