// The scene's deciding step: the owl's behaviour, the reminder scan and its sound, the
// quiz offer's sound and time-out. It runs on the frame loop's tick, whether or not a
// frame is drawn, so nothing that must happen on time waits for a visible window.
#include <algorithm>
#include <cmath>

#include "app/calendar/store/event_store.h"
#include "app/calendar/live/live_calendars.h"
#include "app/calendar/reminders/reminders.h"
#include "app/scene/scene.h"
#include "app/views.h"
#include "audio/audio_engine.h"

SceneLook scene_look;

SceneSounds SceneStep(SceneState& s, SceneLook& look, float dt, const std::tm& now, void (*save)()) {
    SceneSounds sounds;
    look = SceneUpdate(s, dt, s.cursor);
    sounds.laugh = look.laugh_started && enable_sfx;
    ScanResult scan = StepReminderScan(reminder_state, events, now, dt);
    AddLiveDue(live_calendars, scan);  // the calendar folders' items due
    PublishScan(scan, save);
    // The notification sound ignores the sound-effects switch.
    sounds.notify = NotifySoundStep(reminder_state, n_notify, dt);
    sounds.question = OfferSoundAndTimeout(s.offer, dt, enable_sfx, spawn_question);
    return sounds;
}

SceneSounds AdvanceScene(SceneState& s, SceneLook& look, float dt, const std::tm& now, void (*save)()) {
    const int steps = dt > kSceneStall ? 1 : std::max(1, int(std::ceil(dt / kSceneStepMax)));
    const float step = dt / float(steps);
    SceneSounds all;
    for (int i = 0; i < steps; ++i) {
        const SceneSounds one = SceneStep(s, look, step, now, save);
        all.laugh |= one.laugh;
        all.notify |= one.notify;
        all.question |= one.question;
    }
    return all;
}

bool SceneShown::operator==(const SceneShown& o) const {
    return anim == o.anim && sleep_state == o.sleep_state && n_notify == o.n_notify &&
           close_eyes == o.close_eyes && staring == o.staring && offer == o.offer && notify == o.notify &&
           sfx == o.sfx;
}

SceneShown CurrentSceneShown() {
    SceneShown v;
    v.anim = anim;
    v.sleep_state = scene_state.sleep_state;
    v.n_notify = n_notify;
    v.close_eyes = scene_state.close_eyes;
    v.staring = scene_look.staring;
    v.offer = spawn_question;
    v.notify = new_notify;
    v.sfx = enable_sfx;
    return v;
}

bool SceneMovesFast() { return scene_state.laugh || spawn_question || new_notify; }
