// Emitter simulation driven with chosen time steps, without a window: delay, batches,
// draining, limits, the order of random draws, scale factors and particle colours.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "fx/scintix.h"

namespace {

// A loaded emitter whose particles live long and stand still unless a test says so.
ScintixParticlesFX LongLived() {
    ScintixParticlesFX e;
    e.instance = true;
    e.p_timelife_min = e.p_timelife_max = 100;
    return e;
}

// Advances `e` by `t` per frame, `frames` times; returns the particle count after each.
std::vector<size_t> Frames(ScintixParticlesFX& e, float t, int frames, float scale = 1) {
    std::vector<size_t> counts;
    for (int i = 0; i < frames; ++i) {
        e.advance(0, 0, 0, scale, t);
        counts.push_back(e.particles.size());
    }
    return counts;
}

}  // namespace

TEST(Emitter, NotLoadedDoesNothing) {
    ScintixParticlesFX e;  // instance false until a block was read
    e.p_timelife_min = e.p_timelife_max = 10;
    EXPECT_FALSE(e.advance(0, 0, 0, 1, 0.1f));
    EXPECT_TRUE(e.particles.empty());
    EXPECT_EQ(e.time_elapsed, 0);
}

TEST(Emitter, DelayHoldsEverythingBackThenFirstBatchComesAtOnce) {
    ScintixParticlesFX e = LongLived();
    e.time_delay = 2;
    e.spawn_time_min = e.spawn_time_max = 10;  // only the first batch within this test
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(e.advance(0, 0, 0, 1, 0.5f)) << "frame " << i;
        EXPECT_TRUE(e.particles.empty());
        EXPECT_EQ(e.global_time_elapsed, 0);
    }
    EXPECT_TRUE(e.advance(0, 0, 0, 1, 0.5f));  // the delay runs out in this frame
    EXPECT_EQ(e.particles.size(), 1u);
    EXPECT_FALSE(e.first_spawn);

    // After a reset the delay starts again and the stored spawn_time doesn't hold the
    // first batch back.
    e.reset();
    EXPECT_TRUE(e.particles.empty());
    EXPECT_TRUE(e.first_spawn);
    EXPECT_EQ(e.spawn_time, 10);
    EXPECT_EQ(Frames(e, 1.0f, 3), (std::vector<size_t>{0, 1, 1}));
}

TEST(Emitter, WithoutLoopBatchesStopAfterTimeStepAndParticlesDrain) {
    ScintixParticlesFX e = LongLived();
    e.loop = 0;
    e.total_time_simulation = 3;
    e.spawn_time_min = e.spawn_time_max = 0.5f;
    e.p_timelife_min = e.p_timelife_max = 2;
    // Frames land on 0.5, 1.0 ... 3.0 s (a frame exactly at 3 s still spawns), then none.
    std::vector<size_t> counts = Frames(e, 0.5f, 12);
    EXPECT_EQ(counts, (std::vector<size_t>{1, 2, 3, 4, 4, 4, 3, 2, 1, 0, 0, 0}));
    // Idle: still "drawing" (nothing), never spawning again until a reset.
    EXPECT_TRUE(e.advance(0, 0, 0, 1, 100));
    EXPECT_TRUE(e.particles.empty());
    e.reset();
    EXPECT_EQ(Frames(e, 0.5f, 1), (std::vector<size_t>{1}));

    ScintixParticlesFX looping = e;
    looping.reset();
    looping.loop = 1;
    EXPECT_EQ(Frames(looping, 0.5f, 12).back(), 4u);  // keeps spawning past time_step
}

TEST(Emitter, BatchOfZeroOrLessStillMakesOneParticle) {
    for (int n : {0, -7}) {
        ScintixParticlesFX e = LongLived();
        e.spawn_p_min = e.spawn_p_max = n;
        e.spawn_time_min = e.spawn_time_max = 0;
        EXPECT_EQ(Frames(e, 0.1f, 3), (std::vector<size_t>{1, 2, 3})) << n;
        EXPECT_EQ(e.spawn_p, 1);
    }
    ScintixParticlesFX e = LongLived();
    e.spawn_p_min = e.spawn_p_max = 6;
    EXPECT_EQ(Frames(e, 0.0f, 1), (std::vector<size_t>{6}));
}

TEST(Emitter, ParticleWithoutLifeIsRemovedBeforeItIsDrawn) {
    ScintixParticlesFX e;  // default life range 0 to 0
    e.instance = true;
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(e.advance(0, 0, 0, 1, 0.05f));
        EXPECT_TRUE(e.particles.empty()) << "frame " << i;
    }
}

