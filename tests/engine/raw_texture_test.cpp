// Raw texture files: sizes and pixels, the placement trailer, damaged files, and what
// a bad one uploads when first bound.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "engine/textures.h"
#include "gl_context.h"
#include "raw_texture_bytes.h"

using Bytes = std::vector<unsigned char>;

// `b` and n more bytes.
static Bytes Pad(Bytes b, int n) { return b.resize(b.size() + n, 7), b; }

// A file parses into its sizes (its pixels: the picture fuzz oracle, on the replayed
// corpus); a damaged one (w 0 here) fails with a reason. A size that trusted the header
// would pass with the header alone: no pixel bytes follow.
TEST(RawTexture, ParsesSizesAndRejectsDamagedFilesWithoutTrustingTheirSizes) {
    struct { const char* what; Bytes bytes; int w, h; } rows[] = {
        {"2x1, 2 more", Pad(Header(2, 1), 10), 2, 1}, {"empty", {}, 0, 0}, {"one short", Pad(Header(2, 2), 15), 0, 0},
        {"zero w", Header(0, 4), 0, 0}, {"zero h", Header(4, 0), 0, 0}, {"negative w", Header(-1, 1), 0, 0},
        {"negative h", Header(1, -4), 0, 0}, {"w*h*4 past 32 bits", Header(65536, 65536), 0, 0},
        {"w*h*4 past signed 64 bits", Header(0x7fffffff, 0x7fffffff), 0, 0}};
    for (const auto& r : rows) {
        RawTexture t;
        std::string error;
        const bool ok = ParseRawTexture(r.bytes.data(), r.bytes.size(), t, error);
        EXPECT_TRUE(ok == (r.w > 0) && error.empty() == ok && t.w == r.w && t.h == r.h) << r.what;
    }
}

// The trailer after the pixels of a 2 by 1 file: magic, canvas, where the texels
// start, window; read only when whole and holding the stored texels (x0 9 + 2 > 10).
TEST(RawTexture, APlacementAfterThePixelsHoldsTheStoredTexelsOrIsIgnored) {
    struct { const char* magic; int32_t canvas_w, canvas_h, x0, y0, window; bool read; } rows[] = {
        {"PLAC", 10, 8, 3, 7, 600, true}, {"PLAC", 2, 1, 0, 0, 600, true}, {"PLAX", 10, 8, 3, 7, 600, false},
        {"PLAC", 10, 8, 9, 7, 600, false}, {"PLAC", 10, 8, -1, 0, 600, false}, {"PLAC", 10, 8, 0, 0, 0, false}};
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
    RegisterPicture(t, "/nonexistent/Data/tree"), BindPicture(t);  // told and uploaded at once
    Bytes texels(1 << 16, 9);  // room for what a wrong upload would hold: one texel overwrites 4 bytes
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(Bytes(texels.begin(), texels.begin() + 8), (Bytes{0, 0, 0, 0, 9, 9, 9, 9}));
}
