// Emitters drawn in a real GL context (Xvfb + Mesa) and read back: a particle in its
// colour of the moment, over its square only, alpha-blended or added.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "fx/scintix.h"
#include "gl_context.h"

// One still particle, colour (200, 100, 50) fading to black over 5 s, rendered at the
// centre of GUI space with scale 100 (half-side 50) over grey 40 after `t` seconds of
// its life; the pixel at (x, y) in GUI units, inside the half-side or out. Half-way it is
// drawn at alpha 127.
TEST(EmitterDrawing, AParticleShowsItsColourOfTheMomentBlendedOrAdded) {
    REQUIRE_GL_CONTEXT();
    struct { int blend; float t, x, y; int r, g, b; } rows[] = {
        {1, 0, 256, 256, 200, 100, 50}, {1, 0, 296, 216, 200, 100, 50}, {1, 0, 316, 256, 40, 40, 40},
        {1, 2.5f, 256, 256, (100 * 127 + 40 * 128) / 255, (50 * 127 + 40 * 128) / 255, (25 * 127 + 40 * 128) / 255},
        {0, 0, 256, 256, 240, 140, 90},
        {0, 2.5f, 256, 256, 40 + 100 * 127 / 255, 40 + 50 * 127 / 255, 40 + 25 * 127 / 255}};
    for (const auto& r : rows) {
        ScintixFX fx;  // texture 0, which has no texels: the particle is drawn in its colour alone
        ScintixParticlesFX& e = fx.FX.emplace_back();
        e.instance = true, e.black_alpha = r.blend;
        e.spawn_time_min = e.spawn_time_max = 100, e.p_timelife_min = e.p_timelife_max = 5;
        e.p_color_s_min = e.p_color_s_max = {200, 100, 50}, e.p_color_e_min = e.p_color_e_max = {0, 0, 0};
        e.p_scale_min = e.p_scale_max = 0.5f;
        testing_gl::GuiProjection(), glEnable(GL_TEXTURE_2D);
        glClearColor(40 / 255.0f, 40 / 255.0f, 40 / 255.0f, 1), glClear(GL_COLOR_BUFFER_BIT);
        fx.render(256, 256, 0, 100, r.t);
        const auto px = testing_gl::ReadGuiPixel(r.x, r.y);
        EXPECT_TRUE(std::abs(px[0] - r.r) <= 1 && std::abs(px[1] - r.g) <= 1 && std::abs(px[2] - r.b) <= 1)
            << r.blend << " " << r.t << " " << r.x << "," << r.y << ": " << +px[0] << " " << +px[1] << " " << +px[2];
    }
}
