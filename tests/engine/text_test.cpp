// Text drawing in a real GL context: glyph squares, cells, centring and line breaks.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "engine/text.h"
#include "engine/textures.h"
#include "gl_context.h"

namespace {
// A 16 by 16 font whose every cell is one texel of a colour that names the cell:
// red = cell number, green = 200, blue = 255 - cell; fully opaque.
void InstallNumberedFont() {
    std::vector<uint8_t> px(16 * 16 * 4);
    for (int cell = 0; cell < 256; ++cell) {
        const int row_from_top = cell / 16, col = cell % 16;
        const int mem_row = 15 - row_from_top;  // the file's first row is the bottom
        uint8_t* p = &px[(mem_row * 16 + col) * 4];
        p[0] = uint8_t(cell);
        p[1] = 200;
        p[2] = uint8_t(255 - cell);
        p[3] = 255;
    }
    font = testing_gl::MakeTexture(16, 16, px.data());
}

std::array<uint8_t, 4> At(float gx, float gy) {
    return testing_gl::ReadPixel(testing_gl::GuiToPixelX(gx), testing_gl::GuiToPixelY(gy));
}

bool IsCell(const std::array<uint8_t, 4>& px, int cell) { return px[0] == cell && px[1] == 200; }
bool IsBlank(const std::array<uint8_t, 4>& px) { return px[0] == 0 && px[1] == 0 && px[2] == 0; }

class TextDrawing : public testing::Test {
protected:
    void SetUp() override {
        REQUIRE_GL_CONTEXT();
        InstallNumberedFont();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor4f(1, 1, 1, 1);
    }
};
}  // namespace

TEST(Text, CharactersMapToCellsFromTheSpace) {
    EXPECT_EQ(ConvertCharToGlASCII(' '), 0);
    EXPECT_EQ(ConvertCharToGlASCII('A'), 33);
    EXPECT_EQ(ConvertCharToGlASCII('\x7f'), 95);
    EXPECT_LT(ConvertCharToGlASCII('\t'), 0);
    EXPECT_LT(ConvertCharToGlASCII(static_cast<char>(0xE8)), 0);  // an accented byte
}

TEST_F(TextDrawing, LetterACoversItsSquareAndSamplesCell33) {
    glPrintText(0, 0, 10, false, "A");
    EXPECT_TRUE(IsCell(At(10, 10), 33));
    EXPECT_TRUE(IsCell(At(2, 18), 33));
    EXPECT_TRUE(IsBlank(At(24, 10)));
    EXPECT_TRUE(IsBlank(At(10, 24)));
    // The state on return: blending off, depth writes on, texturing on, font bound.
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLboolean depth_mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depth_mask);
    EXPECT_TRUE(depth_mask);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), font);
}

TEST_F(TextDrawing, CentredLineStartsHalfItsAdvanceLeft) {
    // "ABCD" at size 10 centred on 256: the pen starts at 256 - 20.5 = 235.5, each
    // square 20 wide, each advance 10.25.
    glPrintText(256, 200, 10, true, "%s", "ABCD");
    EXPECT_TRUE(IsCell(At(237, 210), 33));        // inside A only
    EXPECT_TRUE(IsBlank(At(232, 210)));           // left of the first square
    EXPECT_TRUE(IsCell(At(284, 210), 36));        // D spans 266.25 .. 286.25, drawn last
    EXPECT_TRUE(IsBlank(At(290, 210)));
}

TEST_F(TextDrawing, BoxBreaksLinesAndStartsEachAtTheLeft) {
    // 50 X's with mc 43: 44 on the first line, the rest on the second, 20.5 lower.
    std::string text(44, 'X');
    text += "YYYYYY";
    glPrintTextBox(28, 300, 10, 43, "%s", text.c_str());
    EXPECT_TRUE(IsCell(At(30, 310), 'X' - 32));
    EXPECT_TRUE(IsCell(At(30, 300 - 20.5f + 10), 'Y' - 32));
    EXPECT_TRUE(IsCell(At(28 + 5 * 10.25f + 12, 300 - 20.5f + 10), 'Y' - 32));
    EXPECT_TRUE(IsBlank(At(28 + 7 * 10.25f + 15, 300 - 20.5f + 10)));
}

TEST_F(TextDrawing, EmptyAndNullTextDrawNothing) {
    glPrintText(100, 100, 10, false, "%s", "");
    glPrintText(100, 100, 10, false, nullptr);
    glPrintTextBox(100, 100, 10, 43, nullptr);
    EXPECT_TRUE(IsBlank(At(110, 110)));
}

TEST_F(TextDrawing, OverlongTextIsCutToTheBuffer) {
    // 600 characters at size 2: cut to 255, the line ends at 255 * 2.05 = 523 units;
    // uncut it would run on to 1230. Row of 4-unit squares from y 100 to 104.
    const std::string longer(600, 'Z');
    glPrintText(-200, 100, 2, false, "%s", longer.c_str());
    EXPECT_TRUE(IsCell(At(250, 102), 'Z' - 32));
    EXPECT_TRUE(IsBlank(At(400, 102)));
    // The box cuts to 511: 11 full lines of 44 and a twelfth of 27 characters.
    glPrintTextBox(0, 400, 2, 43, "%s", longer.c_str());
    EXPECT_TRUE(IsCell(At(20, 400 - 11 * 4.1f + 2), 'Z' - 32));
    EXPECT_TRUE(IsBlank(At(70, 400 - 11 * 4.1f + 2)));
    EXPECT_TRUE(IsBlank(At(20, 400 - 12 * 4.1f + 2)));
}
