// What the X server tells about the desktop a window opens on: the screen, its RandR
// monitors, the pointer and the resource database (xrdb), read once before the window
// exists; and where the window's frame sits once it is shown.
#pragma once

#include <string>
#include <vector>

// A rectangle in screen pixels, origin at the screen's top-left, y downwards.
struct ScreenRect {
    int x = 0, y = 0, w = 0, h = 0;
};

struct Monitor {
    ScreenRect rect;
    bool primary = false;
};

struct DesktopFacts {
    ScreenRect screen;              // the whole X screen
    std::vector<Monitor> monitors;  // RandR 1.5 monitors; empty when the server has none
    bool pointer_known = false;
    int pointer_x = 0, pointer_y = 0;
    std::string resources;  // the RESOURCE_MANAGER text ("Xft.dpi:\t192\n..."), may be empty
};

// Reads the facts of `display_name` (nullptr: $DISPLAY). False when no display opens.
bool ReadDesktopFacts(const char* display_name, DesktopFacts& out);

// Where the current GLUT window's client area sits on the screen, and, when the window
// manager tells them (_NET_FRAME_EXTENTS; `frame_known`), the widths of its frame at the
// left and the top. False without a window.
bool GetWindowPlacement(int& x, int& y, bool& frame_known, int& left, int& top);
