#!/usr/bin/env python3
"""Rewrites a 16-colour bitmap file (4 bits per pixel, uncompressed) with the run-length
compression that every Windows reads in bitmap resources (BI_RLE4): the same pixels
and palette in a third of the bytes for a picture of flat colours.

Usage: rle4.py IN.bmp OUT.bmp"""
import struct
import sys


def rows_of(data):
    offset = struct.unpack_from('<I', data, 10)[0]
    size, width, height, planes, bits, compression = struct.unpack_from('<IiiHHI', data, 14)
    if size != 40 or bits != 4 or compression != 0 or height <= 0:
        sys.exit('rle4.py: expected an uncompressed bottom-up 4-bit bitmap')
    stride = (width * 4 + 31) // 32 * 4
    rows = []
    for y in range(height):  # bottom row first, as stored
        line = data[offset + y * stride: offset + (y + 1) * stride]
        rows.append([(line[x // 2] >> (4 if x % 2 == 0 else 0)) & 15 for x in range(width)])
    return width, height, rows


def encode(rows):
    out = bytearray()
    for pixels in rows:
        x = 0
        while x < len(pixels):
            n = 1
            while x + n < len(pixels) and n < 255 and pixels[x + n] == pixels[x]:
                n += 1
            out += bytes((n, pixels[x] * 17))  # a run: both nibbles the colour
            x += n
        out += b'\0\0'  # end of line
    out[-2:] = b'\0\1'  # the last end of line ends the bitmap
    return bytes(out)


def main(argv):
    if len(argv) != 3:
        sys.exit(__doc__)
    data = open(argv[1], 'rb').read()
    width, height, rows = rows_of(data)
    colours = struct.unpack_from('<I', data, 46)[0] or 16
    palette = data[54:54 + 4 * colours]
    image = encode(rows)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 2, len(image), 0, 0, colours,
                       colours)
    offset = 14 + len(info) + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(image), 0, 0, offset)
    open(argv[2], 'wb').write(header + info + palette + image)


if __name__ == '__main__':
    main(sys.argv)
