// The static layer of the scene (backdrop and tree), kept as a copy of the frame's own
// pixels. The copy is taken from the frame right after the two layers are drawn and
// put back with nearest sampling at one texel per pixel, so every pixel is the same.
#include "app/scene/scene_backdrop.h"

#include <GL/gl.h>

#include "engine/sprite_bounds.h"
#include "engine/textures.h"
#include "engine/widgets.h"

namespace {
struct BackdropCopy {
    GLuint texture = 0;
    bool valid = false;
    GLint viewport[4] = {0, 0, 0, 0};
    GLuint background = 0, tree = 0;  // the texture names it was made from
};
BackdropCopy copy;
bool copy_allowed = true;
}  // namespace

void ForgetBackdropCopy() { copy.valid = false; }

void AllowBackdropCopy(bool allowed) { copy_allowed = allowed; }

void DrawBackdropAndTree() {
    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);
    const bool same = copy.valid && copy.background == background && copy.tree == tree &&
                      vp[0] == copy.viewport[0] && vp[1] == copy.viewport[1] && vp[2] == copy.viewport[2] &&
                      vp[3] == copy.viewport[3];
    if (same) {
        glDisable(GL_BLEND);
        glBindTexture(GL_TEXTURE_2D, copy.texture);
        RenderOnViewport();
    } else {
        glDisable(GL_BLEND);
        glBindTexture(GL_TEXTURE_2D, background);
        RenderOnViewport();
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glDepthMask(GL_FALSE);
        glBindTexture(GL_TEXTURE_2D, tree);
        DrawSpriteQuad(tree, 0.0f, 0.0f, 512.0f, 512.0f);
        if (copy_allowed && vp[2] > 0 && vp[3] > 0) {
            if (copy.texture == 0) glGenTextures(1, &copy.texture);
            glBindTexture(GL_TEXTURE_2D, copy.texture);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
            glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, vp[0], vp[1], vp[2], vp[3], 0);
            copy.valid = glGetError() == GL_NO_ERROR;
            for (int i = 0; i < 4; ++i) copy.viewport[i] = vp[i];
            copy.background = background;
            copy.tree = tree;
        }
    }
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
}
