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

// The current GLUT window's frame origin: where its window-manager frame's top-left
// corner sits on the screen (the client area's when there is no frame). This is the
// position a new window asks for to come out at the same place. False without a window.
bool GetWindowFrameOrigin(int& x, int& y);
