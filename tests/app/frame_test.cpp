// The frame clock, which ticks draw, and the input callbacks, driven without a window.
#include "app/frame.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include "app/frame_rate.h"
#include "engine/input.h"

// Tick counts in turn across the 32-bit wrap and the seconds measured from the one
// before; then the first measurement (the time since boot) dropped when over 0.25 s,
// a later stall kept: every timer advances by it.
TEST(FrameClock, UnsignedDifferenceAcrossTheWrapAndOnlyTheFirstLongFrameDropped) {
    FrameClock clock;
    clock.lastTickCount = 0xFFFFFFF0u;
    const struct { uint32_t now; float seconds; } ticks[] = {{0x10u, 0.032f}, {0x20u, 0.016f}, {0x20u, 0.0f}};
    for (const auto& t : ticks) EXPECT_FLOAT_EQ(MeasureFrameTime(clock, t.now), t.seconds) << t.now;
    const struct { float in; bool first; float out; } frames[] = {{3600, true, 0}, {0.25f, true, 0.25f}, {5, false, 5}};
    for (const auto& f : frames) EXPECT_FLOAT_EQ(ClampFirstFrame(f.in, f.first), f.out) << f.in;
}

// What a tick saw, the ticks since the last frame (counting this one), and whether it draws.
TEST(FrameRate, ATickDrawsForChangesAtOnceForMotionEveryTickAndOtherwiseAtTheLowRate) {
    enum : unsigned { kShownAgain = 1, kPanel = 2, kInput = 4, kPointer = 8, kChanged = 16, kFast = 32, kHidden = 64 };
    // A panel is drawn for input, its caret and the clock only.
    const struct { unsigned why; int ticks; bool draws; } rows[] = {{0, 1, false}, {0, kLowRateTicks - 1, false},
        {0, kLowRateTicks, true}, {kShownAgain, 1, true}, {kInput, 1, true}, {kPointer, 1, true}, {kChanged, 1, true},
        {kFast, 1, true}, {kPanel, kLowRateTicks, false}, {kPanel | kInput, 1, true}, {kPanel | kChanged, 1, true},
        {kHidden, 100, false}, {kHidden | kChanged, 1, false}, {kHidden | kInput, 1, false}};
    for (const auto& r : rows) {
        auto is = [&](unsigned bit) { return (r.why & bit) != 0; };
        const TickSeen t{!is(kHidden), is(kShownAgain), is(kPanel), is(kInput), is(kPointer), is(kChanged), is(kFast)};
        EXPECT_EQ(DrawThisTick(t, r.ticks), r.draws) << r.why << " " << r.ticks;
    }
}

// A click or key tap whose release comes before the next frame is still seen by it (any
// byte indexes the keys); the end of the frame clears them; a release alone or another
// button sets nothing.
TEST(InputCallbacks, AQuickClickOrTapBetweenTwoFramesIsSeen) {
    single_touch = false, reset_keys_state();
    mouse(120, 80);
    mouse_event(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0), mouse_event(GLUT_LEFT_BUTTON, GLUT_UP, 0, 0);
    skeyboard_down('a', 0, 0), skeyboard_up('a', 0, 0), skeyboard_down(0xE8, 0, 0);
    EXPECT_TRUE(single_touch && touch_coord_x == 120.0f && touch_coord_y == 80.0f && key_state['a'] && key_state[0xE8]);
    single_touch = false, reset_keys_state();  // the end of a frame
    mouse_event(GLUT_LEFT_BUTTON, GLUT_UP, 0, 0), mouse_event(GLUT_RIGHT_BUTTON, GLUT_DOWN, 0, 0);
    EXPECT_FALSE(single_touch || key_state['a']);
}
