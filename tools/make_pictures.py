#!/usr/bin/python3
"""Renders the install window's pictures from their SVG sources.

The sources are resources/pictures/src/*.svg; this script renders them with
rsvg-convert, cuts sprites and shadow pieces, encodes each picture in the
format the window expects (Pillow for JPEG and PNG, pngquant for the palette
picture, an .ico written here) and writes resources/pictures.rc, which gives
each picture its resource ID. The output is byte-for-byte reproducible: no
timestamps or metadata, fixed encoder settings.

    tools/make_pictures.py                 regenerate resources/pictures/ and pictures.rc
    tools/make_pictures.py --check         regenerate into a scratch folder and compare
    tools/make_pictures.py --out DIR --scale 2
                                           render every picture at twice the size (previews)

The pictures drawn small (logos, sprites, progress bar, dialog picture, shadow
pieces) are made twice: at their size and at twice it ("_2x", ID + 2000).

Prints each picture's size in bytes and the total.
"""

import argparse
import io
import os
import re
import struct
import subprocess
import sys
import tempfile

from PIL import Image

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOURCES = os.path.join(ROOT, "resources", "pictures", "src")
PICTURES = os.path.join(ROOT, "resources", "pictures")
RC_FILE = os.path.join(ROOT, "resources", "pictures.rc")

# Everything the installer may carry in pictures, in bytes.
BUDGET_BYTES = 250 * 1024

# The pictures drawn small are also rendered at twice their size, which the
# window draws above scale 1 instead of stretching the 1x ones; their IDs are
# the 1x IDs plus this (kDoubleSizePictureOffset, ui/resource_bitmap.h).
DOUBLE_SIZE_ID_OFFSET = 2000

# Word-mark colours: white on the welcome screen's indigo, ink on white.
LIGHT_CSS = "svg { color: #FFFFFF; }"
DARK_CSS = "svg { color: #161A3A; }"

# JPEG settings: quality high enough that the soft gradients show no banding
# or blocking at 1x, full-resolution chroma for the slides' crisp edges.
BACKGROUND_JPEG = {"quality": 92, "subsampling": "4:4:4"}
SLIDE_JPEG = {"quality": 90, "subsampling": "4:4:4"}

ICON_SIZES = (16, 24, 32, 48, 64, 256)
ICON_SMALL_SIZES = (16, 24)  # rendered from the heavier small mark

_EXTERNAL_USE = re.compile(r'href="([\w.-]+\.svg)#([\w-]+)"')
_DEFS = re.compile(r"<defs>(.*?)</defs>", re.S)


def inline_references(text):
    """Copies the <defs> of every SVG file that |text| references with
    href="file.svg#id" into |text| and points the references at the copies,
    so that a shared shape (the mark) keeps its gradients when placed."""
    files = sorted(set(name for name, _ in _EXTERNAL_USE.findall(text)))
    defs = []
    for name in files:
        with open(os.path.join(SOURCES, name), encoding="utf-8") as f:
            defs.extend(_DEFS.findall(f.read()))
    text = _EXTERNAL_USE.sub(r'href="#\2"', text)
    if defs:
        text = re.sub(r"(<svg\b[^>]*>)", lambda m: m.group(1) + "<defs>" + "".join(defs) + "</defs>",
                      text, count=1)
    return text


class Renderer:
    def __init__(self, scratch, scale):
        self.scratch = scratch
        self.scale = scale

    def render(self, source, width, height, css=None, scale=None):
        """Renders |source| at |width| x |height| (logical pixels) times the
        scale and returns an RGBA image."""
        scale = self.scale if scale is None else scale
        with open(os.path.join(SOURCES, source), encoding="utf-8") as f:
            text = inline_references(f.read())
        svg = os.path.join(self.scratch, "source.svg")
        with open(svg, "w", encoding="utf-8") as f:
            f.write(text)
        command = ["rsvg-convert", "--width", str(round(width * scale)),
                   "--height", str(round(height * scale)), "--format", "png"]
        if css:
            stylesheet = os.path.join(self.scratch, "colour.css")
            with open(stylesheet, "w", encoding="utf-8") as f:
                f.write(css)
            command += ["--stylesheet", stylesheet]
        png = subprocess.run(command + [svg], check=True, stdout=subprocess.PIPE).stdout
        image = Image.open(io.BytesIO(png))
        image.load()
        return image.convert("RGBA")