TEST(Emitter, LimitDropsParticlesButNotTheirRandomDraws) {
    ScintixParticlesFX e = LongLived();
    e.p_limit = 5;
    e.spawn_p_min = e.spawn_p_max = 3;
    e.spawn_time_min = e.spawn_time_max = 0;

    std::srand(77);
    EXPECT_EQ(Frames(e, 0.1f, 3), (std::vector<size_t>{3, 5, 5}));
    const int after = std::rand();
    // Three batches of 2 draws plus 16 per particle, kept or dropped.
    std::srand(77);
    for (int i = 0; i < 3 * (2 + 3 * 16); ++i) std::rand();
    EXPECT_EQ(after, std::rand());
}

TEST(Emitter, AtMostOneBatchPerFrame) {
    ScintixParticlesFX e = LongLived();
    e.spawn_time_min = e.spawn_time_max = 0.01f;
    EXPECT_EQ(Frames(e, 1.0f, 4), (std::vector<size_t>{1, 2, 3, 4}));
    EXPECT_EQ(e.time_elapsed, 0);  // the time past spawn_time is dropped
    // Below spawn_time nothing comes, and the 0.8 s past it at a batch is not carried
    // over (with it, the third frame would spawn).
    e.spawn_time_min = e.spawn_time_max = 1.0f;
    e.advance(0, 0, 0, 1, 1.0f);  // draws spawn_time 1
    EXPECT_EQ(Frames(e, 0.9f, 3), (std::vector<size_t>{5, 6, 6}));
}

// Every range spans 0 to 100 (or 1 to 101 for life) so each field shows the
// percentage drawn for it; the sequence must follow the documented order.
TEST(Emitter, RandomDrawsComeInTheirFixedOrder) {
    ScintixParticlesFX e;
    e.instance = true;
    e.spawn_time_min = 0;
    e.spawn_time_max = 100;
    e.spawn_pos_max = {100, 100, 100};
    e.p_rotation_max = 100;
    e.spawn_dir_max = {100, 100, 100};
    e.p_speed_max = 100;
    e.p_timelife_min = 1;
    e.p_timelife_max = 101;
    e.p_scale_min = 0;
    e.p_scale_max = 100;
    e.p_color_s_min = e.p_color_e_min = {0, 0, 0};
    e.p_color_s_max = e.p_color_e_max = {100, 100, 100};

    std::srand(4242);
    std::vector<float> r;
    for (int i = 0; i < 18; ++i) r.push_back(static_cast<float>(std::rand() % 101));
    std::srand(4242);
    ASSERT_TRUE(e.advance(10, 20, 30, 0.25f, 0));  // spawn scale 0.5: offsets 1:1
    ASSERT_EQ(e.particles.size(), 1u);
    const ScintixParticlesFX::Particle& p = e.particles.front();
    EXPECT_FLOAT_EQ(e.spawn_time, r[0]);
    EXPECT_FLOAT_EQ(p.pos.x, 10 + r[2]);
    EXPECT_FLOAT_EQ(p.pos.y, 20 + r[3]);
    EXPECT_FLOAT_EQ(p.pos.z, 30 + r[4]);
    EXPECT_FLOAT_EQ(p.rot, r[5]);
    EXPECT_FLOAT_EQ(p.speed, r[9] * 0.5f);
    ScintixParticlesFX::Vector3d d{r[6], r[7], r[8]};
    d.normalize();
    EXPECT_NEAR(p.dir.x, d.x * p.speed, 1e-4);
    EXPECT_NEAR(p.dir.y, d.y * p.speed, 1e-4);
    EXPECT_NEAR(p.dir.z, d.z * p.speed, 1e-4);
    EXPECT_NEAR(p.life, 1 + r[10], 1e-3);
    EXPECT_FLOAT_EQ(p.life_max, p.life);
    EXPECT_FLOAT_EQ(p.scale, r[11] * 0.5f);
    EXPECT_FLOAT_EQ(p.color_s.r, r[12]);
    EXPECT_FLOAT_EQ(p.color_s.g, r[13]);
    EXPECT_FLOAT_EQ(p.color_s.b, r[14]);
    EXPECT_FLOAT_EQ(p.color_e.r, r[15]);
    EXPECT_FLOAT_EQ(p.color_e.g, r[16]);
    EXPECT_FLOAT_EQ(p.color_e.b, r[17]);
}

