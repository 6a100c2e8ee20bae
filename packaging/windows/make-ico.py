#!/usr/bin/env python3
"""Regenerates kestro-setup.ico from the committed hicolor PNGs (16, 32, 48
and 256 px, stored as PNG entries, which Windows reads since Vista). Run by
hand after the PNGs change; the build only checks that the two agree."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
ICONS = os.path.join(HERE, "..", "icons", "hicolor")
SIZES = (16, 32, 48, 256)

images = []
for size in SIZES:
    with open(os.path.join(ICONS, f"{size}x{size}", "apps", "io.kestro.KestroSetup.png"), "rb") as f:
        images.append((size, f.read()))

header = struct.pack("<HHH", 0, 1, len(images))
offset = len(header) + 16 * len(images)
entries, data = b"", b""
for size, png in images:
    # 0 in the width and height bytes means 256.
    entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(png), offset)
    offset += len(png)
    data += png
with open(os.path.join(HERE, "kestro-setup.ico"), "wb") as f:
    f.write(header + entries + data)
