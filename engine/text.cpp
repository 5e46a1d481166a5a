// Text from the 16 by 16 glyph texture `font`: one square per character, blended
// over what is drawn, in GUI space.
#include "engine/text.h"

#include <GL/gl.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine/textures.h"
#include "engine/widgets.h"

int ConvertCharToGlASCII(char c) { return static_cast<signed char>(c) - 32; }

namespace {

// Draws `len` characters from the pen (x, y); with `mc` >= 0 the pen returns to x and
// moves down a line after every mc + 1 characters, so every line holds the same count.
void DrawGlyphs(const char* text, size_t len, float x, float y, float size, int mc) {
    BindPicture(font);
    PushGuiSpace();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTranslatef(size, size, 0);  // the pen position is the square's lower-left corner

    const float s = size;
    const GLfloat vertices[18] = {-s, s, 0, -s, -s, 0, s, s, 0, s, s, 0, s, -s, 0, -s, -s, 0};
    float pen_x = x, pen_y = y;
    int counter = 0;
    for (size_t i = 0; i < len; ++i) {
        int cell = ConvertCharToGlASCII(text[i]);
        if (cell < 0) cell = 0;
        const float u0 = float(cell % 16) / 16.0f, u1 = float(cell % 16 + 1) / 16.0f;
        const float v0 = 1.0f - float(cell / 16 + 1) / 16.0f, v1 = 1.0f - float(cell / 16) / 16.0f;
        // top-left, bottom-left, top-right, top-right, bottom-right, bottom-left
        const GLfloat texcoords[12] = {u0, v1, u0, v0, u1, v1, u1, v1, u1, v0, u0, v0};
        glPushMatrix();
        glTranslatef(pen_x, pen_y, 0);
        DrawTriangles(vertices, texcoords, 6);
        glPopMatrix();
        pen_x += 1.025f * size;
        if (mc >= 0) {
            if (counter >= mc) {
                pen_x = x;
                pen_y -= 2.0f * 1.025f * size;
                counter = 0;
            } else {
                ++counter;
            }
        }
    }

    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    PopGuiSpace();
}

}  // namespace

void glPrintText(float raster_x, float raster_y, float size, bool center, const char* fmt, ...) {
    if (!fmt) return;
    char text[256] = {};
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(text, sizeof text, fmt, ap);  // longer text is cut to the buffer
    va_end(ap);
    const size_t len = std::strlen(text);
    const float x = center ? raster_x - (1.025f * size * float(len)) / 2 : raster_x;
    DrawGlyphs(text, len, x, raster_y, size, -1);
}

void glPrintTextBox(float raster_x, float raster_y, float size, int mc, const char* fmt, ...) {
    if (!fmt) return;
    char text[512] = {};
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    DrawGlyphs(text, std::strlen(text), raster_x, raster_y, size, mc < 0 ? 0 : mc);
}
