// Widgets and picking: the pointer mapping, the strict hit test, clicks, and the tint a
// button is drawn in and leaves.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

#include "engine/input.h"
#include "engine/widgets.h"
#include "gl_context.h"

// Puts the pointer on the window pixel that maps to GUI (tx, ty) in a 512 by 512 window.
static void PointAtGui(int tx, int ty) {
    SetWindowSizeOverride(512, 512), touch_coord_x = float(tx) + 0.5f, touch_coord_y = float(512 - ty) - 0.5f;
}

// Window pixel (y down) and window size to GUI units (y up), truncated; tx -1: no hit.
TEST(Picking, WindowPixelsMapIntoGuiSpace) {
    struct { float mx, my; int w, h, tx, ty; } rows[] = {
        {150, 150, 300, 300, 256, 256}, {0, 0, 300, 300, 0, 512}, {299, 299, 300, 300, 510, 1},  // 510.29
        {150, 50, 300, 200, 256, 384}, {10, 10, 0, 300, -1, 0}, {10, 10, 300, 0, -1, 0}};
    for (const auto& r : rows) {
        int tx = -1, ty = 0;
        EXPECT_TRUE(PixelToGui(r.mx, r.my, r.w, r.h, tx, ty) == (r.tx >= 0) && tx == r.tx && ty == r.ty) << r.mx;
    }
}

// A 20 by 20 button at (256, 256): edges are outside, and a click needs a press inside.
// (A minimised window hits nothing through PixelToGui: the rows above.)
TEST(Button, HitTestIsStrictOnEveryEdgeAndAClickNeedsAPressInside) {
    const Button b(0, 256, 256, 20, 20);
    for (int t = 230; t <= 282; ++t)
        for (const auto& [tx, ty] : {std::pair{t, 256}, std::pair{256, t}})
            for (bool press : {false, true}) {
                PointAtGui(tx, ty), single_touch = press;
                const bool inside = t > 236 && t < 276;
                EXPECT_TRUE(b.isSelected() == inside && b.isClicked() == (inside && press)) << tx << "," << ty << press;
            }
    single_touch = false, SetWindowSizeOverride(-1, -1);
}

// A white button under the pointer: Display(false) is drawn in the caller's red and keeps
// it; Display(true) is drawn pale yellow and leaves white.
TEST(WidgetDrawing, ButtonsKeepTheCallersTintOrLeaveWhite) {
    REQUIRE_GL_CONTEXT();
    const uint8_t white[4] = {255, 255, 255, 255};
    const Button b(testing_gl::MakeTexture(1, 1, white), 256, 256, 40, 40);
    PointAtGui(256, 256);  // over the button
    glClearColor(0, 0, 0, 1), glClear(GL_COLOR_BUFFER_BIT), glColor4f(1, 0, 0, 1);
    b.Display(false);
    const auto red = testing_gl::ReadPixel(150, 150);
    GLfloat kept[4], left[4];
    glGetFloatv(GL_CURRENT_COLOR, kept), b.Display(true), glGetFloatv(GL_CURRENT_COLOR, left);
    const auto pale = testing_gl::ReadPixel(150, 150);
    EXPECT_TRUE(red[0] == 255 && red[1] == 0 && kept[1] == 0.0f && !glIsEnabled(GL_BLEND));
    EXPECT_TRUE(pale[1] == 255 && std::abs(pale[2] - 128) <= 1 && left[2] == 1.0f) << int(pale[2]);
    SetWindowSizeOverride(-1, -1);
}
