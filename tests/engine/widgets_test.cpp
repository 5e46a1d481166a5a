// Widgets and picking: the pointer mapping, the strict hit test, clicks, the random
// timing grid, and what the drawing helpers put on screen.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "engine/input.h"
#include "engine/widgets.h"
#include "gl_context.h"

// Puts the pointer on the window pixel that maps to GUI (tx, ty) in a 512 by 512 window.
static void PointAtGui(int tx, int ty) {
    SetWindowSizeOverride(512, 512);
    touch_coord_x = float(tx) + 0.5f, touch_coord_y = float(512 - ty) - 0.5f;
}

// Window pixel (y down) and window size to GUI units (y up), truncated; tx -1: no hit.
TEST(Picking, WindowPixelsMapIntoGuiSpace) {
    struct { float mx, my; int w, h, tx, ty; } rows[] = {
        {150, 150, 300, 300, 256, 256}, {0, 0, 300, 300, 0, 512}, {299, 299, 300, 300, 510, 1},  // 510.29
        {598, 598, 600, 600, 510, 1}, {150, 50, 300, 200, 256, 384}, {10, 10, 0, 300, -1, 0}, {10, 10, 300, 0, -1, 0}};
    for (const auto& r : rows) {
        int tx = -1, ty = 0;
        EXPECT_EQ(PixelToGui(r.mx, r.my, r.w, r.h, tx, ty), r.tx >= 0) << r.w << "x" << r.h;
        EXPECT_TRUE(tx == r.tx && ty == r.ty) << r.mx << "," << r.my << " -> " << tx << "," << ty;
    }
}

TEST(Button, HitTestIsStrictOnEveryEdgeAndAClickNeedsAPressInside) {
    const Button b(0, 256, 256, 20, 20);
    for (int t = 230; t <= 282; ++t) {
        PointAtGui(t, 256);
        EXPECT_EQ(b.isSelected(), t >= 237 && t <= 275) << "tx " << t;
        PointAtGui(256, t);
        EXPECT_EQ(b.isSelected(), t >= 237 && t <= 275) << "ty " << t;
    }
    // pointer (GUI), pressed, window width -> clicked; a minimised window hits nothing
    struct { int tx, ty; bool press; int window_w; bool clicked; } rows[] = {
        {256, 256, false, 512, false}, {256, 256, true, 512, true}, {300, 300, true, 512, false}, {256, 256, true, 0, false}};
    for (const auto& r : rows) {
        PointAtGui(r.tx, r.ty);
        SetWindowSizeOverride(r.window_w, 512);
        single_touch = r.press;
        EXPECT_EQ(b.isClicked(), r.clicked) << r.tx << " " << r.press << " " << r.window_w;
        EXPECT_EQ(b.isSelected(), r.tx == 256 && r.window_w > 0);
    }
    single_touch = false;
    SetWindowSizeOverride(-1, -1);
}

TEST(RandIntvf, StaysOnItsGridAndCoversIt) {
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        const float v = rand_intvf(1, 2, 10), steps = (v - 1.0f) * 10.0f;
        ASSERT_TRUE(v >= 1.0f && v <= 2.0f && std::fabs(steps - std::round(steps)) < 1e-4) << v;
        seen.insert(int(std::round(steps)));
    }
    EXPECT_EQ(seen.size(), 11u) << "all of 1.0, 1.1, ..., 2.0 come up";
    EXPECT_EQ(rand_intvf(3, 3, 1), 3.0f);
}

// A white button tinted by the caller's red: Display(false) keeps that colour, Display(true)
// leaves white. DrawRect raises only its top edge.
TEST(WidgetDrawing, ButtonsKeepOrResetTheTintAndRectsRaiseTheirTop) {
    REQUIRE_GL_CONTEXT();
    const uint8_t white[4] = {255, 255, 255, 255};
    const Button b(testing_gl::MakeTexture(1, 1, white), 256, 256, 40, 40);
    touch_coord_x = touch_coord_y = 0;  // pointer away from the button
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor4f(1, 0, 0, 1);
    b.Display(false);
    const auto px = testing_gl::ReadPixel(150, 150);
    GLfloat kept[4], left[4];
    glGetFloatv(GL_CURRENT_COLOR, kept);
    b.Display(true);
    glGetFloatv(GL_CURRENT_COLOR, left);
    EXPECT_TRUE(px[0] == 255 && px[1] == 0 && kept[1] == 0.0f && left[1] == 1.0f && !glIsEnabled(GL_BLEND));

    glClear(GL_COLOR_BUFFER_BIT);
    testing_gl::GuiProjection();
    glScalef(512 / 300.0f, 512 / 300.0f, 1);  // one unit a pixel
    glTranslatef(150, 150, 0);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, b.pattern);
    DrawRect(100, 200, 50);  // x -50..50, y -100..150
    glLoadIdentity();
    const std::tuple<int, int, bool> probes[] = {{150, 51, true},  {150, 48, false}, {150, 298, true},
                                                 {101, 150, true}, {98, 150, false}, {202, 150, false}};
    for (const auto& [x, y, lit] : probes) EXPECT_EQ(testing_gl::ReadPixel(x, y)[0] > 128, lit) << x << "," << y;
}
