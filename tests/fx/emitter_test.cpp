// Emitter simulation driven with chosen time steps, without a window.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "fx/scintix.h"

// A loaded emitter: spawn time (s), batch size, loop, seconds of spawning without it,
// life (s), delay (s), and the particle limit.
static ScintixParticlesFX Emitter(float spawn_s, int batch, int loop, float run_s, float life, float delay, int limit) {
    ScintixParticlesFX e;
    e.instance = true, e.spawn_time_min = e.spawn_time_max = spawn_s, e.spawn_p_min = e.spawn_p_max = batch;
    e.loop = loop, e.total_time_simulation = run_s, e.time_delay = delay, e.p_limit = limit;
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

// Each row: an emitter run at `dt` a frame, and again after reset(): the same counts. A
// batch of 0 or less is one particle; with no life a particle is removed before it is drawn;
// one batch a frame, however late; time past spawn_time is dropped, not carried; the limit
// drops particles.
TEST(Emitter, BatchesFollowTheDelayTheSpawnTimeAndTheLoopAndResetStartsAgain) {
    struct { ScintixParticlesFX e; float dt; std::vector<int> counts; } rows[] = {
        {Emitter(10, 1, 1, 0, 100, 2, 999), 0.5f, {-1, -1, -1, 1, 1}},  // a stored 10 s holds no first batch back
        {Emitter(0.5f, 1, 0, 3, 2, 0, 999), 0.5f, {1, 2, 3, 4, 4, 4, 3, 2, 1, 0, 0, 0}},  // spawns at 3.0 s too, drains
        {Emitter(0.5f, 1, 1, 3, 2, 0, 999), 0.5f, {1, 2, 3, 4, 4, 4, 4, 4, 4, 4, 4, 4}},
        {Emitter(0, 0, 1, 0, 100, 0, 999), 0.1f, {1, 2, 3}}, {Emitter(0, -7, 1, 0, 100, 0, 999), 0.1f, {1, 2, 3}},
        {Emitter(0, 1, 1, 0, 0, 0, 999), 0.05f, {0, 0, 0}}, {Emitter(0.01f, 1, 1, 0, 100, 0, 999), 1, {1, 2, 3, 4}},
        {Emitter(1, 1, 1, 0, 100, 0, 999), 0.9f, {1, 1, 2, 2, 3}}, {Emitter(0, 3, 1, 0, 100, 0, 5), 0.1f, {3, 5, 5}}};
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
    std::srand(77), Frames(e, 0.1f, 3);
    const int after = std::rand();
    std::srand(77);
    for (int i = 0; i < 3 * (2 + 3 * 16); ++i) std::rand();
    EXPECT_EQ(after, std::rand());
    e.spawn_p_min = e.spawn_p_max = e.p_limit = 2000000000, Frames(e, 0.1f, 2);
    EXPECT_TRUE(e.spawn_p == e.kMaxBatch && int(e.particles.size()) == e.kMaxParticles) << e.particles.size();
}
