#!/usr/bin/python3
"""Writes a copy of a packed installer whose payload is damaged as a download can be.

Usage: damage_installer.py MODE IN OUT

MODE  data      one byte in the middle of the largest LH5 entry's data (QUORV)
      header    the first byte (PathLength) of QUORV's last entry header
      path      setup.exe's stored path in QUORV ends in "exd" instead of "exe"
      welcome   one byte in the data of WELCOME's entry
      cut       QUORV's resource is one byte shorter (its size in the resource directory)
      extended  QUORV's resource is one byte longer
Prints what it changed. Needs Debian's python3-pefile."""
import struct
import sys

import pefile

mode, src, dst = sys.argv[1:4]
pe = pefile.PE(src)


def resource(name):
    for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if t.name is not None and str(t.name) == "TQUILLOX":
            for n in t.directory.entries:
                if n.name is not None and str(n.name) == name:
                    return n.directory.entries[0].data.struct
    sys.exit("no TQUILLOX resource %s in %s" % (name, src))


def entries(data, start, size):
    """(header offset, path, data offset, stored size, method) of every entry."""
    found, at = [], start + 21
    while at + 25 <= start + size:
        path_length, = struct.unpack_from("<h", data, at)
        stored, = struct.unpack_from("<i", data, at + 12)
        method = data[at + 16]
        path = bytes(data[at + 25:at + 25 + path_length]).decode("latin-1")
        found.append((at, path, at + 25 + path_length, stored, method))
        at += 25 + path_length + stored
    return found


target = resource("WELCOME" if mode == "welcome" else "QUORV")
if mode in ("cut", "extended"):
    old = target.Size
    target.Size = old - 1 if mode == "cut" else old + 1
    pe.write(dst)
    print("QUORV: resource size %d instead of %d" % (target.Size, old))
    sys.exit(0)

data = bytearray(open(src, "rb").read())
start = pe.get_offset_from_rva(target.OffsetToData)
listed = entries(data, start, target.Size)
if mode == "data":
    at, path, offset, stored, _ = max((e for e in listed if e[4] == 4), key=lambda e: e[3])
    offset += stored // 2
elif mode == "header":
    at, path, offset, stored, _ = listed[-1]
    offset = at
elif mode == "path":
    at, path, offset, stored, _ = [e for e in listed if e[1].lower().endswith("\\setup.exe")][0]
    offset -= 1
elif mode == "welcome":
    at, path, offset, stored, _ = listed[0]
    offset += stored // 2
else:
    sys.exit("unknown mode " + mode)
data[offset] ^= 0x01 if mode == "path" else 0xFF
open(dst, "wb").write(data)
print("%s: byte at file offset %d changed (entry %s)" % (mode, offset, path))
