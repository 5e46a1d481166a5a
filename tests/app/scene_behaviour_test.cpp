// The owl's behaviour driven frame by frame through SceneState, with chosen frame
// times and pointer positions: poses and sleep, pupils, blink, stare, laugh,
// attention and the order of the first random draws.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "app/scene.h"
#include "app/views.h"
#include "engine/widgets.h"

namespace {

const vector3f kOutside{-300.0f, -300.0f, 0.0f};  // pointer away from the window
const vector3f kInside{256.0f, 256.0f, 0.0f};     // pointer resting over the window

class SceneBehaviour : public ::testing::Test {
protected:
    SceneState s;
    void SetUp() override {
        rand_intvf(0, 1, 1);  // the first call seeds from the clock; tests seed after it
        std::srand(1234);
        anim = 0;
        spawn_question = new_notify = spawn_laugh = false;
        // Timers already drawn, far away unless a test brings them near.
        s.started = true;
        s.offer.started = true;
        s.offer.next_sq = 1e9f;
        s.next_ce = s.next_st = s.next_std = s.next_swap = 1e6f;
    }
    SceneLook Step(float dt, const vector3f& cursor = kOutside) { return SceneUpdate(s, dt, cursor); }
};

TEST_F(SceneBehaviour, SleepStatesLastOneSecondAndPoseTimerWakes) {
    anim = 2;
    Step(0.6f);
    EXPECT_EQ(s.sleep_state, 0);
    Step(0.6f);  // te 1.2 > 1
    EXPECT_EQ(s.sleep_state, 1);
    EXPECT_EQ(s.te, 0.0f);
    Step(1.01f);
    EXPECT_EQ(s.sleep_state, 2);
    // Deep sleep lasts and shows shut eyes in every frame, whatever the blink does.
    s.next_ce = 0.05f;
    for (int i = 0; i < 100; ++i) {
        Step(0.03f);
        ASSERT_EQ(anim, 2);
        ASSERT_EQ(s.sleep_state, 2);
        ASSERT_TRUE(s.close_eyes);
    }
    // The pose timer wakes it: state 3, then standing pose 0 after more than 1 s.
    s.swap_te = 0.0f;
    s.next_swap = 0.5f;
    s.te = 0.0f;
    Step(0.6f);
    EXPECT_EQ(s.sleep_state, 3);
    EXPECT_EQ(anim, 2);
    EXPECT_GE(s.next_swap, 20.0f);
    EXPECT_LE(s.next_swap, 60.0f);
    Step(0.3f);  // te 0.9
    EXPECT_EQ(anim, 2);
    Step(0.3f);  // te 1.2
    EXPECT_EQ(anim, 0);
    EXPECT_EQ(s.sleep_state, 0);
}

TEST_F(SceneBehaviour, PointerOverWindowUndoesSleepWithinASecond) {
    anim = 2;
    s.sleep_state = 2;
    const float dt = 1.0f / 60.0f;
    Step(dt, kInside);
    EXPECT_EQ(s.sleep_state, 3);
    float t = dt;
    while (anim == 2 && t < 5.0f) {
        Step(dt, kInside);
        t += dt;
    }
    EXPECT_EQ(anim, 0);
    EXPECT_LE(t, 1.0f + 2 * dt);

    // te keeps its value on the way to state 3, so waking can take less than 1 s.
    anim = 2;
    s.sleep_state = 1;
    s.te = 0.7f;
    Step(0.1f, kInside);  // te 0.8
    EXPECT_EQ(s.sleep_state, 3);
    Step(0.25f, kOutside);
    EXPECT_EQ(anim, 0);
}

TEST_F(SceneBehaviour, PointerEdgesAreOutside) {
    for (vector3f edge : {vector3f{0, 256, 0}, vector3f{512, 256, 0}, vector3f{256, 0, 0}, vector3f{256, 512, 0}}) {
        anim = 2;
        s.sleep_state = 2;
        Step(0.01f, edge);
        EXPECT_EQ(s.sleep_state, 2) << edge.x << "," << edge.y;
    }
}

TEST_F(SceneBehaviour, PoseTimerPicksOtherStandingPoseOrSleepWithPoseDelays) {
    int counts[3] = {0, 0, 0};
    for (int i = 0; i < 600; ++i) {
        const int from = i % 2;
        anim = from;
        s.sleep_state = 0;
        s.swap_te = 0.0f;
        s.next_swap = 0.0f;
        Step(0.001f);
        ASSERT_NE(anim, from);
        counts[anim]++;
        if (anim == 0) {
            ASSERT_GE(s.next_swap, 20.0f);
            ASSERT_LE(s.next_swap, 60.0f);
        } else if (anim == 1) {
            ASSERT_GE(s.next_swap, 10.0f);
            ASSERT_LE(s.next_swap, 20.0f);
        } else {
            ASSERT_GE(s.next_swap, 30.0f);
            ASSERT_LE(s.next_swap, 60.0f);
        }
    }
    // From each standing pose the two outcomes are equally likely (300 draws each).
    EXPECT_GT(counts[2], 240);
    EXPECT_LT(counts[2], 360);
    EXPECT_GT(counts[0], 100);
    EXPECT_GT(counts[1], 100);
}

TEST_F(SceneBehaviour, PointerInsideSnapsPoseChangesBackInTheSameFrame) {
    for (int i = 0; i < 50; ++i) {
        anim = 0;
        s.sleep_state = 0;
        s.te = 0.0f;
        s.swap_te = 0.0f;
        s.next_swap = 0.0f;
        Step(0.01f, kInside);
        // Pose 1 is undone at once; sleep is already waking in the frame it was chosen.
        ASSERT_TRUE(anim == 0 || (anim == 2 && s.sleep_state == 3)) << anim;
    }
}

TEST_F(SceneBehaviour, AttentionWakesSleepingOwlButKeepsSleepState) {
    anim = 2;
    s.sleep_state = 2;
    new_notify = true;
    s.cursor = kOutside;
    const SceneLook look = Step(0.01f);
    EXPECT_EQ(anim, 0);
    EXPECT_EQ(s.sleep_state, 2);
    EXPECT_TRUE(look.staring);
    EXPECT_EQ(look.eye_bias_l, vector3f(0, 0, 0));
    EXPECT_EQ(look.eye_bias_r, vector3f(0, 0, 0));
    // Once the notification is gone, a pose change to sleep resumes deep sleep at once.
    new_notify = false;
    for (int i = 0; i < 100 && anim != 2; ++i) {
        s.swap_te = 0.0f;
        s.next_swap = 0.0f;
        Step(0.001f);
    }
    ASSERT_EQ(anim, 2);
    EXPECT_TRUE(s.close_eyes);

    // A question on offer draws attention the same way.
    spawn_question = true;
    Step(0.01f);
    EXPECT_EQ(anim, 0);
    EXPECT_EQ(s.sleep_state, 2);
}

TEST_F(SceneBehaviour, PupilsMoveFreelyUpToFourThenJumpToFive) {
    // bt 0 and dt 0 give breath 0: the left pupil rests at (237.28, 392.248).
    const vector3f rest_l{237.28f, 392.248f, 0.0f};
    const vector3f rest_r{287.52f, 389.804f, 0.0f};
    SceneLook look = Step(0.0f, rest_l + vector3f(3.0f, 0.0f, 0.0f));
    EXPECT_NEAR(look.eye_bias_l.x, 3.0f, 1e-4f);
    EXPECT_NEAR(look.eye_bias_l.y, 0.0f, 1e-4f);
    look = Step(0.0f, rest_l + vector3f(0.0f, -3.99f, 0.0f));
    EXPECT_NEAR(look.eye_bias_l.y, -3.99f, 1e-4f);
    look = Step(0.0f, rest_l + vector3f(4.2f, 0.0f, 0.0f));
    EXPECT_NEAR(look.eye_bias_l.x, 5.0f, 1e-4f);
    look = Step(0.0f, rest_r + vector3f(-3.0f, -4.0f, 0.0f));  // length 5 > 4
    EXPECT_NEAR(look.eye_bias_r.x, -3.0f, 1e-4f);
    EXPECT_NEAR(look.eye_bias_r.y, -4.0f, 1e-4f);
    // Far outside the window both pupils sit on the rim, toward the pointer.
    look = Step(0.0f, vector3f(-1000.0f, 392.248f, 0.0f));
    EXPECT_NEAR(look.eye_bias_l.length(), 5.0f, 1e-4f);
    EXPECT_NEAR(look.eye_bias_r.length(), 5.0f, 1e-4f);
    EXPECT_LT(look.eye_bias_l.x, -4.9f);
    look = Step(0.0f, vector3f(2000.0f, 392.248f, 0.0f));
    EXPECT_GT(look.eye_bias_l.x, 4.9f);
}

TEST_F(SceneBehaviour, PointerMapsFromScreenToSceneUnits) {
    // Window at screen (100, 200), 300 by 300: its middle is GUI (256, 256), +4 in x.
    vector3f c = PointerToScene(250, 350, 100, 200, 300, 300);
    EXPECT_NEAR(c.x, 260.0f, 1e-3f);
    EXPECT_NEAR(c.y, 256.0f, 1e-3f);
    c = PointerToScene(100, 200, 100, 200, 300, 300);  // top-left corner
    EXPECT_NEAR(c.x, 4.0f, 1e-3f);
    EXPECT_NEAR(c.y, 512.0f, 1e-3f);
    c = PointerToScene(0, 0, 100, 200, 300, 300);  // off the window, up and left
    EXPECT_LT(c.x, 0.0f);
    EXPECT_GT(c.y, 512.0f);
    c = PointerToScene(5, 5, 0, 0, 0, 0);  // a minimised window: never "over" it
    EXPECT_FALSE(c.y > 0.0f && c.y < 512.0f);
}

TEST_F(SceneBehaviour, BlinkShutsEyesJustOverATenthOfASecond) {
    s.next_ce = 2.0f;
    const float dt = 0.03125f;  // exact in binary, so the sums are exact
    int frames = 0;
    while (!s.close_eyes && frames < 1000) {
        Step(dt);
        ++frames;
    }
    EXPECT_EQ(frames, 65);  // cet 2.03125 > 2; 2.0 itself does not fire
    EXPECT_GE(s.next_ce, 1.5f);
    EXPECT_LE(s.next_ce, 6.0f);
    EXPECT_NEAR(s.next_ce * 10.0f, float(int(s.next_ce * 10.0f + 0.5f)), 1e-3f);  // 0.1 s grid
    EXPECT_EQ(s.cet, 0.0f);
    Step(dt);  // cst 0.0625
    Step(dt);  // cst 0.09375
    EXPECT_TRUE(s.close_eyes);
    Step(dt);  // cst 0.125 > 0.1
    EXPECT_FALSE(s.close_eyes);
    EXPECT_EQ(s.cst, 0.0f);
}

TEST_F(SceneBehaviour, StareCentresPupilsForItsDurationThenRestarts) {
    s.next_st = 5.0f;
    s.next_std = 3.0f;
    const vector3f away{-200.0f, 100.0f, 0.0f};
    for (int i = 1; i <= 10; ++i) {
        const SceneLook look = Step(0.5f, away);
        ASSERT_FALSE(look.staring) << i;
    }
    for (int i = 11; i <= 17; ++i) {  // ste 5.5 to 8.5
        const SceneLook look = Step(0.5f, away);
        ASSERT_TRUE(look.staring) << i;
        ASSERT_EQ(look.eye_bias_l, vector3f(0, 0, 0));
    }
    EXPECT_EQ(s.ste, 0.0f);  // 8.5 > 5 + 3: a new cycle was drawn
    EXPECT_GE(s.next_st, 5.0f);
    EXPECT_LE(s.next_st, 15.0f);
    EXPECT_GE(s.next_std, 3.0f);
    EXPECT_LE(s.next_std, 8.0f);
    EXPECT_FALSE(Step(0.5f, away).staring);

    // The pointer over the window cancels staring frame by frame.
    s.ste = 6.0f;
    s.next_st = 5.0f;
    s.next_std = 3.0f;
    EXPECT_FALSE(Step(0.1f, kInside).staring);
    EXPECT_TRUE(Step(0.1f, away).staring);
}

TEST_F(SceneBehaviour, LaughLastsFifteenAndAHalfSecondsWithShutEyes) {
    anim = 2;
    s.sleep_state = 1;
    s.bt = 7.0f;
    spawn_laugh = true;
    SceneLook look = Step(0.5f);
    EXPECT_TRUE(look.laugh_started);
    EXPECT_FALSE(spawn_laugh);
    EXPECT_TRUE(s.laugh);
    EXPECT_EQ(anim, 0);
    EXPECT_EQ(s.sleep_state, 1);  // a laugh leaves the sleep state as it was
    EXPECT_EQ(s.bt, 0.0f);
    EXPECT_TRUE(look.staring);
    s.next_ce = 0.1f;  // blinks keep resetting close_eyes; the laugh keeps it shut
    int frames = 1;
    while (s.laugh && frames < 100) {
        look = Step(0.5f);
        ++frames;
        if (s.laugh) {
            ASSERT_TRUE(s.close_eyes);
            ASSERT_FALSE(look.laugh_started);
        }
    }
    EXPECT_EQ(frames, 32);  // lte 16 > 15.5; 15.5 itself still laughs
    EXPECT_EQ(s.lte, 0.0f);

    // Attention ends a laugh at once.
    spawn_laugh = true;
    Step(0.1f);
    new_notify = true;
    Step(0.1f);
    EXPECT_FALSE(s.laugh);
    EXPECT_EQ(s.lte, 0.0f);
}

TEST(SceneFirstCall, DrawsOfferBlinkStareAndPoseTimingsInOrder) {
    rand_intvf(0, 1, 1);  // seeding done
    std::srand(777);
    const float next_sq = rand_intvf(900, 1800, 1);
    const float next_ce = rand_intvf(1.5f, 6, 10);
    const float next_st = rand_intvf(5, 15, 10);
    const float next_std = rand_intvf(3, 8, 10);
    const float next_swap = rand_intvf(20, 60, 10);
    std::srand(777);
    anim = 0;
    spawn_question = new_notify = spawn_laugh = false;
    SceneState s;
    SceneUpdate(s, 0.0f, kOutside);
    EXPECT_EQ(s.offer.next_sq, next_sq);
    EXPECT_EQ(s.next_ce, next_ce);
    EXPECT_EQ(s.next_st, next_st);
    EXPECT_EQ(s.next_std, next_std);
    EXPECT_EQ(s.next_swap, next_swap);
    // Later calls draw nothing while no timer fires.
    const int probe = std::rand();
    std::srand(777);
    for (int i = 0; i < 5; ++i) std::rand();
    SceneUpdate(s, 0.0f, kOutside);
    EXPECT_EQ(std::rand(), probe);
}

TEST(SceneFirstCall, TimersFireAtMostOnceAfterAStall) {
    rand_intvf(0, 1, 1);
    anim = 0;
    spawn_question = new_notify = spawn_laugh = false;
    SceneState s;
    SceneUpdate(s, 0.0f, kOutside);
    SceneUpdate(s, 100.0f, kOutside);  // a 100 s stall: each timer fires once
    EXPECT_EQ(s.cet, 0.0f);
    EXPECT_EQ(s.cst, 0.0f);  // the blink began and ended within the one frame
    EXPECT_EQ(s.swap_te, 0.0f);
    EXPECT_EQ(s.ste, 0.0f);
}

}  // namespace
