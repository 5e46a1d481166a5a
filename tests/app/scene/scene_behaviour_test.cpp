// The owl's behaviour, driven through SceneUpdate with chosen frame times and pointer
// positions, and the pointer's place in the scene.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "app/scene/scene.h"
#include "app/views.h"
#include "engine/widgets.h"

const vector3f kOut{-300.0f, -300.0f, 0.0f}, kIn{256.0f, 256.0f, 0.0f}, kZero{0.0f, 0.0f, 0.0f};

class SceneBehaviour : public ::testing::Test {
protected:
    SceneState s;
    void SetUp() override {
        // The first call of rand_intvf seeds from the clock; tests seed after it. Timers are
        // drawn, far away unless a test brings them near.
        rand_intvf(0, 1, 1), std::srand(1234), TearDown();
        s.started = s.offer.started = true, s.offer.next_sq = s.next_ce = s.next_st = s.next_std = s.next_swap = 1e6f;
    }
    void TearDown() override { anim = 0, spawn_question = new_notify = spawn_laugh = false; }
    SceneLook Step(float dt, const vector3f& cursor = kOut) { return SceneUpdate(s, dt, cursor); }
    void Asleep(int sleep_state) { anim = 2, s.sleep_state = sleep_state; }
};

// Frame by frame from dozing off: each state but 2 lasts a second (te > 1), state 2
// keeps the eyes shut despite blinks, the pose timer wakes it (3), a second later up.
TEST_F(SceneBehaviour, SleepStatesLastOneSecondAndThePoseTimerWakes) {
    Asleep(0), s.next_swap = 52.5f;  // fires in the fifth frame
    struct { float dt; int sleep_state, anim; bool shut; } rows[] = {{0.6f, 0, 2, false}, {0.6f, 1, 2, false},
        {1.01f, 2, 2, false}, {50.0f, 2, 2, true}, {0.6f, 3, 2, false}, {0.3f, 3, 2, false}, {0.3f, 0, 0, false}};
    for (const auto& r : rows) {
        s.next_ce = 0.0f, Step(r.dt);  // a blink that opens the eyes again within the frame
        EXPECT_TRUE(s.sleep_state == r.sleep_state && anim == r.anim && s.close_eyes == r.shut) << r.dt;
    }
}

// From each pose the timer picks one of the two others with that pose's delay: 20 to
// 60 s standing, 10 to 20 s in the second pose, 30 to 60 asleep.
TEST_F(SceneBehaviour, PoseTimerPicksAnotherPoseWithItsDelay) {
    const float lo[3] = {20, 10, 30}, hi[3] = {60, 20, 60};
    for (int i = 0; i < 600; ++i) {
        anim = i % 2, s.sleep_state = 0, s.te = s.swap_te = s.next_swap = 0.0f, Step(0.001f);
        ASSERT_TRUE(anim != i % 2 && s.next_swap >= lo[anim] && s.next_swap <= hi[anim]) << anim << " " << s.next_swap;
    }
}

// The pointer strictly inside the window undoes pose 1 at once and wakes the owl within
// a second; a due event or an offer wakes it at once, centring the pupils, and leaves
// sleep_state as it was.
TEST_F(SceneBehaviour, PointerInsideWakesWithinASecondAttentionAtOnce) {
    EXPECT_EQ((anim = 1, Step(0.01f, kIn), anim), 0);
    Asleep(2);
    int frames = 0;
    while (anim == 2 && frames < 300) Step(1.0f / 60.0f, kIn), ++frames;
    EXPECT_LE(frames, 62);
    for (vector3f edge : {vector3f{0, 256, 0}, vector3f{512, 256, 0}, vector3f{256, 0, 0}, vector3f{256, 512, 0}})
        EXPECT_EQ((Asleep(2), Step(0.01f, edge), s.sleep_state), 2) << edge.x << "," << edge.y;
    for (bool* attention : {&new_notify, &spawn_question}) {
        Asleep(2), *attention = true;
        const SceneLook look = Step(0.01f);
        *attention = false;
        EXPECT_TRUE(anim == 0 && s.sleep_state == 2 && look.staring && look.eye_bias_l == kZero);
    }
}

