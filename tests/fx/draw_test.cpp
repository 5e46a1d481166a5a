// Emitters drawn in a real GL context (Xvfb + Mesa) and read back: a fresh particle in
// its start colour, fully opaque, and additive against alpha blending.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "fx/scintix.h"
#include "tests/support/gl_context.h"
#include "zfx_text.h"

namespace {

// One still particle at the effect's origin, colour (200, 100, 50) fading to black over 5 s.
ScintixFX StillParticle(int black_alpha) {
    zfx_text::BlockValues v;
    v.black_alpha = black_alpha;
    v.spawn_time = "100 100";
    v.spawn_particles = "1 1";
    v.position = v.direction = v.color_end = "0 0 0 0 0 0";
    v.acceleration = "0 0 0";
    v.rotation = v.speed = "0 0";
    v.timelife = "5 5";
    v.scale = "0.5 0.5";
    v.color_start = "200 100 50 200 100 50";
    v.time_delay = "0";
    const std::string text = zfx_text::Header() + zfx_text::Block(v);
    ScintixFX fx;
    EXPECT_TRUE(fx.load_from_memory(text.data(), text.size(), "test"));
    return fx;
}

// Clears GUI space (512 units over the window) to (40, 40, 40), renders the effect at
// its centre with scale 100 (half-side 50) after `t` seconds, and reads pixel (gx, gy).
std::array<uint8_t, 4> DrawAndRead(ScintixFX& fx, float t, float gx = 256, float gy = 256) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 512, 0, 512, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glClearColor(40 / 255.0f, 40 / 255.0f, 40 / 255.0f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    fx.render(256, 256, 0, 100, t);
    return testing_gl::ReadPixel(testing_gl::GuiToPixelX(gx), testing_gl::GuiToPixelY(gy));
}

void ExpectRgb(std::array<uint8_t, 4> px, int r, int g, int b) {
    EXPECT_NEAR(px[0], r, 1);
    EXPECT_NEAR(px[1], g, 1);
    EXPECT_NEAR(px[2], b, 1);
}

}  // namespace

TEST(EmitterDrawing, StartColourOpaqueAndAdditiveAgainstAlphaBlending) {
    REQUIRE_GL_CONTEXT();
    ScintixFX blended = StillParticle(1);
    ExpectRgb(DrawAndRead(blended, 0), 200, 100, 50);  // whole life left: alpha 255 hides the grey
    ExpectRgb(DrawAndRead(blended, 0, 256 + 40, 256 - 40), 200, 100, 50);  // inside the half-side
    ExpectRgb(DrawAndRead(blended, 0, 256 + 60, 256), 40, 40, 40);          // outside it
    blended.reset();  // born again in the next frame, which then takes 2.5 s off its life
    // Half the life gone: half the colour at alpha 127, blended over the grey ...
    ExpectRgb(DrawAndRead(blended, 2.5f), (100 * 127 + 40 * 128) / 255, (50 * 127 + 40 * 128) / 255,
              (25 * 127 + 40 * 128) / 255);

    // ... or added to it.
    ScintixFX additive = StillParticle(0);
    ExpectRgb(DrawAndRead(additive, 0), 240, 140, 90);
    additive.reset();
    ExpectRgb(DrawAndRead(additive, 2.5f), 40 + 100 * 127 / 255, 40 + 50 * 127 / 255, 40 + 25 * 127 / 255);
}
