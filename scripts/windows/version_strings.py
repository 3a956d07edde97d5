#!/usr/bin/env python3
"""Print the version record of a Windows program file as NAME=VALUE lines.

Reads the RT_VERSION resource of a PE file (the one the program itself reads at start)
and prints its strings (CompanyName, ProductName, ...) from the first string table, then
FixedFileVersion and FixedProductVersion as "a.b.c.d" from the fixed part.

Standard library only. Usage: version_strings.py PROGRAM.exe
"""

import struct
import sys
from pathlib import Path

RT_VERSION = 16


def resource_section(data):
    """Returns (file offset of the resource directory, its section's RVA and file offset)."""
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    if data[pe : pe + 4] != b"PE\0\0":
        raise SystemExit("not a PE file")
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (112 if magic == 0x20B else 96)
    rva, _ = struct.unpack_from("<II", data, directories + 2 * 8)
    if rva == 0:
        raise SystemExit("no resources in the program file")
    table = optional + optional_size
    for i in range(sections):
        start = table + 40 * i
        size, address, _, raw = struct.unpack_from("<IIII", data, start + 8)
        if address <= rva < address + max(size, 1):
            return raw + rva - address, address, raw
    raise SystemExit("the resource directory lies in no section")


def version_data(data):
    base, section_rva, section_raw = resource_section(data)

    def entries(offset):
        named, numbered = struct.unpack_from("<HH", data, base + offset + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", data, base + offset + 16 + 8 * i)
            yield name, target

    for name, target in entries(0):
        if name != RT_VERSION:
            continue
        # type -> name -> language -> data entry; the first of each level.
        while target & 0x80000000:
            target = next(entries(target & 0x7FFFFFFF))[1]
        rva, size = struct.unpack_from("<II", data, base + target)
        start = rva - section_rva + section_raw
        return data[start : start + size]
    raise SystemExit("no version record in the program file")


def read_block(record, offset):
    """Returns (key, value bytes, offset of its first child, offset past its end) of a block."""
    length, value_length, kind = struct.unpack_from("<HHH", record, offset)
    end = record.index(b"\0\0", offset + 6)
    while (end - offset - 6) % 2:
        end = record.index(b"\0\0", end + 1)
    key = record[offset + 6 : end].decode("utf-16-le")
    value_start = (end + 2 + 3) & ~3
    value_size = value_length * 2 if kind == 1 else value_length
    value = record[value_start : value_start + value_size]
    children = (value_start + value_size + 3) & ~3
    return key, value, children, offset + length


def children(record, start, end):
    while start < end:
        key, value, inner, following = read_block(record, start)
        yield key, value, inner, following
        if following <= start:
            break
        start = (following + 3) & ~3


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    record = version_data(Path(sys.argv[1]).read_bytes())
    key, fixed, inner, end = read_block(record, 0)
    if key != "VS_VERSION_INFO":
        raise SystemExit("the version record has no VS_VERSION_INFO block")
    strings = {}
    for name, _, tables, tables_end in children(record, inner, end):
        if name != "StringFileInfo":
            continue
        for _, _, first, first_end in children(record, tables, tables_end):
            for entry, value, _, _ in children(record, first, first_end):
                strings[entry] = value.decode("utf-16-le").rstrip("\0")
            break
    for entry, value in strings.items():
        print(f"{entry}={value}")
    if len(fixed) >= 52 and struct.unpack_from("<I", fixed, 0)[0] == 0xFEEF04BD:
        file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<IIII", fixed, 8)
        for label, ms, ls in (
            ("FixedFileVersion", file_ms, file_ls),
            ("FixedProductVersion", product_ms, product_ls),
        ):
            print(f"{label}={ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}")


if __name__ == "__main__":
    main()
