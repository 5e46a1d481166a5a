// When the owl offers a quiz question: the offer timer (15 to 30 minutes of scene
// time, never while asleep), the question sound once per offer, the 20 s time-out.
#pragma once

struct QuizOfferState {
    bool started = false;   // next_sq has been drawn (on the first scene step)
    float sqt = 0.0f;       // seconds gathered towards the next offer
    float next_sq = 0.0f;   // seconds between offers, drawn anew for each offer
    float sqte = 0.0f;      // seconds the current offer has lasted
    bool play_sfx = false;  // the current offer's question sound has been started
};

// Seconds an offer stays on the owl's cloud before it is withdrawn.
constexpr float kOfferTimeout = 20.0f;

// The offer timer, run once per scene step before the blink timer. `dt` is the step's
// time in seconds; `anim` the owl's pose (2 = asleep, when no offer starts: the
// timer keeps running, so an overdue offer comes in the first step after waking).
// Raises `spawn_question` when an offer starts. The first call draws next_sq, which is
// the run's first rand_intvf draw.
void OfferTimerStep(QuizOfferState& s, float dt, int anim, bool& spawn_question);

// The offer's sound and time-out, run last in each scene step.
// Returns true when the question sound must start now: once per offer, at its start,
// and only when `enable_sfx`. Lowers `spawn_question` in the first step after 20 s.
bool OfferSoundAndTimeout(QuizOfferState& s, float dt, bool enable_sfx, bool& spawn_question);
