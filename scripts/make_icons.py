#!/usr/bin/env python3
"""Draws the program's two icons and writes them as .ico files into res/.

app.ico   (resource 132): a picture frame with a small landscape, 16 and 32 px, 24-bit.
thumb.ico (resource 137): the two-colour placeholder of the thumbnail list, 60 px.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
RES = os.path.join(HERE, "..", "res")


def row_bytes(width, bits):
    return ((width * bits + 31) // 32) * 4


def ico_image(pixels, size, bits):
    """pixels: rows top-down of (b, g, r) tuples or None for transparent; bits 24 or 1."""
    xor = bytearray()
    andmask = bytearray()
    for y in reversed(range(size)):
        row = pixels[y]
        if bits == 24:
            line = bytearray()
            for p in row:
                line += bytes(p if p else (0, 0, 0))
        else:  # 1 bit: colour table entry 0 black, 1 white
            line = bytearray(row_bytes(size, 1))
            for x, p in enumerate(row):
                if p and p != (0, 0, 0):
                    line[x // 8] |= 0x80 >> (x % 8)
        line += bytes(row_bytes(size, bits) - len(line))
        xor += line
        mask = bytearray(row_bytes(size, 1))
        for x, p in enumerate(row):
            if p is None:
                mask[x // 8] |= 0x80 >> (x % 8)
        andmask += mask
    palette = b"" if bits == 24 else bytes([0, 0, 0, 0, 255, 255, 255, 0])
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0,
                         len(xor) + len(andmask), 0, 0, 2 if bits == 1 else 0, 0)
    return header + palette + bytes(xor) + bytes(andmask)


def write_ico(path, images):
    """images: list of (size, bits, data)."""
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    blobs = []
    for size, bits, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 2 if bits == 1 else 0, 0,
                           1, bits, len(data), offset)
        offset += len(data)
        blobs.append(data)
    for b in blobs:
        out += b
    with open(path, "wb") as f:
        f.write(out)


def frame_picture(size):
    """A gold frame around a sky, a green hill and a sun (BGR tuples)."""
    gold, dark = (40, 160, 210), (20, 80, 120)
    sky, hill, sun = (235, 190, 120), (60, 160, 70), (40, 220, 250)
    border = max(2, size // 8)
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            if x in (0, size - 1) or y in (0, size - 1):
                row.append(dark)
            elif x < border or y < border or x >= size - border or y >= size - border:
                row.append(gold)
            else:
                u = (x - border) / (size - 2 * border)
                v = (y - border) / (size - 2 * border)
                if (u - 0.7) ** 2 + (v - 0.3) ** 2 < 0.02:
                    row.append(sun)
                elif v > 0.65 - 0.25 * (1 - (2 * u - 1) ** 2):
                    row.append(hill)
                else:
                    row.append(sky)
        rows.append(row)
    return rows


def placeholder(size):
    """Black outline of a photo with a diagonal, white inside, transparent outside."""
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            inside = 4 <= x < size - 4 and 8 <= y < size - 8
            edge = inside and (x in (4, size - 5) or y in (8, size - 9) or abs((x - 4) - (y - 8) * (size - 8) / (size - 16)) < 1)
            row.append((0, 0, 0) if edge else (255, 255, 255) if inside else None)
        rows.append(row)
    return rows


if __name__ == "__main__":
    write_ico(os.path.join(RES, "app.ico"),
              [(s, 24, ico_image(frame_picture(s), s, 24)) for s in (32, 16)])
    write_ico(os.path.join(RES, "thumb.ico"), [(60, 1, ico_image(placeholder(60), 60, 1))])
