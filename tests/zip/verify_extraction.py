#!/usr/bin/env python3
"""Checks from the Linux side what the Windows extraction tests wrote below <work>/extract
(argv[1]): contents, folders, modification times and read-only modes as the files really are
on disk, that nothing landed outside the base folders, and that no temporary or moved-aside
file was left behind. A case is checked only when its folder exists (a filtered run skips it).
"""
import calendar
import errno
import os
import re
import sys

work = sys.argv[1]
extract = os.path.join(work, "extract")
failures = []


def fail(message):
    failures.append(message)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def check_tree():
    out = os.path.join(extract, "tree")
    if not os.path.isdir(out):
        return
    for line in open(os.path.join(work, "tree.tsv"), encoding="utf-8"):
        rel, kind, mtime, _atime, readonly = line.rstrip("\n").split("\t")
        path = os.path.join(out, rel)
        if kind == "dir":
            if not os.path.isdir(path):
                fail("tree: folder %s missing" % rel)
            continue
        if not os.path.isfile(path):
            fail("tree: file %s missing" % rel)
            continue
        st = os.stat(path)
        if int(st.st_mtime) != int(mtime):
            fail("tree: %s modified %d, expected %s" % (rel, st.st_mtime, mtime))
        writable = bool(st.st_mode & 0o222)
        if writable == (readonly == "1"):
            fail("tree: %s writable=%s, read-only expected=%s" % (rel, writable, readonly))
        if read(path) != read(os.path.join(work, "tree", rel)):
            fail("tree: %s content differs" % rel)


def check_names():
    out = os.path.join(extract, "names")
    if not os.path.isdir(out):
        return
    expected_files = set()
    for line in open(os.path.join(work, "names.tsv"), encoding="utf-8"):
        index, _result, kind, rel, content, _attributes = line.rstrip("\n").split("\t")
        if rel == "-":
            continue
        path = os.path.join(out, rel)
        if kind == "dir":
            if not os.path.isdir(path):
                fail("names #%s: folder %s missing" % (index, rel))
            continue
        expected_files.add(rel)
        if not os.path.isfile(path):
            fail("names #%s: file %s missing" % (index, rel))
            continue
        data = read(path)
        if content.startswith("@"):
            ok = len(data) == int(content[1:])
        else:
            ok = data == content.encode("utf-8")
        if not ok:
            fail("names #%s: %s has %r" % (index, rel, data[:40]))
    found = set()
    for root, _dirs, files in os.walk(out):
        for name in files:
            found.add(os.path.relpath(os.path.join(root, name), out))
    for extra in sorted(found - expected_files):
        fail("names: unexpected file %s" % extra)
    # DOS times are local times of UTC+8; a "UT" write time is UTC already.
    dos = calendar.timegm((2021, 6, 15, 2, 30, 44))
    for rel, expected in (("dos-only.txt", dos), ("ut-write.txt", 1262304000), ("empty.txt", dos)):
        path = os.path.join(out, rel)
        if os.path.exists(path) and int(os.stat(path).st_mtime) != expected:
            fail("names: %s modified %d, expected %d" % (rel, os.stat(path).st_mtime, expected))
    for rel in ("unix-ro.txt", "fat-hidden.txt"):
        path = os.path.join(out, rel)
        if os.path.exists(path) and os.stat(path).st_mode & 0o222:
            fail("names: %s should be read-only" % rel)
    # Wine keeps the hidden and system bits in an extended attribute (when the file system
    # has them): set for the FAT entry that carries them, never for a Unix entry.
    for rel, want in (("fat-hidden.txt", 6), ("unix-ro.txt", 0), ("fat-plain.txt", 0)):
        path = os.path.join(out, rel)
        if not os.path.exists(path):
            continue
        try:
            bits = int(os.getxattr(path, "user.DOSATTRIB").split(b"\0")[0], 16) & 6
        except OSError as e:
            if e.errno == errno.ENOTSUP:
                continue
            bits = 0  # no attribute: neither hidden nor system
        if bits != want:
            fail("names: %s has hidden/system bits %x, expected %x" % (rel, bits, want))


def check_nothing_escaped():
    # Entries that climb out of names/ would land in extract/ or above it.
    for folder in (extract, work, os.path.dirname(work)):
        for name in ("b", "b2", "b3"):
            if os.path.isfile(os.path.join(folder, name)):
                fail("a file %s was written outside its base folder, in %s" % (name, folder))


def check_no_leftovers():
    leftover = re.compile(r"^~qz[0-9a-fA-F]{8}\.(new|old)$")
    for root, _dirs, files in os.walk(extract):
        for name in files:
            if leftover.match(name):
                fail("leftover %s" % os.path.join(root, name))


check_tree()
check_names()
check_nothing_escaped()
check_no_leftovers()
for f in failures:
    print("verify_extraction: " + f)
if failures:
    sys.exit(1)
print("verify_extraction: the extracted files check out from the Linux side")
