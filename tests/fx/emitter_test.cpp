// Emitter simulation driven with chosen time steps, without a window, and the two
// shipped effects simulated as the scene shows them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "fx/scintix.h"
#include "fx/zfx_parser.h"

namespace {

using Counts = std::vector<size_t>;

// A loaded emitter whose particles live 100 s and stand still.
ScintixParticlesFX LongLived() {
    ScintixParticlesFX e;
    e.instance = true;
    e.p_timelife_min = e.p_timelife_max = 100;
    return e;
}

// Advances `e` by `t` seconds per frame, `frames` times; the particle count after each.
Counts Frames(ScintixParticlesFX& e, float t, int frames) {
    Counts counts;
    for (int i = 0; i < frames; ++i) e.advance(0, 0, 0, 1, t), counts.push_back(e.particles.size());
    return counts;
}

}  // namespace

TEST(Emitter, DelayHoldsTheFirstBatchBackAndStartsAgainAfterReset) {
    ScintixParticlesFX e = LongLived();
    e.time_delay = 2;
    e.spawn_time_min = e.spawn_time_max = 10;
    EXPECT_FALSE(e.advance(0, 0, 0, 1, 0.5f));  // inside the delay: nothing drawn
    EXPECT_EQ(Frames(e, 0.5f, 3), (Counts{0, 0, 1}));
    e.reset();  // the stored spawn_time of 10 s does not hold the first batch back
    EXPECT_EQ(Frames(e, 1.0f, 3), (Counts{0, 1, 1}));
}

TEST(Emitter, WithoutLoopBatchesStopAfterTimeStepAndParticlesDrain) {
    ScintixParticlesFX e = LongLived();
    e.loop = 0;
    e.total_time_simulation = 3;
    e.spawn_time_min = e.spawn_time_max = 0.5f;
    e.p_timelife_min = e.p_timelife_max = 2;
    ScintixParticlesFX looping = e;
    looping.loop = 1;
    // Frames at 0.5, 1.0 ... 3.0 s spawn (3.0 included), then the particles die out.
    EXPECT_EQ(Frames(e, 0.5f, 12), (Counts{1, 2, 3, 4, 4, 4, 3, 2, 1, 0, 0, 0}));
    EXPECT_EQ(Frames(looping, 0.5f, 12).back(), 4u);
    e.reset();
    EXPECT_EQ(Frames(e, 0.5f, 1), (Counts{1}));
}

TEST(Emitter, BatchOfZeroOrLessMakesOneParticleNoLifeIsNeverDrawnOneBatchPerFrame) {
    for (int n : {0, -7}) {
        ScintixParticlesFX e = LongLived();
        e.spawn_p_min = e.spawn_p_max = n;
        e.spawn_time_min = e.spawn_time_max = 0;
        EXPECT_EQ(Frames(e, 0.1f, 3), (Counts{1, 2, 3})) << n;
    }
    ScintixParticlesFX lifeless;  // life range 0 to 0: removed before the first draw
    lifeless.instance = true;
    EXPECT_EQ(Frames(lifeless, 0.05f, 3), (Counts{0, 0, 0}));

    ScintixParticlesFX e = LongLived();
    e.spawn_time_min = e.spawn_time_max = 0.01f;
    EXPECT_EQ(Frames(e, 1.0f, 4), (Counts{1, 2, 3, 4}));
    // The 0.8 s past spawn_time at a batch is dropped, not carried (else frame 3 spawns).
    e.spawn_time_min = e.spawn_time_max = 1.0f;
    e.advance(0, 0, 0, 1, 1.0f);
    EXPECT_EQ(Frames(e, 0.9f, 3), (Counts{5, 6, 6}));
}

TEST(Emitter, LimitDropsParticlesButNotTheirRandomDraws) {
    ScintixParticlesFX e = LongLived();
    e.p_limit = 5;
    e.spawn_p_min = e.spawn_p_max = 3;
    e.spawn_time_min = e.spawn_time_max = 0;
    std::srand(77);
    EXPECT_EQ(Frames(e, 0.1f, 3), (Counts{3, 5, 5}));
    const int after = std::rand();
    std::srand(77);  // three batches of 2 draws plus 16 per particle, kept or dropped
    for (int i = 0; i < 3 * (2 + 3 * 16); ++i) std::rand();
    EXPECT_EQ(after, std::rand());
    e.spawn_p_min = e.spawn_p_max = e.p_limit = 2000000000;  // a damaged file's: capped per batch and in total
    Frames(e, 0.1f, 2);
    EXPECT_EQ(e.spawn_p, ScintixParticlesFX::kMaxBatch);
    EXPECT_EQ(static_cast<int>(e.particles.size()), ScintixParticlesFX::kMaxParticles);
}

// 40 s at 60 frames per second as the scene shows them: every visible particle stays in
// the window (owl frame at (271, 265) of 512 GUI units), and none goes blank after 3 s.
TEST(ShippedEffects, LoopAndStayInsideTheWindow) {
    struct Showing { const char* file; float x, y, scale, speedup; };
    for (const Showing s : {Showing{"sleep.zfx", 36, 130, 50, 1}, Showing{"smoke.zfx", -8, 185, 45, 5}}) {
        std::ifstream in(std::string(STRIGOLO_DATA_DIR) + "/" + s.file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<ZfxBlock> blocks;
        std::string error;
        ASSERT_TRUE(ParseZfx(bytes.data(), bytes.size(), blocks, error) && !blocks.empty()) << s.file << error;
        for (int seed : {1, 2, 3}) {
            SCOPED_TRACE(std::string(s.file) + " seed " + std::to_string(seed));
            std::srand(seed);
            std::vector<ScintixParticlesFX> emitters;
            for (const ZfxBlock& b : blocks) {
                EXPECT_TRUE(b.emitter.loop != 0 && b.emitter.sizeX * b.emitter.sizeY > 0);
                emitters.push_back(b.emitter);
            }
            int blank_frames = 0;
            for (int f = 0; f < 60 * 40; ++f) {
                size_t visible = 0;
                for (ScintixParticlesFX& e : emitters) {
                    e.advance(s.x, s.y, 0, s.scale * 0.5f, s.speedup / 60.0f);
                    for (const ScintixParticlesFX::Particle& p : e.particles) {
                        GLubyte rgba[4];
                        ParticleColor(e, p, rgba);
                        if (rgba[3] == 0) continue;
                        ++visible;
                        const float reach = std::fabs(p.scale) * 1.4143f;  // a turned square's corner
                        ASSERT_TRUE(271 + p.pos.x - reach >= 0 && 271 + p.pos.x + reach <= 512 &&
                                    265 + p.pos.y - reach >= 0 && 265 + p.pos.y + reach <= 512)
                            << "frame " << f << ": " << p.pos.x << "," << p.pos.y << " reach " << reach;
                    }
                }
                blank_frames += f > 60 * 3 && visible == 0;
            }
            EXPECT_EQ(blank_frames, 0);
        }
    }
}
