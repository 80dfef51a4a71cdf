#!/usr/bin/env python3
"""Fails unless the program carries its application manifest as Windows reads it: resource type
RT_MANIFEST (24), id 1, whose XML asks to run as the invoker (level "asInvoker", uiAccess
"false": no elevation, and no virtualisation of its writes) and names Windows Vista, 7, 8, 8.1 and
10/11 as supported.
    check_manifest.py FILE
"""
import struct
import sys
import xml.etree.ElementTree as ET

RT_MANIFEST = 24
SUPPORTED = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}": "Windows Vista",
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}


def resources(image):
    """The resource tree as {type: {name: [data of each language]}}, ids as numbers."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", image, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    rsrc_rva, rsrc_size = struct.unpack_from("<II", image, directories + 2 * 8)
    if not rsrc_size:
        return {}
    table = []
    for i in range(sections):
        _, vsize, vaddr, rawsize, rawptr = struct.unpack_from("<8sIIII", image, optional + optional_size + 40 * i)
        table.append((vaddr, max(vsize, rawsize), rawptr))

    def offset(rva):
        for vaddr, size, rawptr in table:
            if vaddr <= rva < vaddr + size:
                return rva - vaddr + rawptr
        raise ValueError("RVA 0x%x outside every section" % rva)

    base = offset(rsrc_rva)

    def directory(at):
        named, ids = struct.unpack_from("<12xHH", image, base + at)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", image, base + at + 16 + 8 * i)
            if name & 0x80000000:
                length = struct.unpack_from("<H", image, base + (name & 0x7FFFFFFF))[0]
                start = base + (name & 0x7FFFFFFF) + 2
                name = image[start:start + 2 * length].decode("utf-16-le")
            yield name, target

    tree = {}
    for rtype, types in directory(0):
        for name, names in directory(types & 0x7FFFFFFF):
            for _, entry in directory(names & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", image, base + entry)
                tree.setdefault(rtype, {}).setdefault(name, []).append(image[offset(rva):offset(rva) + size])
    return tree


def problems(image):
    manifests = resources(image).get(RT_MANIFEST, {})
    if list(manifests) != [1] or len(manifests[1]) != 1:
        return ["RT_MANIFEST resources %r, not the one id 1 in one language" % sorted(manifests, key=str)]
    try:
        root = ET.fromstring(manifests[1][0])
    except ET.ParseError as error:
        return ["the manifest is not well-formed XML: %s" % error]
    found = []
    levels = [e.attrib for e in root.iter() if e.tag.endswith("}requestedExecutionLevel")]
    if levels != [{"level": "asInvoker", "uiAccess": "false"}]:
        found.append("requestedExecutionLevel %r, not one with level asInvoker and uiAccess false" % levels)
    elif not any(e.tag == "{urn:schemas-microsoft-com:asm.v3}requestedPrivileges" for e in root.iter()):
        found.append("requestedPrivileges is not in the namespace urn:schemas-microsoft-com:asm.v3")
    named = {e.attrib.get("Id", "").lower() for e in root.iter()
             if e.tag == "{urn:schemas-microsoft-com:compatibility.v1}supportedOS"}
    for guid, system in SUPPORTED.items():
        if guid not in named:
            found.append("no supportedOS entry for %s (%s)" % (system, guid))
    return found


def main():
    with open(sys.argv[1], "rb") as f:
        image = f.read()
    found = problems(image)
    for problem in found:
        print("FAIL %s: %s" % (sys.argv[1], problem))
    if not found:
        print("%s: manifest asInvoker, uiAccess false, supported: %s" % (sys.argv[1], ", ".join(SUPPORTED.values())))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
