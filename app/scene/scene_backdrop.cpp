// The static layer of the scene (backdrop, tree, icon column, clock line), kept as a
// copy of the frame's own pixels. The copy is taken from the frame right after the
// layer is drawn and put back with nearest sampling at one texel per pixel, so every
// pixel is the same. The first copy, and the first frame that puts it back, cost the
// renderer a one-time set-up, so it waits for a second frame drawing the same layer
// (the first frame comes sooner), as does a look that keeps changing (the pointer
// sweeping over the icons). The clock's next second is drawn into its own strip of
// the copy, not the whole layer again.
#include "app/scene/scene_backdrop.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <memory>

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
    bool valid = false;       // `texture` holds the layer of `key`, with the patch of `patch_look`
    bool drawn_last = false;  // the previous frame drew the layer of `key`
    bool put_back = false;    // the previous frame put the copy back
    bool taken = false;       // a copy has been taken once (the set-up is paid)
    LayerKey key;
    uint64_t patch_look = 0;
};
BackdropCopy copy;
bool copy_allowed = true;

void BlendOn() {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
}

// The backdrop (opaque), the tree and the rest (blended), over the whole GUI space or
// as much of it as the scissor lets through.
void DrawLayer(void (*draw_rest)()) {
    glDisable(GL_BLEND);
    BindPicture(background);
    RenderOnViewport();
    BlendOn();
    BindPicture(tree);
    DrawSpriteQuad(tree, 0.0f, 0.0f, 512.0f, 512.0f);
    draw_rest();
    BlendOn();
}

// The frame's pixels in window rectangle r (x, y, width, height), read back and
// uploaded as they are into the copy at `at` (its texel offset), or as the whole copy
// when `whole`: the same texels as glCopyTexImage2D, which on the software renderer
// compiles a blit program at its first use (some 25 ms of the CPU and 4 MB). BGRA is
// the order in which an X visual holds them, so neither step converts anything.
void CopyPixels(const GLint r[4], const GLint at[2], bool whole) {
    std::unique_ptr<unsigned char[]> pixels(new unsigned char[size_t(r[2]) * size_t(r[3]) * 4u]);
    glReadPixels(r[0], r[1], r[2], r[3], GL_BGRA, GL_UNSIGNED_BYTE, pixels.get());
    glBindTexture(GL_TEXTURE_2D, copy.texture);
    if (whole) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, r[2], r[3], 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels.get());
    } else {
        glTexSubImage2D(GL_TEXTURE_2D, 0, at[0], at[1], r[2], r[3], GL_BGRA, GL_UNSIGNED_BYTE, pixels.get());
    }
}

void TakeCopy(const GLint vp[4], uint64_t patch_look) {
    if (copy.texture == 0) glGenTextures(1, &copy.texture);
    glBindTexture(GL_TEXTURE_2D, copy.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    const GLint origin[2] = {0, 0};
    CopyPixels(vp, origin, true);
    copy.valid = glGetError() == GL_NO_ERROR;
    copy.taken = true;
    copy.patch_look = patch_look;
}

// Draws the layer again inside the patch's rectangle only (the scissor keeps every
// other pixel as it was put back, one pixel of margin round it) and copies that
// rectangle into the kept copy: the pixels a whole new layer would have there.
void DrawPatch(const GLint vp[4], const LayerPatch& patch, void (*draw_rest)()) {
    const double sx = vp[2] / 512.0, sy = vp[3] / 512.0;
    const GLint x0 = std::max(vp[0], GLint(std::floor(vp[0] + patch.x0 * sx)) - 1);
    const GLint y0 = std::max(vp[1], GLint(std::floor(vp[1] + patch.y0 * sy)) - 1);
    const GLint x1 = std::min(vp[0] + vp[2], GLint(std::ceil(vp[0] + patch.x1 * sx)) + 1);
    const GLint y1 = std::min(vp[1] + vp[3], GLint(std::ceil(vp[1] + patch.y1 * sy)) + 1);
    copy.patch_look = patch.look;
    if (x1 <= x0 || y1 <= y0) return;
    const GLint r[4] = {x0, y0, x1 - x0, y1 - y0}, at[2] = {x0 - vp[0], y0 - vp[1]};
    glEnable(GL_SCISSOR_TEST);
    glScissor(r[0], r[1], r[2], r[3]);
    DrawLayer(draw_rest);
    glDisable(GL_SCISSOR_TEST);
    CopyPixels(r, at, false);
}
}  // namespace

void ForgetBackdropCopy() { copy.valid = copy.drawn_last = copy.put_back = false; }

void AllowBackdropCopy(bool allowed) { copy_allowed = allowed; }

void DrawStaticLayer(uint64_t look, const LayerPatch& patch, void (*draw_rest)()) {
    LayerKey key;
    glGetIntegerv(GL_VIEWPORT, key.viewport);
    key.background = background;
    key.tree = tree;
    key.look = look;
    if (copy.valid && key == copy.key && (patch.look == copy.patch_look || copy_allowed)) {
        // The copy is opaque and white-lit: replacing skips the colour product, which
        // would leave every texel as it is.
        glDisable(GL_BLEND);
        glBindTexture(GL_TEXTURE_2D, copy.texture);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        RenderOnViewport();
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        BlendOn();
        if (patch.look != copy.patch_look) DrawPatch(key.viewport, patch, draw_rest);
        copy.put_back = true;
        return;
    }
    DrawLayer(draw_rest);
    // A look that held still until now (the icons' next look) is copied at once; the
    // very first layer, and one that keeps changing, wait for a second frame.
    const bool steady = (copy.drawn_last && key == copy.key) || (copy.taken && copy.put_back);
    copy.valid = copy.put_back = false;
    copy.drawn_last = true;
    copy.key = key;
    if (steady && copy_allowed && key.viewport[2] > 0 && key.viewport[3] > 0) TakeCopy(key.viewport, patch.look);
}
