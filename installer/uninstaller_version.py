"""Run by makensis on the uninstaller it has just written (!uninstfinalize): replaces texts of the
version resource, which the uninstaller shares with the installer, so that it names itself.
   uninstaller_version.py [--copy DEST] FILE OLD NEW [OLD NEW ...]
Each NEW is at most as long as its OLD and is padded with NULs, so that no length in the
resource changes. NSIS checks a CRC-32 of the file from byte 512 on, stored in its last four
bytes; it is computed again. --copy leaves a copy for the build's import check."""
import shutil
import struct
import sys
import zlib

args = sys.argv[1:]
copy = None
if args[:1] == ["--copy"]:
    copy, args = args[1], args[2:]
path, pairs = args[0], args[1:]
data = bytearray(open(path, "rb").read())
if struct.unpack("<I", data[-4:])[0] != zlib.crc32(data[512:-4]):
    sys.exit("uninstaller_version: %s does not end with the CRC this script knows" % path)
for old, new in zip(pairs[0::2], pairs[1::2]):
    before, after = (old + "\0").encode("utf-16-le"), (new + "\0").encode("utf-16-le")
    if len(after) > len(before) or data.count(before) != 1:
        sys.exit("uninstaller_version: cannot replace %r by %r" % (old, new))
    at = data.find(before)
    data[at:at + len(before)] = after.ljust(len(before), b"\0")
data[-4:] = struct.pack("<I", zlib.crc32(data[512:-4]))
open(path, "wb").write(data)
if copy:
    shutil.copyfile(path, copy)
