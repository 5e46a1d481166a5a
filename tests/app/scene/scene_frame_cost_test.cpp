// The frame-cost savings change no pixel: sprite quads rasterised over their visible
// texels only, and the kept copy of the static layer (backdrop, tree, icon column).
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <vector>

#include "app/scene/scene_backdrop.h"
#include "engine/sprite_bounds.h"
#include "engine/textures.h"
#include "engine/widgets.h"
#include "gl_context.h"

using Pixels = std::vector<unsigned char>;

static GLuint Upload(const Pixels& px, int w, int h) {  // filtered as the scene's sprites
    const GLuint t = testing_gl::MakeTexture(w, h, px.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    return t;
}

// A w by h frame drawn by `draw` from a cleared window in GUI space, blending on; RGB.
template <typename Draw>
static Pixels Frame(int w, int h, Draw draw) {
    glViewport(0, 0, w, h);
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    testing_gl::GuiProjection();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, 1);
    draw();
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    return testing_gl::ReadFrame(w, h, GL_RGB);
}

// A soft blob and a thin stroke inside a mostly clear texture, then also texels on the
// right and bottom edges, which wrap: the cropped quad leaves every pixel as the whole
// one does, at odd places, sizes and lifts; a crop cut into the picture shows.
TEST(SpriteBounds, CroppedQuadLeavesEveryPixelAsTheWholeQuadDoes) {
    REQUIRE_GL_CONTEXT();
    const int n = 250;
    Pixels px(size_t(n) * n * 4, 0);
    auto put = [&](int i, int a) { px[i * 4] = 200, px[i * 4 + 1] = 100, px[i * 4 + 2] = 50, px[i * 4 + 3] = a; };
    for (int i = 0; i < n * n; ++i) {
        const float d = std::hypot(i % n - 120.0f, i / n - 140.0f);
        if (d < 40.0f || (i % n == 200 && i / n >= 30 && i / n < 60)) put(i, d < 40.0f ? int(255 - d * 5) : 128);
    }
    GLuint textures[2];
    for (int edges = 0; edges < 2; ++edges) {
        if (edges) put(100 * n + n - 1, 255), put(60, 255);
        textures[edges] = Upload(px, n, n);
        RecordSpriteBounds(textures[edges], ComputeSpriteBounds(px.data(), n, n, false));  // as the upload of a whole sprite does
    }
    EXPECT_TRUE(GetSpriteBounds(textures[0]).u0 > 0.2f && GetSpriteBounds(textures[0]).v1 < 0.8f);  // it cuts
    const struct Case { float tx, ty, w, h, sy; } cases[] = {
        {271, 265, 500, 500, 2.37f}, {274.3f, 263.3f, 500, 490, -2.9f}, {100.25f, 300.5f, 123.4f, 77.7f, 0.3f}};
    auto same = [](GLuint t, const Case& c) {
        auto drawn = [&](bool crop) {
            return Frame(300, 300, [&] {
                glTranslatef(c.tx, c.ty, 0.0f);
                glBindTexture(GL_TEXTURE_2D, t);
                crop ? DrawSpriteRect(t, c.w, c.h, c.sy) : DrawRect(c.w, c.h, c.sy);
            });
        };
        return drawn(true) == drawn(false);
    };
    for (GLuint t : textures)
        for (const Case& c : cases) EXPECT_TRUE(same(t, c)) << t << " at " << c.tx << "," << c.ty;
    SpriteBounds tight = GetSpriteBounds(textures[0]);
    tight.u0 += 0.05f;
    RecordSpriteBounds(textures[0], tight);
    EXPECT_FALSE(same(textures[0], cases[0]));
}

static GLuint Noise(int w, int h, unsigned v) {
    Pixels px(size_t(w) * h * 4);
    for (size_t i = 0; i < px.size(); ++i) {
        v = v * 1103515245u + 12345u;
        px[i] = (i % 4 == 3 && (i / 4) % 3 == 0) ? 0 : (unsigned char)(v >> 16);  // some clear texels
    }
    return Upload(px, w, h);
}

// The static layer, with stand-ins for the icon column and the clock: quads whose
// colours are the looks.
static unsigned test_look = 0, test_patch = 0;
static Pixels LayerFrame(int w, int h) {
    return Frame(w, h, [] {
        DrawStaticLayer(test_look, LayerPatch{test_patch, 300.3f, 10.6f, 500, 30.2f}, [] {
            glDisable(GL_TEXTURE_2D);
            glColor4f(0.1f * float(test_look % 8), 0.7f, 0.3f, 0.8f);
            glRectf(10, 10, 80, 500);
            glColor4f(0.1f * float(test_patch % 8), 0.2f, 0.9f, 0.6f);
            glRectf(300.3f, 10.6f, 500, 30.2f);
            glColor4f(1, 1, 1, 1);
            glEnable(GL_TEXTURE_2D);
        });
        GLint depth_mask = 1;
        glGetIntegerv(GL_DEPTH_WRITEMASK, &depth_mask);
        EXPECT_TRUE(glIsEnabled(GL_BLEND) && !depth_mask);  // the scene draws on blended
    });
}

// Each row changes the size, the tree picture or the look while the row before left its
// copy kept: the first frame is not served that copy, and frames drawn, copied and put
// back all show what a fresh draw shows. Once copied, the pictures are not drawn again:
// new texels under the same name show only once the copy is forgotten.
TEST(SceneBackdrop, TheCopyPutsBackTheSamePixelsAndFollowsSizePictureLookAndClock) {
    REQUIRE_GL_CONTEXT();
    background = Noise(97, 61, 1);
    const struct { int w, h; unsigned tree_seed, look; } rows[] = {
        {300, 300, 2, 0}, {217, 300, 2, 0}, {217, 143, 2, 0}, {217, 143, 3, 0}, {217, 143, 3, 5}};
    unsigned seed = 0;
    Pixels put_back;
    for (const auto& r : rows) {
        if (r.tree_seed != seed) tree = Noise(53, 71, seed = r.tree_seed);
        test_look = r.look;
        const Pixels changed = LayerFrame(r.w, r.h);
        ForgetBackdropCopy();
        const Pixels fresh = LayerFrame(r.w, r.h), copied = LayerFrame(r.w, r.h);
        put_back = LayerFrame(r.w, r.h);
        EXPECT_TRUE(changed == fresh && copied == fresh && put_back == fresh) << r.w << "," << r.h << " " << r.look;
    }
    const Pixels black(size_t(97) * 61 * 4, 0);
    glBindTexture(GL_TEXTURE_2D, background);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 97, 61, GL_RGBA, GL_UNSIGNED_BYTE, black.data());
    EXPECT_EQ(LayerFrame(217, 143), put_back);
    ForgetBackdropCopy();
    EXPECT_NE(LayerFrame(217, 143), put_back);
    // The clock's next second is drawn into the copy's strip: the pixels of a new layer.
    LayerFrame(217, 143), LayerFrame(217, 143);
    test_patch = 3;
    const Pixels patched = LayerFrame(217, 143), kept = LayerFrame(217, 143);
    ForgetBackdropCopy();
    EXPECT_TRUE(patched == LayerFrame(217, 143) && kept == patched);
}
