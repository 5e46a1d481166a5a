// Text drawn in a real GL context: the cell of each character, the pen, the advance,
// centring, line breaks and the cut to the buffer.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/text.h"
#include "engine/textures.h"
#include "gl_context.h"

// Every row draws on a cleared frame with a font whose every cell is one texel of a
// colour naming it (red = cell, green 200); at each probe (GUI units) the cell that
// shows, -1 for nothing. Squares are 2 * size from the pen, advances 1.025 * size.
TEST(TextDrawing, GlyphSquaresStandWhereThePenPutsThem) {
    REQUIRE_GL_CONTEXT();
    std::vector<uint8_t> px;
    for (int row = 15; row >= 0; --row)  // the first stored row is the bottom one
        for (int col = 0; col < 16; ++col) px.insert(px.end(), {uint8_t(row * 16 + col), 200, 0, 255});
    font = testing_gl::MakeTexture(16, 16, px.data());
    const std::string xy = std::string(44, 'X') + "YYYYYY", zs(600, 'Z');
    struct Probe { float x, y; int cell; };
    struct { const char* what; std::function<void()> draw; std::vector<Probe> probes; } rows[] = {
        {"A", [] { glPrintText(0, 0, 10, false, "A"); }, {{10, 10, 33}, {2, 18, 33}, {24, 10, -1}, {10, 24, -1}}},
        // a character outside the font (an accented byte, a tab) draws the blank cell 0
        {"outside", [] { glPrintText(0, 0, 10, false, "\xe8\t\x7f"); }, {{5, 10, 0}, {15, 10, 0}, {35, 10, 95}}},
        // the pen starts at 256 - 4 * 10.25 / 2 = 235.5; D from 266.25
        {"centred", [] { glPrintText(256, 200, 10, true, "ABCD"); }, {{237, 210, 33}, {232, 210, -1}, {284, 210, 36}}},
        // mc 43: 44 characters a line, the next 20.5 lower, from the left again
        {"box", [&] { glPrintTextBox(28, 300, 10, 43, "%s", xy.c_str()); },
         {{30, 310, 'X' - 32}, {30, 289.5f, 'Y' - 32}, {91.25f, 289.5f, 'Y' - 32}, {114.75f, 289.5f, -1}}},
        {"nothing", [] { glPrintText(100, 100, 10, false, "%s", ""), glPrintText(100, 100, 10, false, nullptr),
                         glPrintTextBox(100, 100, 10, 43, nullptr); }, {{110, 110, -1}}},
        // cut to 255 characters, the line ends at 324.7 units (at 312 with advances of 2);
        // uncut it would run on to 1032
        {"line cut", [&] { glPrintText(-200, 100, 2, false, "%s", zs.c_str()); }, {{318, 102, 58}, {400, 102, -1}}},
        // cut to 511: 11 full lines of 44 and a twelfth of 27 characters, from 174.5 to 194.5
        {"box cut", [&] { glPrintTextBox(0, 400, 10, 43, "%s", zs.c_str()); }, {{20, 177, 58}, {300, 184.5f, -1}}}};
    for (const auto& r : rows) {
        glClearColor(0, 0, 0, 1), glClear(GL_COLOR_BUFFER_BIT), glColor4f(1, 1, 1, 1);
        r.draw();
        for (const Probe& p : r.probes) {
            const auto c = testing_gl::ReadGuiPixel(p.x, p.y);
            const int shown = c[1] == 200 ? c[0] : (c[0] + c[1] + c[2] ? -2 : -1);  // -2: something else
            EXPECT_EQ(shown, p.cell) << r.what << " at " << p.x << "," << p.y;
        }
    }
    // The state text leaves: blending off, depth writes on, texturing on, the font bound.
    GLboolean depth_mask = GL_FALSE;
    GLint bound = 0;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depth_mask), glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_TRUE(!glIsEnabled(GL_BLEND) && depth_mask && glIsEnabled(GL_TEXTURE_2D) && GLuint(bound) == font);
}
