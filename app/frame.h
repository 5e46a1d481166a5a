// The frame loop: a steady tick that steps what must happen on time (the scene's
// behaviour, reminders, sounds) whether or not anything is drawn, a frame drawn only
// when the picture needs it, and the window callbacks that record input and
// visibility for them.
#pragma once

#include <cstdint>
#include <ctime>

#include "app/shared/tick_state.h"

// Frame clock state: the tick count of the previous measurement.
struct FrameClock {
    uint32_t lastTickCount = 0;
};
// Seconds between `now` and the previous measurement, in unsigned 32-bit arithmetic
// so a wrap of the counter gives the right small difference; remembers `now`.
float MeasureFrameTime(FrameClock& clock, uint32_t now);
// Reads the platform tick counter into the global frame clock.
void GetGlobalTime(float& t);
// The first measurement is dropped when above 0.25 s (the time since boot).
float ClampFirstFrame(float measured, bool first_frame);

// Start-up work that the first frame need not wait for (the sound device, the
// particle effects): run once, by the first tick after a frame has been drawn, or at
// once when a sound is asked for before that.
void DeferUntilFirstFrame(void (*work)());

// One tick (see app/frame_rate.h), and the next one scheduled on the monotonic clock.
void tick(int);
// The program's loop, in place of glutMainLoop, whose timers follow the wall clock: ticks
// on the monotonic clock, GLUT's events and frames in between, asleep in poll() on the X
// connection until the next tick or event. Exits the program when the window is closed.
void RunFrameLoop();
// The view chosen by menu_case_id (the scene or a panel over its backdrop), and the
// calendar's notice over either, in GUI space.
void DrawView();
// GLUT display callback: draws one frame of the view from the state, swaps, and ends
// the one-frame input.
void display();
// GLUT window-status callback: hidden, covered, or (again) visible.
void window_status(int state);
void skeyboard_down(unsigned char key, int x, int y);
void skeyboard_up(unsigned char key, int x, int y);
void mouse_event(int button, int state, int x, int y);
void mouse(int x, int y);
