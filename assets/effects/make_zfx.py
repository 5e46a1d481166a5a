#!/usr/bin/env python3
"""Fills an effect template (NAME.zfx.in) with a picture's pixels and writes Data/NAME.zfx.

Usage: make_zfx.py TEMPLATE RAW_TEXTURE OUTPUT

The template is the effect file itself with comment lines ("#" first) and three
placeholders: @WIDTH@ and @HEIGHT@ (the picture's size in pixels) and @PIXELS@ (its
RGBA values, one pixel row per line, bottom row first, as png2raw stores them).
"""
import struct
import sys


def bleed_colour(pixels):
    """Gives fully transparent pixels the mean colour of the visible ones, so that
    linear filtering at a shape's edge doesn't blend in black."""
    visible = [i for i in range(0, len(pixels), 4) if pixels[i + 3] > 0]
    if not visible:
        return pixels
    mean = [sum(pixels[i + c] for i in visible) // len(visible) for c in range(3)]
    for i in range(0, len(pixels), 4):
        if pixels[i + 3] == 0:
            pixels[i:i + 3] = bytes(mean)
    return pixels


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    template_path, raw_path, out_path = sys.argv[1:]
    with open(raw_path, "rb") as f:
        raw = f.read()
    width, height = struct.unpack("<ii", raw[:8])
    pixels = raw[8:]
    if width <= 0 or height <= 0 or len(pixels) != width * height * 4:
        sys.exit(f"make_zfx: {raw_path}: not a raw RGBA texture")
    pixels = bleed_colour(bytearray(pixels))
    row_bytes = width * 4
    rows = [" ".join(str(b) for b in pixels[r * row_bytes:(r + 1) * row_bytes]) for r in range(height)]

    with open(template_path, encoding="ascii") as f:
        lines = [line for line in f if not line.lstrip().startswith("#")]
    text = "".join(lines)
    for key in ("@WIDTH@", "@HEIGHT@", "@PIXELS@"):
        if key not in text:
            sys.exit(f"make_zfx: {template_path}: no {key}")
    text = text.replace("@WIDTH@", str(width)).replace("@HEIGHT@", str(height))
    text = text.replace("@PIXELS@", "\n".join(rows))
    if not text.startswith("ZFX"):
        sys.exit(f"make_zfx: {template_path}: must start with the ZFX header")
    with open(out_path, "w", encoding="ascii", newline="\n") as f:
        f.write(text)


if __name__ == "__main__":
    main()
