// The frame-cost savings change no pixel: sprite quads rasterised over their visible
// texels only, and the kept copy of the static layer (backdrop, tree, icon column).
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <vector>

#include "app/scene/scene_backdrop.h"
#include "engine/sprite_bounds.h"
#include "engine/textures.h"
#include "gl_context.h"

namespace {

using Pixels = std::vector<unsigned char>;
using testing_gl::GuiProjection;
using testing_gl::ReadFrame;

GLuint Upload(const std::vector<unsigned char>& px, int w, int h) {  // filtered as the scene's
    const GLuint t = testing_gl::MakeTexture(w, h, px.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    return t;
}

// Pixels that differ between the whole quad and the cropped one, drawn blended over a
// plain backdrop at (tx, ty), w by h with the top edge lifted by sy.
int CropDifferences(GLuint tex, float tx, float ty, float w, float h, float sy) {
    Pixels frames[2];
    for (int cropped = 0; cropped < 2; ++cropped) {
        glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        GuiProjection();
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
            glTexCoord2f(0, 0), glVertex3f(-w / 2, -h / 2, 0);
            glTexCoord2f(1, 0), glVertex3f(w / 2, -h / 2, 0);
            glTexCoord2f(1, 1), glVertex3f(w / 2, h / 2 + sy, 0);
            glTexCoord2f(0, 1), glVertex3f(-w / 2, h / 2 + sy, 0);
            glEnd();
        }
        frames[cropped] = ReadFrame(300, 300, GL_RGBA);
        glDisable(GL_BLEND);
    }
    int differ = 0;
    for (size_t i = 0; i < frames[0].size(); ++i) differ += frames[0][i] != frames[1][i];
    return differ;
}

TEST(SpriteBounds, CroppedQuadLeavesEveryPixelAsTheWholeQuadDoes) {
    REQUIRE_GL_CONTEXT();
    // A soft blob and a thin stroke inside a mostly clear texture (margins for linear
    // filtering); the second adds texels on the right and bottom edges, which wrap.
    const int n = 250;
    std::vector<unsigned char> px(size_t(n) * n * 4, 0);
    auto put = [&](int x, int y, int a) {
        unsigned char* p = &px[(size_t(y) * n + x) * 4];
        p[0] = 200, p[1] = 100, p[2] = 50, p[3] = (unsigned char)a;
    };
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            if (std::hypot(x - 120.0f, y - 140.0f) < 40.0f) put(x, y, int(255 - std::hypot(x - 120.0f, y - 140.0f) * 5));
    for (int y = 30; y < 60; ++y) put(200, y, 128);
    const GLuint inner = Upload(px, n, n);
    RecordSpriteBounds(inner, ComputeSpriteBounds(px.data(), n, n, false));  // as the upload of a whole sprite does
    put(n - 1, 100, 255);
    put(60, 0, 255);
    const GLuint edge = Upload(px, n, n);
    RecordSpriteBounds(edge, ComputeSpriteBounds(px.data(), n, n, false));
    EXPECT_GT(GetSpriteBounds(inner).u0, 0.2f);  // the crop does cut
    EXPECT_LT(GetSpriteBounds(inner).v1, 0.8f);
    struct { float tx, ty, w, h, sy; } cases[] = {
        {271, 265, 500, 500, 2.37f}, {274.3f, 263.3f, 500, 490, -2.9f}, {100.25f, 300.5f, 123.4f, 77.7f, 0.3f}};
    for (GLuint tex : {inner, edge})
        for (const auto& c : cases)
            EXPECT_EQ(CropDifferences(tex, c.tx, c.ty, c.w, c.h, c.sy), 0) << tex << " at " << c.tx << "," << c.ty;
    SpriteBounds tight = GetSpriteBounds(inner);  // the comparison sees a crop into the picture
    tight.u0 += 0.05f;
    RecordSpriteBounds(inner, tight);
    EXPECT_GT(CropDifferences(inner, 271, 265, 500, 500, 0.0f), 0);
}

GLuint Noise(int w, int h, unsigned v) {
    std::vector<unsigned char> px(size_t(w) * h * 4);
    for (size_t i = 0; i < px.size(); ++i) {
        v = v * 1103515245u + 12345u;
        px[i] = (i % 4 == 3 && (i / 4) % 3 == 0) ? 0 : (unsigned char)(v >> 16);  // some clear texels
    }
    return Upload(px, w, h);
}

// The icon column's and the clock's stand-ins: quads whose colours are the looks.
unsigned test_look = 0, test_patch = 0;
void DrawLookQuad() {
    glDisable(GL_TEXTURE_2D);
    glColor4f(0.1f * float(test_look % 8), 0.7f, 0.3f, 0.8f);
    glRectf(10, 10, 80, 500);
    glColor4f(0.1f * float(test_patch % 8), 0.2f, 0.9f, 0.6f);
    glRectf(300.3f, 10.6f, 500, 30.2f);
    glColor4f(1, 1, 1, 1);
    glEnable(GL_TEXTURE_2D);
}

// A frame's start as the program does it, then the static layer; RGB pixels.
Pixels LayerFrame(int w, int h) {
    glViewport(0, 0, w, h);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    GuiProjection();
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    DrawStaticLayer(test_look, LayerPatch{test_patch, 300.3f, 10.6f, 500, 30.2f}, DrawLookQuad);
    GLint depth_mask = 1;
    glGetIntegerv(GL_DEPTH_WRITEMASK, &depth_mask);
    EXPECT_TRUE(glIsEnabled(GL_BLEND) && !depth_mask);  // the scene draws on blended
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    return ReadFrame(w, h, GL_RGB);
}

TEST(SceneBackdrop, TheCopyPutsBackTheSamePixelsAndFollowsSizePictureLookAndClock) {
    REQUIRE_GL_CONTEXT();
    background = Noise(97, 61, 1);
    tree = Noise(53, 71, 2);
    // Each row changes the size, the tree or the look, and is never served a stale copy.
    struct { int w, h; unsigned tree_seed, look; } rows[] = {
        {300, 300, 2, 0}, {217, 143, 2, 0}, {217, 143, 3, 0}, {217, 143, 3, 5}};
    unsigned seed = 2;
    for (const auto& r : rows) {
        if (r.tree_seed != seed) tree = Noise(53, 71, seed = r.tree_seed);
        test_look = r.look;
        const Pixels first = LayerFrame(r.w, r.h), second = LayerFrame(r.w, r.h), copied = LayerFrame(r.w, r.h);
        ForgetBackdropCopy();
        const Pixels fresh = LayerFrame(r.w, r.h);
        EXPECT_TRUE(first == fresh && second == fresh && copied == fresh) << r.w << " " << r.tree_seed << " " << r.look;
    }
    // Once copied, the pictures are not drawn again: new texels under the same name
    // do not show until the copy is forgotten.
    LayerFrame(150, 150), LayerFrame(150, 150);
    const Pixels copied = LayerFrame(150, 150);
    const std::vector<unsigned char> black(size_t(97) * 61 * 4, 0);
    glBindTexture(GL_TEXTURE_2D, background);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 97, 61, GL_RGBA, GL_UNSIGNED_BYTE, black.data());
    EXPECT_EQ(LayerFrame(150, 150), copied);
    ForgetBackdropCopy();
    EXPECT_NE(LayerFrame(150, 150), copied);
    // The clock's next second is drawn into the copy's strip: the pixels of a new layer.
    LayerFrame(217, 143), LayerFrame(217, 143);
    test_patch = 3;
    const Pixels patched = LayerFrame(217, 143), kept = LayerFrame(217, 143);
    ForgetBackdropCopy();
    EXPECT_TRUE(patched == LayerFrame(217, 143) && kept == patched);
}

}  // namespace
