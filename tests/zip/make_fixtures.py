#!/usr/bin/env python3
"""Makes the archives of the Windows extraction tests in the work folder given as argv[1].

  tree/, infozip.zip   a folder tree zipped by Info-ZIP zip ("UT" blocks, Unix attributes),
                       with tree.tsv: path, kind, mtime, atime, read-only (times in Unix seconds)
  enc.zip              Info-ZIP zip -P secret: secret.txt (stored) and big.txt (deflated)
  names.zip, names.tsv crafted entries (Python's zipfile) and what extracting each must give
  corrupt.zip          entries with a bad CRC, damaged deflate data, data that ends early
  empty.zip, notzip.zip
The expectations are read by the Windows test and by verify_extraction.py alike.
"""
import os
import struct
import subprocess
import sys
import zipfile

work = sys.argv[1]
os.makedirs(work, exist_ok=True)

DOS_TIME = (2021, 6, 15, 10, 30, 44)  # local time of the zone the test runs in (UTC+8)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def pattern(size, seed):
    """Text-like bytes that deflate well, different for every seed."""
    words = [b"quenda", b"update", b"package", b"\xe5\x8d\x87\xe7\xba\xa7", b"zip", b"folder"]
    out = bytearray()
    x = seed
    while len(out) < size:
        x = (x * 1103515245 + 12345) & 0x7FFFFFFF
        out += words[x % len(words)] + (b"\n" if x % 11 == 0 else b" ")
    return bytes(out[:size])


# ---- Info-ZIP tree ---------------------------------------------------------------------------
tree = os.path.join(work, "tree")
files = {
    "readme.txt": b"Quenda update package\r\n",
    "bin/app.dat": os.urandom(150000),  # incompressible: zip stores it
    "bin/lib/data.bin": pattern(300000, 1),
    "docs/\u4e2d\u6587\u8bf4\u660e.txt": "\u8bf4\u660e\u6587\u5b57\n".encode(),
    "empty.txt": b"",
    "readonly.txt": b"read only\n",
    "deep/a/b/c/d/leaf.txt": b"leaf\n",
}
manifest = []
for i, (rel, data) in enumerate(sorted(files.items())):
    path = os.path.join(tree, rel)
    write(path, data)
    mtime = 1600000000 + 86400 * i * 3 + 2 * i  # whole, even seconds: DOS times hold them too
    atime = 1590000000 + 86400 * i
    if rel == "readonly.txt":
        os.chmod(path, 0o444)
    os.utime(path, (atime, mtime))
    manifest.append((rel, "file", mtime, atime, 1 if rel == "readonly.txt" else 0))
os.makedirs(os.path.join(tree, "emptydir"))
for d in ("bin", "bin/lib", "docs", "deep", "deep/a", "deep/a/b", "deep/a/b/c", "deep/a/b/c/d",
          "emptydir"):
    manifest.append((d, "dir", 0, 0, 0))
subprocess.run(["zip", "-q", "-r", os.path.join(work, "infozip.zip"), "."], cwd=tree, check=True,
               env=dict(os.environ, TZ="UTC"))
with open(os.path.join(work, "tree.tsv"), "w", encoding="utf-8") as f:
    for row in manifest:
        f.write("\t".join(str(v) for v in row) + "\n")

# ---- Encrypted entries -----------------------------------------------------------------------
encdir = os.path.join(work, "encsrc")
write(os.path.join(encdir, "secret.txt"), b"the secret\n")
write(os.path.join(encdir, "big.txt"), pattern(100000, 2))
subprocess.run(["zip", "-q", "-0", "-P", "secret", os.path.join(work, "enc.zip"), "secret.txt"],
               cwd=encdir, check=True)
subprocess.run(["zip", "-q", "-P", "secret", os.path.join(work, "enc.zip"), "big.txt"],
               cwd=encdir, check=True)


# ---- Crafted names ---------------------------------------------------------------------------
class Utf8WithoutFlag(zipfile.ZipInfo):
    """A name stored as UTF-8 without the UTF-8 flag, as some tools write them."""

    def _encodeFilenameFlags(self):
        return self.filename.encode("utf-8"), self.flag_bits


def info(name, system=3, attr=0o100644 << 16, extra=b"", cls=zipfile.ZipInfo):
    i = cls(name, DOS_TIME)
    i.create_system = system
    i.external_attr = attr
    i.extra = extra
    return i


# The base folder the Windows test extracts names.zip into, as Windows sees it: some names
# fit below it and some don't, depending on its length.
names_base = "Z:" + os.path.join(work, "extract", "names") + "\\"


def fits(relative):
    return len(names_base) + len(relative) < 260


UT_WRITE = 1262304000  # 2010-01-01 00:00:00 UTC
rows = []  # index, result, kind, expected path, content, attributes ("-": don't check)


def add(z, zinfo, data, result, kind, path, attributes="-", compress=zipfile.ZIP_STORED):
    z.writestr(zinfo, data, compress_type=compress)
    rows.append((len(rows), result, kind, path, data.decode("utf-8"), attributes))


