// The kept copy of the backdrop and tree puts back exactly the pixels that drawing
// them gives, at any window size, and follows a change of size or of picture.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

#include "app/scene_backdrop.h"
#include "engine/textures.h"
#include "gl_context.h"

namespace {

GLuint Noise(int w, int h, unsigned seed, bool soft_alpha) {
    std::vector<unsigned char> px(size_t(w) * h * 4);
    unsigned v = seed;
    for (size_t i = 0; i < px.size(); ++i) {
        v = v * 1103515245u + 12345u;
        px[i] = (unsigned char)(v >> 16);
        if (i % 4 == 3 && soft_alpha && (i / 4) % 3 == 0) px[i] = 0;  // some clear texels
    }
    GLuint t = 0;
    glGenTextures(1, &t);
    glBindTexture(GL_TEXTURE_2D, t);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    return t;
}

// One frame's start as the program does it, then the layers; returns the RGB pixels.
std::vector<unsigned char> Frame(int vw, int vh) {
    glViewport(0, 0, vw, vh);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 512, 0, 512, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    DrawBackdropAndTree();
    GLint blend = 0, depth_mask = 1;
    glGetIntegerv(GL_BLEND, &blend);
    glGetIntegerv(GL_DEPTH_WRITEMASK, &depth_mask);
    EXPECT_EQ(blend, GL_TRUE);  // the scene draws on blended, without depth writes
    EXPECT_EQ(depth_mask, GL_FALSE);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glFinish();
    std::vector<unsigned char> out(size_t(vw) * vh * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, vw, vh, GL_RGB, GL_UNSIGNED_BYTE, out.data());
    return out;
}

TEST(SceneBackdrop, CopyPutsBackTheSamePixelsAtAnySize) {
    REQUIRE_GL_CONTEXT();
    background = Noise(97, 61, 1, false);
    tree = Noise(53, 71, 2, true);
    for (auto size : {std::pair<int, int>{300, 300}, {217, 143}, {300, 121}}) {
        ForgetBackdropCopy();
        const auto drawn = Frame(size.first, size.second);
        const auto copied = Frame(size.first, size.second);  // from the kept copy
        const auto again = Frame(size.first, size.second);
        EXPECT_EQ(drawn, copied) << size.first << "x" << size.second;
        EXPECT_EQ(drawn, again);
    }
    // A new size or a new picture is drawn afresh, not stretched from the old copy.
    ForgetBackdropCopy();
    Frame(300, 300);
    const auto resized = Frame(150, 150);
    ForgetBackdropCopy();
    EXPECT_EQ(resized, Frame(150, 150));
    const GLuint old_tree = tree;
    tree = Noise(53, 71, 3, true);
    const auto new_tree = Frame(150, 150);
    ForgetBackdropCopy();
    EXPECT_EQ(new_tree, Frame(150, 150));
    tree = old_tree;
    EXPECT_NE(new_tree, Frame(150, 150));
    glViewport(0, 0, 300, 300);
    background = tree = 0;
}

}  // namespace
