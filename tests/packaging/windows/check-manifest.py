#!/usr/bin/env python3
"""Reads the application manifest out of a built Windows program, as the
loader does (resource type 24, id 1), and checks what it tells Windows.
Usage: check-manifest.py PROGRAM.exe..."""
import struct
import sys
import xml.etree.ElementTree as ET

RT_MANIFEST = 24
CREATEPROCESS_MANIFEST = 1
WIN10_AND_11 = "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"
NS = {
    "v1": "urn:schemas-microsoft-com:asm.v1",
    "v3": "urn:schemas-microsoft-com:asm.v3",
    "compat": "urn:schemas-microsoft-com:compatibility.v1",
    "ws2016": "http://schemas.microsoft.com/SMI/2016/WindowsSettings",
}


def manifest_bytes(image):
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    if struct.unpack_from("<H", image, optional)[0] != 0x20B:
        raise ValueError("not a PE32+ (x64) file")
    rsrc_rva = struct.unpack_from("<I", image, optional + 112 + 2 * 8)[0]
    if rsrc_rva == 0:
        raise ValueError("no resources at all")
    table = []
    for i in range(sections):
        size, rva, _, raw = struct.unpack_from("<IIII", image, optional + optional_size + 40 * i + 8)
        table.append((rva, size, raw))

    def offset(rva):
        for start, size, raw in table:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f"RVA {rva:#x} lies in no section")

    root = offset(rsrc_rva)

    def entry(directory, wanted):
        named, ids = struct.unpack_from("<HH", image, root + directory + 12)
        for i in range(named + ids):
            name, value = struct.unpack_from("<II", image, root + directory + 16 + 8 * i)
            if wanted is None or name == wanted:
                return value & 0x7FFFFFFF
        raise ValueError(f"no resource entry {wanted}")

    languages = entry(entry(0, RT_MANIFEST), CREATEPROCESS_MANIFEST)
    data_rva, size = struct.unpack_from("<II", image, root + entry(languages, None))
    return image[offset(data_rva):offset(data_rva) + size]


def problems(program):
    with open(program, "rb") as f:
        manifest = ET.fromstring(manifest_bytes(f.read()))
    level = manifest.find(".//v3:requestedExecutionLevel", NS)
    if level is None or level.get("level") != "asInvoker":
        yield "requestedExecutionLevel is not asInvoker"
    awareness = manifest.find(".//ws2016:dpiAwareness", NS)
    if awareness is None or "PerMonitorV2" not in awareness.text.split(","):
        yield "dpiAwareness is not PerMonitorV2"
    systems = {os.get("Id") for os in manifest.findall(".//compat:supportedOS", NS)}
    if WIN10_AND_11 not in systems:
        yield "no supportedOS for Windows 10 and 11"


failed = False
for program in sys.argv[1:]:
    try:
        found = list(problems(program))
    except (ValueError, struct.error, ET.ParseError) as error:
        found = [f"no manifest that parses: {error}"]
    for problem in found:
        print(f"{program}: {problem}")
    if not found:
        print(f"{program}: manifest as it should be")
    failed = failed or bool(found)
sys.exit(1 if failed else 0)
