#!/usr/bin/python3
# Reads the desktop icons that res/make_icon.cpp writes, as a desktop would, with a PNG reader of
# its own over Python's zlib, and checks that each one is a picture of the size its theme folder
# promises, with the Windows icon's own pixels where it has that size.
#   icon_test.py ICON_FOLDER SIZE...
import struct, sys, zlib

FOLDER, SIZES = sys.argv[1], [int(size) for size in sys.argv[2:]]
passed, failed = [], []


def check(name, ok, detail=""):
    print(("ok   " if ok else "FAIL ") + name + ("" if ok else f": {detail}"), flush=True)
    (passed if ok else failed).append(name)


def unfilter(kind, row, above):  # PNG's five row filters on 4-byte pixels
    out = bytearray(len(row))
    for i, value in enumerate(row):
        a, b = out[i - 4] if i >= 4 else 0, above[i]
        c = above[i - 4] if i >= 4 else 0
        guess = a + b - c
        nearest = min((abs(guess - a), 0, a), (abs(guess - b), 1, b), (abs(guess - c), 2, c))[2]
        out[i] = (value + (0, a, b, (a + b) // 2, nearest)[kind]) & 0xFF
    return out


def read_png(path):  # width, height and rows of (r, g, b, a), or a ValueError saying what is wrong
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("no PNG signature")
    chunks, at = {}, 8
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        crc = struct.unpack(">I", data[at + 8 + length:at + 12 + length])[0]
        if zlib.crc32(kind + body) != crc:
            raise ValueError(f"{kind} chunk with a wrong CRC")
        chunks[kind] = chunks.get(kind, b"") + body
        at += 12 + length
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", chunks[b"IHDR"])
    if (depth, colour, interlace) != (8, 6, 0) or b"IEND" not in chunks:
        raise ValueError(f"not plain 8-bit RGBA: depth {depth}, colour type {colour}")
    raw, stride = zlib.decompress(chunks[b"IDAT"]), 4 * width + 1
    if len(raw) != stride * height:
        raise ValueError(f"{len(raw)} bytes of pixels for {width} x {height}")
    rows, above = [], bytearray(4 * width)
    for y in range(height):
        above = unfilter(raw[y * stride], raw[y * stride + 1:(y + 1) * stride], above)
        rows.append([tuple(above[x:x + 4]) for x in range(0, len(above), 4)])
    return width, height, rows


def ico_images(path):  # {size: rows of (r, g, b, a), top row first} of the 32-bit entries
    data, images = open(path, "rb").read(), {}
    for entry in range(struct.unpack("<H", data[4:6])[0]):
        size, _, _, _, _, bits, _, offset = struct.unpack("<BBBBHHII", data[6 + 16 * entry:][:16])
        if bits == 32:
            pixels = data[offset + 40:offset + 40 + 4 * size * size]  # BGRA, bottom row first
            bgra = [pixels[at:at + 4] for at in range(0, len(pixels), 4)]
            rows = [[(r, g, b, a) for b, g, r, a in bgra[y * size:(y + 1) * size]]
                    for y in range(size)]
            images[size] = rows[::-1]
    return images


windows = ico_images(f"{FOLDER}/korvane.ico")
for size in SIZES:
    try:
        width, height, rows = read_png(f"{FOLDER}/korvane-{size}.png")
    except (OSError, ValueError, zlib.error, struct.error, KeyError) as error:
        check(f"{size} px: a readable PNG", False, error)
        continue
    check(f"{size} px: {size} x {size} pixels", (width, height) == (size, size),
          f"{width} x {height}")
    if (width, height) != (size, size):
        continue
    if size in windows:
        # A clear pixel's colour is meaningless, and each file zeroes it its own way.
        seen = [[p if p[3] else (0, 0, 0, 0) for p in row] for row in rows]
        wanted = [[p if p[3] else (0, 0, 0, 0) for p in row] for row in windows[size]]
        check(f"{size} px: the Windows icon's pixels", seen == wanted)
print(f"{len(passed)} passed, {len(failed)} failed")
sys.exit(1 if failed else 0)
