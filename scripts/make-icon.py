#!/usr/bin/env python3
"""Draws Quillet's 32 x 32, 16-colour icon and writes it as XPM.

The picture: a sheet holding a small table (the spreadsheet file) with a
quill lying across it. Run from the repository root; afterwards
    convert ui/icons/quillet.xpm ui/icons/quillet.png
    convert ui/icons/quillet.xpm ui/icons/quillet.ico
refresh the PNG (desktop entry) and ICO (Windows executable) copies.
"""

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
