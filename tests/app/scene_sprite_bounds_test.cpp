// Cropped sprite quads: the bounds of the visible texels, and a drawing check that a
// cropped quad changes exactly the pixels that the whole quad changes, no more, no less.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <vector>

#include "engine/sprite_bounds.h"
#include "gl_context.h"

namespace {

std::vector<unsigned char> Blank(int w, int h) { return std::vector<unsigned char>(size_t(w) * h * 4, 0); }
void Put(std::vector<unsigned char>& px, int w, int x, int y, unsigned char a) {
    unsigned char* p = &px[(size_t(y) * w + x) * 4];
    p[0] = 200;
    p[1] = 100;
    p[2] = 50;
    p[3] = a;
}

TEST(SpriteBounds, OneTexelOfMarginAroundTheVisibleTexels) {
    auto px = Blank(10, 20);
    Put(px, 10, 4, 6, 1);
    Put(px, 10, 5, 9, 255);
    const SpriteBounds b = ComputeSpriteBounds(px.data(), 10, 20, false);
    EXPECT_FLOAT_EQ(b.u0, 3 / 10.0f);
    EXPECT_FLOAT_EQ(b.u1, 7 / 10.0f);
    EXPECT_FLOAT_EQ(b.v0, 5 / 20.0f);
    EXPECT_FLOAT_EQ(b.v1, 11 / 20.0f);
    EXPECT_FALSE(b.empty());
}

TEST(SpriteBounds, TransparentColourDoesNotCountAndEmptyTexturesDrawNothing) {
    auto px = Blank(8, 8);
    px[0] = px[1] = px[2] = 255;  // white with alpha 0
    EXPECT_TRUE(ComputeSpriteBounds(px.data(), 8, 8, false).empty());
    EXPECT_FALSE(ComputeSpriteBounds(nullptr, 0, 0, false).empty());  // unknown: whole quad
}

TEST(SpriteBounds, WrappingReachesTheOppositeEdgeUnlessClamped) {
    auto px = Blank(10, 10);
    Put(px, 10, 9, 5, 255);  // right edge column
    SpriteBounds b = ComputeSpriteBounds(px.data(), 10, 10, false);
    EXPECT_EQ(b.u0, 0.0f);
    EXPECT_EQ(b.u1, 1.0f);
    EXPECT_FLOAT_EQ(b.v0, 0.4f);
    b = ComputeSpriteBounds(px.data(), 10, 10, true);
    EXPECT_FLOAT_EQ(b.u0, 0.8f);
    EXPECT_EQ(b.u1, 1.0f);
    px = Blank(10, 10);
    Put(px, 10, 5, 0, 255);  // bottom row reaches the top edge when wrapping
    b = ComputeSpriteBounds(px.data(), 10, 10, false);
    EXPECT_EQ(b.v0, 0.0f);
    EXPECT_EQ(b.v1, 1.0f);
}

TEST(SpriteBounds, UnknownTexturesUseTheWholeQuad) {
    const SpriteBounds b = GetSpriteBounds(987654);
    EXPECT_EQ(b.u0, 0.0f);
    EXPECT_EQ(b.u1, 1.0f);
    RecordSpriteBounds(987654, SpriteBounds{0.25f, 0.5f, 0.75f, 1.0f});
    EXPECT_EQ(GetSpriteBounds(987654).u0, 0.25f);
}

// Draws the scene's way (GUI projection, owl frame, blending) the whole quad or the
// cropped one over a patterned backdrop and returns the frame's pixels.
std::vector<unsigned char> DrawFrame(GLuint tex, bool cropped, float tx, float ty, float w, float h, float sy) {
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 512, 0, 512, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, 1);
    glTranslatef(tx, ty, 0.0f);
    glBindTexture(GL_TEXTURE_2D, tex);
    if (cropped) {
        DrawSpriteRect(tex, w, h, sy);
    } else {
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex3f(-w / 2, -h / 2, 0);
        glTexCoord2f(1, 0);
        glVertex3f(w / 2, -h / 2, 0);
        glTexCoord2f(1, 1);
        glVertex3f(w / 2, h / 2 + sy, 0);
        glTexCoord2f(0, 1);
        glVertex3f(-w / 2, h / 2 + sy, 0);
        glEnd();
    }
    glFinish();
    std::vector<unsigned char> out(300 * 300 * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 300, 300, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
    glDisable(GL_BLEND);
    return out;
}

GLuint Upload(const std::vector<unsigned char>& px, int w, int h) {
    GLuint tex = 0;
    glGenTextures(1, &tex);
    glBindTexture(GL_TEXTURE_2D, tex);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    return tex;
}

int CountDifferences(GLuint tex, float tx, float ty, float w, float h, float sy) {
    const auto whole = DrawFrame(tex, false, tx, ty, w, h, sy);
    const auto crop = DrawFrame(tex, true, tx, ty, w, h, sy);
    int differ = 0;
    for (size_t i = 0; i < whole.size(); ++i) differ += whole[i] != crop[i];
    return differ;
}

TEST(SpriteBoundsDrawing, CroppedQuadLeavesEveryPixelAsTheWholeQuadDoes) {
    REQUIRE_GL_CONTEXT();
    // A soft blob with a thin stroke, well inside a mostly transparent 250 by 250
    // texture; the second texture adds one texel on the right edge (which wraps).
    const int tw = 250, th = 250;
    auto px = Blank(tw, th);
    for (int y = 0; y < th; ++y)
        for (int x = 0; x < tw; ++x) {
            const float d = std::hypot(x - 120.0f, y - 140.0f);
            if (d < 40.0f) Put(px, tw, x, y, (unsigned char)(255 - d * 5));
        }
    for (int y = 30; y < 60; ++y) Put(px, tw, 200, y, 128);
    const GLuint inner = Upload(px, tw, th);
    Put(px, tw, tw - 1, 100, 255);
    const GLuint edge = Upload(px, tw, th);
    // Measured back from GL, as the scene does.
    MeasureSpriteBounds(inner);
    MeasureSpriteBounds(edge);
    EXPECT_GT(GetSpriteBounds(inner).u0, 0.2f);
    EXPECT_LT(GetSpriteBounds(inner).v1, 0.8f);
    EXPECT_EQ(GetSpriteBounds(edge).u0, 0.0f);

    struct Case { float tx, ty, w, h, sy; } cases[] = {
        {271, 265, 500, 500, 0.0f},    {271, 265, 500, 500, 2.37f}, {271 + 3.3f, 265 - 1.7f, 500, 500, -2.9f},
        {271, 265, 500, 490, 1.1f},    {435, 440.6f, 150, 150, 0}, {100.25f, 300.5f, 123.4f, 77.7f, 0.3f},
    };
    for (GLuint tex : {inner, edge})
        for (const Case& c : cases)
            EXPECT_EQ(CountDifferences(tex, c.tx, c.ty, c.w, c.h, c.sy), 0)
                << "at " << c.tx << "," << c.ty << " size " << c.w << "x" << c.h << " lift " << c.sy;

    // The comparison sees a crop that cuts into the picture.
    SpriteBounds tight = GetSpriteBounds(inner);
    tight.u0 += 0.05f;
    RecordSpriteBounds(inner, tight);
    EXPECT_GT(CountDifferences(inner, 271, 265, 500, 500, 0.0f), 0);
}

}  // namespace
