// The program's window on X11: single instance, always on top, pointer.
#pragma once

enum class InstanceClaim {
    kFirst,           // this process is the one copy; it holds the claim until it exits
    kAlreadyRunning,  // another copy runs: a window titled `title`, or its claim
    kNoDisplay,       // no X display could be opened
};
// Claims the single running copy on the X display `display_name` (nullptr: $DISPLAY).
// Call before the window exists. Two copies started at the same instant cannot both
// get kFirst.
InstanceClaim ClaimSingleInstance(const char* title, const char* display_name = nullptr);

// Marks the current GLUT window to be kept above other windows from its first showing:
// the initial _NET_WM_STATE, which a window manager reads from each window it adopts,
// whether it runs already or starts later. Call right after glutCreateWindow.
void MarkWindowAbove();
// Asks the window manager, once the window is mapped, to keep it above others.
void KeepAboveOthers();
// True once for each window manager that has started (or been replaced) since the
// last call: the root window's _NET_SUPPORTING_WM_CHECK was set. The first call starts
// watching; it never waits.
bool WindowManagerAppeared();

// Waits until the X server has something for the program (events for GLUT's window or
// for the watch above) or `timeout_ms` milliseconds have passed; sends what was asked
// of the server first. Returns at once when events for GLUT's window are already queued.
void WaitForWindowEvents(int timeout_ms);

// The pointer's position in screen pixels, also while it is outside the window.
// False when it cannot be read.
bool GetCursorPos(int& x, int& y);
// The pointer's position relative to the current window's client origin, in pixels
// (y downwards), also while it is outside the window; one request to the X server.
// False when it cannot be read.
bool GetCursorInWindow(int& x, int& y);
// Test hook: a fixed pointer position (screen pixels) replaces the real one for both
// readings; `enable` false clears it.
void SetCursorPosForTesting(bool enable, int x = 0, int y = 0);

// Shows the current GLUT window to the user: restored if iconified, raised, and made
// the active window (the window manager brings it from another workspace).
void RaiseAndRestoreWindow();
