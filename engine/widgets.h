// Immediate-mode widgets and picking in the 512 by 512 GUI space laid over the window.
#pragma once

#include <GL/gl.h>

#include "engine/vector3f.h"

// A textured rectangle given by centre and half extents in GUI units. Built anew in
// every frame; it holds no state between frames.
//
// What the button reports, frame by frame (strict hit test, edges are outside):
//   pointer outside                -> isSelected false, isClicked false
//   pointer inside, no press       -> isSelected true,  isClicked false
//   pointer inside, press this frame -> isSelected true, isClicked true
//   pointer inside, button held    -> isClicked false (a press counts in one frame only)
class Button {
public:
    GLuint pattern;
    vector3f position;
    float w, h;
    float floating;
    float acc;

    Button(GLuint _icon, float x, float y, float w, float h);
    void Repos(float x, float y);
    void Reshape(float _w, float _h);
    bool isSelected() const;
    bool isClicked() const;
    // Draws the button; with `hl` it is tinted yellow while hovered and leaves the
    // colour white, without it the caller's colour tints it and stays.
    void Display(bool hl) const;
};

// Maps a window pixel to integer GUI units (x right, y up). False (and no hit) for a
// window of zero width or height.
bool PixelToGui(float mx, float my, int window_w, int window_h, int& tx, int& ty);

// Sets up GUI space for drawing: pushes the projection (made the 512 by 512
// orthographic one) and the model-view matrix twice (the inner copy the identity).
// PopGuiSpace restores both stacks.
void PushGuiSpace();
void PopGuiSpace();

// Draws `count` vertices as triangles from client arrays (three floats a vertex, two
// a texture coordinate). Leaves the vertex array enabled, the texture-coordinate
// array disabled.
void DrawTriangles(const GLfloat* vertices, const GLfloat* texcoords, int count);

// The whole bound texture over the whole viewport, in GUI space.
void RenderOnViewport();
// A quad w by h centred on the origin of the current model-view frame; `sy` raises
// only its top edge.
void DrawRect(float w, float h, float sy);
// GLUT reshape callback.
void reshape(int w, int h);
// The GUI-space point (in the current model-view frame) under window pixel (x, y).
vector3f GetOGLPos(int x, int y);

template <typename T>
T proportional(T a, T b, T c) {
    return b * c / a;
}

// A random float from s to e on a grid of step 1/precision; seeds rand() on first use.
float rand_intvf(float s, float e, float precision);
