#!/usr/bin/env python3
"""Writes the font picture: printable ASCII from code 32 in a 16 by 16 grid of
32-pixel cells, row 0 at the top, drawn from DejaVu Sans Mono Bold.

The text drawer advances the pen by about half a cell, so every glyph is kept to
the middle half of its cell's width. Glyphs are white (the drawer tints them with
the current colour) with a thin dark rim so they read over the scene's backdrop."""
import sys
from xml.sax.saxutils import escape

CELL = 32
FONT_SIZE = 26          # DejaVu Sans Mono advances 0.6 em: under half a cell
BASELINE = 24           # from the cell's top; leaves room for descenders

def main(path):
    out = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{16 * CELL}" height="{16 * CELL}">',
           f'<g font-family="DejaVu Sans Mono" font-weight="bold" font-size="{FONT_SIZE}" '
           'text-anchor="middle" fill="#ffffff" stroke="#120c04" stroke-opacity="0.9" '
           'stroke-width="2.6" paint-order="stroke" stroke-linejoin="round">']
    for code in range(32, 127):
        n = code - 32
        x = (n % 16) * CELL + CELL / 2
        y = (n // 16) * CELL + BASELINE
        ch = chr(code)
        if ch == ' ':
            continue
        out.append(f'<text x="{x}" y="{y}">{escape(ch)}</text>')
    out.append('</g></svg>')
    with open(path, 'w', encoding='ascii') as f:
        f.write('\n'.join(out) + '\n')

if __name__ == '__main__':
    main(sys.argv[1])
