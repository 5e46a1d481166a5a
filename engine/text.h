// Bitmap-font text in GUI space, from the 16 by 16 glyph texture `font`.
#pragma once

// One line; with `center` the line's total advance is centred on raster_x.
// Text longer than 255 characters is cut to them.
void glPrintText(float raster_x, float raster_y, float size, bool center, const char* fmt, ...)
    __attribute__((format(printf, 5, 6)));
// A block of lines of mc + 1 characters each, running downwards by 2.05 * size per line.
// Text longer than 511 characters is cut to them.
void glPrintTextBox(float raster_x, float raster_y, float size, int mc, const char* fmt, ...)
    __attribute__((format(printf, 5, 6)));
// Glyph cell of a character: c - 32 for a signed char (negative selects the blank cell).
int ConvertCharToGlASCII(char c);