def encode_jpeg(image, settings):
    out = io.BytesIO()
    image.convert("RGB").save(out, "JPEG", optimize=True, **settings)
    return out.getvalue()


def encode_png(image, mode):
    out = io.BytesIO()
    image.convert(mode).save(out, "PNG", optimize=True)
    return out.getvalue()


def encode_palette_png(image, scratch):
    """256-colour PNG through pngquant, dithered so gradients stay smooth."""
    source = os.path.join(scratch, "truecolour.png")
    image.convert("RGB").save(source, "PNG")
    return subprocess.run(["pngquant", "--speed", "1", "--strip", "256", "--output", "-", "--",
                           source], check=True, stdout=subprocess.PIPE).stdout


def encode_ico(images):
    """An .ico with one entry per image: 32-bit DIBs with an AND mask for the
    small sizes (every loader reads them), a PNG for 256 px."""
    entries = []
    for image in images:
        width, height = image.size
        if width >= 256:
            entries.append((image.size, encode_png(image, "RGBA")))
            continue
        rows = []
        for y in range(height - 1, -1, -1):  # a DIB stores its rows bottom-up
            row = bytearray()
            for x in range(width):
                r, g, b, a = image.getpixel((x, y))
                row += bytes((b, g, r, a))
            rows.append(bytes(row))
        mask_stride = ((width + 31) // 32) * 4
        mask = bytearray()
        for y in range(height - 1, -1, -1):
            bits = bytearray(mask_stride)
            for x in range(width):
                if image.getpixel((x, y))[3] == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0,
                             width * height * 4 + len(mask), 0, 0, 0, 0)
        entries.append((image.size, header + b"".join(rows) + bytes(mask)))
    directory = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    body = b""
    for (width, height), data in entries:
        directory += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(data),
                                 offset + len(body))
        body += data
    return directory + body


def crop(image, box, scale):
    return image.crop(tuple(round(v * scale) for v in box))


def small_pictures(r, scale, scratch):
    """The pictures drawn small, rendered at |scale|: [(resource ID, file
    name, bytes)]. They are made at the window's two design scales."""
    pictures = [
        (301, "logo_light.png", encode_png(r.render("logo.svg", 166, 28, LIGHT_CSS, scale), "RGBA")),
        (304, "logo_dark.png", encode_png(r.render("logo.svg", 166, 28, DARK_CSS, scale), "RGBA")),
        (1065, "logo_light_ru.png",
         encode_png(r.render("logo_ru.svg", 166, 28, LIGHT_CSS, scale), "RGBA")),
        (1066, "logo_dark_ru.png",
         encode_png(r.render("logo_ru.svg", 166, 28, DARK_CSS, scale), "RGBA")),
        (309, "install_button.png",
         encode_png(r.render("install_button.svg", 336, 32, scale=scale), "RGBA")),
        (299, "checkbox.png", encode_png(r.render("checkbox.svg", 96, 16, scale=scale), "RGBA")),
        (302, "close_welcome.png",
         encode_png(r.render("close_welcome.svg", 36, 12, scale=scale), "LA")),
        (298, "close_progress.png",
         encode_png(r.render("close_progress.svg", 36, 12, scale=scale), "LA")),
        (313, "progress_track.png",
         encode_png(r.render("progress_track.svg", 292, 4, scale=scale), "RGB")),
        (314, "progress_fill.png",
         encode_png(r.render("progress_fill.svg", 292, 4, scale=scale), "RGBA")),
        (315, "dialog.png",
         encode_palette_png(r.render("dialog.svg", 410, 186, scale=scale), scratch)),
    ]

    # The shadow source is a 48 px window at (8, 8) on a 64 px canvas: the
    # corners come from its corners, the edge strips from its middle.
    shadow = r.render("shadow.svg", 64, 64, scale=scale)
    for resource_id, name, box in (
            (1057, "shadow_top_left.png", (0, 0, 16, 16)),
            (1058, "shadow_top_right.png", (48, 0, 64, 16)),
            (1059, "shadow_bottom_right.png", (48, 48, 64, 64)),
            (1060, "shadow_bottom_left.png", (0, 48, 16, 64)),
            (1061, "shadow_left.png", (0, 32, 8, 33)),
            (1062, "shadow_top.png", (32, 0, 33, 8)),
            (1063, "shadow_right.png", (56, 32, 64, 33)),
            (1064, "shadow_bottom.png", (32, 56, 33, 64))):
        pictures.append((resource_id, name, encode_png(crop(shadow, box, scale), "RGBA")))
    return pictures


