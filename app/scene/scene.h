// The owl scene: the behaviour state of the owl (breathing, pupils, blink, stare,
// poses and sleep, laugh, attention) and the step that advances it, with the
// reminders and the quiz offer, whether or not a frame is drawn. Render
// (app/views.h) draws the scene from the state.
#pragma once

#include <ctime>

#include "app/quiz/quiz_offer.h"
#include "engine/vector3f.h"

// The owl's pose: 0 first standing pose, 1 second standing pose, 2 asleep.
extern int anim;

// Everything the scene remembers between frames. Times in seconds.
//
// Pose and sleep, over (anim, sleep_state):
//   standing 0/1, pose timer fires      -> the other standing pose or asleep (2), at random
//   standing 1, pointer/attention/laugh -> standing 0
//   asleep, sleep_state 0 or 1, te > 1  -> sleep_state + 1 (te back to 0)
//   asleep, pose timer or pointer       -> sleep_state 3 (te keeps its value)
//   asleep, sleep_state 3, te > 1       -> anim 0, sleep_state 0
//   asleep, attention or laugh          -> anim 0, sleep_state unchanged
struct SceneState {
    bool started = false;    // next_ce, next_st, next_std, next_swap have been drawn
    float bt = 0.0f;         // phase clock of breathing and bobbing
    bool close_eyes = false; // draw the shut-eyes picture of the pose
    float cet = 0.0f, next_ce = 0.0f;   // time since the last blink; delay to the next
    float cst = 0.0f;                   // how long a blink has kept the eyes shut
    float ste = 0.0f, next_st = 0.0f, next_std = 0.0f;  // stare cycle, its start, length
    float swap_te = 0.0f, next_swap = 0.0f;             // pose timer and its delay
    int sleep_state = 0;     // 0 and 1 dozing off, 2 asleep, 3 waking up
    float te = 0.0f;         // time in the current sleep state
    bool laugh = false;      // the laugh runs
    float lte = 0.0f;        // time since the laugh started
    QuizOfferState offer;
    // Last pointer position in scene units (GUI space, 4 units to the right); kept
    // when the pointer cannot be read. Starts outside the window.
    vector3f cursor{-1.0f, -1.0f, 0.0f};
};

// The scene's state for the running program.
extern SceneState scene_state;

// What one frame draws, as decided by SceneUpdate.
struct SceneLook {
    float breath = 0.0f;      // top-edge lift of the body, GUI units
    vector3f eye_bias_l, eye_bias_r;  // pupil offsets, GUI units (0 while staring)
    bool staring = false;
    bool laugh_started = false;       // the laugh began this frame: play its sound
};

// The pointer in scene units from its screen position (mc_x, mc_y) and the window's
// client origin and size in pixels: its GUI-space position (x right, y up, 0 to 512
// over the window) moved 4 units to the right. Works anywhere on the screen; a window
// of zero size gives a point far below the window.
vector3f PointerToScene(int mc_x, int mc_y, int win_x, int win_y, int win_w, int win_h);

// Advances the owl's behaviour by `dt` seconds with the pointer at `cursor` (scene
// units): the breathing, the pupils, the quiz offer timer, blink, stare, pose change,
// pointer over the window, sleep, laugh and attention, in this order. Reads and
// writes anim, spawn_question, spawn_laugh; reads new_notify. On the first call it
// draws next_sq, next_ce, next_st, next_std, next_swap from rand_intvf, in that order.
SceneLook SceneUpdate(SceneState& s, float dt, const vector3f& cursor);

// Ends a running laugh at once (a click on the calendar icon or on the quiz offer).
void EndLaugh(SceneState& s);

// The sounds one scene step asks for (each plays in slot 0, cutting what plays there).
struct SceneSounds {
    bool laugh = false;     // "Data/laugh.wav": a laugh began and sound effects are on
    bool notify = false;    // "Data/notify.wav": the notification sound is due
    bool question = false;  // "Data/question.wav": a quiz offer began and effects are on
};

// One step of the scene's deciding part, in the order the frame has always run it:
// SceneUpdate with the pointer at s.cursor (its look kept in `look`), the reminder
// scan of `events` at local time `now` published to the scene's globals (saving the
// calendar through `save` when the scan asks), the notification sound's timer, and
// the quiz offer's sound and time-out. `dt` in seconds.
SceneSounds SceneStep(SceneState& s, SceneLook& look, float dt, const std::tm& now, void (*save)());

// Steps the scene over `dt` seconds of measured time, so that its behaviour does not
// depend on how often this is called: the time runs in as few equal steps as keep
// each at most kSceneStepMax (a tick of 60 a second is one step, of 15 a second four
// steps of 1/60 s). A gap longer than kSceneStall (a stall: the machine suspended) is
// one step, so every timer advances by it at once, each firing at most once.
// Returns every sound asked for on the way; `look` is the last step's.
constexpr float kSceneStepMax = 1.0f / 50.0f, kSceneStall = 0.25f;
SceneSounds AdvanceScene(SceneState& s, SceneLook& look, float dt, const std::tm& now, void (*save)());

// The look of the last step, which Render draws.
extern SceneLook scene_look;

// The discrete part of what the scene shows (pose, shut eyes, pupils centred, thought
// cloud and hat, counter, sound icon, sleep effect): a frame is drawn as soon as any
// of it changes; between changes only the breathing and bobbing move.
struct SceneShown {
    int anim = 0, sleep_state = 0, n_notify = 0;
    bool close_eyes = false, staring = false, offer = false, notify = false, sfx = false;
    bool operator==(const SceneShown& o) const;
    bool operator!=(const SceneShown& o) const { return !(*this == o); }
};
SceneShown CurrentSceneShown();
// Whether the scene moves faster than a low frame rate shows smoothly: the laugh's
// bounce, the thought cloud's bobbing, the smoke of a quiz offer.
bool SceneMovesFast();

// The notification and quiz-offer button on the thought cloud (and its click), the
// counter of due events; drawn by Render after the icon menu.
void DrawNotifications();
