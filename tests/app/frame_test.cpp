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
    enum Why { kNone, kShownAgain, kPanel, kInput, kPointer, kChanged, kFast };
    auto seen = [](Why why, bool visible = true) {
        TickSeen t;
        t.visible = visible;
        t.shown_again = why == kShownAgain, t.panel = why == kPanel, t.input = why == kInput;
        t.pointer_moved = why == kPointer, t.shown_changed = why == kChanged, t.moves_fast = why == kFast;
        return t;
    };
    // Ticks since the last frame, counting this one.
    struct { Why why; bool visible; int ticks; bool draws; } rows[] = {
        {kNone, true, 1, false}, {kNone, true, kLowRateTicks - 1, false}, {kNone, true, kLowRateTicks, true},
        {kShownAgain, true, 1, true}, {kPanel, true, 1, true}, {kInput, true, 1, true},
        {kPointer, true, 1, true}, {kChanged, true, 1, true}, {kFast, true, 1, true},
        {kNone, false, 100, false}, {kChanged, false, 1, false}, {kInput, false, 1, false}};  // hidden: never
    for (const auto& r : rows)
        EXPECT_EQ(DrawThisTick(seen(r.why, r.visible), r.ticks), r.draws) << r.why << " " << r.visible << " " << r.ticks;
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
