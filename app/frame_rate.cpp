// The frame-rate rules of the frame loop.
#include "app/frame_rate.h"

bool DrawThisTick(const TickSeen& seen, int ticks_since_draw) {
    if (!seen.visible) return false;
    if (seen.shown_again || seen.input || seen.pointer_moved || seen.shown_changed) return true;
    if (seen.panel) return false;  // a panel changes only with input, its caret and the clock
    if (seen.moves_fast) return true;
    return ticks_since_draw >= kLowRateTicks;
}
