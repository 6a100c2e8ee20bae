#!/usr/bin/env python3
# Reads the manifest out of built Windows programs as the loader finds it
# (resource type 24, id 1) and checks what it tells Windows.
#   check-manifest.py PROGRAM.exe...
import struct
import sys
import xml.etree.ElementTree as ET

NS = {"v3": "urn:schemas-microsoft-com:asm.v3",
      "compat": "urn:schemas-microsoft-com:compatibility.v1",
      "ws": "http://schemas.microsoft.com/SMI/2016/WindowsSettings"}
WIN10_AND_11 = "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"


def manifest(image):
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0" or struct.unpack_from("<H", image, pe + 24)[0] != 0x20B:
        raise ValueError("not an x64 PE file")
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    rsrc = struct.unpack_from("<I", image, pe + 24 + 112 + 2 * 8)[0]
    if rsrc == 0:
        raise ValueError("no resources at all")
    table = [struct.unpack_from("<8xII4xI", image, pe + 24 + optional_size + 40 * i)
             for i in range(sections)]

    def offset(rva):
        for size, start, raw in table:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f"RVA {rva:#x} lies in no section")

    def entry(directory, wanted):
        named, ids = struct.unpack_from("<HH", image, offset(rsrc) + directory + 12)
        for i in range(named + ids):
            name, value = struct.unpack_from("<II", image, offset(rsrc) + directory + 16 + 8 * i)
            if wanted in (None, name):
                return value & 0x7FFFFFFF
        raise ValueError(f"no resource entry {wanted}")

    data, size = struct.unpack_from("<II", image, offset(rsrc) + entry(entry(entry(0, 24), 1), None))
    return ET.fromstring(image[offset(data):offset(data) + size])


def problems(program):
    with open(program, "rb") as f:
        root = manifest(f.read())
    level = root.find(".//v3:requestedExecutionLevel", NS)
    if level is None or level.get("level") != "asInvoker":
        yield "requestedExecutionLevel is not asInvoker"
    awareness = root.find(".//ws:dpiAwareness", NS)
    if awareness is None or "PerMonitorV2" not in awareness.text.split(","):
        yield "dpiAwareness is not PerMonitorV2"
    if WIN10_AND_11 not in {os.get("Id") for os in root.findall(".//compat:supportedOS", NS)}:
        yield "no supportedOS for Windows 10 and 11"


failed = False
for program in sys.argv[1:]:
    try:
        found = list(problems(program))
    except (ValueError, struct.error, ET.ParseError) as error:
        found = [f"no manifest that parses: {error}"]
    print("\n".join(f"{program}: {p}" for p in found) or f"{program}: manifest as it should be")
    failed = failed or bool(found)
sys.exit(1 if failed else 0)
