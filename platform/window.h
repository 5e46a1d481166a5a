// The program's window on X11: single instance, centring, always on top, pointer.
#pragma once

// True when another copy already runs: a top-level window titled `title` exists, or
// another process holds the instance lock. Call before the window is created; a
// false result also takes the lock for this process.
bool AnotherInstanceRunning(const char* title);

// Centres the current GLUT window (client area w by h) on the screen and keeps it
// above other windows. Call right after glutCreateWindow, before the first map.
void PlaceWindowOnTop(int w, int h);

// The pointer's position in screen pixels, also while it is outside the window.
// False when it cannot be read.
bool GetCursorPos(int& x, int& y);
// Test hook: a fixed pointer position replaces the real one; `enable` false clears it.
void SetCursorPosForTesting(bool enable, int x = 0, int y = 0);
