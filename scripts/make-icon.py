#!/usr/bin/env python3
"""Draws Quillet's 32 x 32, 16-colour icon and writes it as XPM (the Qt
windows), as ICO (the Windows programs and their shortcuts) and, four
times its size on a navy strip, as the installer's side picture (BMP).

The picture: a sheet holding a small table (the spreadsheet file) with a
quill lying across it. The ICO holds it at 16, 32, 48 and 256 pixels, each
scaled from the one drawing pixel by pixel, so that every size shows the
same 16 colours. Run from the repository root; afterwards
    convert ui/icons/quillet.xpm ui/icons/quillet.png
refreshes the PNG copy (desktop entry).
"""
import struct
import zlib

SIZE = 32
# The classic 16-colour palette; only these colours may appear.
PALETTE = {
    " ": "None",      # transparent
    "k": "#000000",   # black
    "n": "#000080",   # navy
    "g": "#008000",   # green
    "t": "#008080",   # teal
    "m": "#800000",   # maroon
    "o": "#808000",   # olive
    "s": "#C0C0C0",   # silver
    "d": "#808080",   # grey
    "y": "#FFFF00",   # yellow
    "w": "#FFFFFF",   # white
    "b": "#0000FF",   # blue
}

grid = [[" "] * SIZE for _ in range(SIZE)]


def put(x, y, c):
    if 0 <= x < SIZE and 0 <= y < SIZE:
        grid[y][x] = c


# The sheet with a shadow and an outline.
for y in range(4, 30):
    for x in range(3, 25):
        put(x + 1, y + 1, "d")
for y in range(3, 29):
    for x in range(2, 24):
        edge = x in (2, 23) or y in (3, 28)
        put(x, y, "k" if edge else "w")
# The table: a header row in navy, then rows of cells ruled in silver.
for x in range(3, 23):
    for y in range(5, 8):
        put(x, y, "n")
for y in range(11, 28, 4):
    for x in range(3, 23):
        put(x, y, "s")
for x in (8, 15):
    for y in range(8, 28):
        put(x, y, "s")
# A few values in the cells.
for row, y in enumerate(range(9, 27, 4)):
    for left in (4, 10, 17):
        for x in range(left, left + 3 + (row + left) % 3):
            put(x, y, "t")
# The quill: a shaft along x + y = 31 from the upper right down to the nib
# at the lower left, with a feathered vane on both sides of its upper part.
# u measures across the shaft, v along it (growing towards the nib).
for y in range(SIZE):
    for x in range(SIZE):
        u, v = x + y - 31, y - x
        if not -29 <= v <= 17:
            continue
        width = 0 if v > 3 else min(4, (v + 31) // 3)
        if u == 0 or (u == 1 and v % 2 == 0):
            put(x, y, "m")
        elif 0 < u <= width + 1:
            put(x, y, "y")
        elif -width <= u < 0:
            put(x, y, "o")
nib_x, nib_y = 7, 24
put(nib_x, nib_y, "k")
put(nib_x - 1, nib_y + 1, "k")

used = sorted({c for row in grid for c in row})
assert len(used) <= 16
lines = ["/* XPM */", "static const char* const quillet_xpm[] = {",
         f'"{SIZE} {SIZE} {len(used)} 1",']
lines += [f'"{c} c {PALETTE[c]}",' for c in used]
lines += [f'"{"".join(row)}",' for row in grid]
lines[-1] = lines[-1].rstrip(",")
lines.append("};")
with open("ui/icons/quillet.xpm", "w", encoding="ascii") as out:
    out.write("\n".join(lines) + "\n")


# The ICO: a directory of images, the small ones as 32-bit bitmaps (with the
# one-bit mask Windows still reads), the 256-pixel one as PNG, as Windows
# stores that size.
ICON_SIZES = (16, 32, 48, 256)


def rgba(c):
    if PALETTE[c] == "None":
        return (0, 0, 0, 0)
    value = int(PALETTE[c][1:], 16)
    return (value >> 16, (value >> 8) & 0xFF, value & 0xFF, 255)


def scaled(size):
    """The drawing at `size` pixels: each pixel takes the drawing's pixel at
    its centre, so that lines stay solid and no colour is mixed."""
    return [[rgba(grid[(y * SIZE) // size][(x * SIZE) // size]) for x in range(size)]
            for y in range(size)]


def bitmap_entry(pixels):
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    row_bytes = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(row_bytes)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colour + bytes(mask)


def png_entry(pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    size = len(pixels)
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in pixels)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


images = [(size, png_entry(scaled(size)) if size >= 256 else bitmap_entry(scaled(size)))
          for size in ICON_SIZES]
offset = 6 + 16 * len(images)
directory = struct.pack("<HHH", 0, 1, len(images))
for size, data in images:
    directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
    offset += len(data)
with open("ui/icons/quillet.ico", "wb") as out:
    out.write(directory + b"".join(data for _, data in images))


# The picture on the left of the installer's welcome and finish pages:
# 164 x 314 pixels, 24-bit, the icon at 128 pixels on navy, a third down.
SIDE_WIDTH, SIDE_HEIGHT, SIDE_ICON = 164, 314, 128
background = rgba("n")
icon = scaled(SIDE_ICON)
left, top = (SIDE_WIDTH - SIDE_ICON) // 2, 60
side = [[background] * SIDE_WIDTH for _ in range(SIDE_HEIGHT)]
for y in range(SIDE_ICON):
    for x in range(SIDE_ICON):
        if icon[y][x][3]:
            side[top + y][left + x] = icon[y][x]
row_bytes = (SIDE_WIDTH * 3 + 3) // 4 * 4
pixels = b"".join(b"".join(bytes((b, g, r)) for (r, g, b, _) in row).ljust(row_bytes, b"\0")
                  for row in reversed(side))
info = struct.pack("<IiiHHIIiiII", 40, SIDE_WIDTH, SIDE_HEIGHT, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
file_header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
with open("app/windows/installer-side.bmp", "wb") as out:
    out.write(file_header + info + pixels)
