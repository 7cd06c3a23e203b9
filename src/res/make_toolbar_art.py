#!/usr/bin/env python3
"""Draws the browser window's button images as 24-bit bitmap strips.

Images are drawn large and scaled down, then flattened onto the button face;
magenta marks what the image lists treat as transparent.

Usage: make_toolbar_art.py OUTPUT_DIR
"""
import math
import sys
from pathlib import Path

from PIL import Image, ImageDraw, ImageEnhance

SCALE = 8
FACE = (240, 240, 240)
MASK = (255, 0, 255)
OUTLINE = (40, 60, 90, 255)
GREEN = ((120, 200, 90), (30, 130, 40))
BLUE = ((120, 180, 245), (25, 90, 185))
RED = ((245, 110, 100), (175, 25, 25))
GOLD = ((255, 220, 110), (215, 140, 20))
SLATE = ((170, 185, 205), (80, 95, 120))


def canvas(size):
    w, h = size
    return Image.new("RGBA", (w * SCALE, h * SCALE), (0, 0, 0, 0))


def shaded_disc(img, box, colours):
    """A disc with a top-lit vertical gradient and a dark rim."""
    top, bottom = colours
    x0, y0, x1, y1 = box
    fill = Image.new("RGBA", img.size, (0, 0, 0, 0))
    px = ImageDraw.Draw(fill)
    for y in range(int(y0), int(y1) + 1):
        t = (y - y0) / max(1, y1 - y0)
        c = tuple(round(top[i] + (bottom[i] - top[i]) * t) for i in range(3)) + (255,)
        px.line([(x0, y), (x1, y)], fill=c)
    mask = Image.new("L", img.size, 0)
    ImageDraw.Draw(mask).ellipse(box, fill=255)
    img.paste(fill, (0, 0), mask)
    d = ImageDraw.Draw(img)
    d.ellipse(box, outline=OUTLINE, width=SCALE)
    # a soft highlight on the upper half
    hx0, hy0, hx1, hy1 = x0 + (x1 - x0) * 0.2, y0 + (y1 - y0) * 0.08, x1 - (x1 - x0) * 0.2, y0 + (y1 - y0) * 0.45
    hl = Image.new("RGBA", img.size, (0, 0, 0, 0))
    ImageDraw.Draw(hl).ellipse((hx0, hy0, hx1, hy1), fill=(255, 255, 255, 70))
    img.alpha_composite(hl)


def arrow(img, box, direction):
    """A bold white arrow inside box, pointing left (-1) or right (+1)."""
    x0, y0, x1, y1 = box
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    w, h = x1 - x0, y1 - y0
    head = w * 0.26
    shaft = h * 0.13
    tip = cx + direction * w * 0.3
    base = cx - direction * w * 0.28
    neck = tip - direction * head
    pts = [(base, cy - shaft), (neck, cy - shaft), (neck, cy - h * 0.27), (tip, cy),
           (neck, cy + h * 0.27), (neck, cy + shaft), (base, cy + shaft)]
    ImageDraw.Draw(img).polygon(pts, fill=(255, 255, 255, 255), outline=(255, 255, 255, 255))


def nav_button(size, direction):
    img = canvas((size, size))
    s = size * SCALE
    box = (s * 0.06, s * 0.06, s * 0.94, s * 0.94)
    shaded_disc(img, box, GREEN)
    arrow(img, box, direction)
    return img


def refresh(size):
    img = canvas((size, size))
    s = size * SCALE
    d = ImageDraw.Draw(img)
    box = (s * 0.16, s * 0.16, s * 0.84, s * 0.84)
    width = int(s * 0.13)
    for start, colour in ((200, BLUE[1]), (20, BLUE[1])):
        d.arc(box, start, start + 135, fill=OUTLINE, width=width + 2 * SCALE)
        d.arc(box, start, start + 135, fill=colour + (255,), width=width)
        # arrow head at the arc's end
        a = math.radians(start + 135)
        r = (box[2] - box[0]) / 2 - width / 2
        cx, cy = s / 2 + r * math.cos(a), s / 2 + r * math.sin(a)
        tx, ty = -math.sin(a), math.cos(a)  # tangent, direction of travel
        nx, ny = math.cos(a), math.sin(a)
        k = s * 0.17
        pts = [(cx + tx * k, cy + ty * k), (cx + nx * k * 0.9, cy + ny * k * 0.9), (cx - nx * k * 0.9, cy - ny * k * 0.9)]
        d.polygon(pts, fill=colour + (255,), outline=OUTLINE)
    return img


