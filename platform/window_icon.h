// The owl on the task bar: the window's icon (_NET_WM_ICON), its class (WM_CLASS), by
// which desktops match it to strigolo.desktop, and the process behind it (_NET_WM_PID).
#pragma once

#include <vector>

// _NET_WM_ICON's content for one picture: width, height, then one 0xAARRGGBB value
// per pixel, top row first, made from straight RGBA bytes stored bottom row first (the
// order of our raw picture files). Empty when a side is not positive. The values are
// unsigned long because Xlib takes format-32 properties as longs in memory.
std::vector<unsigned long> NetWmIconData(const unsigned char* rgba, int w, int h);

// Puts the picture on the current GLUT window as its icon; does nothing without a
// current window. Call after glutCreateWindow.
void SetWindowIcon(const unsigned char* rgba, int w, int h);

// Names the current GLUT window's class "strigolo"/"Strigolo", by which desktops match
// it to its menu entry. Call after glutCreateWindow, before the window is shown.
void SetWindowClass();

// Sets _NET_WM_PID and WM_CLIENT_MACHINE on the current GLUT window, by which task
// managers, `xdotool getwindowpid` and the window manager's "kill unresponsive window"
// find the process. Call after glutCreateWindow, before the window is shown.
void SetWindowProcess();
