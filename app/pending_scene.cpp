// The scene until the owl moves in: the backdrop and the tree.
#include <GL/gl.h>

#include "app/views.h"
#include "engine/textures.h"
#include "engine/widgets.h"

void Render() {
    glBindTexture(GL_TEXTURE_2D, background);
    RenderOnViewport();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    glBindTexture(GL_TEXTURE_2D, tree);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex3f(0, 0, 0);
    glTexCoord2f(1, 0);
    glVertex3f(512, 0, 0);
    glTexCoord2f(1, 1);
    glVertex3f(512, 512, 0);
    glTexCoord2f(0, 1);
    glVertex3f(0, 512, 0);
    glEnd();
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
}
