// Which part of each sprite texture can show anything: found once when the texture
// is loaded, so that drawing can skip the fully transparent rest of a large quad.
#pragma once

#include <GL/gl.h>

// A rectangle in texture coordinates (0 to 1, v = 0 at the first stored row). Outside
// it, linear filtering yields alpha 0, so a blended quad changes no pixel there.
struct SpriteBounds {
    float u0 = 0.0f, v0 = 0.0f, u1 = 1.0f, v1 = 1.0f;
    // The texture holds only this rectangle of its picture (0 to 1 over it), with a
    // clear texel around what shows: the quad is drawn over the rectangle alone.
    bool cropped = false;
    bool empty() const { return u0 >= u1 || v0 >= v1; }
};

// The bounds of straight-alpha RGBA texels, w by h, rows stored one after another.
// One texel of margin covers linear filtering; with `clamp` false (GL_REPEAT wrap) a
// visible texel on one edge also reaches the opposite edge. All transparent: empty.
SpriteBounds ComputeSpriteBounds(const unsigned char* rgba, int w, int h, bool clamp);

// Remembers the bounds of texture name `t` (the picture loader records them).
void RecordSpriteBounds(GLuint t, const SpriteBounds& b);
// The recorded bounds of `t`; the whole texture when none were recorded.
SpriteBounds GetSpriteBounds(GLuint t);


// Draws `t` (bound by the caller) as a quad with texture (0,0) to (1,1) over (x0, y0)
// to (x1, y1) of the current frame, rasterised only over the window pixels of the
// texture's bounds (a scissor rectangle): the same pixels as the whole quad. A cropped
// texture is drawn over its rectangle of the quad.
void DrawSpriteQuad(GLuint t, float x0, float y0, float x1, float y1);
// Same pixels as DrawRect(w, h, sy) with `t` bound, over the bounds only.
void DrawSpriteRect(GLuint t, float w, float h, float sy);
