#!/usr/bin/env python3
"""Draws the program's icon, a small meter face (32 x 32 pixels, 16 colours),
and writes it as res/swrpanel.ico. Pure standard library; the output is the
same on every run, so the committed icon can be checked against it."""
import math
import struct
import sys

# The standard 16-colour palette, index -> (r, g, b).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, SILVER, GREY, RED, LIME, WHITE = 0, 4, 7, 8, 9, 10, 15
SIZE = 32


def draw():
    """Returns (pixels, opaque): rows top to bottom of palette indices and
    of booleans."""
    px = [[BLACK] * SIZE for _ in range(SIZE)]
    opaque = [[False] * SIZE for _ in range(SIZE)]

    def fill(x0, y0, x1, y1, colour, corner=0):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                dx = max(x0 + corner - x, 0, x - (x1 - corner))
                dy = max(y0 + corner - y, 0, y - (y1 - corner))
                if dx * dx + dy * dy <= corner * corner:
                    px[y][x] = colour
                    opaque[y][x] = True

    # Case: black rim, grey body; dial window: black rim, white face.
    fill(1, 2, 30, 29, BLACK, corner=4)
    fill(2, 3, 29, 28, GREY, corner=3)
    fill(4, 5, 27, 22, BLACK)
    fill(5, 6, 26, 21, WHITE)

    # The scale: an arc about the needle's pivot, black up to the limit,
    # red beyond it, with tick marks.
    cx, cy = 15.5, 21.0
    for y in range(6, 22):
        for x in range(5, 27):
            dx, dy = x + 0.5 - cx, cy - (y + 0.5)
            r = math.hypot(dx, dy)
            angle = math.degrees(math.atan2(dy, dx))
            if not 28 <= angle <= 152:
                continue
            if 11.5 <= r <= 12.7:
                px[y][x] = RED if angle < 62 else BLACK
            elif angle < 62 and 10.5 <= r < 11.5:
                px[y][x] = RED
    for tick in (150, 125, 100, 75, 50, 30):
        for step in range(8):
            r = 9.3 + step * 0.25
            x = int(cx + r * math.cos(math.radians(tick)))
            y = int(cy - r * math.sin(math.radians(tick)))
            if 5 <= x <= 26 and 6 <= y <= 21:
                px[y][x] = RED if tick < 62 else BLACK

    # The needle, resting a little left of the middle, on its pivot.
    angle = math.radians(112)
    for step in range(0, 45):
        r = step * 0.25
        x = int(cx + r * math.cos(angle))
        y = int(cy - r * math.sin(angle))
        if 6 <= y <= 21:
            px[y][x] = NAVY
    fill(14, 19, 17, 21, BLACK)

    # Two lamps under the dial: power (green) and blocking (red).
    fill(7, 24, 9, 26, LIME)
    fill(22, 24, 24, 26, RED)
    fill(12, 25, 19, 25, SILVER)
    return px, opaque


def ico(px, opaque):
    xor = bytearray()
    mask = bytearray()
    for row in reversed(range(SIZE)):  # bottom-up
        for x in range(0, SIZE, 2):
            a = px[row][x] if opaque[row][x] else 0
            b = px[row][x + 1] if opaque[row][x + 1] else 0
            xor.append(a << 4 | b)
        bits = 0
        for x in range(SIZE):
            bits = bits << 1 | (0 if opaque[row][x] else 1)
        mask += struct.pack(">I", bits)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 16, 0)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "res/swrpanel.ico"
    with open(out, "wb") as f:
        f.write(ico(*draw()))


if __name__ == "__main__":
    main()