def stop(size):
    img = canvas((size, size))
    s = size * SCALE
    r = s * 0.44
    pts = [(s / 2 + r * math.cos(math.radians(22.5 + 45 * i)), s / 2 + r * math.sin(math.radians(22.5 + 45 * i)))
           for i in range(8)]
    mask = Image.new("L", img.size, 0)
    ImageDraw.Draw(mask).polygon(pts, fill=255)
    fill = canvas((size, size))
    shaded_disc(fill, (0, 0, s, s), RED)
    img.paste(fill, (0, 0), mask)
    d = ImageDraw.Draw(img)
    d.polygon(pts, outline=OUTLINE, width=SCALE)
    k, w = s * 0.17, int(s * 0.1)
    d.line([(s / 2 - k, s / 2 - k), (s / 2 + k, s / 2 + k)], fill=(255, 255, 255, 255), width=w)
    d.line([(s / 2 - k, s / 2 + k), (s / 2 + k, s / 2 - k)], fill=(255, 255, 255, 255), width=w)
    return img


def home(size):
    img = canvas((size, size))
    s = size * SCALE
    d = ImageDraw.Draw(img)
    d.rectangle((s * 0.24, s * 0.46, s * 0.76, s * 0.88), fill=(250, 244, 226, 255), outline=OUTLINE, width=SCALE)
    d.rectangle((s * 0.43, s * 0.62, s * 0.57, s * 0.88), fill=(150, 95, 45, 255), outline=OUTLINE, width=SCALE // 2)
    d.rectangle((s * 0.62, s * 0.18, s * 0.72, s * 0.4), fill=(170, 70, 50, 255), outline=OUTLINE, width=SCALE // 2)
    roof = [(s * 0.08, s * 0.52), (s * 0.5, s * 0.1), (s * 0.92, s * 0.52), (s * 0.82, s * 0.58),
            (s * 0.5, s * 0.26), (s * 0.18, s * 0.58)]
    d.polygon(roof, fill=(225, 95, 40, 255), outline=OUTLINE)
    return img


def star(size):
    img = canvas((size, size))
    s = size * SCALE
    pts = []
    for i in range(10):
        r = s * (0.45 if i % 2 == 0 else 0.19)
        a = math.radians(-90 + 36 * i)
        pts.append((s / 2 + r * math.cos(a), s * 0.53 + r * math.sin(a)))
    mask = Image.new("L", img.size, 0)
    ImageDraw.Draw(mask).polygon(pts, fill=255)
    fill = canvas((size, size))
    shaded_disc(fill, (0, 0, s, s), GOLD)
    img.paste(fill, (0, 0), mask)
    ImageDraw.Draw(img).polygon(pts, outline=OUTLINE, width=SCALE)
    return img


def gear(size):
    img = canvas((size, size))
    s = size * SCALE
    c = s / 2
    pts = []
    teeth = 8
    for i in range(teeth * 4):
        a = 2 * math.pi * i / (teeth * 4)
        r = s * (0.44 if (i % 4) in (1, 2) else 0.33)
        pts.append((c + r * math.cos(a), c + r * math.sin(a)))
    mask = Image.new("L", img.size, 0)
    md = ImageDraw.Draw(mask)
    md.polygon(pts, fill=255)
    md.ellipse((c - s * 0.12, c - s * 0.12, c + s * 0.12, c + s * 0.12), fill=0)
    fill = canvas((size, size))
    shaded_disc(fill, (0, 0, s, s), SLATE)
    img.paste(fill, (0, 0), mask)
    d = ImageDraw.Draw(img)
    d.polygon(pts, outline=OUTLINE, width=SCALE)
    d.ellipse((c - s * 0.12, c - s * 0.12, c + s * 0.12, c + s * 0.12), outline=OUTLINE, width=SCALE)
    # a brush stroke across: customizing the look
    d.line([(s * 0.2, s * 0.86), (s * 0.52, s * 0.54)], fill=(150, 95, 45, 255), width=int(s * 0.09))
    d.ellipse((s * 0.5, s * 0.42, s * 0.7, s * 0.62), fill=(225, 95, 40, 255), outline=OUTLINE, width=SCALE // 2)
    return img


def globe(size):
    img = canvas((size, size))
    s = size * SCALE
    box = (s * 0.06, s * 0.06, s * 0.94, s * 0.94)
    shaded_disc(img, box, BLUE)
    d = ImageDraw.Draw(img)
    line = (255, 255, 255, 170)
    d.ellipse((s * 0.32, s * 0.06, s * 0.68, s * 0.94), outline=line, width=SCALE)
    d.line([(s * 0.5, s * 0.06), (s * 0.5, s * 0.94)], fill=line, width=SCALE)
    d.line([(s * 0.08, s * 0.5), (s * 0.92, s * 0.5)], fill=line, width=SCALE)
    d.arc((s * 0.12, s * 0.22, s * 0.88, s * 0.6), 200, 340, fill=line, width=SCALE)
    d.ellipse(box, outline=OUTLINE, width=SCALE)
    return img


def menu_grip(size):
    """A slim raised bar with a small down-pointing triangle: the menu button."""
    img = canvas(size)
    w, h = img.size
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((SCALE, SCALE * 2, w - SCALE, h - SCALE * 2), radius=w // 3, fill=(214, 222, 234, 255),
                        outline=(120, 135, 160, 255), width=SCALE)
    cx, cy = w / 2, h / 2
    k = w * 0.3
    d.polygon([(cx - k, cy - k * 0.5), (cx + k, cy - k * 0.5), (cx, cy + k * 0.7)], fill=OUTLINE)
    for dy in (-h * 0.25, h * 0.25):
        d.ellipse((cx - SCALE, cy + dy - SCALE, cx + SCALE, cy + dy + SCALE), fill=(120, 135, 160, 255))
    return img


def flatten(img, size):
    """Scaled to size and laid on the button face; nearly clear pixels become the mask colour."""
    small = img.resize(size, Image.LANCZOS)
    out = Image.new("RGB", size, MASK)
    face = Image.new("RGBA", size, FACE + (255,))
    face.alpha_composite(small)
    alpha = small.getchannel("A").point(lambda a: 255 if a >= 48 else 0)
    out.paste(face.convert("RGB"), (0, 0), alpha)
    return out


def disabled(strip):
    """Grey and faded, the mask colour kept."""
    grey = ImageEnhance.Brightness(strip.convert("L").convert("RGB")).enhance(1.0)
    faded = Image.blend(grey, Image.new("RGB", strip.size, FACE), 0.45)
    mask = Image.eval(strip, lambda v: v).convert("RGB")
    keep = Image.new("L", strip.size, 0)
    kp, mp = keep.load(), mask.load()
    for y in range(strip.size[1]):
        for x in range(strip.size[0]):
            kp[x, y] = 0 if mp[x, y] == MASK else 255
    out = Image.new("RGB", strip.size, MASK)
    out.paste(faded, (0, 0), keep)
    return out


def strip(images, size):
    out = Image.new("RGB", (size[0] * len(images), size[1]), MASK)
    for i, img in enumerate(images):
        out.paste(flatten(img, size), (i * size[0], 0))
    return out


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    s = 32
    toolbar = strip([nav_button(s, -1), nav_button(s, 1), refresh(s), stop(s), home(s), star(s), gear(s)], (s, s))
    toolbar.save(out / "toolbar.bmp")
    disabled(toolbar).save(out / "toolbar_disabled.bmp")
    strip([nav_button(20, 1)], (20, 20)).save(out / "go.bmp")
    strip([globe(16)], (16, 16)).save(out / "address.bmp")
    strip([menu_grip((9, 46))], (9, 46)).save(out / "menu.bmp")


if __name__ == "__main__":
    main()
