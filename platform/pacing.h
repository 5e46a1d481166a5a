// Frame pacing: the swap interval, and a steady schedule of ticks (the frame loop's
// timer, the empty frame's sleep) that does not drift with rounding or late wake-ups.
#pragma once

// Asks the GL driver to wait for vertical blank on swap (swap interval 1).
// Returns true when an extension took the request.
bool RequestSwapInterval();

// The next tick of a steady schedule of `period_ms`: `next_ms` (a time on the clock
// `now_ms` is read from, 0 to start) moves on by one period, and the milliseconds
// from `now_ms` to it are returned, rounded to the nearest whole one. When the
// schedule has fallen behind, or lies more than a period ahead (a new period, a clock
// that jumped), it starts afresh one period from now.
unsigned ScheduleTick(double& next_ms, double now_ms, double period_ms);
// Milliseconds of the monotonic clock, for ScheduleTick.
double MonotonicMs();

// Sleeps so that consecutive calls are at least `frame_ms` apart.
void PaceFrame(double frame_ms = 1000.0 / 60.0);
