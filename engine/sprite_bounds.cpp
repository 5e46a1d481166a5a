// Bounds of the visible texels of each sprite, and quads cropped to them. Under
// software rendering every covered pixel costs, and the scene's sprites are mostly
// transparent quads of nearly the whole window.
#include "engine/sprite_bounds.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace {
std::unordered_map<GLuint, SpriteBounds>& Table() {
    static std::unordered_map<GLuint, SpriteBounds> table;
    return table;
}
}  // namespace

SpriteBounds ComputeSpriteBounds(const unsigned char* rgba, int w, int h, bool clamp) {
    SpriteBounds b;
    if (w <= 0 || h <= 0 || rgba == nullptr) return b;
    int cx0 = w, cx1 = -1, ry0 = h, ry1 = -1;
    for (int y = 0; y < h; ++y) {
        const unsigned char* row = rgba + size_t(y) * size_t(w) * 4;
        for (int x = 0; x < w; ++x) {
            if (row[x * 4 + 3] == 0) continue;
            cx0 = std::min(cx0, x);
            cx1 = std::max(cx1, x);
            ry0 = std::min(ry0, y);
            ry1 = std::max(ry1, y);
        }
    }
    if (cx1 < 0) {
        b.u0 = b.v0 = 0.0f;
        b.u1 = b.v1 = 0.0f;
        return b;
    }
    // A sample at texel coordinate s (s = u * w) filters texels floor(s - 0.5) and the
    // next one, so with one texel of margin no sample outside [lo, hi] touches a
    // visible texel. With wrapping, samples within half a texel of an edge also read
    // the opposite edge's texels.
    int lo_x = std::max(0, cx0 - 1), hi_x = std::min(w, cx1 + 2);
    int lo_y = std::max(0, ry0 - 1), hi_y = std::min(h, ry1 + 2);
    if (!clamp) {
        if (cx1 == w - 1) lo_x = 0;
        if (cx0 == 0) hi_x = w;
        if (ry1 == h - 1) lo_y = 0;
        if (ry0 == 0) hi_y = h;
    }
    b.u0 = float(lo_x) / float(w);
    b.u1 = float(hi_x) / float(w);
    b.v0 = float(lo_y) / float(h);
    b.v1 = float(hi_y) / float(h);
    return b;
}

void RecordSpriteBounds(GLuint t, const SpriteBounds& b) { Table()[t] = b; }

SpriteBounds GetSpriteBounds(GLuint t) {
    auto it = Table().find(t);
    return it == Table().end() ? SpriteBounds{} : it->second;
}

// The window rectangle (pixels, whole) that holds the points (x0..x1, y0..y1) of the
// current model-view frame, one pixel wider on every side.
static bool WindowRect(float x0, float y0, float x1, float y1, GLint rect[4]) {
    GLfloat mv[16], pr[16];
    GLint vp[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, mv);
    glGetFloatv(GL_PROJECTION_MATRIX, pr);
    glGetIntegerv(GL_VIEWPORT, vp);
    double lo_x = 1e30, lo_y = 1e30, hi_x = -1e30, hi_y = -1e30;
    const float corners[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    for (const auto& c : corners) {
        double e[4], clip[4];
        for (int r = 0; r < 4; ++r) e[r] = mv[r] * c[0] + mv[4 + r] * c[1] + mv[12 + r];
        for (int r = 0; r < 4; ++r) clip[r] = pr[r] * e[0] + pr[4 + r] * e[1] + pr[8 + r] * e[2] + pr[12 + r] * e[3];
        if (clip[3] <= 0.0) return false;
        const double wx = vp[0] + (clip[0] / clip[3] + 1.0) * 0.5 * vp[2];
        const double wy = vp[1] + (clip[1] / clip[3] + 1.0) * 0.5 * vp[3];
        lo_x = std::min(lo_x, wx);
        hi_x = std::max(hi_x, wx);
        lo_y = std::min(lo_y, wy);
        hi_y = std::max(hi_y, wy);
    }
    const double ix0 = std::max(double(vp[0]), std::floor(lo_x) - 1.0);
    const double iy0 = std::max(double(vp[1]), std::floor(lo_y) - 1.0);
    const double ix1 = std::min(double(vp[0] + vp[2]), std::ceil(hi_x) + 1.0);
    const double iy1 = std::min(double(vp[1] + vp[3]), std::ceil(hi_y) + 1.0);
    rect[0] = GLint(ix0);
    rect[1] = GLint(iy0);
    rect[2] = GLint(std::max(0.0, ix1 - ix0));
    rect[3] = GLint(std::max(0.0, iy1 - iy0));
    return true;
}

static void Quad(float x0, float y0, float x1, float y1) {
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(x0, y0, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(x1, y0, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(x1, y1, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(x0, y1, 0.0f);
    glEnd();
}

void DrawSpriteQuad(GLuint t, float x0, float y0, float x1, float y1) {
    const SpriteBounds b = GetSpriteBounds(t);
    if (b.empty()) return;
    if (b.cropped) {
        Quad(x0 + (x1 - x0) * b.u0, y0 + (y1 - y0) * b.v0, x0 + (x1 - x0) * b.u1, y0 + (y1 - y0) * b.v1);
        return;
    }
    GLint rect[4];
    const bool whole = b.u0 == 0.0f && b.v0 == 0.0f && b.u1 == 1.0f && b.v1 == 1.0f;
    if (whole || glIsEnabled(GL_SCISSOR_TEST) ||
        !WindowRect(x0 + (x1 - x0) * b.u0, y0 + (y1 - y0) * b.v0, x0 + (x1 - x0) * b.u1,
                    y0 + (y1 - y0) * b.v1, rect)) {
        Quad(x0, y0, x1, y1);
        return;
    }
    // The quad is issued whole, so every pixel gets exactly the texture coordinate it
    // would get anyway; the scissor only keeps the rasteriser off the pixels where
    // the texture is transparent.
    if (rect[2] == 0 || rect[3] == 0) return;
    glEnable(GL_SCISSOR_TEST);
    glScissor(rect[0], rect[1], rect[2], rect[3]);
    Quad(x0, y0, x1, y1);
    glDisable(GL_SCISSOR_TEST);
}

void DrawSpriteRect(GLuint t, float w, float h, float sy) {
    DrawSpriteQuad(t, -w / 2.0f, -h / 2.0f, w / 2.0f, h / 2.0f + sy);
}
