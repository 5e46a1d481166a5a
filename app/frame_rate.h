// How fast the frame loop runs: it ticks (steps the scene, samples the pointer) at a
// steady rate, and a tick draws a frame only when something on screen needs it.
// Rules only; app/frame.cpp applies them.
#pragma once

// Ticks while any of the window can be seen: the pointer is sampled at this rate,
// so the pupils answer a movement within one frame of 60 a second.
constexpr double kVisibleTickMs = 1000.0 / 60.0;
// Ticks while none of it can be seen (iconified, on another workspace, covered):
// the timers run on, nothing is drawn.
constexpr double kHiddenTickMs = 100.0;
// While the owl only breathes, one tick in four draws: 15 frames a second, where the
// breathing moves less than a pixel a frame at the largest window scale.
constexpr int kLowRateTicks = 4;

// What one tick saw.
struct TickSeen {
    bool visible = true;         // some of the window can be seen
    bool shown_again = false;    // it has just become visible again
    bool panel = false;          // a panel is open
    bool input = false;          // a click, key or motion over the window: for the frame that
                                 // handles it and the one that shows its result
    bool pointer_moved = false;  // the pointer moved, anywhere on the screen, since the last tick
    bool shown_changed = false;  // the scene's pose, eyes, cloud, counter or icons changed; a
                                 // panel's caret or the wall clock's second changed
    bool moves_fast = false;     // the laugh, the thought cloud's bobbing, the smoke
};

// Whether this tick draws, `ticks_since_draw` ticks after the last drawn frame
// (counting this one): never while hidden; at once when shown again, for input, a
// moved pointer or a change; while a panel is open, for nothing else (a click, key or
// motion over the window is answered on the next tick, as at the full rate); every
// tick while the scene moves fast; otherwise every kLowRateTicks-th tick.
bool DrawThisTick(const TickSeen& seen, int ticks_since_draw);
