// The owl's behaviour and the quiz offer timer, driven through SceneState with chosen
// frame times and pointer positions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "app/quiz/quiz_offer.h"
#include "app/scene/scene.h"
#include "app/views.h"
#include "engine/widgets.h"

namespace {

const vector3f kOut{-300.0f, -300.0f, 0.0f}, kIn{256.0f, 256.0f, 0.0f}, kZero{0.0f, 0.0f, 0.0f};

class SceneBehaviour : public ::testing::Test {
protected:
    SceneState s;
    void SetUp() override {
        rand_intvf(0, 1, 1);  // the first call seeds from the clock; tests seed after it
        std::srand(1234);
        TearDown();
        s.started = s.offer.started = true;  // timers drawn, far away unless a test brings them near
        s.offer.next_sq = s.next_ce = s.next_st = s.next_std = s.next_swap = 1e6f;
    }
    void TearDown() override { anim = 0, spawn_question = new_notify = spawn_laugh = false; }
    SceneLook Step(float dt, const vector3f& cursor = kOut) { return SceneUpdate(s, dt, cursor); }
    void Asleep(int sleep_state) { anim = 2, s.sleep_state = sleep_state; }
};

TEST_F(SceneBehaviour, SleepStatesLastOneSecondAndThePoseTimerWakes) {
    Asleep(0);
    s.next_swap = 52.5f;  // fires in the fifth frame
    struct { float dt; int sleep_state, anim; bool shut; } rows[] = {
        {0.6f, 0, 2, false}, {0.6f, 1, 2, false}, {1.01f, 2, 2, false}, {50.0f, 2, 2, true},  // shut despite blinks
        {0.6f, 3, 2, false}, {0.3f, 3, 2, false}, {0.3f, 0, 0, false}};  // the pose timer wakes it, 1 s later up
    for (const auto& r : rows) {
        s.next_ce = 0.0f;  // a blink that opens the eyes again within the frame
        Step(r.dt);
        EXPECT_TRUE(s.sleep_state == r.sleep_state && anim == r.anim && s.close_eyes == r.shut) << r.dt;
    }
    EXPECT_TRUE(s.next_swap >= 20.0f && s.next_swap <= 60.0f) << s.next_swap;
}

TEST_F(SceneBehaviour, PoseTimerPicksAnotherPoseWithItsDelay) {
    const float lo[3] = {20, 10, 30}, hi[3] = {60, 20, 60};
    int counts[3] = {0, 0, 0};
    for (int i = 0; i < 600; ++i) {
        anim = i % 2, s.sleep_state = 0, s.te = s.swap_te = s.next_swap = 0.0f;
        Step(0.001f);
        ASSERT_NE(anim, i % 2);
        ++counts[anim];
        ASSERT_TRUE(s.next_swap >= lo[anim] && s.next_swap <= hi[anim]) << anim << " " << s.next_swap;
    }
    // From each standing pose the two outcomes are equally likely (300 draws each).
    EXPECT_TRUE(counts[2] > 240 && counts[2] < 360 && counts[0] > 100 && counts[1] > 100) << counts[2];
}

TEST_F(SceneBehaviour, PointerUndoesPoseOneAtOnceAndSleepWithinASecondAttentionWakesAtOnce) {
    anim = 1;
    EXPECT_EQ((Step(0.01f, kIn), anim), 0);
    Asleep(2);
    float t = 0.0f, dt = 1.0f / 60.0f;
    for (; anim == 2 && t < 5.0f; t += dt) Step(dt, kIn);
    EXPECT_TRUE(anim == 0 && t <= 1.0f + 2 * dt) << t;
    for (vector3f edge : {vector3f{0, 256, 0}, vector3f{512, 256, 0}, vector3f{256, 0, 0}, vector3f{256, 512, 0}}) {
        Asleep(2);
        Step(0.01f, edge);
        EXPECT_EQ(s.sleep_state, 2) << "edges are outside: " << edge.x << "," << edge.y;
    }
    for (bool* attention : {&new_notify, &spawn_question}) {  // attention wakes, sleep_state stays
        Asleep(2);
        *attention = true;
        const SceneLook look = Step(0.01f);
        *attention = false;
        EXPECT_TRUE(anim == 0 && s.sleep_state == 2 && look.staring && look.eye_bias_l == kZero);
    }
}

TEST_F(SceneBehaviour, PupilsMoveFreelyUpToFourThenJumpToFive) {
    // Offsets from each pupil's rest point (frame time 0 keeps breath at 0).
    struct { float dx, dy; bool left; float bx, by; } rows[] = {
        {3, 0, true, 3, 0}, {0, -3.99f, true, 0, -3.99f}, {4.2f, 0, true, 5, 0}, {-3, -4, false, -3, -4}};
    for (const auto& r : rows) {
        const vector3f rest = r.left ? vector3f(237.28f, 392.248f, 0) : vector3f(287.52f, 389.804f, 0);
        const SceneLook look = Step(0.0f, rest + vector3f(r.dx, r.dy, 0));
        const vector3f b = r.left ? look.eye_bias_l : look.eye_bias_r;
        EXPECT_TRUE(std::abs(b.x - r.bx) < 1e-3f && std::abs(b.y - r.by) < 1e-3f) << r.dx << "," << r.dy;
    }
}

TEST_F(SceneBehaviour, BlinkAndStareTiming) {
    s.next_ce = 2.0f;
    const float dt = 0.03125f;  // exact in binary, so the sums are exact
    int frames = 0;
    while (!s.close_eyes && frames < 1000) Step(dt), ++frames;
    EXPECT_EQ(frames, 65);  // cet 2.03125 > 2; 2.0 itself does not fire
    EXPECT_TRUE(s.next_ce >= 1.5f && s.next_ce <= 6.0f) << s.next_ce;
    Step(dt), Step(dt);
    const bool shut = s.close_eyes;
    Step(dt);
    EXPECT_TRUE(shut && !s.close_eyes);  // shut at cst 0.09375, open at 0.125 > 0.1

    s.ste = 0.0f, s.next_st = 5.0f, s.next_std = 3.0f, s.next_ce = 1e6f;
    for (int i = 1; i <= 18; ++i) {
        const SceneLook look = Step(0.5f, {-200.0f, 100.0f, 0.0f});
        ASSERT_EQ(look.staring, i >= 11 && i <= 17) << i;  // ste 5.5 to 8.5, then a new cycle
        ASSERT_TRUE(!look.staring || look.eye_bias_l == kZero) << i;
    }
    s.ste = 6.0f, s.next_st = 5.0f, s.next_std = 3.0f;
    EXPECT_FALSE(Step(0.1f, kIn).staring);  // the pointer over the window ends it
}

TEST_F(SceneBehaviour, LaughLastsFifteenAndAHalfSecondsWithShutEyes) {
    Asleep(1);
    spawn_laugh = true;
    SceneLook look = Step(0.5f);
    EXPECT_TRUE(look.laugh_started && look.staring && s.laugh && anim == 0);
    EXPECT_EQ(s.sleep_state, 1);  // a laugh leaves the sleep state as it was
    int frames = 1;
    for (; s.laugh && frames < 100; ++frames) {
        s.next_ce = 0.0f;  // blinks keep reopening the eyes; the laugh keeps them shut
        look = Step(0.5f);
        ASSERT_TRUE(!s.laugh || (s.close_eyes && !look.laugh_started)) << frames;
    }
    EXPECT_EQ(frames, 32);  // lte 16 > 15.5; 15.5 itself still laughs
    spawn_laugh = true, Step(0.1f);  // attention ends a laugh at once
    new_notify = true, Step(0.1f);
    EXPECT_FALSE(s.laugh);
}

TEST_F(SceneBehaviour, FirstCallDrawsOfferBlinkStareAndPoseTimingsInOrder) {
    std::srand(777);
    const float expected[] = {rand_intvf(900, 1800, 1), rand_intvf(1.5f, 6, 10), rand_intvf(5, 15, 10),
                              rand_intvf(3, 8, 10), rand_intvf(20, 60, 10)};
    std::srand(777);
    SceneState fresh;
    SceneUpdate(fresh, 0.0f, kOut);
    const float drawn[] = {fresh.offer.next_sq, fresh.next_ce, fresh.next_st, fresh.next_std, fresh.next_swap};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(drawn[i], expected[i]) << i;
    const int probe = std::rand();  // later calls draw nothing while no timer fires
    std::srand(777);
    for (int i = 0; i < 5; ++i) std::rand();
    SceneUpdate(fresh, 0.0f, kOut);
    EXPECT_EQ(std::rand(), probe);
}

TEST_F(SceneBehaviour, FirstOfferAfterFifteenToThirtyMinutesNeverAsleepAndAtOnceOnWaking) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::srand(seed);
        QuizOfferState o;
        bool spawn = false;
        float t = 0.0f;
        while (!spawn && t < 5000.0f) OfferTimerStep(o, 0.5f, 0, spawn), t += 0.5f;
        EXPECT_TRUE(t > 900.0f && t <= 1800.5f) << seed << ": " << t;
    }
    s.offer.next_sq = 900.0f;
    Asleep(2);
    for (int i = 0; i < 400; ++i) ASSERT_FALSE((Step(5.0f), spawn_question)) << i;
    Step(0.6f, kIn), Step(0.6f, kIn);  // the pointer wakes it: state 3, then standing
    EXPECT_TRUE(anim == 0 && !spawn_question);
    Step(0.01f, kIn);  // the first frame that starts awake brings the overdue offer
    EXPECT_TRUE(spawn_question && s.offer.sqt == 0.0f);
    Step(500.0f, kIn);  // held at 0 while the offer is open
    EXPECT_EQ(s.offer.sqt, 0.0f);
}

