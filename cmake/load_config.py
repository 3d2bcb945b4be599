#!/usr/bin/env python3
"""Points a 32-bit Windows executable's load-configuration entry at its section
".tvxlcfg" (defined by the program, see installer/Tellivox_win32.cpp).

Usage: load_config.py EXE         set the entry (in place) and recompute the
                                   header's checksum, which the change invalidates
       load_config.py --check EXE  fail unless the entry is set and its
                                   DependentLoadFlags say "system folder only"

GNU ld of binutils 2.40 does not fill this entry itself. The structure is the 64-byte
form that every Windows accepts for 32-bit images (XP requires exactly 64); its
DependentLoadFlags (offset 0x36) is honoured from Windows 10, version 1607."""
import struct
import sys

SECTION = b'.tvxlcfg'
SIZE = 64
LOAD_CONFIG = 10
SEARCH_SYSTEM32 = 0x800


def fail(message):
    sys.exit('load_config.py: %s' % message)


def pe_checksum(data, field):
    """The PE image checksum of data: its 16-bit words (the checksum field at offset
    field counted as zero) added with end-around carry, plus the file's length."""
    padded = bytes(data[:field]) + b'\0\0\0\0' + bytes(data[field + 4:])
    if len(padded) % 2:
        padded += b'\0'
    total = sum(struct.unpack('<%dH' % (len(padded) // 2), padded))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(data)


def locate(data):
    pe = struct.unpack_from('<I', data, 0x3C)[0]
    if data[pe:pe + 4] != b'PE\0\0':
        fail('not a PE file')
    sections, optional_size = struct.unpack_from('<H12xH', data, pe + 6)
    optional = pe + 24
    if struct.unpack_from('<H', data, optional)[0] != 0x10B:
        fail('not a 32-bit (PE32) image')
    entry = optional + 96 + LOAD_CONFIG * 8
    table = optional + optional_size
    for i in range(sections):
        header = table + 40 * i
        name, _, address, raw_size, raw = struct.unpack_from('<8sIIII', data, header)
        if name == SECTION:
            if raw_size < SIZE or struct.unpack_from('<I', data, raw)[0] != SIZE:
                fail('section %s does not start with a %d-byte load configuration'
                     % (SECTION.decode(), SIZE))
            return entry, address, raw
    fail('no section %s' % SECTION.decode())


def main(argv):
    check = argv[1:2] == ['--check']
    args = argv[2:] if check else argv[1:]
    if len(args) != 1:
        sys.exit(__doc__)
    with open(args[0], 'rb') as f:
        data = bytearray(f.read())
    entry, address, raw = locate(data)
    if check:
        flags = struct.unpack_from('<H', data, raw + 0x36)[0]
        if struct.unpack_from('<II', data, entry) != (address, SIZE) or flags != SEARCH_SYSTEM32:
            fail('%s: load configuration not set' % args[0])
        print('%s: load configuration set, DependentLoadFlags 0x%X' % (args[0], flags))
        return 0
    struct.pack_into('<II', data, entry, address, SIZE)
    field = struct.unpack_from('<I', data, 0x3C)[0] + 24 + 64
    struct.pack_into('<I', data, field, pe_checksum(data, field))
    with open(args[0], 'r+b') as f:
        f.write(data)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
