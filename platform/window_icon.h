// The owl on the task bar: the window's icon (_NET_WM_ICON, from a raw picture file of
// Data/) and its class (WM_CLASS), by which desktops match it to strigolo.desktop.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// _NET_WM_ICON's content for one picture: width, height, then one 0xAARRGGBB value
// per pixel, top row first, made from straight RGBA bytes stored bottom row first (the
// order of our raw picture files). Empty when a side is not positive. The values are
// unsigned long because Xlib takes format-32 properties as longs in memory.
std::vector<unsigned long> NetWmIconData(const unsigned char* rgba, int w, int h);

// A window icon read from a raw picture file held in memory (little-endian int32
// width and height, then w*h*4 RGBA bytes). False, with `error` set, for a buffer
// shorter than its header or its pixels, or a side outside 1..kMaxWindowIconSide.
constexpr int kMaxWindowIconSide = 256;
struct WindowIconPicture {
    int w = 0;
    int h = 0;
    std::vector<unsigned char> rgba;
};
bool ParseWindowIcon(const unsigned char* data, size_t size, WindowIconPicture& out, std::string& error);

// Puts the picture on the current GLUT window as its icon; does nothing without a
// current window. Call after glutCreateWindow.
void SetWindowIcon(const unsigned char* rgba, int w, int h);

// Names the current GLUT window's class "strigolo"/"Strigolo" and sets the picture
// file `path` as its icon. Call after glutCreateWindow, before the window is shown. A
// missing or damaged file only costs the task bar its owl: one line on standard
// error, and false.
bool IdentifyWindow(const char* icon_path);
