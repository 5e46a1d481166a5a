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

// A loaded emitter: spawn time (s), batch size, loop, seconds of spawning without it,
// life (s), delay (s), and the particle limit.
static ScintixParticlesFX Emitter(float spawn_time, int batch, int loop, float total, float life, float delay,
                                  int limit = 999) {
    ScintixParticlesFX e;
    e.instance = true;
    e.spawn_time_min = e.spawn_time_max = spawn_time;
    e.spawn_p_min = e.spawn_p_max = batch;
    e.loop = loop, e.total_time_simulation = total, e.time_delay = delay, e.p_limit = limit;
    e.p_timelife_min = e.p_timelife_max = life;
    return e;
}

// Advances `e` by `t` seconds a frame, `frames` times: the particles after each frame,
// -1 for a frame that draws nothing.
static std::vector<int> Frames(ScintixParticlesFX& e, float t, int frames) {
    std::vector<int> counts;
    for (int i = 0; i < frames; ++i) counts.push_back(e.advance(0, 0, 0, 1, t) ? int(e.particles.size()) : -1);
    return counts;
}

// Each row: an emitter run at `dt` a frame, and again after reset(): the same counts.
TEST(Emitter, BatchesFollowTheDelayTheSpawnTimeAndTheLoopAndResetStartsAgain) {
    struct { ScintixParticlesFX e; float dt; std::vector<int> counts; } rows[] = {
        {Emitter(10, 1, 1, 0, 100, 2), 0.5f, {-1, -1, -1, 1, 1}},  // a stored 10 s holds no first batch back
        {Emitter(0.5f, 1, 0, 3, 2, 0), 0.5f, {1, 2, 3, 4, 4, 4, 3, 2, 1, 0, 0, 0}},  // spawns at 3.0 s too, drains
        {Emitter(0.5f, 1, 1, 3, 2, 0), 0.5f, {1, 2, 3, 4, 4, 4, 4, 4, 4, 4, 4, 4}},
        {Emitter(0, 0, 1, 0, 100, 0), 0.1f, {1, 2, 3}},  // a batch of 0 or less is one particle
        {Emitter(0, -7, 1, 0, 100, 0), 0.1f, {1, 2, 3}},
        {Emitter(0, 1, 1, 0, 0, 0), 0.05f, {0, 0, 0}},        // no life: removed before it is drawn
        {Emitter(0.01f, 1, 1, 0, 100, 0), 1, {1, 2, 3, 4}},   // one batch a frame, however late
        {Emitter(1, 1, 1, 0, 100, 0), 0.9f, {1, 1, 2, 2, 3}},  // time past spawn_time is dropped, not carried
        {Emitter(0, 3, 1, 0, 100, 0, 5), 0.1f, {3, 5, 5}}};    // the limit drops particles
    for (auto& r : rows) {
        EXPECT_EQ(Frames(r.e, r.dt, int(r.counts.size())), r.counts) << r.e.spawn_time_min << " " << r.dt;
        r.e.reset();
        EXPECT_EQ(Frames(r.e, r.dt, int(r.counts.size())), r.counts) << "after reset";
    }
}

// Sixteen draws a particle and two a batch, also for particles over the limit; a
// damaged file's sizes are capped per batch and in total.
TEST(Emitter, LimitDropsParticlesButNotTheirRandomDrawsAndCapsDamagedSizes) {
    ScintixParticlesFX e = Emitter(0, 3, 1, 0, 100, 0, 5);
    std::srand(77);
    Frames(e, 0.1f, 3);
    const int after = std::rand();
    std::srand(77);
    for (int i = 0; i < 3 * (2 + 3 * 16); ++i) std::rand();
    EXPECT_EQ(after, std::rand());
    e.spawn_p_min = e.spawn_p_max = e.p_limit = 2000000000;
    Frames(e, 0.1f, 2);
    EXPECT_TRUE(e.spawn_p == ScintixParticlesFX::kMaxBatch && int(e.particles.size()) == ScintixParticlesFX::kMaxParticles);
}

// 40 s at 60 frames a second as the scene shows them, three random runs each: every
// visible particle stays in the window (owl frame at (271, 265) of 512 GUI units), and
// none goes blank after 3 s.
TEST(ShippedEffects, LoopAndStayInsideTheWindow) {
    struct Showing { const char* file; float x, y, scale, speedup; };
    for (const Showing s : {Showing{"sleep.zfx", 36, 130, 50, 1}, Showing{"smoke.zfx", -8, 185, 45, 5}}) {
        std::ifstream in(std::string(STRIGOLO_DATA_DIR) + "/" + s.file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<ZfxBlock> blocks;
        std::string error;
        ASSERT_TRUE(ParseZfx(bytes.data(), bytes.size(), blocks, error) && !blocks.empty()) << s.file << error;
        for (const ZfxBlock& b : blocks) EXPECT_TRUE(b.emitter.loop != 0 && b.emitter.sizeX * b.emitter.sizeY > 0);
        for (int seed : {1, 2, 3}) {
            std::srand(seed);
            std::vector<ZfxBlock> run = blocks;
            int blank_frames = 0;
            for (int f = 0; f < 60 * 40; ++f) {
                size_t visible = 0;
                for (ZfxBlock& b : run) {
                    b.emitter.advance(s.x, s.y, 0, s.scale * 0.5f, s.speedup / 60.0f);
                    for (const ScintixParticlesFX::Particle& p : b.emitter.particles) {
                        GLubyte rgba[4];
                        ParticleColor(b.emitter, p, rgba);
                        const float reach = std::fabs(p.scale) * 1.4143f;  // a turned square's corner
                        visible += rgba[3] != 0;
                        ASSERT_TRUE(!rgba[3] || (std::min(271 + p.pos.x, 265 + p.pos.y) >= reach &&
                                                 std::max(271 + p.pos.x, 265 + p.pos.y) + reach <= 512))
                            << s.file << " seed " << seed << " frame " << f << ": " << p.pos.x << "," << p.pos.y;
                    }
                }
                blank_frames += f > 60 * 3 && visible == 0;
            }
            EXPECT_EQ(blank_frames, 0) << s.file << " seed " << seed;
        }
    }
}
