#!/usr/bin/env python3
"""Write the WiX fragment that installs every file of the Windows program's folder.

Each file becomes a component of its own below INSTALLDIR, in the component group
"ProgramFolder", mirroring the folder's subfolders. Identifiers and component GUIDs are
derived from the file's path in the folder, so a file keeps them from build to build (a
component's GUID must always name the same path) and a new file needs no hand edit.

wixl reads each file from its Source path relative to the folder wixl runs in, so the
Source paths are SOURCE_PREFIX followed by the file's path in FOLDER.

Standard library only. Usage: msi_files.py FOLDER SOURCE_PREFIX OUTPUT.wxs
"""

import hashlib
import sys
import uuid
from pathlib import Path
from xml.sax.saxutils import quoteattr

# Fixed for good: changing it changes every component's GUID.
COMPONENT_NAMESPACE = uuid.UUID("6f6f2a43-5b1e-4d0b-9a54-2f1c3e9b7a10")


def identifier(kind, relative):
    return kind + hashlib.sha1(relative.encode("utf-8")).hexdigest()[:24].upper()


def write_folder(lines, folder, base, prefix, depth):
    indent = "  " * depth
    for entry in sorted(folder.iterdir(), key=lambda p: p.name):
        relative = entry.relative_to(base).as_posix()
        if entry.is_dir():
            lines.append(f"{indent}<Directory Id={quoteattr(identifier('d', relative))} "
                         f"Name={quoteattr(entry.name)}>")
            write_folder(lines, entry, base, prefix, depth + 1)
            lines.append(f"{indent}</Directory>")
        elif entry.is_file():
            guid = str(uuid.uuid5(COMPONENT_NAMESPACE, relative.lower())).upper()
            lines.append(f"{indent}<Component Id={quoteattr(identifier('c', relative))} "
                         f'Guid="{{{guid}}}" Win64="yes">')
            lines.append(f"{indent}  <File Id={quoteattr(identifier('f', relative))} "
                         f"Name={quoteattr(entry.name)} KeyPath=\"yes\" "
                         f"Source={quoteattr(prefix + relative)}/>")
            lines.append(f"{indent}</Component>")


def component_ids(folder, base):
    for entry in sorted(folder.rglob("*")):
        if entry.is_file():
            yield identifier("c", entry.relative_to(base).as_posix())


def main():
    if len(sys.argv) != 4:
        raise SystemExit(__doc__)
    folder, prefix, target = Path(sys.argv[1]), sys.argv[2], Path(sys.argv[3])
    if not folder.is_dir():
        raise SystemExit(f"{folder} is no folder")
    lines = [
        '<?xml version="1.0" encoding="utf-8"?>',
        f"<!-- Generated from {folder.name} by msi_files.py; do not edit. -->",
        '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">',
        "  <Fragment>",
        '    <DirectoryRef Id="INSTALLDIR">',
    ]
    write_folder(lines, folder, folder, prefix, 3)
    lines += ["    </DirectoryRef>", '    <ComponentGroup Id="ProgramFolder">']
    lines += [f'      <ComponentRef Id="{c}"/>' for c in component_ids(folder, folder)]
    lines += ["    </ComponentGroup>", "  </Fragment>", "</Wix>", ""]
    target.write_text("\n".join(lines), encoding="utf-8")


if __name__ == "__main__":
    main()
