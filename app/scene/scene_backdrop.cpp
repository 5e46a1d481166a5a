// The static layer of the scene (backdrop, tree, icon column, clock line), kept as a
// copy of the frame's own pixels. The copy is taken from the frame right after the
// layer is drawn and put back with nearest sampling at one texel per pixel, so every
// pixel is the same. The first copy, and the first frame that puts it back, cost the
// renderer a one-time set-up, so it waits for a second frame drawing the same layer
// (the first frame comes sooner), as does a look that keeps changing (the pointer
// sweeping over the icons).
#include "app/scene/scene_backdrop.h"

#include <GL/gl.h>

#include <vector>

#include "engine/sprite_bounds.h"
#include "engine/textures.h"
#include "engine/widgets.h"

namespace {
// What a drawn layer shows: the window rectangle, the pictures, the icons' look.
struct LayerKey {
    GLint viewport[4] = {0, 0, 0, 0};
    GLuint background = 0, tree = 0;
    uint64_t look = 0;
    bool operator==(const LayerKey& o) const {
        return viewport[0] == o.viewport[0] && viewport[1] == o.viewport[1] && viewport[2] == o.viewport[2] &&
               viewport[3] == o.viewport[3] && background == o.background && tree == o.tree &&
               look == o.look;
    }
};

struct BackdropCopy {
    GLuint texture = 0;
    bool valid = false;       // `texture` holds the layer of `key`
    bool drawn_last = false;  // the previous frame drew the layer of `key`
    bool put_back = false;    // the previous frame put the copy back
    bool taken = false;       // a copy has been taken once (the set-up is paid)
    LayerKey key;
};
BackdropCopy copy;
bool copy_allowed = true;

void BlendOn() {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
}

// The frame's pixels are read back and uploaded as they are: the same texels as
// glCopyTexImage2D, which on the software renderer compiles a blit program at its
// first use (some 25 ms of the CPU and 4 MB, for one copy a second). BGRA is the
// order in which an X visual holds them, so neither step converts anything.
void TakeCopy(const GLint vp[4]) {
    if (copy.texture == 0) glGenTextures(1, &copy.texture);
    std::vector<unsigned char> pixels(size_t(vp[2]) * size_t(vp[3]) * 4u);
    glReadPixels(vp[0], vp[1], vp[2], vp[3], GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
    glBindTexture(GL_TEXTURE_2D, copy.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, vp[2], vp[3], 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
    copy.valid = glGetError() == GL_NO_ERROR;
    copy.taken = true;
}
}  // namespace

void ForgetBackdropCopy() { copy.valid = copy.drawn_last = copy.put_back = false; }

void AllowBackdropCopy(bool allowed) { copy_allowed = allowed; }

void DrawStaticLayer(uint64_t look, void (*draw_rest)()) {
    LayerKey key;
    glGetIntegerv(GL_VIEWPORT, key.viewport);
    key.background = background;
    key.tree = tree;
    key.look = look;
    glDisable(GL_BLEND);
    if (copy.valid && key == copy.key) {
        // The copy is opaque and white-lit: replacing skips the colour product, which
        // would leave every texel as it is.
        glBindTexture(GL_TEXTURE_2D, copy.texture);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        RenderOnViewport();
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        BlendOn();
        copy.put_back = true;
        return;
    }
    BindPicture(background);
    RenderOnViewport();
    BlendOn();
    BindPicture(tree);
    DrawSpriteQuad(tree, 0.0f, 0.0f, 512.0f, 512.0f);
    draw_rest();
    BlendOn();
    // A look that held still until now (the clock's next second) is copied at once;
    // the very first layer, and one that keeps changing, wait for a second frame.
    const bool steady = (copy.drawn_last && key == copy.key) || (copy.taken && copy.put_back);
    copy.valid = copy.put_back = false;
    copy.drawn_last = true;
    copy.key = key;
    if (steady && copy_allowed && key.viewport[2] > 0 && key.viewport[3] > 0) TakeCopy(key.viewport);
}