// Offsets of the pointer from each pupil's rest point and the pupil's offset: free up
// to 4 units, then on the rim at 5 (frame time 0 keeps the breath at 0).
TEST_F(SceneBehaviour, PupilsMoveFreelyUpToFourThenJumpToFive) {
    struct { float dx, dy; bool left; float bx, by; } rows[] = {
        {3, 0, true, 3, 0}, {0, -3.99f, true, 0, -3.99f}, {4.2f, 0, true, 5, 0}, {-3, -4, false, -3, -4}};
    for (const auto& r : rows) {
        const vector3f rest = r.left ? vector3f(237.28f, 392.248f, 0) : vector3f(287.52f, 389.804f, 0);
        const SceneLook look = Step(0.0f, rest + vector3f(r.dx, r.dy, 0));
        EXPECT_LT(((r.left ? look.eye_bias_l : look.eye_bias_r) - vector3f(r.bx, r.by, 0)).length(), 1e-3f) << r.dx;
    }
}

// A blink fires once its delay is passed (not at it), redraws it (1.5 to 6 s) and shuts
// the eyes for a little over 0.1 s; a stare centres the pupils from next_st for
// next_std seconds, and the pointer over the window ends it.
TEST_F(SceneBehaviour, BlinkAndStareTiming) {
    s.next_ce = 2.0f;
    const float dt = 0.03125f;  // exact in binary, so the sums are exact
    int frames = 0;
    while (!s.close_eyes && frames < 1000) Step(dt), ++frames;
    EXPECT_EQ(frames, 65);  // cet 2.03125 > 2
    EXPECT_TRUE(s.next_ce >= 1.5f && s.next_ce <= 6.0f) << s.next_ce;
    EXPECT_TRUE((Step(dt), Step(dt), s.close_eyes) && !(Step(dt), s.close_eyes));  // shut at cst 0.09375, open at 0.125
    s.ste = 0.0f, s.next_st = 5.0f, s.next_std = 3.0f, s.next_ce = 1e6f;
    for (int i = 1; i <= 18; ++i) {
        const SceneLook look = Step(0.5f, {-200.0f, 100.0f, 0.0f});
        // ste 5.5 to 8.5, then a new cycle
        ASSERT_TRUE(look.staring == (i >= 11 && i <= 17) && (!look.staring || look.eye_bias_l == kZero)) << i;
    }
    EXPECT_FALSE((s.ste = 6.0f, s.next_st = 5.0f, s.next_std = 3.0f, Step(0.1f, kIn).staring));  // mid-stare
}

// A laugh stands the owl up with shut eyes for 15.5 s (at 15.5 it still laughs), leaves
// sleep_state alone, and ends at once for attention.
TEST_F(SceneBehaviour, LaughLastsFifteenAndAHalfSecondsWithShutEyes) {
    Asleep(1), spawn_laugh = true;
    SceneLook look = Step(0.5f);
    EXPECT_TRUE(look.laugh_started && look.staring && s.laugh && anim == 0 && s.sleep_state == 1);
    int frames = 1;
    for (; s.laugh && frames < 100; ++frames) {
        s.next_ce = 0.0f, look = Step(0.5f);  // blinks keep reopening the eyes; the laugh keeps them shut
        ASSERT_TRUE(!s.laugh || (s.close_eyes && !look.laugh_started)) << frames;
    }
    EXPECT_EQ(frames, 32);
    EXPECT_FALSE((spawn_laugh = true, Step(0.1f), new_notify = true, Step(0.1f), s.laugh));
}

// An offer comes once its delay is passed (not at it), never while the owl sleeps, at
// once on waking when overdue; its timer is held at 0 while the offer is open.
TEST_F(SceneBehaviour, OfferPastItsDelayNeverAsleepAtOnceOnWaking) {
    EXPECT_FALSE((s.offer.next_sq = 900.0f, Step(900.0f), spawn_question));
    Asleep(2);
    for (int i = 0; i < 400; ++i) ASSERT_FALSE((Step(5.0f), spawn_question)) << i;
    Step(0.6f, kIn), Step(0.6f, kIn);  // the pointer wakes it: state 3, then standing
    EXPECT_TRUE(anim == 0 && !spawn_question);
    EXPECT_TRUE((Step(0.01f, kIn), spawn_question) && (Step(500.0f, kIn), s.offer.sqt) == 0.0f);
}

// Screen pixels to scene units for a window at (100, 50): the same place in a window of
// any size maps to the same point (4 units right of GUI space, y up): the middle of one,
// a point outside another.
TEST(PointerToScene, TheSamePlaceInAnyWindowSizeMapsToTheSameScenePoint) {
    struct { int px, py, side; float x, y; } rows[] = {{250, 200, 300, 260, 256}, {90, 40, 600, -4.5333f, 520.5333f}};
    for (const auto& r : rows)
        EXPECT_LT((PointerToScene(r.px, r.py, 100, 50, r.side, r.side) - vector3f(r.x, r.y, 0)).length(), 1e-3f);
}

