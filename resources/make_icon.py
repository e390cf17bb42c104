"""Draws the program's icon (a lens over a tide wave) and writes it as the Windows icon
resource tidewell.ico (32x32 and 16x16) and as PNG files for the desktop (16 to 256 pixels).
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


def ico(images):
    """An icon file whose images are PNG-compressed, as Windows accepts since Vista."""
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
        f.write(ico([(32, pngs[32]), (16, pngs[16])]))
    for size, data in pngs.items():
        with open(os.path.join(folder, "icons", f"tidewell-{size}.png"), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv[1])
