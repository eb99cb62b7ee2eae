#!/usr/bin/env python3
"""Writes packages that the updater would not install as they stand, one per problem, and one
that it would (a folder entry without attributes, two entries for one file: the later wins),
into the given folder."""
import sys
import zipfile

out = sys.argv[1]
VERSION = b'<?xml version="1.0"?><config><version>1.0</version></config>'


def write(name, entries):
    with zipfile.ZipFile(f"{out}/{name}", "w") as z:
        for entry, data in entries:
            z.writestr(entry, data)


write("good.zip", [("lastver.xml", VERSION), ("bare-folder/", b""), ("Bin/A.dll", b"1"),
                   ("bin/a.DLL", b"2")])
write("trailing-dot.zip", [("lastver.xml", VERSION), ("trail./x", b"1")])
write("work-folder.zip", [("lastver.xml", VERSION), ("~Update.Work/x", b"1")])
write("file-and-folder.zip", [("lastver.xml", VERSION), ("x", b"1"), ("X/y", b"2")])
write("no-version.zip", [("a.txt", b"1")])
write("device.zip", [("lastver.xml", VERSION), ("sub/aux.txt", b"1")])
write("long.zip", [("lastver.xml", VERSION), ("d" * 100 + "/" + "f" * 90, b"1")])
write("crc.zip", [("lastver.xml", VERSION), ("a.txt", b"hello" * 100)])
with open(f"{out}/crc.zip", "r+b") as f:  # stored data: change one byte of it
    data = f.read()
    f.seek(data.index(b"hello"))
    f.write(b"j")