def double_size(pictures):
    """The double-size renderings under their own IDs and file names."""
    return [(resource_id + DOUBLE_SIZE_ID_OFFSET, name.replace(".", "_2x.", 1), data)
            for resource_id, name, data in pictures]


def build(scratch, scale):
    """Returns [(resource ID, file name, bytes)] for every picture."""
    r = Renderer(scratch, scale)
    pictures = [
        (307, "background.jpg",
         encode_jpeg(r.render("background.svg", 728, 400), BACKGROUND_JPEG)),
        (303, "slide_security.jpg",
         encode_jpeg(r.render("slide_security.svg", 702, 536), SLIDE_JPEG)),
        (321, "slide_security_ru.jpg",
         encode_jpeg(r.render("slide_security_ru.svg", 698, 478), SLIDE_JPEG)),
    ]
    pictures += small_pictures(r, scale, scratch)
    pictures += double_size(small_pictures(r, 2 * scale, scratch))
    icons = [r.render("icon_small.svg" if size in ICON_SMALL_SIZES else "icon.svg", size, size,
                      scale=1) for size in ICON_SIZES]
    pictures.append((128, "velmar.ico", encode_ico(icons)))
    return pictures


def rc_text(pictures):
    lines = ["// The window's pictures, made by tools/make_pictures.py from",
             "// resources/pictures/src; regenerate with it, don't edit by hand.",
             "// Sprite frames, left to right: Install button 309 and close glyphs",
             "// 302/298: normal, hot, pressed; check box 299: unchecked normal, hot,",
             "// pressed, then checked normal, hot, pressed (frame = 3 x checked + state).",
             f"// ID + {DOUBLE_SIZE_ID_OFFSET} (\"_2x\"): the same picture rendered at twice its size."]
    for resource_id, name, _ in pictures:
        kind = "ICON" if name.endswith(".ico") else "RCDATA"
        lines.append(f'{resource_id} {kind} "pictures/{name}"')
    return "\n".join(lines) + "\n"


def write(folder, pictures, with_rc):
    os.makedirs(folder, exist_ok=True)
    for _, name, data in pictures:
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    if with_rc:
        with open(RC_FILE, "w", encoding="utf-8") as f:
            f.write(rc_text(pictures))


def check(pictures):
    """Compares fresh output with the committed files; returns the names that differ."""
    differing = []
    for _, name, data in pictures:
        path = os.path.join(PICTURES, name)
        if not os.path.exists(path) or open(path, "rb").read() != data:
            differing.append(name)
    if not os.path.exists(RC_FILE) or open(RC_FILE, encoding="utf-8").read() != rc_text(pictures):
        differing.append("pictures.rc")
    return differing


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--check", action="store_true",
                        help="compare fresh output with the committed pictures")
    parser.add_argument("--out", help="write the pictures here instead of resources/pictures")
    parser.add_argument("--scale", type=float, default=1.0, help="render scale (previews only)")
    args = parser.parse_args()
    if args.scale != 1.0 and not args.out:
        parser.error("--scale needs --out: the committed pictures are made at scales 1 and 2")

    with tempfile.TemporaryDirectory() as scratch:
        pictures = build(scratch, args.scale)

    total = 0
    for resource_id, name, data in pictures:
        print(f"{resource_id:>5}  {name:<26} {len(data):>7} bytes")
        total += len(data)
    print(f"total  {total} bytes ({total / 1024:.1f} KB of {BUDGET_BYTES // 1024} KB)")

    if args.check:
        differing = check(pictures)
        if differing:
            print("differs from the committed pictures: " + ", ".join(differing))
            return 1
        print("the committed pictures are up to date")
        return 0
    if args.out:
        write(args.out, pictures, with_rc=False)
        return 0
    write(PICTURES, pictures, with_rc=True)
    return 0 if total <= BUDGET_BYTES else 1


if __name__ == "__main__":
    sys.exit(main())
