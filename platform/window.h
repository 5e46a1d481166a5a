// The program's window on X11: single instance, centring, always on top, pointer.
#pragma once

// True when another copy already runs: a top-level window titled `title` exists, or
// another process holds the instance lock. Call before the window is created; a
// false result also takes the lock for this process.
bool AnotherInstanceRunning(const char* title);

// Centres the current GLUT window (client area w by h) on the screen and marks it to
// be kept above other windows. Call right after glutCreateWindow.
void PlaceWindowOnTop(int w, int h);
// Asks the window manager, once the window is mapped, to keep it above others.
void KeepAboveOthers();
// False when no X display can be opened (the caller says so and stops).
bool DisplayAvailable();

// The pointer's position in screen pixels, also while it is outside the window.
// False when it cannot be read.
bool GetCursorPos(int& x, int& y);
// Test hook: a fixed pointer position replaces the real one; `enable` false clears it.
void SetCursorPosForTesting(bool enable, int x = 0, int y = 0);
