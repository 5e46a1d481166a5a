// The two effects the program ships, simulated as the scene shows them: they load,
// loop, show particles while running, and keep every particle inside the window.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fx/scintix.h"
#include "fx/zfx_parser.h"

namespace {

struct Showing {
    const char* file;
    float x, y, scale, speedup;  // as the scene calls render
};

// The scene draws effects in the owl frame: GUI space moved by (271, 265).
constexpr float kOwlX = 271, kOwlY = 265;

std::vector<ZfxBlock> ReadShipped(const char* file) {
    const std::string path = std::string(STRIGOLO_DATA_DIR) + "/" + file;
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<ZfxBlock> blocks;
    std::string error;
    EXPECT_TRUE(ParseZfx(bytes.data(), bytes.size(), blocks, error)) << path << ": " << error;
    return blocks;
}

}  // namespace

class ShippedEffect : public testing::TestWithParam<Showing> {};

TEST_P(ShippedEffect, LoopsAndStaysInsideTheWindow) {
    const Showing s = GetParam();
    std::vector<ZfxBlock> blocks = ReadShipped(s.file);
    ASSERT_FALSE(blocks.empty());
    for (int seed : {1, 2, 3}) {
        std::srand(seed);
        std::vector<ScintixParticlesFX> emitters;
        for (const ZfxBlock& b : blocks) {
            EXPECT_NE(b.emitter.loop, 0) << "the effect runs as long as it is shown";
            EXPECT_GT(b.emitter.sizeX * b.emitter.sizeY, 0) << "every emitter has a picture";
            emitters.push_back(b.emitter);
        }
        int frames_without_particles = 0;
        const int frames = 60 * 40;  // 40 s at 60 frames per second
        for (int f = 0; f < frames; ++f) {
            size_t alive = 0;
            for (ScintixParticlesFX& e : emitters) {
                e.advance(s.x, s.y, 0, s.scale * 0.5f, s.speedup / 60.0f);
                for (const ScintixParticlesFX::Particle& p : e.particles) {
                    GLubyte rgba[4];
                    ParticleColor(e, p, rgba);
                    if (rgba[3] == 0) continue;  // invisible this frame
                    ++alive;
                    // The square turns about its centre: its corners reach sqrt(2) half-sides.
                    const float reach = std::fabs(p.scale) * 1.4143f;
                    ASSERT_GE(kOwlX + p.pos.x - reach, 0) << "seed " << seed << " frame " << f;
                    ASSERT_LE(kOwlX + p.pos.x + reach, 512) << "seed " << seed << " frame " << f;
                    ASSERT_GE(kOwlY + p.pos.y - reach, 0) << "seed " << seed << " frame " << f;
                    ASSERT_LE(kOwlY + p.pos.y + reach, 512) << "seed " << seed << " frame " << f;
                }
            }
            if (f > 60 * 3 && alive == 0) ++frames_without_particles;
        }
        EXPECT_EQ(frames_without_particles, 0) << "the effect goes blank while shown";
    }
}

INSTANTIATE_TEST_SUITE_P(Scene, ShippedEffect,
                         testing::Values(Showing{"sleep.zfx", 36, 130, 50, 1}, Showing{"smoke.zfx", -8, 185, 45, 5}),
                         [](const testing::TestParamInfo<Showing>& param) {
                             return std::string(param.param.file).substr(0, 5);
                         });