with zipfile.ZipFile(os.path.join(work, "names.zip"), "w") as z:
    add(z, info("C:\\Windows\\x.dll"), b"drive", "0", "file", "Windows/x.dll")
    add(z, info("/etc/x"), b"rooted", "0", "file", "etc/x")
    add(z, info("x/a/../b/../c"), b"climbs cut", "0", "file", "c")
    add(z, info("a/b/../c.txt"), b"one climb cut", "0", "file", "c.txt")
    add(z, info("../b"), b"escape 1", "200", "none", "-")
    add(z, info("a/../../b2"), b"escape 2", "200", "none", "-")
    add(z, info("sub/.."), b"escape 3", "200", "none", "-")
    add(z, info(".."), b"escape 4", "200", "none", "-")
    add(z, info("..\\..\\..\\b3"), b"escape 5", "200", "none", "-")  # cut to "..\\b3"
    add(z, info("\\\\server\\share\\unc.txt"), b"unc", "0", "file", "server/share/unc.txt")
    add(z, info("c:d:e.txt"), b"two drives", "0", "file", "e.txt")
    add(z, info("back\\slash\\f.txt"), b"backslashes", "0", "file", "back/slash/f.txt")
    add(z, info("\u4e2d\u6587/\u6587\u4ef6.txt"), b"utf8 flagged", "0", "file",
        "\u4e2d\u6587/\u6587\u4ef6.txt")
    add(z, info("\u65e0\u6807\u5fd7.txt", cls=Utf8WithoutFlag), b"utf8 unflagged", "0", "file",
        "\u65e0\u6807\u5fd7.txt")
    add(z, info("empty.txt"), b"", "0", "file", "empty.txt", "20")
    add(z, info("sub/dir/", attr=(0o40755 << 16) | 0x10), b"", "0", "dir", "sub/dir")
    # No directory attribute (some tools write none): the trailing separator says folder.
    add(z, info("nodir/", attr=0o100644 << 16), b"", "0", "dir", "nodir")
    add(z, info("fat-hidden.txt", system=0, attr=0x27), b"fat hidden", "0", "file",
        "fat-hidden.txt", "27")
    add(z, info("fat-plain.txt", system=0, attr=0x00), b"fat plain", "0", "file",
        "fat-plain.txt", "80")
    add(z, info("ntfs-archive.txt", system=11, attr=0x20), b"ntfs", "0", "file",
        "ntfs-archive.txt", "20")
    add(z, info("unix-ro.txt", attr=0o100444 << 16), b"unix read-only", "0", "file",
        "unix-ro.txt", "21")
    add(z, info("unix-rw.txt", attr=0o100664 << 16), b"unix writable", "0", "file",
        "unix-rw.txt", "20")
    add(z, info("fatdir/", system=0, attr=0x10), b"", "0", "dir", "fatdir")
    add(z, info("ut-write.txt", extra=b"UT" + struct.pack("<HBi", 5, 1, UT_WRITE)), b"ut",
        "0", "file", "ut-write.txt")
    add(z, info("dos-only.txt"), b"dos", "0", "file", "dos-only.txt")
    long259 = "n" * 259
    add(z, info(long259), b"259", "0" if fits(long259) else "200",
        "file" if fits(long259) else "none", long259 if fits(long259) else "-")
    add(z, info("m" * 260), b"260", "200", "none", "-")
    add(z, info("o" * 300), b"300", "200", "none", "-")
    nested = "d" * 100 + "/" + "f" * 100
    add(z, info(nested), b"nested long", "0" if fits(nested) else "200",
        "file" if fits(nested) else "none", nested if fits(nested) else "-")
    add(z, info("dev/nul"), b"device", "200", "none", "-")
    add(z, info("x/y:stream.txt"), b"stream", "200", "none", "-")
    add(z, info("dup.txt"), b"first", "0", "file", "-")
    add(z, info("dup.txt"), b"second", "0", "file", "dup.txt")
    add(z, info("deflated/big.txt"), pattern(200000, 3), "0", "file", "deflated/big.txt",
        compress=zipfile.ZIP_DEFLATED)

with open(os.path.join(work, "names.tsv"), "w", encoding="utf-8") as f:
    for index, result, kind, path, content, attributes in rows:
        if len(content) > 64:
            content = "@%d" % len(content.encode("utf-8"))  # long content: its size only
        f.write("%d\t%s\t%s\t%s\t%s\t%s\n" % (index, result, kind, path, content, attributes))

# ---- Damaged data ----------------------------------------------------------------------------
corrupt = os.path.join(work, "corrupt.zip")
with zipfile.ZipFile(corrupt, "w") as z:
    z.writestr(info("good.txt"), b"good data")
    z.writestr(info("badcrc.txt"), b"stored data, CRC will not match")
    z.writestr(info("garbage.txt"), pattern(50000, 4), compress_type=zipfile.ZIP_DEFLATED)
    z.writestr(info("short.txt"), pattern(50000, 5), compress_type=zipfile.ZIP_DEFLATED)
data = bytearray(open(corrupt, "rb").read())
with zipfile.ZipFile(corrupt) as z:
    infos = {i.filename: i for i in z.infolist()}
    central = data.rfind(b"PK\x01\x02", 0, len(data))


def data_offset(i):
    name_len, extra_len = struct.unpack_from("<HH", data, i.header_offset + 26)
    return i.header_offset + 30 + name_len + extra_len


data[data_offset(infos["badcrc.txt"]) + 3] ^= 0x20
g = infos["garbage.txt"]
start = data_offset(g) + g.compress_size // 3
data[start:start + 64] = b"\xff" * 64
s = infos["short.txt"]
struct.pack_into("<I", data, s.header_offset + 22, s.file_size + 100)  # local header
pos = data.find(b"PK\x01\x02")
while pos >= 0:
    (name_len,) = struct.unpack_from("<H", data, pos + 28)
    if data[pos + 46:pos + 46 + name_len] == b"short.txt":
        struct.pack_into("<I", data, pos + 24, s.file_size + 100)  # central header
    pos = data.find(b"PK\x01\x02", pos + 4)
open(corrupt, "wb").write(bytes(data))

with zipfile.ZipFile(os.path.join(work, "empty.zip"), "w"):
    pass
write(os.path.join(work, "notzip.zip"), b"This is not a ZIP archive.\n" * 10)
os.makedirs(os.path.join(work, "extract"), exist_ok=True)
