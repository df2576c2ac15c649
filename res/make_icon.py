#!/usr/bin/env python3
"""The one source of the program's icon, a panel meter face drawn pixel by
pixel at each size, and of every file made from it: the program's icon,
resource 1 of the panel executables (res/swrpanel.ico: one image, 32 x 32
pixels, 16 colours), the same face at 16, 32 and 48 pixels for the swrctl
executables and the installer's shortcut (packaging/swrpanel-16-32-48.ico),
the desktop icons (packaging/swrpanel-32/48/64.png) and the XPM the FLTK
program shows as its window icon (packaging/swrpanel_icon.xpm).
Deterministic, standard library only: a test draws them into the build tree
and compares.

usage: make_icon.py [ROOT]
Writes the files under ROOT (default: the source tree) at the paths above
and prints each path written.
"""
import math
import os
import struct
import sys
import zlib

# A small palette, as on the Windows icon (16 colours at most).
CLEAR, RIM, FACE, SCALE, RED, NEEDLE, HUB, SHADE = range(8)
PALETTE = {
    CLEAR: None,
    RIM: (64, 64, 72),
    FACE: (250, 246, 228),
    SCALE: (20, 20, 20),
    RED: (220, 30, 30),
    NEEDLE: (0, 0, 223),
    HUB: (40, 40, 40),
    SHADE: (160, 160, 168),
}


def draw(size):
    """Returns rows of palette indices for an icon of size x size pixels."""
    s = size / 32.0
    px = [[CLEAR] * size for _ in range(size)]
    cx, cy = 16 * s, 25 * s  # the needle's pivot, low in the face
    for y in range(size):
        for x in range(size):
            fx, fy = x + 0.5, y + 0.5
            # Rounded square body with a rim.
            inset = 1 * s
            r = 5 * s
            qx = min(max(fx, inset + r), size - inset - r)
            qy = min(max(fy, inset + r), size - inset - r)
            d = math.hypot(fx - qx, fy - qy)
            if d > r:
                continue
            px[y][x] = RIM if d > r - 2 * s else FACE
            if px[y][x] == RIM:
                continue
            if fy > 27 * s:
                px[y][x] = SHADE
                continue
            # The scale: an arc from 150 to 30 degrees, red for its last third.
            dist = math.hypot(fx - cx, fy - cy)
            angle = math.degrees(math.atan2(cy - fy, fx - cx))
            if 30 <= angle <= 150:
                if 15.2 * s <= dist <= 16.8 * s:
                    px[y][x] = RED if angle < 65 else SCALE
                tick = (angle - 30) % 20
                if 13.2 * s <= dist < 15.2 * s and (tick < 2.5 or tick > 17.5):
                    px[y][x] = RED if angle < 65 else SCALE
    # The needle, pointing at two thirds of the scale.
    a = math.radians(62)
    steps = int(40 * s)
    for i in range(steps + 1):
        t = i / steps * 15 * s
        x, y = cx + t * math.cos(a), cy - t * math.sin(a)
        for ox, oy in ((0, 0), (0.5 * s, 0), (0, 0.5 * s)):
            ix, iy = int(x + ox), int(y + oy)
            if 0 <= ix < size and 0 <= iy < size and px[iy][ix] not in (CLEAR, RIM):
                px[iy][ix] = NEEDLE
    for y in range(size):
        for x in range(size):
            if math.hypot(x + 0.5 - cx, y + 0.5 - cy) <= 2.2 * s and px[y][x] != RIM:
                px[y][x] = HUB
    return px


def write_png(path, px):
    size = len(px)
    raw = bytearray()
    for row in px:
        raw.append(0)
        for p in row:
            c = PALETTE[p]
            raw.extend((0, 0, 0, 0) if c is None else (c[0], c[1], c[2], 255))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def write_ico(path, images):
    """16 colours with a transparency mask, one image per size."""
    palette = b"".join(struct.pack("<BBBB", c[2], c[1], c[0], 0) if c else b"\0\0\0\0"
                       for c in PALETTE.values())
    palette += b"\0\0\0\0" * (16 - len(PALETTE))
    bodies = []
    for px in images:
        size = len(px)
        xor, mask = bytearray(), bytearray()
        for row in reversed(px):  # bottom-up
            for x in range(0, size, 2):
                xor.append(row[x] << 4 | row[x + 1])
            bits = 0
            for p in row:
                bits = bits << 1 | (PALETTE[p] is None)
            width = (size + 31) // 32 * 32
            mask += (bits << (width - size)).to_bytes(width // 8, "big")
        header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 4, 0,
                             len(xor) + len(mask), 0, 0, 16, 0)
        bodies.append(header + palette + bytes(xor) + bytes(mask))
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for px, body in zip(images, bodies):
        data += struct.pack("<BBBBHHII", len(px), len(px), 16, 0, 1, 4, len(body), offset)
        offset += len(body)
    with open(path, "wb") as f:
        f.write(data + b"".join(bodies))


def write_xpm(path, px, name):
    size = len(px)
    codes = {p: chr(ord("a") + p) for p in PALETTE}
    lines = ['"%d %d %d 1",' % (size, size, len(PALETTE))]
    for p, c in PALETTE.items():
        colour = "None" if c is None else "#%02X%02X%02X" % c
        lines.append('"%s c %s",' % (codes[p], colour))
    lines += ['"%s",' % "".join(codes[p] for p in row) for row in px]
    lines[-1] = lines[-1].rstrip(",")
    with open(path, "w") as f:
        f.write("/* XPM */\n/* Generated by res/make_icon.py; do not edit. */\n")
        f.write("static const char* const %s[] = {\n" % name)
        f.write("\n".join(lines) + "\n};\n")


# Every file drawn, by its path under the root, with its writer.
OUTPUTS = [
    ("res/swrpanel.ico", lambda p: write_ico(p, [draw(32)])),
    ("packaging/swrpanel-16-32-48.ico", lambda p: write_ico(p, [draw(16), draw(32), draw(48)])),
    ("packaging/swrpanel-32.png", lambda p: write_png(p, draw(32))),
    ("packaging/swrpanel-48.png", lambda p: write_png(p, draw(48))),
    ("packaging/swrpanel-64.png", lambda p: write_png(p, draw(64))),
    ("packaging/swrpanel_icon.xpm", lambda p: write_xpm(p, draw(32), "swrpanel_icon_xpm")),
]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(here)
    for name, write in OUTPUTS:
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        write(path)
        print(name)


if __name__ == "__main__":
    main()
