#!/usr/bin/env python3
"""Writes the benchmark's package tree to argv[1]: about 100 MB in 200 files in nested
folders, mixed like an update package: program-like files (compress to about half), text and
XML (compress well) and media (incompressible; zip stores them). Always the same bytes."""
import os
import random
import sys

out = sys.argv[1]
rnd = random.Random(20240601)
words = ("quenda update package version client skin window button progress download "
         "<config> </config> <version>2.3.1</version> \u5347\u7ea7 \u5b8c\u6210 ").split(" ")
text = " ".join(rnd.choice(words) for _ in range(300000)).encode("utf-8")

sizes = [int(rnd.lognormvariate(12.6, 1.0)) + 4096 for _ in range(200)]
scale = 100 * 1000 * 1000 / sum(sizes)
sizes = [max(1024, int(s * scale)) for s in sizes]

for i, size in enumerate(sizes):
    depth = i % 5
    folder = os.path.join(out, *("dir%d" % ((i + d) % 7) for d in range(depth)))
    os.makedirs(folder, exist_ok=True)
    kind = i % 4
    if kind == 0:  # media
        data = rnd.randbytes(size)
        name = "media%03d.png" % i
    elif kind == 1:  # text
        start = rnd.randrange(len(text) - 1)
        data = (text[start:] + text) * (size // len(text) + 2)
        data = data[:size]
        name = "text%03d.xml" % i
    else:  # program-like: random stretches between runs of zeros and repeated tables
        chunks = []
        total = 0
        while total < size:
            n = rnd.randrange(16, 512)
            chunks.append(rnd.randbytes(n) if rnd.random() < 0.45 else bytes(n))
            total += n
        data = b"".join(chunks)[:size]
        name = "module%03d.dll" % i
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)
