"""Draws the program's icon (a lens over a tide wave) and writes it as the Windows icon
resource tidewell.ico (32x32 and 16x16, 32-bit bitmaps with alpha, which every Windows reads and
the program decodes itself at start-up) and as PNG files for the desktop (16 to 256 pixels).
Run it again only to change the artwork; its output is kept in the repository.

Usage: python3 make_icon.py OUTPUT_FOLDER"""
import math
import os
import struct
import sys
import zlib


def pixel(x, y, size):
    """RGBA of one pixel, sampled 4x4 for smooth edges."""
    acc = [0.0, 0.0, 0.0, 0.0]
    for sy in range(4):
        for sx in range(4):
            u = (x + (sx + 0.5) / 4) / size * 2 - 1
            v = (y + (sy + 0.5) / 4) / size * 2 - 1
            r = math.hypot(u, v)
            colour = None
            if r <= 0.94:
                wave = 0.18 * math.sin(u * 3.2 + 0.6) + 0.12
                if v > wave:
                    depth = (v - wave) / (1.0 - wave)
                    colour = (20 + 30 * depth, 110 - 40 * depth, 170 - 30 * depth, 255)
                else:
                    colour = (236 - 40 * (v + 1) / 2, 244 - 20 * (v + 1) / 2, 252, 255)
                # The lens rim.
                if r > 0.80:
                    colour = (32, 52, 92, 255)
                # A highlight on the glass.
                if math.hypot(u + 0.35, v + 0.42) < 0.16:
                    colour = (255, 255, 255, 255)
            if colour is not None:
                for i in range(4):
                    acc[i] += colour[i] if i < 3 else 255
    n = 16
    alpha = acc[3] / n
    if alpha == 0:
        return (0, 0, 0, 0)
    return tuple(int(round(acc[i] / (acc[3] / 255))) for i in range(3)) + (int(round(alpha)),)


def png(size):
    rows = b""
    for y in range(size):
        rows += b"\x00" + b"".join(bytes(pixel(x, y, size)) for x in range(size))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")


def dib(size):
    """One icon image as a 32-bit bitmap: the header (its height counts colour and mask rows),
    the colours bottom-up as B, G, R, A, then the AND mask (set where fully transparent)."""
    mask_row = (size + 31) // 32 * 4
    colours, mask = b"", b""
    for y in reversed(range(size)):
        bits = bytearray(mask_row)
        for x in range(size):
            r, g, b, a = pixel(x, y, size)
            colours += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, len(colours) + len(mask), 0, 0, 0, 0)
    return header + colours + mask


def ico(images):
    """An icon file of the given (size, image bytes) pairs."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


def main(folder):
    os.makedirs(folder, exist_ok=True)
    pngs = {size: png(size) for size in (16, 32, 48, 128, 256)}
    with open(os.path.join(folder, "tidewell.ico"), "wb") as f:
        f.write(ico([(32, dib(32)), (16, dib(16))]))
    for size, data in pngs.items():
        with open(os.path.join(folder, "icons", f"tidewell-{size}.png"), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv[1])
