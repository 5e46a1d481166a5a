// The frame clock, which ticks draw, and the input callbacks, driven without a window.
#include "app/frame.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include "app/frame_rate.h"
#include "engine/input.h"

TEST(FrameClock, DifferenceIsUnsignedSoAWrapStaysSmall) {
    FrameClock clock;
    clock.lastTickCount = 0xFFFFFFF0u;
    EXPECT_FLOAT_EQ(MeasureFrameTime(clock, 0x00000010u), 0.032f);
    EXPECT_EQ(clock.lastTickCount, 0x10u);
    EXPECT_FLOAT_EQ(MeasureFrameTime(clock, 0x10u + 16), 0.016f);
    EXPECT_FLOAT_EQ(MeasureFrameTime(clock, 0x10u + 16), 0.0f);
}

TEST(FrameClock, FirstMeasurementIsTheTimeSinceBootAndIsDroppedWhenLong) {
    FrameClock clock;  // starts at 0, as at process start
    const float first = MeasureFrameTime(clock, 3600000u);
    EXPECT_FLOAT_EQ(first, 3600.0f);
    EXPECT_EQ(ClampFirstFrame(first, true), 0.0f);
    EXPECT_FLOAT_EQ(ClampFirstFrame(0.25f, true), 0.25f);
    // A later stall is not clamped: every timer advances by it.
    EXPECT_FLOAT_EQ(ClampFirstFrame(5.0f, false), 5.0f);
}

TEST(FrameRate, ATickDrawsForChangesAtOnceForMotionEveryTickAndOtherwiseAtTheLowRate) {
    enum : unsigned { kShownAgain = 1, kPanel = 2, kInput = 4, kPointer = 8, kChanged = 16, kFast = 32, kHidden = 64 };
    // Ticks since the last frame, counting this one.
    struct { unsigned why; int ticks; bool draws; } rows[] = {
        {0, 1, false}, {0, kLowRateTicks - 1, false}, {0, kLowRateTicks, true},
        {kShownAgain, 1, true}, {kInput, 1, true}, {kPointer, 1, true}, {kChanged, 1, true}, {kFast, 1, true},
        // A panel is drawn for input, its caret and the clock only.
        {kPanel, kLowRateTicks, false}, {kPanel | kInput, 1, true}, {kPanel | kChanged, 1, true},
        {kHidden, 100, false}, {kHidden | kChanged, 1, false}, {kHidden | kInput, 1, false}};
    for (const auto& r : rows) {
        TickSeen t;
        t.visible = !(r.why & kHidden), t.shown_again = r.why & kShownAgain, t.panel = r.why & kPanel;
        t.input = r.why & kInput, t.pointer_moved = r.why & kPointer, t.shown_changed = r.why & kChanged;
        t.moves_fast = r.why & kFast;
        EXPECT_EQ(DrawThisTick(t, r.ticks), r.draws) << r.why << " " << r.ticks;
    }
}

TEST(InputCallbacks, AQuickClickOrTapBetweenTwoFramesIsSeen) {
    single_touch = false;
    reset_keys_state();
    mouse(120, 80);
    mouse_event(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
    mouse_event(GLUT_LEFT_BUTTON, GLUT_UP, 0, 0);
    EXPECT_TRUE(single_touch);
    EXPECT_EQ(touch_coord_x, 120.0f);
    EXPECT_EQ(touch_coord_y, 80.0f);

    skeyboard_down('a', 0, 0);
    skeyboard_up('a', 0, 0);
    EXPECT_TRUE(key_state['a']);
    skeyboard_down(0xE8, 0, 0);  // any byte indexes the table
    EXPECT_TRUE(key_state[0xE8]);

    // The end of the frame clears everything.
    single_touch = false;
    reset_keys_state();
    EXPECT_FALSE(key_state['a']);
    // A release arriving in a later batch sets nothing, other buttons are ignored.
    mouse_event(GLUT_LEFT_BUTTON, GLUT_UP, 0, 0);
    mouse_event(GLUT_RIGHT_BUTTON, GLUT_DOWN, 0, 0);
    EXPECT_FALSE(single_touch);
}