// Effect scale S: offsets 2*S per file unit, speeds S, sizes S (half-side),
// accelerations S/2; the effect hands each emitter S/2 and the emitter spawns with S.
TEST(Emitter, ScaleFactorsOfAnEffect) {
    const float S = 50;
    ScintixParticlesFX e = LongLived();
    e.spawn_pos_min = e.spawn_pos_max = {1, 0, 0};
    e.spawn_dir_min = e.spawn_dir_max = {0, 3, 0};  // normalised to (0, 1, 0)
    e.p_speed_min = e.p_speed_max = 2;
    e.p_scale_min = e.p_scale_max = 0.5f;
    e.p_acceleration = {0, -4, 0};
    e.p_rotation_min = e.p_rotation_max = 30;

    ASSERT_TRUE(e.advance(36, 130, 0, S / 2, 0));
    const ScintixParticlesFX::Particle& p = e.particles.front();
    EXPECT_FLOAT_EQ(p.pos.x, 36 + 2 * S);
    EXPECT_FLOAT_EQ(p.dir.y, 2 * S);
    EXPECT_FLOAT_EQ(p.scale, 0.5f * S);
    EXPECT_FLOAT_EQ(p.rot, 30);

    e.spawn_time_min = e.spawn_time_max = 100;
    e.spawn_time = 100;
    e.advance(36, 130, 0, S / 2, 0.5f);
    // dir.y = 100 - 4 * 0.5 * 25 = 50; pos.y = 130 + 50 * 0.5 = 155.
    EXPECT_FLOAT_EQ(p.dir.y, 50);
    EXPECT_FLOAT_EQ(p.pos.y, 155);
    EXPECT_FLOAT_EQ(p.life, 99.5f);

    // A zero direction stays zero: such particles move only by acceleration.
    ScintixParticlesFX still = LongLived();
    still.p_speed_min = still.p_speed_max = 5;
    still.advance(0, 0, 0, 1, 0);
    EXPECT_EQ(still.particles.front().dir.x, 0);
    EXPECT_EQ(still.particles.front().dir.y, 0);
    still.advance(0, 0, 0, 1, 1);
    EXPECT_EQ(still.particles.front().pos.y, 0);
}

TEST(Emitter, ColourRunsFromStartOpaqueToEndTransparent) {
    ScintixParticlesFX e;
    ScintixParticlesFX::Particle p;
    p.color_s = {200, 100, 50};
    p.color_e = {0, 0, 0};
    p.life = p.life_max = 4;
    GLubyte c[4];
    ParticleColor(e, p, c);
    EXPECT_EQ((std::vector<int>{c[0], c[1], c[2], c[3]}), (std::vector<int>{200, 100, 50, 255}));

    p.life = 2;
    ParticleColor(e, p, c);
    EXPECT_EQ((std::vector<int>{c[0], c[1], c[2], c[3]}), (std::vector<int>{100, 50, 25, 127}));

    p.color_e = {20, 40, 60};
    p.life = -0.3f;  // ran out in this frame: drawn once more, invisible
    ParticleColor(e, p, c);
    EXPECT_EQ((std::vector<int>{c[0], c[1], c[2], c[3]}), (std::vector<int>{20, 40, 60, 0}));

    // Channels past 255 keep their low 8 bits.
    p.color_s = {300, 256, 511};
    p.color_e = {0, 0, 0};
    p.life = 4;
    ParticleColor(e, p, c);
    EXPECT_EQ((std::vector<int>{c[0], c[1], c[2]}), (std::vector<int>{44, 0, 255}));
}

TEST(Emitter, ResetDiscardsParticlesAndClocksOnly) {
    ScintixParticlesFX e = LongLived();
    e.spawn_time_min = e.spawn_time_max = 0.7f;
    e.lost_particles = 3;
    Frames(e, 0.25f, 5);
    ASSERT_FALSE(e.particles.empty());
    e.reset();
    EXPECT_TRUE(e.particles.empty());
    EXPECT_EQ(e.time_elapsed, 0);
    EXPECT_EQ(e.time_delay_elapsed, 0);
    EXPECT_EQ(e.global_time_elapsed, 0);
    EXPECT_EQ(e.lost_particles, 0);
    EXPECT_TRUE(e.first_spawn);
    EXPECT_FLOAT_EQ(e.spawn_time, 0.7f);
    EXPECT_TRUE(e.instance);
}

TEST(Emitter, DamagedNumbersStayBounded) {
    ScintixParticlesFX e = LongLived();
    e.spawn_p_min = e.spawn_p_max = 2000000000;
    e.p_limit = 2000000000;
    e.spawn_time_min = e.spawn_time_max = 0;
    e.advance(0, 0, 0, 1, 0.1f);
    EXPECT_EQ(e.spawn_p, ScintixParticlesFX::kMaxBatch);
    e.advance(0, 0, 0, 1, 0.1f);
    EXPECT_EQ(static_cast<int>(e.particles.size()), ScintixParticlesFX::kMaxParticles);
}

TEST(Emitter, CountsLivingAndSpentParticles) {
    ScintixParticlesFX e;
    ScintixParticlesFX::Particle p;
    for (float life : {1.0f, 0.0f, -2.0f, 0.5f}) {
        p.life = life;
        e.particles.push_back(p);
    }
    EXPECT_EQ(e.get_active_particles(), 2);
    EXPECT_EQ(e.get_inactive_particles(), 2);
    EXPECT_FLOAT_EQ(e.Get3dDistance(1, 2, 3, 4, 6, 3), 5);
}
