// The one-frame input state: recorded by the window callbacks between frames,
// consumed by the widgets and text fields of the next frame, cleared at its end.
#pragma once

// True when a key-down for that character code arrived since the end of the
// previous frame. A key-up arriving before the frame that consumes it does not
// clear the entry, so a quick tap is never lost.
extern bool key_state[256];
// True when the left button went down since the end of the previous frame.
extern bool single_touch;
// Last pointer position reported by the window's motion events, in window pixels,
// origin at the top-left, y downwards.
extern float touch_coord_x, touch_coord_y;

void reset_keys_state();

// Window client size in pixels, as the widgets see it: what the last reshape gave
// (asking GLUT costs two round trips to the X server, and every widget asks every
// frame), GLUT's before the first one, or a test's.
int WindowWidth();
int WindowHeight();
// The reshape callback records the size here.
void RememberWindowSize(int w, int h);
// Tests without a GLUT window set the size here; (-1, -1) returns to GLUT.
void SetWindowSizeOverride(int w, int h);
