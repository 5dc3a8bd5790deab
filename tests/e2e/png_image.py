"""A small PNG reader (standard library only) for checking snapshots.

Reads 8-bit RGB and RGBA images, non-interlaced, with any of the five row
filters; that covers what the program writes.
"""

import struct
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"


class PngImage:
    def __init__(self, width, height, rows, channels):
        self.width = width
        self.height = height
        self._rows = rows
        self._channels = channels

    def pixel(self, x, y):
        """The pixel as 0xAARRGGBB (alpha 0xFF for RGB images)."""
        c = self._channels
        row = self._rows[y]
        r, g, b = row[x * c], row[x * c + 1], row[x * c + 2]
        a = row[x * c + 3] if c == 4 else 0xFF
        return a << 24 | r << 16 | g << 8 | b


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def _unfilter(kind, line, previous, bpp):
    out = bytearray(line)
    for i in range(len(out)):
        left = out[i - bpp] if i >= bpp else 0
        up = previous[i]
        up_left = previous[i - bpp] if i >= bpp else 0
        if kind == 1:
            out[i] = (out[i] + left) & 0xFF
        elif kind == 2:
            out[i] = (out[i] + up) & 0xFF
        elif kind == 3:
            out[i] = (out[i] + (left + up) // 2) & 0xFF
        elif kind == 4:
            out[i] = (out[i] + _paeth(left, up, up_left)) & 0xFF
        elif kind != 0:
            raise ValueError(f"unknown PNG row filter {kind}")
    return out


def decode_png(data):
    if not data.startswith(SIGNATURE):
        raise ValueError("not a PNG file")
    pos = len(SIGNATURE)
    header = None
    compressed = bytearray()
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos : pos + 4])
        kind = data[pos + 4 : pos + 8]
        body = data[pos + 8 : pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            compressed += body
        elif kind == b"IEND":
            break
    if header is None:
        raise ValueError("PNG without a header")
    width, height, depth, colour_type, _, _, interlace = header
    channels = {2: 3, 6: 4}.get(colour_type)
    if depth != 8 or channels is None or interlace != 0:
        raise ValueError(f"unsupported PNG: depth {depth}, colour type {colour_type}")
    raw = zlib.decompress(bytes(compressed))
    stride = width * channels
    rows = []
    previous = bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        line = _unfilter(raw[start], raw[start + 1 : start + 1 + stride], previous, channels)
        rows.append(line)
        previous = line
    return PngImage(width, height, rows, channels)


def read_png(path):
    with open(path, "rb") as file:
        return decode_png(file.read())
