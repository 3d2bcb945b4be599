#!/usr/bin/env python3
"""Made stub.exe in this folder; kept as the record of how (python3 make_stub.py).

stub.exe is the smallest executable that quillox sfx takes for an installer stub: a
PE32 image with a code section that does nothing, a resource section holding the
version information with the three build values, and base relocations after it, laid
out as a linker lays out the real stub. It is made here, independently of quillox's
own PE code, so that the native CLI tests can pack and read installers without a
Windows build. It is never run.
"""
import struct

FILE_ALIGN, SECTION_ALIGN = 0x200, 0x1000


def align(n, a):
    return (n + a - 1) // a * a


def utf16z(text):
    return text.encode("utf-16-le") + b"\0\0"


def block(key, value=b"", text=False, children=()):
    """One block of a version resource: length, value length, type, key, value, children."""
    head = struct.pack("<HHH", 0, (len(value) // 2) if text else len(value), 1 if text else 0)
    out = head + utf16z(key)
    out += b"\0" * (align(len(out), 4) - len(out))
    out += value
    for child in children:
        out += b"\0" * (align(len(out), 4) - len(out))
        out += child
    return struct.pack("<H", len(out)) + out[2:]


def string(key, text):
    return block(key, utf16z(text), text=True)


def version_info():
    fixed = struct.pack("<13I", 0xFEEF04BD, 0x00010000, 0x00010000, 0, 0x00010000, 0,
                        0x3F, 0, 0x4, 0x1, 0, 0, 0)
    table = block("040904E4", text=True, children=[
        string("CompanyName", "Quorvane"),
        string("FileVersion", "1.0.0.0"),
        string("ProductName", "Quorvane"),
        string("ProductVersion", "1.0.0.0"),
        string("Gateway", "/Gstub.example"),
        string("ProductLevel", "/P0"),
        string("EmailDomain", "/Estub.example"),
    ])
    strings = block("StringFileInfo", text=True, children=[table])
    variables = block("VarFileInfo", text=True,
                      children=[block("Translation", struct.pack("<HH", 0x0409, 0x04E4))])
    return block("VS_VERSION_INFO", fixed, children=[strings, variables])


def resource_section(va):
    """A resource directory with one resource: type 16, name 1, language 1033."""
    data = version_info()
    root = struct.pack("<IIHHHH", 0, 0, 0, 0, 0, 1) + struct.pack("<II", 16, 0x80000000 | 0x18)
    names = struct.pack("<IIHHHH", 0, 0, 0, 0, 0, 1) + struct.pack("<II", 1, 0x80000000 | 0x30)
    langs = struct.pack("<IIHHHH", 0, 0, 0, 0, 0, 1) + struct.pack("<II", 1033, 0x48)
    entry = struct.pack("<IIII", va + 0x58, len(data), 0, 0)
    out = root + names + langs + entry
    out += b"\0" * (0x58 - len(out))
    return out + data


def main():
    text = b"\xC3\0\0\0" + struct.pack("<I", 0x401000) + b"\0" * 8  # ret; an address
    rsrc = resource_section(0x2000)
    reloc = struct.pack("<IIHH", 0x1000, 12, 0x3004, 0)  # the address, and padding
    sections = [(b".text", 0x1000, text, 0x60000020),
                (b".rsrc", 0x2000, rsrc, 0x40000040),
                (b".reloc", align(0x2000 + len(rsrc), SECTION_ALIGN), reloc, 0x42000040)]
    headers_size = FILE_ALIGN
    raw = headers_size
    table = b""
    body = b""
    for name, va, data, flags in sections:
        size = align(len(data), FILE_ALIGN)
        table += struct.pack("<8sIIIIIIHHI", name, len(data), va, size, raw, 0, 0, 0, 0, flags)
        body += data + b"\0" * (size - len(data))
        raw += size
    reloc_va = sections[2][1]
    image_size = align(reloc_va + len(reloc), SECTION_ALIGN)
    dirs = [(0, 0)] * 16
    dirs[2] = (0x2000, len(rsrc))
    dirs[5] = (reloc_va, len(reloc))
    optional = struct.pack("<HBBIIIIIIIIIHHHHHHIIIIHHIIIIII",
                           0x10B, 2, 38, 0x200, len(body) - 0x200, 0, 0x1000, 0x1000, 0x2000,
                           0x400000, SECTION_ALIGN, FILE_ALIGN, 4, 0, 0, 0, 4, 0, 0,
                           image_size, headers_size, 0, 2, 0, 0x100000, 0x1000, 0x100000,
                           0x1000, 0, 16)
    optional += b"".join(struct.pack("<II", *d) for d in dirs)
    coff = struct.pack("<HHIIIHH", 0x14C, len(sections), 0, 0, 0, len(optional), 0x0102)
    dos = b"MZ" + b"\0" * 0x3A + struct.pack("<I", 0x40)
    head = dos + b"PE\0\0" + coff + optional + table
    image = bytearray(head + b"\0" * (headers_size - len(head)) + body)
    # The checksum: 16-bit sums with the carries folded back, plus the length.
    at = 0x40 + 4 + 20 + 64
    total = 0
    for i in range(0, len(image), 2):
        total += image[i] | image[i + 1] << 8
        total = (total & 0xFFFF) + (total >> 16)
    struct.pack_into("<I", image, at, ((total & 0xFFFF) + (total >> 16)) + len(image))
    with open("stub.exe", "wb") as f:
        f.write(image)


if __name__ == "__main__":
    main()
