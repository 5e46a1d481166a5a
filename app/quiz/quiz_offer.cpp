// The quiz offer's timer and time-out; the scene's step calls these at fixed points
// and plays the sound they ask for.
#include "app/quiz/quiz_offer.h"

#include "engine/widgets.h"

void OfferTimerStep(QuizOfferState& s, float dt, int anim, bool& spawn_question) {
    if (!s.started) {
        s.next_sq = rand_intvf(900, 1800, 1);
        s.started = true;
    }
    s.sqt += dt;
    if (spawn_question) s.sqt = 0;  // held at 0 while an offer is open
    if (s.sqt > s.next_sq && anim != 2) {
        s.next_sq = rand_intvf(900, 1800, 1);
        spawn_question = true;
        s.sqt = 0;
    }
}

bool OfferSoundAndTimeout(QuizOfferState& s, float dt, bool enable_sfx, bool& spawn_question) {
    if (!spawn_question) {
        s.sqte = 0;
        s.play_sfx = false;
        return false;
    }
    bool play = false;
    if (!s.play_sfx) {
        play = enable_sfx;
        s.play_sfx = true;
    }
    s.sqte += dt;
    if (s.sqte > kOfferTimeout) {
        spawn_question = false;
        s.sqte = 0;
    }
    return play;
}
