#!/usr/bin/env python3
"""What the setup program and both parts of the uninstaller ask Windows for, read from the files
as built: the execution level of each one's embedded manifest, and the calls uninstall.exe
imports to start its part. Windows decides from the manifest alone whether a program runs
elevated; where its installer detection is off, a part without one that needs administrator
rights simply fails. uninstall.exe starts the NSIS part with ShellExecuteEx, the call that honours
that part's manifest (CreateProcess fails on it instead of asking).

    check_manifests.py OBJDUMP SETUP_EXE UNINSTALL_EXE UNINSTALL_DAT
"""
import re
import struct
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

RT_MANIFEST = 24

# role, the argument it comes from, the level its manifest must ask for, calls it must import,
# calls it must not
EXPECTED = [
    ("setup program", 2, "requireAdministrator", [], []),
    ("uninstall.exe", 3, "requireAdministrator", ["ShellExecuteExA"], ["CreateProcessA", "CreateProcessW"]),
    ("uninstall.dat", 4, "requireAdministrator", [], []),
]


class NotPe(Exception):
    pass


def unpack(data, offset, form):
    size = struct.calcsize(form)
    if offset < 0 or offset + size > len(data):
        raise NotPe("truncated at offset %d" % offset)
    return struct.unpack_from(form, data, offset)


def sections(data):
    """The PE32 file's resource directory (rva, size) and its sections (rva, size, file offset)."""
    if data[:2] != b"MZ":
        raise NotPe("no MZ header")
    (pe,) = unpack(data, 0x3C, "<I")
    if data[pe:pe + 4] != b"PE\0\0":
        raise NotPe("no PE signature")
    count, optional_size = unpack(data, pe + 6, "<H"), unpack(data, pe + 20, "<H")
    optional = pe + 24
    if unpack(data, optional, "<H")[0] != 0x10B:
        raise NotPe("not a 32-bit image")
    resources = unpack(data, optional + 96 + 2 * 8, "<II")
    table = optional + optional_size[0]
    found = []
    for i in range(count[0]):
        virtual_size, rva, raw_size, raw = unpack(data, table + 40 * i + 8, "<IIII")
        found.append((rva, max(virtual_size, raw_size), raw))
    return resources, found


def file_offset(rva, found):
    for start, size, raw in found:
        if start <= rva < start + size:
            return raw + rva - start
    raise NotPe("address 0x%x lies in no section" % rva)


def manifests(data):
    """The texts of the file's RT_MANIFEST resources, every name and language."""
    (rva, size), found = sections(data)
    if not rva or not size:
        return []
    base = file_offset(rva, found)

    def entries(directory):
        named, numbered = unpack(data, base + directory + 12, "<HH")
        for i in range(named + numbered):
            yield unpack(data, base + directory + 16 + 8 * i, "<II")

    texts = []
    for kind, below in entries(0):
        if kind != RT_MANIFEST or not below & 0x80000000:
            continue
        for _, languages in entries(below & 0x7FFFFFFF):
            for _, leaf in entries(languages & 0x7FFFFFFF) if languages & 0x80000000 else [(0, languages)]:
                if leaf & 0x80000000:
                    continue
                data_rva, length = unpack(data, base + leaf, "<II")
                start = file_offset(data_rva, found)
                texts.append(data[start:start + length].decode("utf-8", "replace"))
    return texts


def levels(text):
    """The execution levels a manifest asks for, whatever namespaces it uses."""
    root = ElementTree.fromstring(text.lstrip("\ufeff").strip().encode("utf-8"))
    return [e.get("level") for e in root.iter() if e.tag.rsplit("}", 1)[-1] == "requestedExecutionLevel"]


def imports(objdump, path):
    """The names of the functions the file imports, as objdump lists them."""
    listing = subprocess.run([objdump, "-p", path], capture_output=True, text=True, check=True).stdout
    names = set()
    inside = False
    for line in listing.splitlines():
        if line.strip().startswith("DLL Name:"):
            inside = True
        elif inside and re.match(r"^\s+[0-9a-fA-F]+\s+\d+\s+\S+$", line):
            names.add(line.split()[-1])
        elif inside and not line.strip():
            inside = False
    return names


def check(objdump, role, path, level, needed, refused):
    """What is wrong with one file, as lines naming it."""
    problems = []
    try:
        with open(path, "rb") as f:
            texts = manifests(f.read())
    except (OSError, NotPe) as e:
        return ["%s (%s): cannot be read as a 32-bit Windows program: %s" % (role, path, e)]
    if len(texts) != 1:
        problems.append("%s (%s): %d embedded manifests, not one" % (role, path, len(texts)))
    for text in texts:
        try:
            asked = levels(text)
        except ElementTree.ParseError as e:
            problems.append("%s (%s): its manifest is not well-formed XML: %s" % (role, path, e))
            continue
        if asked != [level]:
            problems.append("%s (%s): its manifest asks for %s, not %s" % (role, path, asked or "no execution level", level))
    names = imports(objdump, path)
    for name in needed:
        if name not in names:
            problems.append("%s (%s): does not import %s" % (role, path, name))
    for name in refused:
        if name in names:
            problems.append("%s (%s): imports %s" % (role, path, name))
    return problems


def main(argv):
    if len(argv) != 5:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    problems = []
    for role, argument, level, needed, refused in EXPECTED:
        problems += check(argv[1], role, argv[argument], level, needed, refused)
    for problem in problems:
        print("FAIL " + problem)
    if not problems:
        print("the setup program and both parts of the uninstaller ask for administrator rights; uninstall.exe starts its part with ShellExecuteExA")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
