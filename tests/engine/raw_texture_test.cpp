// Raw texture files: sizes and pixels, the placement trailer, damaged files, and what
// a bad one uploads when first bound.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "engine/textures.h"
#include "gl_context.h"
#include "raw_texture_bytes.h"

using Bytes = std::vector<unsigned char>;

static Bytes Pad(Bytes b, int n) {  // `b` and n more bytes: 1, 2, 3, ...
    for (int i = 1; i <= n; ++i) b.push_back(static_cast<unsigned char>(i));
    return b;
}

// A file parses into its sizes and the pixel bytes after the header, trailing bytes
// ignored; a damaged one (w 0 here) fails with a reason, allocating nothing.
TEST(RawTexture, ParsesSizesAndPixelsAndRejectsDamagedFilesWithoutTrustingTheirSizes) {
    struct { const char* what; Bytes bytes; int w, h; } rows[] = {
        {"2x1, 2 more", Pad(Header(2, 1), 10), 2, 1}, {"empty", {}, 0, 0}, {"cut header", {1, 0, 0, 0, 1, 0}, 0, 0},
        {"zero width", Pad(Header(0, 4), 16), 0, 0}, {"zero height", Pad(Header(4, 0), 16), 0, 0},
        {"negative width", Pad(Header(-1, 1), 16), 0, 0}, {"negative height", Pad(Header(1, -4), 16), 0, 0},
        {"w*h*4 past 32 bits", Pad(Header(65536, 65536), 64), 0, 0},
        {"w*h*4 past signed 64 bits", Pad(Header(0x7fffffff, 0x7fffffff), 64), 0, 0},
        {"one byte short", Pad(Header(2, 2), 15), 0, 0}};
    for (const auto& r : rows) {
        RawTexture t;
        std::string error;
        const bool ok = ParseRawTexture(r.bytes.data(), r.bytes.size(), t, error);
        EXPECT_TRUE(ok == (r.w > 0) && error.empty() == ok && t.w == r.w && t.h == r.h) << r.what;
        EXPECT_EQ(t.pixels, ok ? Bytes(r.bytes.begin() + 8, r.bytes.begin() + 8 + r.w * r.h * 4) : Bytes()) << r.what;
    }
}

// The trailer after the pixels of a 2 by 1 file: magic, canvas, where the texels
// start, window; read only when whole and holding the stored texels.
TEST(RawTexture, APlacementAfterThePixelsHoldsTheStoredTexelsOrIsIgnored) {
    struct { const char* magic; int32_t canvas_w, canvas_h, x0, y0, window; bool read; } rows[] = {
        {"PLAC", 10, 8, 3, 7, 600, true}, {"PLAC", 2, 1, 0, 0, 600, true}, {"PLAX", 10, 8, 3, 7, 600, false},
        {"PLAC", 10, 8, 9, 7, 600, false} /* x0 + 2 > 10 */, {"PLAC", 10, 8, -1, 0, 600, false},
        {"PLAC", 10, 8, 0, 0, 0, false}};
    for (const auto& r : rows) {
        Bytes file = Pad(Header(2, 1), 8);
        file.insert(file.end(), r.magic, r.magic + 4);
        for (const Bytes& pair : {Header(r.canvas_w, r.canvas_h), Header(r.x0, r.y0), Header(r.window, 0)})
            file.insert(file.end(), pair.begin(), pair.end());
        Placement p;
        EXPECT_EQ(ReadPlacement(file.data(), file.size(), 2, 1, p), r.read) << r.magic << " " << r.x0;
        EXPECT_TRUE(!r.read || (p.canvas_w == r.canvas_w && p.x0 == r.x0 && p.y0 == r.y0)) << r.x0;
        EXPECT_FALSE(ReadPlacement(file.data(), file.size() - 5, 2, 1, p)) << "cut short";
    }
}

// A picture that cannot be read (missing or damaged: one branch) becomes one clear texel,
// which draws nothing. (Named on standard error: tests/e2e/test_window.py.)
TEST(RawTextureLoading, AnUnreadableFileBecomesOneClearTexel) {
    REQUIRE_GL_CONTEXT();
    GLuint t = 0;
    RegisterPicture(t, "/nonexistent/Data/tree");  // told and uploaded at once
    GLint w = 0, h = 0;
    BindPicture(t);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    Bytes texels(1 << 16, 9);  // room for what a wrong upload would hold
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_TRUE(w == 1 && h == 1 && Bytes(texels.begin(), texels.begin() + 4) == Bytes(4, 0)) << w << "x" << h;
}
