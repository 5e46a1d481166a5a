// Where the window opens: centred on the primary monitor the first time, then where
// the user left it, kept in a small text file in the user's state folder.
#pragma once

#include <cstdint>
#include <string>

#include "platform/desktop.h"

// The monitor the window is centred on: the primary one; without a primary, the one
// that holds the pointer, else the first; without RandR monitors, the whole screen.
ScreenRect ChooseMonitor(const DesktopFacts& facts);

// The top-left corner of a `side` by `side` window centred on `m`, with integer
// division as (m.w - side) / 2; a window larger than the monitor starts at its edge.
void CentreOn(const ScreenRect& m, int side, int& x, int& y);

// Checks a remembered top-left corner (x, y) of a `side` by `side` window against
// today's monitors (the whole screen without RandR): true when the window's middle
// lies on one of them, and (x, y) is then moved the least that keeps the window on
// that monitor; false when it lies off every monitor.
bool PlaceOnMonitors(const DesktopFacts& facts, int side, int& x, int& y);

// The place file's text, "place X Y\n" (the frame's top-left corner in screen
// pixels), and its reader, false for any other text.
std::string FormatPlace(int x, int y);
bool ParsePlace(const std::string& text, int& x, int& y);

// The place file: $XDG_STATE_HOME/strigolo/window-place, or HOME/.local/state/... when
// XDG_STATE_HOME is unset, empty or relative (which the XDG rules say to ignore).
// Empty when neither names an absolute folder.
std::string PlaceFilePath(const char* xdg_state_home, const char* home);

// Remembering the place, kept as the top-left corner a new window asks for (the frame's,
// under a window manager that frames windows). A move notice starts a wait; once the
// window has not moved for kPlaceSettleMs the place is read, and it is written only when
// it differs from the one on file (or, before any write, the one the window asked for).
constexpr uint32_t kPlaceSettleMs = 1000;
struct PlaceMemory {
    int x = 0, y = 0;          // the place on file, or the one the window asked for
    bool moving = false;       // a move notice came and the place has not been read since
    uint32_t moved_at = 0;     // tick (ms) of the last move notice
    bool offset_known = false;  // the client's offset from the place asked for, learned at
    int off_x = 0, off_y = 0;   // the first read when the window manager tells no frame
};
void NoteWindowMoved(PlaceMemory& m, uint32_t now_ms);
// True when a move has settled by `now_ms`; the caller then reads the place.
bool MoveSettled(const PlaceMemory& m, uint32_t now_ms);
// The place read after a move settled: the client area's top-left corner and the
// frame's left and top widths when the window manager tells them (`frame_known`).
// Without them, the first read takes the client's offset from the place asked for as
// the frame's. True when the place must be written; m then holds it.
bool PlaceToWrite(PlaceMemory& m, int client_x, int client_y, bool frame_known, int left, int top);
