// Frame pacing: at most about 60 frames a second, whatever the swap interval does.
#pragma once

// Asks the GL driver to wait for vertical blank on swap (swap interval 1).
// Returns true when an extension took the request.
bool RequestSwapInterval();
// Sleeps so that consecutive calls are at least `frame_ms` apart.
void PaceFrame(double frame_ms = 1000.0 / 60.0);
