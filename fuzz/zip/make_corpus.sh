#!/usr/bin/env bash
# Regenerates the seed archives in corpus/ with Info-ZIP zip and Python's zipfile.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir -p tree/sub/deeper
printf 'hello\n' > tree/a.txt
printf 'x%.0s' $(seq 1 3000) > tree/sub/x.txt
: > tree/sub/deeper/empty
chmod 444 tree/a.txt
(cd tree && zip -q -r -X "$here/corpus/infozip-tree.zip" . && zip -q -D -X "$here/corpus/infozip-nodirs.zip" a.txt sub/x.txt)
# Entry 1 encrypted with the fuzzer's password, entry 0 without one.
(cd tree && zip -q "$work/enc.zip" a.txt && zip -q -P pw "$work/enc.zip" sub/x.txt) && cp enc.zip "$here/corpus/infozip-encrypted.zip"
python3 - "$here/corpus" <<'PY'
import struct, sys, zipfile
out = sys.argv[1]
def info(name, system=3, attr=0o100644 << 16, extra=b""):
    i = zipfile.ZipInfo(name, (2021, 6, 15, 10, 30, 44))
    i.create_system = system
    i.external_attr = attr
    i.extra = extra
    return i
with zipfile.ZipFile(out + "/python-names.zip", "w") as z:
    z.writestr(info("C:\\Windows\\x.dll"), b"dll")
    z.writestr(info("../b"), b"b")
    z.writestr(info("x/a/../b/../c"), b"c")
    z.writestr(info("sub/dir/", attr=(0o40755 << 16) | 0x10), b"")
    z.writestr(info("中文/文件.txt"), "内容".encode())
    z.writestr(info("fat.txt", system=0, attr=0x27), b"fat")
    ut = b"UT" + struct.pack("<HBi", 5, 1, 946684800)
    z.writestr(info("stamped.txt", extra=ut), b"ut", compress_type=zipfile.ZIP_DEFLATED)
with zipfile.ZipFile(out + "/python-empty.zip", "w"):
    pass
PY
