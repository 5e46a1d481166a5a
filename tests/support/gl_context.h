// A real OpenGL context for drawing tests: a 300 by 300 GLUT window on the test
// display (Xvfb with Mesa's software renderer), with pixel read-back.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace testing_gl {

// Creates the window once per process (double-buffered RGBA, as the program's) and
// makes its context current with the viewport set. Returns false without a display.
bool EnsureContext(int w = 300, int h = 300);

// Reads the back buffer's pixel at window pixel (x, y), origin bottom-left.
std::array<uint8_t, 4> ReadPixel(int x, int y);

// The back buffer's pixel under a GUI-space point (512 by 512 units over the window).
std::array<uint8_t, 4> ReadGuiPixel(float gx, float gy);

// The whole back buffer, w by h from the bottom-left, as RGB or RGBA bytes.
std::vector<uint8_t> ReadFrame(int w, int h, unsigned int format);
// Selects GUI space (512 by 512 units over the window) with identity model-view.
void GuiProjection();

// Loads a texture from raw RGBA bytes (bottom row first).
unsigned int MakeTexture(int w, int h, const uint8_t* rgba);

}  // namespace testing_gl

// Fails the current test when there is no display: a drawing check that cannot run
// proves nothing, so it never passes as skipped.
#define REQUIRE_GL_CONTEXT() do { if (!testing_gl::EnsureContext()) FAIL() << "no X display for GL"; } while (0)
