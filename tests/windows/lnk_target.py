#!/usr/bin/env python3
"""Print the target path of a Windows shortcut (.lnk), as Explorer would start it.

Reads the Shell Link format: the header, the ID list (skipped), then the link info's
local base path (and its suffix); a shortcut without link info gives its relative path.
Then "working directory: ..." when the shortcut names one.

Standard library only. Usage: lnk_target.py FILE.lnk
"""

import struct
import sys
from pathlib import Path

HAS_ID_LIST, HAS_LINK_INFO, HAS_NAME, HAS_RELATIVE_PATH, HAS_WORKING_DIR = 1, 2, 4, 8, 16
IS_UNICODE = 0x80


def c_string(data, offset, unicode):
    if unicode:
        end = offset
        while data[end : end + 2] != b"\0\0":
            end += 2
        return data[offset:end].decode("utf-16-le")
    return data[offset : data.index(b"\0", offset)].decode("latin-1")


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    data = Path(sys.argv[1]).read_bytes()
    size, clsid = struct.unpack_from("<I16s", data, 0)
    if size != 0x4C or clsid != bytes.fromhex("0114020000000000c000000000000046"):
        raise SystemExit("not a shell link")
    (flags,) = struct.unpack_from("<I", data, 0x14)
    offset = 0x4C
    if flags & HAS_ID_LIST:
        offset += 2 + struct.unpack_from("<H", data, offset)[0]
    target = ""
    if flags & HAS_LINK_INFO:
        info = offset
        (info_size, header_size, info_flags, _, base_path, _, suffix) = struct.unpack_from(
            "<IIIIIII", data, info)
        if info_flags & 1:  # VolumeIDAndLocalBasePath
            if header_size >= 0x24:
                base_unicode, suffix_unicode = struct.unpack_from("<II", data, info + 28)
                target = c_string(data, info + base_unicode, True) + c_string(
                    data, info + suffix_unicode, True)
            else:
                target = c_string(data, info + base_path, False) + c_string(
                    data, info + suffix, False)
        offset += info_size
    unicode = bool(flags & IS_UNICODE)
    strings = {}
    for flag, name in ((HAS_NAME, "name"), (HAS_RELATIVE_PATH, "relative"),
                       (HAS_WORKING_DIR, "working")):
        if flags & flag:
            (count,) = struct.unpack_from("<H", data, offset)
            width = 2 if unicode else 1
            raw = data[offset + 2 : offset + 2 + count * width]
            strings[name] = raw.decode("utf-16-le" if unicode else "latin-1").rstrip("\0")
            offset += 2 + count * width
    print(target or strings.get("relative", ""))
    if "working" in strings:
        print(f"working directory: {strings['working']}")


if __name__ == "__main__":
    main()
