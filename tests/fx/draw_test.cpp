// Emitters drawn in a real GL context (Xvfb + Mesa), read back pixel by pixel: the
// start colour of a fresh particle, additive against alpha blending, the texture's
// orientation, and the OpenGL state an emitter leaves behind.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "fx/scintix.h"
#include "tests/support/gl_context.h"
#include "zfx_text.h"

namespace {

// GUI space over the window, cleared to (40, 40, 40).
void BeginFrame() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 512, 0, 512, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glClearColor(40 / 255.0f, 40 / 255.0f, 40 / 255.0f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor4ub(255, 255, 255, 255);
}

// One still particle at the effect's origin, half-side 0.5 * scale, living 5 s.
zfx_text::BlockValues StillParticle(int black_alpha) {
    zfx_text::BlockValues v;
    v.black_alpha = black_alpha;
    v.pixels = {255, 255, 255, 255};
    v.spawn_time = "100 100";
    v.spawn_particles = "1 1";
    v.position = "0 0 0 0 0 0";
    v.direction = "0 0 0 0 0 0";
    v.acceleration = "0 0 0";
    v.rotation = "0 0";
    v.speed = "0 0";
    v.timelife = "5 5";
    v.scale = "0.5 0.5";
    v.color_start = "200 100 50 200 100 50";
    v.color_end = "0 0 0 0 0 0";
    v.time_delay = "0";
    return v;
}

ScintixFX Load(const zfx_text::BlockValues& v) {
    ScintixFX fx;
    const std::string text = zfx_text::Header() + zfx_text::Block(v);
    EXPECT_TRUE(fx.load_from_memory(text.data(), text.size(), "test"));
    return fx;
}

std::array<uint8_t, 4> PixelAt(float gx, float gy) {
    return testing_gl::ReadPixel(testing_gl::GuiToPixelX(gx), testing_gl::GuiToPixelY(gy));
}

void ExpectRgb(std::array<uint8_t, 4> px, int r, int g, int b) {
    EXPECT_NEAR(px[0], r, 1);
    EXPECT_NEAR(px[1], g, 1);
    EXPECT_NEAR(px[2], b, 1);
}

}  // namespace

TEST(EmitterDrawing, FreshParticleShowsItsStartColourOpaque) {
    REQUIRE_GL_CONTEXT();
    ScintixFX fx = Load(StillParticle(1));
    BeginFrame();
    fx.render(256, 256, 0, 100, 0);  // t = 0: the whole life is left
    ExpectRgb(PixelAt(256, 256), 200, 100, 50);
    ExpectRgb(PixelAt(256 + 40, 256 - 40), 200, 100, 50);  // inside the half-side of 50
    ExpectRgb(PixelAt(256 + 60, 256), 40, 40, 40);          // outside it
}

TEST(EmitterDrawing, AdditiveAddsWhereAlphaBlendingCovers) {
    REQUIRE_GL_CONTEXT();
    ScintixFX additive = Load(StillParticle(0));
    BeginFrame();
    additive.render(256, 256, 0, 100, 0);
    ExpectRgb(PixelAt(256, 256), 240, 140, 90);

    // Half its life gone: half the colour at half the alpha, added or blended.
    BeginFrame();
    additive.render(256, 256, 0, 100, 2.5f);
    ExpectRgb(PixelAt(256, 256), 40 + 100 * 127 / 255, 40 + 50 * 127 / 255, 40 + 25 * 127 / 255);

    ScintixFX blended = Load(StillParticle(1));
    blended.render(0, 0, 0, 100, 0);  // spawn, off to the corner
    BeginFrame();
    blended.render(256, 256, 0, 100, 2.5f);  // the particle stays where it was born
    ExpectRgb(PixelAt(256, 256), 40, 40, 40);
    BeginFrame();
    blended.reset();
    blended.render(256, 256, 0, 100, 2.5f);
    ExpectRgb(PixelAt(256, 256), (100 * 127 + 40 * 128) / 255, (50 * 127 + 40 * 128) / 255,
              (25 * 127 + 40 * 128) / 255);
}

TEST(EmitterDrawing, FirstTextureRowLiesAlongTheSquaresLowerEdge) {
    REQUIRE_GL_CONTEXT();
    zfx_text::BlockValues v = StillParticle(1);
    v.h = 2;
    v.pixels = {255, 0, 0, 255, 0, 255, 0, 255};  // row 0 red, row 1 green
    v.color_start = "255 255 255 255 255 255";
    ScintixFX fx = Load(v);
    BeginFrame();
    fx.render(256, 256, 0, 200, 0);  // half-side 100
    ExpectRgb(PixelAt(256, 256 - 50), 255, 0, 0);
    ExpectRgb(PixelAt(256, 256 + 50), 0, 255, 0);
}

TEST(EmitterDrawing, LeavesBlendingOffDepthWritesOnColourWhite) {
    REQUIRE_GL_CONTEXT();
    ScintixFX fx = Load(StillParticle(0));
    BeginFrame();
    GLint depth_before = 0, depth_after = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth_before);
    fx.render(256, 256, 0, 100, 0);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth_after);
    EXPECT_EQ(depth_before, depth_after);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLboolean depth_mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depth_mask);
    EXPECT_TRUE(depth_mask);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0] + colour[1] + colour[2] + colour[3], 4.0f);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), fx.FX.front().p_texture);
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));

    // Inside its delay an emitter touches nothing.
    zfx_text::BlockValues v = StillParticle(0);
    v.time_delay = "2";
    ScintixFX waiting = Load(v);
    glEnable(GL_BLEND);
    glColor4ub(1, 2, 3, 4);
    waiting.render(256, 256, 0, 100, 1);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_NEAR(colour[0] * 255, 1, 0.01);
    glDisable(GL_BLEND);
}
