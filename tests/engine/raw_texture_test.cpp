// Raw texture files: the format, damaged files, and what a loaded texture draws.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/textures.h"
#include "engine/widgets.h"
#include "gl_context.h"
#include "raw_texture_bytes.h"

namespace {
std::string TempFile(const std::vector<unsigned char>& bytes) {
    char name[] = "/tmp/strigolo-texture-XXXXXX";
    const int fd = mkstemp(name);
    std::FILE* f = fdopen(fd, "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return name;
}
}  // namespace

TEST(RawTexture, ParsesSizesAndPixelsIgnoringTrailingBytes) {
    auto file = Header(2, 1);
    const unsigned char px[] = {1, 2, 3, 4, 5, 6, 7, 8, 99, 99};
    file.insert(file.end(), px, px + sizeof px);
    RawTexture t;
    std::string error;
    ASSERT_TRUE(ParseRawTexture(file.data(), file.size(), t, error)) << error;
    EXPECT_EQ(t.w, 2);
    EXPECT_EQ(t.h, 1);
    EXPECT_EQ(t.pixels, std::vector<unsigned char>(px, px + 8));
}

TEST(RawTexture, APlacementAfterThePixelsHoldsTheStoredTexelsOrIsIgnored) {
    // A 2 by 1 file; its trailer: magic, canvas, where the texels start, window.
    struct { const char* magic; int32_t canvas_w, canvas_h, x0, y0, window; bool read; } rows[] = {
        {"PLAC", 10, 8, 3, 7, 600, true}, {"PLAC", 2, 1, 0, 0, 600, true},
        {"PLAX", 10, 8, 3, 7, 600, false}, {"PLAC", 10, 8, 9, 7, 600, false},  // x0 + 2 > 10
        {"PLAC", 10, 8, -1, 0, 600, false}, {"PLAC", 10, 8, 0, 0, 0, false}};
    for (const auto& r : rows) {
        auto file = Header(2, 1);
        file.resize(file.size() + 8, 0);
        file.insert(file.end(), r.magic, r.magic + 4);
        for (int32_t v : {r.canvas_w, r.canvas_h, r.x0, r.y0, r.window})
            for (int b = 0; b < 4; ++b) file.push_back((unsigned char)(uint32_t(v) >> (8 * b)));
        Placement p;
        EXPECT_EQ(ReadPlacement(file.data(), file.size(), 2, 1, p), r.read) << r.magic << " " << r.x0;
        EXPECT_TRUE(!r.read || (p.canvas_w == r.canvas_w && p.x0 == r.x0 && p.y0 == r.y0)) << r.x0;
        EXPECT_FALSE(ReadPlacement(file.data(), file.size() - 1, 2, 1, p)) << "cut short";
    }
}

TEST(RawTexture, RejectsDamagedFilesWithoutTrustingTheirSizes) {
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
    };
    auto with_pixels = [](std::vector<unsigned char> h, size_t n) {
        h.resize(h.size() + n, 0x7f);
        return h;
    };
    const std::vector<Case> cases = {
        {"empty file", {}},
        {"header cut short", {1, 0, 0, 0, 1, 0}},
        {"zero width", with_pixels(Header(0, 4), 16)},
        {"zero height", with_pixels(Header(4, 0), 16)},
        {"negative width", with_pixels(Header(-1, 1), 16)},
        {"negative height", with_pixels(Header(1, -4), 16)},
        {"w*h*4 overflows 32 bits", with_pixels(Header(65536, 65536), 64)},
        {"largest sizes", with_pixels(Header(0x7fffffff, 0x7fffffff), 64)},
        {"one pixel short", with_pixels(Header(2, 2), 15)},
    };
    for (const auto& c : cases) {
        RawTexture t;
        std::string error;
        EXPECT_FALSE(ParseRawTexture(c.bytes.data(), c.bytes.size(), t, error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
        EXPECT_TRUE(t.pixels.empty()) << c.what;
    }
}

// Draws the bound texture over the whole window on black and returns the centre pixel.
static std::array<uint8_t, 4> DrawOverBlack(GLuint t) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, 1);
    glBindTexture(GL_TEXTURE_2D, t);
    RenderOnViewport();
    glDisable(GL_BLEND);
    return testing_gl::ReadPixel(150, 150);
}

TEST(RawTextureDrawing, TwelveByteFileIsOneHalfTransparentRedTexelUploadedWhenFirstBound) {
    REQUIRE_GL_CONTEXT();
    auto bytes = Header(1, 1);
    bytes.insert(bytes.end(), {0xFF, 0x00, 0x00, 0x80});
    const std::string path = TempFile(bytes);
    GLuint t = 0;
    RegisterPicture(t, path.c_str());
    GLint w = -1, h = 0;
    glBindTexture(GL_TEXTURE_2D, t);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    EXPECT_EQ(w, 0);  // named, not yet uploaded
    BindPicture(t);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
    const auto px = DrawOverBlack(t);
    EXPECT_NEAR(px[0], 128, 2);  // red at alpha 0x80 over black
    EXPECT_EQ(px[1], 0);
    EXPECT_EQ(px[2], 0);
    std::remove(path.c_str());
}

TEST(RawTextureDrawing, MissingOrDamagedFileLeavesATransparentTextureAndSaysWhich) {
    REQUIRE_GL_CONTEXT();
    auto huge = Header(100000, 100000);
    huge.resize(64, 0xff);
    const std::string damaged = TempFile(huge);
    for (const std::string& path : {std::string("/nonexistent/Data/tree"), damaged}) {
        testing::internal::CaptureStderr();
        GLuint t = 0;
        RegisterPicture(t, path.c_str());  // told at once, not when first drawn
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find(path), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << "one line per file: " << err;
        EXPECT_NE(t, 0u);
        const auto px = DrawOverBlack(t);
        EXPECT_EQ(px[0], 0) << path;
        EXPECT_EQ(px[1], 0) << path;
        EXPECT_EQ(px[2], 0) << path;
    }
    std::remove(damaged.c_str());
}
