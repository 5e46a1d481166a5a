// Drawing of the emitters and effects: one blended, textured square per particle in
// the caller's model-view frame.
#include <GL/gl.h>

#include <cstdlib>

#include "engine/widgets.h"
#include "fx/scintix.h"

namespace {
// (u, v) of the square's six vertices: (0, 0) at (-l, -l), (1, 1) at (l, l).
const float plane_txtcoord_buffer[12] = {0, 1, 0, 0, 1, 1, 1, 1, 1, 0, 0, 0};
}  // namespace

void ScintixParticlesFX::render_particle(float l) {
    const float vertices[18] = {-l, l, 0, -l, -l, 0, l, l, 0, l, l, 0, l, -l, 0, -l, -l, 0};
    DrawTriangles(vertices, plane_txtcoord_buffer, 6);
}

// Leaves blending off, depth writes on and the emitter's texture bound (and, after
// any particle, the colour opaque white); changes nothing while not drawing.
void ScintixParticlesFX::render(float x, float y, float z, float simulation_scale, float simulation_time) {
    if (!advance(x, y, z, simulation_scale, simulation_time)) return;

    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);
    glBlendFunc(GL_SRC_ALPHA, black_alpha != 0 ? GL_ONE_MINUS_SRC_ALPHA : GL_ONE);
    glBindTexture(GL_TEXTURE_2D, p_texture);
    for (Particle& p : particles) {
        glPushMatrix();
        glTranslatef(p.pos.x, p.pos.y, p.pos.z);
        apply_billboard(p.pos.x, p.pos.y, p.pos.z);
        if (p_rand_rot != 0) glRotatef(static_cast<float>(std::rand() % 360), 0, 0, 1);
        else glRotatef(p.rot, 0, 0, 1);
        GLubyte rgba[4];
        ParticleColor(*this, p, rgba);
        glColor4ub(rgba[0], rgba[1], rgba[2], rgba[3]);
        render_particle(p.scale);
        glColor4ub(255, 255, 255, 255);
        glPopMatrix();
    }
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
}

void ScintixFX::render(float x, float y, float z, float scale, float global_time) {
    for (ScintixParticlesFX& e : FX) e.render(x, y, z, scale * 0.5f, global_time);
}

void ScintixFX::reset() {
    for (ScintixParticlesFX& e : FX) e.reset();
}
