// Widgets and picking: the pointer mapping, the strict hit test, clicks, drawing
// state, and the random timing grid.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "engine/input.h"
#include "engine/widgets.h"
#include "gl_context.h"

namespace {
// Puts the pointer on the window pixel that maps to GUI (tx, ty) in a 512 by 512 window.
void PointAtGui(int tx, int ty) {
    SetWindowSizeOverride(512, 512);
    touch_coord_x = float(tx) + 0.5f;
    touch_coord_y = float(512 - ty) - 0.5f;
}
}  // namespace

TEST(Picking, WindowPixelsMapIntoGuiSpace) {
    int tx = -1, ty = -1;
    ASSERT_TRUE(PixelToGui(150, 150, 300, 300, tx, ty));
    EXPECT_EQ(tx, 256);
    EXPECT_EQ(ty, 256);
    ASSERT_TRUE(PixelToGui(0, 0, 300, 300, tx, ty));
    EXPECT_EQ(tx, 0);
    EXPECT_EQ(ty, 512);
    ASSERT_TRUE(PixelToGui(299, 299, 300, 300, tx, ty));
    EXPECT_EQ(tx, 510);  // 299 * 512 / 300 = 510.29
    EXPECT_EQ(ty, 1);
    ASSERT_TRUE(PixelToGui(598, 598, 600, 600, tx, ty));  // a window twice the size: the same place
    EXPECT_EQ(tx, 510);
    EXPECT_EQ(ty, 1);
    EXPECT_FALSE(PixelToGui(10, 10, 0, 300, tx, ty));
    EXPECT_FALSE(PixelToGui(10, 10, 300, 0, tx, ty));
}

TEST(Button, HitTestIsStrictOnEveryEdge) {
    const Button b(0, 256, 256, 20, 20);
    for (int t = 230; t <= 282; ++t) {
        PointAtGui(t, 256);
        EXPECT_EQ(b.isSelected(), t >= 237 && t <= 275) << "tx " << t;
        PointAtGui(256, t);
        EXPECT_EQ(b.isSelected(), t >= 237 && t <= 275) << "ty " << t;
    }
    SetWindowSizeOverride(-1, -1);
}

TEST(Button, ClickCountsOnlyWithAPressInsideAndNoWindowHitsNothing) {
    const Button b(0, 100, 100, 30, 30);
    PointAtGui(100, 100);
    single_touch = false;
    EXPECT_TRUE(b.isSelected());
    EXPECT_FALSE(b.isClicked());
    single_touch = true;
    EXPECT_TRUE(b.isClicked());
    PointAtGui(200, 200);
    EXPECT_FALSE(b.isClicked());
    // A minimised window: no button is hit, whatever the pointer says.
    PointAtGui(100, 100);
    SetWindowSizeOverride(0, 0);
    EXPECT_FALSE(b.isSelected());
    EXPECT_FALSE(b.isClicked());
    single_touch = false;
    SetWindowSizeOverride(-1, -1);
}

TEST(RandIntvf, StaysOnItsGridAndCoversIt) {
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        const float v = rand_intvf(1, 2, 10);
        ASSERT_GE(v, 1.0f);
        ASSERT_LE(v, 2.0f);
        const float steps = (v - 1.0f) * 10.0f;
        ASSERT_NEAR(steps, std::round(steps), 1e-4) << v;
        seen.insert(int(std::round(steps)));
    }
    EXPECT_EQ(seen.size(), 11u) << "all of 1.0, 1.1, ..., 2.0 come up";
    EXPECT_EQ(rand_intvf(3, 3, 1), 3.0f);
}

TEST(WidgetDrawing, DisplayKeepsTheCallersTintOrLeavesWhite) {
    REQUIRE_GL_CONTEXT();
    const uint8_t white[4] = {255, 255, 255, 255};
    const GLuint tex = testing_gl::MakeTexture(1, 1, white);
    const Button b(tex, 256, 256, 40, 40);
    touch_coord_x = touch_coord_y = 0;  // pointer away from the button
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor4f(1, 0, 0, 1);
    b.Display(false);
    const auto px = testing_gl::ReadPixel(150, 150);
    EXPECT_EQ(px[0], 255);
    EXPECT_EQ(px[1], 0);
    GLfloat c[4];
    glGetFloatv(GL_CURRENT_COLOR, c);
    EXPECT_EQ(c[1], 0.0f) << "Display(false) leaves the caller's colour";
    b.Display(true);
    glGetFloatv(GL_CURRENT_COLOR, c);
    EXPECT_EQ(c[1], 1.0f) << "Display(true) leaves white";
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST(WidgetDrawing, DrawRectRaisesOnlyItsTopEdge) {
    REQUIRE_GL_CONTEXT();
    const uint8_t white[4] = {255, 255, 255, 255};
    const GLuint tex = testing_gl::MakeTexture(1, 1, white);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 300, 0, 300, -1, 1);  // one unit per pixel
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(150, 150, 0);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, tex);
    DrawRect(100, 200, 50);  // x -50..50, y -100..150
    glLoadIdentity();
    auto lit = [](int x, int y) { return testing_gl::ReadPixel(x, y)[0] > 128; };
    EXPECT_TRUE(lit(150, 51));
    EXPECT_FALSE(lit(150, 48));
    EXPECT_TRUE(lit(150, 298));   // 150 + 150 - 2: the top edge is raised by 50
    EXPECT_TRUE(lit(101, 150));
    EXPECT_FALSE(lit(98, 150));
    EXPECT_FALSE(lit(202, 150));
}

TEST(WidgetDrawing, GetOGLPosReturnsTheGuiPointInTheCurrentFrame) {
    REQUIRE_GL_CONTEXT();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 512, 0, 512, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    vector3f p = GetOGLPos(150, 150);
    EXPECT_NEAR(p.x, 256, 0.01);
    EXPECT_NEAR(p.y, 256, 0.01);
    glTranslatef(271, 265, 0);  // the owl frame
    p = GetOGLPos(150, 150);
    EXPECT_NEAR(p.x, 256 - 271, 0.01);
    EXPECT_NEAR(p.y, 256 - 265, 0.01);
    p = GetOGLPos(-300, 150);  // left of the window: outside the GUI range
    EXPECT_LT(p.x + 271, 0);
    glLoadIdentity();
}