TEST(QuizOfferTimeout, SoundOnceAtTheStartWithdrawnAfterTwentySecondsOrByAPanel) {
    QuizOfferState o;
    bool spawn;
    struct { float dt; bool sfx, offer, sound, still_offered; } rows[] = {
        {1, true, true, true, true}, {19, true, true, false, true},  // 20 s is still on offer
        {1, true, true, false, false}, {1, true, false, false, false},  // past it: withdrawn
        {15, false, true, false, true}, {1, true, true, false, true},  // sound off, then on mid-offer
        {1, true, false, false, false},  // a panel ended it: the next gets sound and its full 20 s
        {19, true, true, true, true}, {1.5f, true, true, false, false}};
    for (const auto& r : rows) {
        spawn = r.offer;
        EXPECT_EQ(OfferSoundAndTimeout(o, r.dt, r.sfx, spawn), r.sound) << r.dt;
        EXPECT_EQ(spawn, r.still_offered) << r.dt;
    }
}

TEST(PointerToScene, TheSamePlaceInAnyWindowSizeMapsToTheSameScenePoint) {
    // Window at (100, 50); 4 units right for the owl frame's offset; y up.
    struct { int px, py, side; float x, y; } rows[] = {
        {250, 200, 300, 260, 256}, {400, 350, 600, 260, 256}, {325, 275, 450, 260, 256},
        {100, 50, 300, 4, 512}, {700, 650, 600, 516, 0}, {90, 40, 600, -4.5333f, 520.5333f}};
    for (const auto& r : rows) {
        const vector3f v = PointerToScene(r.px, r.py, 100, 50, r.side, r.side);
        EXPECT_NEAR(v.x, r.x, 1e-3) << r.px << "," << r.py << " in " << r.side;
        EXPECT_NEAR(v.y, r.y, 1e-3) << r.px << "," << r.py << " in " << r.side;
    }
}

}  // namespace
