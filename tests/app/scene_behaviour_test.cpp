// The owl's behaviour and the quiz offer timer, driven through SceneState with chosen
// frame times and pointer positions.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/quiz_offer.h"
#include "app/scene.h"
#include "app/views.h"
#include "engine/widgets.h"

namespace {

const vector3f kOut{-300.0f, -300.0f, 0.0f};  // pointer away from the window
const vector3f kIn{256.0f, 256.0f, 0.0f};     // pointer resting over the window
const vector3f kZero{0.0f, 0.0f, 0.0f};

class SceneBehaviour : public ::testing::Test {
protected:
    SceneState s;
    void SetUp() override {
        rand_intvf(0, 1, 1);  // the first call seeds from the clock; tests seed after it
        std::srand(1234);
        anim = 0;
        spawn_question = new_notify = spawn_laugh = false;
        // Timers already drawn, far away unless a test brings them near.
        s.started = s.offer.started = true;
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
        {0.6f, 0, 2, false}, {0.6f, 1, 2, false}, {1.01f, 2, 2, false},
        {50.0f, 2, 2, true},                      // deep sleep lasts, eyes shut despite the blink
        {0.6f, 3, 2, false}, {0.3f, 3, 2, false},  // the pose timer starts waking it
        {0.3f, 0, 0, false},                      // more than 1 s in state 3: standing
    };
    for (const auto& r : rows) {
        s.next_ce = 0.0f;  // a blink that opens the eyes again within the frame
        Step(r.dt);
        EXPECT_EQ(s.sleep_state, r.sleep_state) << r.dt;
        EXPECT_EQ(anim, r.anim) << r.dt;
        EXPECT_EQ(s.close_eyes, r.shut) << r.dt;
    }
    EXPECT_TRUE(s.next_swap >= 20.0f && s.next_swap <= 60.0f) << s.next_swap;
}

TEST_F(SceneBehaviour, PoseTimerPicksAnotherPoseWithItsDelayAndThePointerSnapsBack) {
    const float lo[3] = {20, 10, 30}, hi[3] = {60, 20, 60};
    int counts[3] = {0, 0, 0};
    for (int i = 0; i < 650; ++i) {
        const bool pointer_in = i >= 600;
        anim = i % 2, s.sleep_state = 0, s.te = 0.0f, s.swap_te = 0.0f, s.next_swap = 0.0f;
        Step(0.001f, pointer_in ? kIn : kOut);
        if (pointer_in) {  // pose 1 is undone at once; sleep is already waking
            ASSERT_TRUE(anim == 0 || (anim == 2 && s.sleep_state == 3)) << anim;
            continue;
        }
        ASSERT_NE(anim, i % 2);
        ++counts[anim];
        ASSERT_TRUE(s.next_swap >= lo[anim] && s.next_swap <= hi[anim]) << anim << " " << s.next_swap;
    }
    // From each standing pose the two outcomes are equally likely (300 draws each).
    EXPECT_TRUE(counts[2] > 240 && counts[2] < 360 && counts[0] > 100 && counts[1] > 100)
        << counts[0] << " " << counts[1] << " " << counts[2];
}

TEST_F(SceneBehaviour, PointerRestingInTheWindowUndoesSleepWithinASecond) {
    Asleep(2);
    const float dt = 1.0f / 60.0f;
    float t = 0.0f;
    do {
        Step(dt, kIn);
        t += dt;
    } while (anim == 2 && t < 5.0f);
    EXPECT_EQ(anim, 0);
    EXPECT_LE(t, 1.0f + 2 * dt);
    for (vector3f edge : {vector3f{0, 256, 0}, vector3f{512, 256, 0}, vector3f{256, 0, 0}, vector3f{256, 512, 0}}) {
        Asleep(2);
        Step(0.01f, edge);
        EXPECT_EQ(s.sleep_state, 2) << "edges are outside: " << edge.x << "," << edge.y;
    }
}

TEST_F(SceneBehaviour, AttentionWakesASleepingOwlAndKeepsItsSleepState) {
    for (bool* attention : {&new_notify, &spawn_question}) {
        Asleep(2);
        *attention = true;
        const SceneLook look = Step(0.01f);
        *attention = false;
        EXPECT_EQ(anim, 0);
        EXPECT_EQ(s.sleep_state, 2);
        EXPECT_TRUE(look.staring);
        EXPECT_EQ(look.eye_bias_l, kZero);
        EXPECT_EQ(look.eye_bias_r, kZero);
    }
}

TEST_F(SceneBehaviour, PupilsMoveFreelyUpToFourThenJumpToFive) {
    // Frame time 0 keeps breath at 0: the pupils rest at these points.
    const vector3f rest_l{237.28f, 392.248f, 0.0f}, rest_r{287.52f, 389.804f, 0.0f};
    struct { vector3f cursor; bool left; vector3f bias; } rows[] = {
        {rest_l + vector3f(3.0f, 0.0f, 0.0f), true, {3.0f, 0.0f, 0.0f}},
        {rest_l + vector3f(0.0f, -3.99f, 0.0f), true, {0.0f, -3.99f, 0.0f}},
        {rest_l + vector3f(4.2f, 0.0f, 0.0f), true, {5.0f, 0.0f, 0.0f}},
        {rest_r + vector3f(-3.0f, -4.0f, 0.0f), false, {-3.0f, -4.0f, 0.0f}},  // length 5
        {{-1000.0f, 392.248f, 0.0f}, true, {-5.0f, 0.0f, 0.0f}},  // far off the window
    };
    for (const auto& r : rows) {
        const SceneLook look = Step(0.0f, r.cursor);
        const vector3f b = r.left ? look.eye_bias_l : look.eye_bias_r;
        EXPECT_NEAR(b.x, r.bias.x, 1e-3f) << r.cursor.x << "," << r.cursor.y;
        EXPECT_NEAR(b.y, r.bias.y, 1e-3f) << r.cursor.x << "," << r.cursor.y;
    }
}

TEST_F(SceneBehaviour, BlinkAndStareTiming) {
    s.next_ce = 2.0f;
    const float dt = 0.03125f;  // exact in binary, so the sums are exact
    int frames = 0;
    while (!s.close_eyes && frames < 1000) Step(dt), ++frames;
    EXPECT_EQ(frames, 65);  // cet 2.03125 > 2; 2.0 itself does not fire
    EXPECT_TRUE(s.next_ce >= 1.5f && s.next_ce <= 6.0f) << s.next_ce;
    Step(dt), Step(dt);  // cst 0.09375
    EXPECT_TRUE(s.close_eyes);
    Step(dt);  // cst 0.125 > 0.1
    EXPECT_FALSE(s.close_eyes);

    // Stare: after next_st seconds the pupils centre for next_std seconds.
    s.ste = 0.0f, s.next_st = 5.0f, s.next_std = 3.0f, s.next_ce = 1e6f;
    const vector3f away{-200.0f, 100.0f, 0.0f};
    for (int i = 1; i <= 18; ++i) {
        const SceneLook look = Step(0.5f, away);
        ASSERT_EQ(look.staring, i >= 11 && i <= 17) << i;  // ste 5.5 to 8.5, then a new cycle
        if (look.staring) {
            ASSERT_EQ(look.eye_bias_l, kZero);
        }
    }
    s.ste = 6.0f, s.next_st = 5.0f, s.next_std = 3.0f;
    EXPECT_FALSE(Step(0.1f, kIn).staring);  // the pointer over the window ends it
}

TEST_F(SceneBehaviour, LaughLastsFifteenAndAHalfSecondsWithShutEyes) {
    Asleep(1);
    s.bt = 7.0f;
    spawn_laugh = true;
    SceneLook look = Step(0.5f);
    EXPECT_TRUE(look.laugh_started && look.staring && s.laugh);
    EXPECT_EQ(anim, 0);
    EXPECT_EQ(s.sleep_state, 1);  // a laugh leaves the sleep state as it was
    int frames = 1;
    while (s.laugh && frames < 100) {
        s.next_ce = 0.0f;  // blinks keep reopening the eyes; the laugh keeps them shut
        look = Step(0.5f);
        ++frames;
        if (s.laugh) {
            ASSERT_TRUE(s.close_eyes && !look.laugh_started);
        }
    }
    EXPECT_EQ(frames, 32);  // lte 16 > 15.5; 15.5 itself still laughs

    spawn_laugh = true;  // attention ends a laugh at once
    Step(0.1f);
    new_notify = true;
    Step(0.1f);
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

TEST_F(SceneBehaviour, FirstOfferComesAfterFifteenToThirtyMinutes) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::srand(seed);
        QuizOfferState o;
        bool spawn = false;
        float t = 0.0f;
        while (!spawn && t < 5000.0f) OfferTimerStep(o, 0.5f, 0, spawn), t += 0.5f;
        EXPECT_GT(t, 900.0f) << seed;
        EXPECT_LE(t, 1800.5f) << seed;
    }
}

