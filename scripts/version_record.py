#!/usr/bin/env python3
"""Turn the version record of a compiled resource file into a C++ source file.

windres writes a .res file: a sequence of entries, each a header (data size, header
size, type, name, ...) followed by its data padded to four bytes; the first entry is
an empty one that only marks the file format. This script takes the data of the
first RT_VERSION entry, which is the binary VS_VERSIONINFO record, and writes it as
a byte array placed in its own section (".murmlet_version"), so the linker keeps it
in the program file where the version reader finds it.

Standard library only. Usage: version_record.py INPUT.res OUTPUT.cpp
"""

import struct
import sys
from pathlib import Path

RT_VERSION = 16


def read_id(data, offset):
    """Returns (numeric id or None, offset after the field) of a type or name field."""
    (first,) = struct.unpack_from("<H", data, offset)
    if first == 0xFFFF:
        (number,) = struct.unpack_from("<H", data, offset + 2)
        return number, offset + 4
    while struct.unpack_from("<H", data, offset)[0] != 0:
        offset += 2
    return None, offset + 2


def version_record(data):
    offset = 0
    while offset + 8 <= len(data):
        data_size, header_size = struct.unpack_from("<II", data, offset)
        if header_size < 8 or offset + header_size + data_size > len(data):
            break
        resource_type, _ = read_id(data, offset + 8)
        start = offset + header_size
        if resource_type == RT_VERSION and data_size > 0:
            return data[start : start + data_size]
        offset = (start + data_size + 3) & ~3
    raise SystemExit("no version record in the resource file")


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    source, target = Path(sys.argv[1]), Path(sys.argv[2])
    record = version_record(source.read_bytes())
    rows = []
    for i in range(0, len(record), 16):
        rows.append("    " + ", ".join(f"0x{b:02x}" for b in record[i : i + 16]) + ",")
    text = (
        f"// Generated from {source.name} by version_record.py; do not edit.\n"
        "// The program's version record, kept in a section of its own.\n"
        "\n"
        "#if defined(__ELF__)\n"
        '#define MURMLET_RECORD_PLACE __attribute__((section(".murmlet_version"), used))\n'
        "#elif defined(__GNUC__)\n"
        "#define MURMLET_RECORD_PLACE __attribute__((used))\n"
        "#else\n"
        "#define MURMLET_RECORD_PLACE\n"
        "#endif\n"
        "\n"
        'extern "C" {\n'
        "extern const unsigned char murmlet_version_record[];\n"
        f"alignas(4) MURMLET_RECORD_PLACE const unsigned char murmlet_version_record[{len(record)}] = {{\n"
        + "\n".join(rows)
        + "\n};\n}\n"
    )
    # Rewrite only on change, so an untouched record does not relink everything.
    if not target.exists() or target.read_text() != text:
        target.write_text(text)


if __name__ == "__main__":
    main()
