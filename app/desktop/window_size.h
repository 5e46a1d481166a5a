// The window's size in pixels, from -geometry or the scale, kept to what the screen
// shows and the renderer can draw: a size Mesa cannot allocate, or an X window of 0
// pixels, would end the program before its first frame.
#pragma once

#include <string>

// Below this many pixels a side the owl and its panels cannot be used.
constexpr int kMinWindowSide = 100;

// The size part of an X geometry ("WxH", "WxH+X+Y", "=WxH-X+Y", "Wx", "xH"): true when
// it gives a width or a height, each put in `w` / `h` (the other left as it is); a number
// too large for an int reads as INT_MAX.
bool ParseGeometrySize(const std::string& geometry, int& w, int& h);

// Keeps `w` and `h` from kMinWindowSide to the screen's size (`screen_w`, `screen_h`;
// 0 when unknown) and to `renderer_max` (the renderer's largest viewport and texture;
// 0 when unknown). True when a side changed; `note` then says so, for one stderr line.
bool ClampWindowSize(int& w, int& h, int screen_w, int screen_h, int renderer_max, std::string& note);