TEST_F(SceneBehaviour, OfferNeverStartsWhileAsleepAndComesAtOnceAfterWaking) {
    s.offer.next_sq = 900.0f;
    Asleep(2);
    for (int i = 0; i < 400; ++i) {
        Step(5.0f);
        ASSERT_FALSE(spawn_question) << i;
    }
    Step(0.6f, kIn), Step(0.6f, kIn);  // the pointer wakes it: state 3, then standing
    EXPECT_EQ(anim, 0);
    EXPECT_FALSE(spawn_question);
    Step(0.01f, kIn);  // the first frame that starts awake brings the overdue offer
    EXPECT_TRUE(spawn_question);
    EXPECT_EQ(s.offer.sqt, 0.0f);
    Step(500.0f, kIn);  // held at 0 while the offer is open
    EXPECT_EQ(s.offer.sqt, 0.0f);
}

TEST(QuizOfferTimeout, SoundOnceAtTheStartWithdrawnAfterTwentySecondsOrByAPanel) {
    QuizOfferState o;
    bool spawn = true;
    EXPECT_TRUE(OfferSoundAndTimeout(o, 1.0f, true, spawn));
    int frames = 1;
    while (spawn && frames < 100) {
        ASSERT_FALSE(OfferSoundAndTimeout(o, 1.0f, true, spawn));
        ++frames;
    }
    EXPECT_EQ(frames, 21);  // 20 s is still on offer; the frame past it withdraws it
    OfferSoundAndTimeout(o, 1.0f, true, spawn);  // no offer: the sound is ready again
    spawn = true;
    EXPECT_FALSE(OfferSoundAndTimeout(o, 15.0f, false, spawn));  // sound off: silent
    EXPECT_FALSE(OfferSoundAndTimeout(o, 1.0f, true, spawn));    // switched on mid-offer
    spawn = false;  // a panel ended the offer: the next one gets its full 20 s
    OfferSoundAndTimeout(o, 1.0f, true, spawn);
    spawn = true;
    EXPECT_TRUE(OfferSoundAndTimeout(o, 19.0f, true, spawn));
    EXPECT_TRUE(spawn);
    OfferSoundAndTimeout(o, 1.5f, true, spawn);
    EXPECT_FALSE(spawn);
}

}  // namespace
