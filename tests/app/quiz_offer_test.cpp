// The quiz offer's timing: the first offer after 15 to 30 minutes of scene time,
// never while the owl sleeps, the sound once per offer and the 20 s time-out.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/quiz_offer.h"
#include "app/scene.h"
#include "app/views.h"
#include "engine/widgets.h"

namespace {

TEST(QuizOfferTimer, FirstOfferComesAfterFifteenToThirtyMinutes) {
    rand_intvf(0, 1, 1);
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::srand(seed);
        QuizOfferState s;
        bool spawn = false;
        float t = 0.0f;
        const float dt = 0.5f;
        int frames = 0;
        while (!spawn && frames < 10000) {
            OfferTimerStep(s, dt, 0, spawn);
            t += dt;
            ++frames;
        }
        ASSERT_TRUE(spawn);
        EXPECT_GT(t, 900.0f) << seed;
        EXPECT_LE(t, 1800.0f + dt) << seed;
        EXPECT_EQ(s.sqt, 0.0f);
        EXPECT_GE(s.next_sq, 900.0f);
        EXPECT_LE(s.next_sq, 1800.0f);
        EXPECT_EQ(s.next_sq, float(int(s.next_sq)));  // whole seconds
    }
}

TEST(QuizOfferTimer, FiresStrictlyAfterItsDelay) {
    QuizOfferState s;
    s.started = true;
    s.next_sq = 1000.0f;
    bool spawn = false;
    OfferTimerStep(s, 1000.0f, 0, spawn);
    EXPECT_FALSE(spawn);
    OfferTimerStep(s, 0.5f, 0, spawn);
    EXPECT_TRUE(spawn);
}

TEST(QuizOfferTimer, HeldAtZeroWhileOfferedAndWaitsForTheOwlToWake) {
    QuizOfferState s;
    s.started = true;
    s.next_sq = 900.0f;
    bool spawn = true;  // an offer is open: the timer stays at 0
    OfferTimerStep(s, 500.0f, 0, spawn);
    EXPECT_EQ(s.sqt, 0.0f);
    spawn = false;
    // Asleep: the timer runs on but no offer starts.
    for (int i = 0; i < 20; ++i) OfferTimerStep(s, 100.0f, 2, spawn);
    EXPECT_FALSE(spawn);
    EXPECT_GT(s.sqt, 1900.0f);
    // The first frame awake brings the overdue offer.
    OfferTimerStep(s, 0.01f, 0, spawn);
    EXPECT_TRUE(spawn);
    EXPECT_EQ(s.sqt, 0.0f);
}

TEST(QuizOfferTimer, NeverStartsInTheSceneWhileAsleepAndComesWhenAwake) {
    rand_intvf(0, 1, 1);
    anim = 2;
    spawn_question = new_notify = spawn_laugh = false;
    SceneState s;
    SceneUpdate(s, 0.0f, vector3f(-300, -300, 0));
    s.next_swap = s.next_ce = s.next_st = 1e6f;
    s.sleep_state = 2;  // deep sleep lasts until something wakes it
    for (int i = 0; i < 400; ++i) {
        SceneUpdate(s, 5.0f, vector3f(-300, -300, 0));
        ASSERT_FALSE(spawn_question);
    }
    // The pointer wakes the owl (state 3, then standing after a second); the overdue
    // offer comes in the first frame that starts awake.
    SceneUpdate(s, 0.6f, vector3f(256, 256, 0));
    SceneUpdate(s, 0.6f, vector3f(256, 256, 0));
    EXPECT_EQ(anim, 0);
    EXPECT_FALSE(spawn_question);
    SceneUpdate(s, 0.01f, vector3f(256, 256, 0));
    EXPECT_TRUE(spawn_question);
    spawn_question = false;
    anim = 0;
}

TEST(QuizOfferTimeout, SoundOnceAtStartAndWithdrawnAfterTwentySeconds) {
    QuizOfferState s;
    bool spawn = true;
    EXPECT_TRUE(OfferSoundAndTimeout(s, 1.0f, true, spawn));
    int frames = 1;
    while (spawn && frames < 100) {
        ASSERT_FALSE(OfferSoundAndTimeout(s, 1.0f, true, spawn));
        ++frames;
    }
    EXPECT_EQ(frames, 21);  // 20 s is still on offer; the frame past it withdraws it
    EXPECT_EQ(s.sqte, 0.0f);
    // The next frame without an offer readies the sound for the next one.
    EXPECT_FALSE(OfferSoundAndTimeout(s, 1.0f, true, spawn));
    EXPECT_FALSE(s.play_sfx);
    spawn = true;
    EXPECT_TRUE(OfferSoundAndTimeout(s, 1.0f, true, spawn));
}

TEST(QuizOfferTimeout, SilentWhenSoundIsOffAndRestartsWhenOfferEndsEarly) {
    QuizOfferState s;
    bool spawn = true;
    EXPECT_FALSE(OfferSoundAndTimeout(s, 5.0f, false, spawn));
    EXPECT_TRUE(s.play_sfx);
    EXPECT_FALSE(OfferSoundAndTimeout(s, 5.0f, true, spawn));  // switched on mid-offer: no sound
    // A panel ended the offer: the time-out clock restarts for the next offer.
    spawn = false;
    OfferSoundAndTimeout(s, 5.0f, true, spawn);
    EXPECT_EQ(s.sqte, 0.0f);
    spawn = true;
    EXPECT_TRUE(OfferSoundAndTimeout(s, 19.0f, true, spawn));
    EXPECT_TRUE(spawn);
    OfferSoundAndTimeout(s, 1.5f, true, spawn);
    EXPECT_FALSE(spawn);
}

}  // namespace
