#!/usr/bin/env python3
"""Draws the program's own artwork: the splash image and the main icon.

Usage: make_art.py OUTPUT_DIR
"""
import io
import struct
import sys
from pathlib import Path

from PIL import Image, ImageDraw, ImageFont

FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
FONT_REGULAR = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
DEEP = (22, 58, 112)
BRIGHT = (46, 134, 222)
ACCENT = (255, 176, 32)


def gradient(size, top, bottom):
    w, h = size
    img = Image.new("RGBA", size)
    px = img.load()
    for y in range(h):
        t = y / max(1, h - 1)
        c = tuple(round(top[i] + (bottom[i] - top[i]) * t) for i in range(3)) + (255,)
        for x in range(w):
            px[x, y] = c
    return img


def emblem(size):
    """A rounded square with a bold V and a small window bar: the runner's mark."""
    scale = 8
    big = size * scale
    img = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    mask = Image.new("L", (big, big), 0)
    ImageDraw.Draw(mask).rounded_rectangle((0, 0, big - 1, big - 1), radius=big // 5, fill=255)
    img.paste(gradient((big, big), BRIGHT, DEEP), (0, 0), mask)
    d = ImageDraw.Draw(img)
    bar = big // 7
    d.rectangle((big // 5, big // 6, big - big // 5, big // 6 + bar // 2), fill=(255, 255, 255, 200))
    w = big // 9
    left, right, top, bottom = big * 0.2, big * 0.8, big * 0.34, big * 0.84
    mid = big / 2
    d.line([(left, top), (mid, bottom)], fill=(255, 255, 255, 255), width=w)
    d.line([(mid, bottom), (right, top)], fill=ACCENT + (255,), width=w)
    return img.resize((size, size), Image.LANCZOS)


def dib_entry(img):
    """32-bit BGRA DIB with an all-clear AND mask, as classic icon entries are stored."""
    w, h = img.size
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in range(h - 1, -1, -1):
        for x in range(w):
            r, g, b, a = img.getpixel((x, y))
            rows.append(struct.pack("<BBBB", b, g, r, a))
    mask_stride = ((w + 31) // 32) * 4
    return header + b"".join(rows) + b"\0" * (mask_stride * h)


def write_icon(path, sizes):
    images = [dib_entry(emblem(s)) for s in sizes]
    out = io.BytesIO()
    out.write(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out.write(struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset))
        offset += len(data)
    for data in images:
        out.write(data)
    path.write_bytes(out.getvalue())


def write_splash(path):
    w, h = 424, 222
    img = gradient((w, h), (14, 34, 70), (34, 96, 170))
    texture = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    t = ImageDraw.Draw(texture)
    for i in range(0, w + h, 18):  # faint diagonal texture
        t.line([(i, 0), (i - h, h)], fill=(255, 255, 255, 14), width=1)
    img.alpha_composite(texture)
    d = ImageDraw.Draw(img)
    img.alpha_composite(emblem(96), (28, 52))
    d.text((144, 64), "Vadrome", font=ImageFont.truetype(FONT, 46), fill=(255, 255, 255))
    d.text((147, 122), "Your site, as a desktop application", font=ImageFont.truetype(FONT_REGULAR, 15),
           fill=(200, 220, 245))
    d.rectangle((0, h - 6, w, h), fill=ACCENT)
    d.text((w - 110, h - 28), "Starting...", font=ImageFont.truetype(FONT_REGULAR, 12), fill=(220, 230, 245))
    d.rectangle((0, 0, w - 1, h - 1), outline=(8, 22, 48))
    img.convert("RGB").save(path, "PNG", optimize=True)


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    write_icon(out / "vadrome.ico", [48, 32, 16])
    write_splash(out / "splash.png")


if __name__ == "__main__":
    main()
