// The scene's step does not depend on how often it runs: a simulated half hour at 60,
// 20 and 15 ticks a second gives the same poses, sleep, blinks, offers and
// notifications, each within one tick; a stall still advances every timer at once.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "app/calendar/store/event_store.h"
#include "app/calendar/reminders/reminders.h"
#include "app/scene/scene.h"
#include "app/views.h"
#include "../calendar/calendar_helpers.h"
#include "audio/audio_engine.h"
#include "engine/widgets.h"

// Friday 2026-12-04, `seconds` after 09:00:00.
std::tm At(double seconds) {
    std::tm t = At(2026, 12, 4, 9 + int(seconds) / 3600, int(seconds) / 60 % 60, 5);
    return t.tm_sec = int(seconds) % 60, t;
}

// When each kind of happening was seen, in seconds from the start, over half an hour in
// ticks of 1/rate s from the same seed and calendar: an hourly reminder due after 25
// minutes, an appointment at 10:27 (its one-hour notice due at 09:27). The pointer
// rests on the owl for half a minute at 7 and 21 minutes; the quiz asks for a laugh at
// 12 minutes.
std::map<std::string, std::vector<double>> HalfHour(int rate) {
    // The first call of rand_intvf seeds from the clock; the run seeds after it.
    rand_intvf(0, 1, 1), std::srand(20261204), reminder_state = ReminderState{}, edit_event = nullptr;
    anim = 0, n_notify = 0, enable_sfx = true, spawn_question = new_notify = spawn_laugh = false;
    events.assign(2, Event(At(0)));
    events.front().type = kReminder, events.front().remind_mode = 0, events.front().remind_te = 2100.0f;
    events.back().type = kAppointment, events.back().date = {4, 12, 2026}, events.back().time = {10, 27};
    SceneState& s = scene_state = SceneState{};
    std::map<std::string, std::vector<double>> seen;
    SceneShown last = CurrentSceneShown();
    for (int i = 0; i < 1800 * rate; ++i) {
        s.cursor = i / rate % 840 / 30 == 14 ? vector3f(256, 256, 0) : vector3f(-300, -300, 0);  // 7:00 and 21:00
        if (i == 720 * rate) spawn_laugh = true;
        const SceneSounds sounds = AdvanceScene(s, scene_look, 1.0f / float(rate), At(double(i) / rate), nullptr);
        const SceneShown now = CurrentSceneShown();
        const std::pair<bool, std::string> happenings[] = {
            {sounds.laugh, "laugh sound"}, {sounds.notify, "notify sound"}, {sounds.question, "question sound"},
            {now.anim != last.anim, "pose " + std::to_string(now.anim)},
            {now.sleep_state != last.sleep_state, "sleep " + std::to_string(now.sleep_state)},
            {now.close_eyes && !last.close_eyes, "eyes shut"},
            {now.offer != last.offer, now.offer ? "offer" : "offer withdrawn"},
            {now.n_notify != last.n_notify, "due " + std::to_string(now.n_notify)}};
        for (const auto& h : happenings)
            if (h.first) seen[h.second].push_back(double(i + 1) / rate);
        last = now;
    }
    return events.clear(), seen;
}

TEST(SceneStep, HalfAnHourAtSixtyTwentyAndFifteenTicksAgreesWithinATick) {
    const auto at60 = HalfHour(60);
    // The half hour holds every kind of happening the comparison is about.
    for (const char* kind : {"laugh sound", "notify sound", "question sound", "pose 1", "pose 2", "sleep 2",
                             "eyes shut", "offer", "offer withdrawn", "due 1", "due 2"})
        EXPECT_TRUE(at60.count(kind)) << kind;
    for (int rate : {20, 15}) {
        auto other = HalfHour(rate);
        ASSERT_EQ(other.size(), at60.size()) << rate;
        for (const auto& [kind, times] : at60) {
            ASSERT_EQ(other[kind].size(), times.size()) << kind << " at " << rate;
            for (size_t i = 0; i < times.size(); ++i)
                ASSERT_LE(std::abs(other[kind][i] - times[i]), 1.0 / rate + 1e-6) << kind << " " << i << " at " << rate;
        }
    }
}

// A blink due after 0.05 s: in steps of at most 0.02 s it fires in the third and the
// rest of the tick gathers towards the next; a stall (over 0.25 s) is one step that
// fires it once and keeps nothing.
TEST(SceneStep, ATickRunsInStepsOfAtMostAFiftiethButAStallInOne) {
    const struct { float dt, cet_after; } rows[] = {{0.1f, 0.04f}, {0.2f, 0.14f}, {0.25f, 0.192308f}, {3.0f, 0.0f}};
    for (const auto& r : rows) {
        SceneState s;
        s.started = s.offer.started = true;
        s.offer.next_sq = s.next_st = s.next_std = s.next_swap = 1e6f, s.next_ce = 0.05f;
        AdvanceScene(s, scene_look, r.dt, At(0), nullptr);
        EXPECT_TRUE(std::abs(s.cet - r.cet_after) < 1e-5f && s.next_ce >= 1.5f) << r.dt << ": " << s.cet;
    }
}

