// The owl's behaviour, frame by frame: timers advanced by the frame time, random
// delays from rand_intvf, no drawing.
#include <cmath>
#include <cstdlib>

#include "app/scene/scene.h"
#include "app/views.h"
#include "engine/widgets.h"

int anim = 0;
SceneState scene_state;

vector3f PointerToScene(int mc_x, int mc_y, int win_x, int win_y, int win_w, int win_h) {
    if (win_w <= 0 || win_h <= 0) return {4.0f, -1.0e6f, 0.0f};
    // The orthographic GUI projection over the window: pixel x maps to x * 512 / w, and
    // window y (downwards) to (h - y) * 512 / h. The owl frame sits at (271, 265) and
    // the scene adds (275, 265) back, hence the 4 units to the right.
    const double x = double(mc_x - win_x);
    const double y = double(win_h) - double(mc_y - win_y);
    const float fx = float(x * 512.0 / win_w - 271.0);
    const float fy = float(y * 512.0 / win_h - 265.0);
    return {fx + 275.0f, fy + 265.0f, 0.0f};
}

// Pupils move freely up to 4 units from rest, then jump to the rim at 5.
static vector3f ClampPupil(vector3f v) {
    if (v.length() > 4.0f) {
        v.normalize();
        v = v * 5.0f;
    }
    return v;
}

void EndLaugh(SceneState& s) {
    s.laugh = false;
    s.bt = 0.0f;
    s.lte = 0.0f;
}

SceneLook SceneUpdate(SceneState& s, float dt, const vector3f& cursor) {
    SceneLook look;
    const bool first = !s.started;
    s.started = true;

    s.bt += dt;
    look.breath = 3.0f * std::sin(2.0f * s.bt);

    look.eye_bias_l = ClampPupil(cursor - vector3f(237.28f, 392.248f + look.breath, 0.0f));
    look.eye_bias_r = ClampPupil(cursor - vector3f(287.52f, 389.804f + look.breath, 0.0f));

    OfferTimerStep(s.offer, dt, anim, spawn_question);

    // Blink: eyes shut for a little more than 0.1 s every 1.5 to 6 s.
    if (first) s.next_ce = rand_intvf(1.5f, 6.0f, 10.0f);
    s.cet += dt;
    if (s.cet > s.next_ce) {
        s.next_ce = rand_intvf(1.5f, 6.0f, 10.0f);
        s.close_eyes = true;
        s.cet = 0.0f;
    }
    if (s.close_eyes) {
        s.cst += dt;
        if (s.cst > 0.1f) {
            s.close_eyes = false;
            s.cst = 0.0f;
        }
    }

    // Stare: after next_st seconds the pupils centre for next_std seconds.
    look.staring = false;
    if (first) {
        s.next_st = rand_intvf(5.0f, 15.0f, 10.0f);
        s.next_std = rand_intvf(3.0f, 8.0f, 10.0f);
    }
    s.ste += dt;
    if (s.ste > s.next_st) {
        look.staring = true;
        if (s.ste > s.next_st + s.next_std) {
            s.next_st = rand_intvf(5.0f, 15.0f, 10.0f);
            s.next_std = rand_intvf(3.0f, 8.0f, 10.0f);
            s.ste = 0.0f;
        }
    }

    // Pose change.
    if (first) s.next_swap = rand_intvf(20.0f, 60.0f, 10.0f);
    s.swap_te += dt;
    if (s.swap_te > s.next_swap) {
        s.swap_te = 0.0f;
        if (anim == 2) {
            s.sleep_state = 3;
            s.next_swap = rand_intvf(20.0f, 60.0f, 10.0f);
        } else {
            int new_anim = anim;
            while (new_anim == anim) new_anim = std::rand() % 3;
            anim = new_anim;
            if (anim == 0) s.next_swap = rand_intvf(20.0f, 60.0f, 10.0f);
            else if (anim == 1) s.next_swap = rand_intvf(10.0f, 20.0f, 10.0f);
            else s.next_swap = rand_intvf(30.0f, 60.0f, 10.0f);
        }
    }

    // Pointer over the window (strict bounds): wakes the owl, ends staring.
    if (0.0f < cursor.x && cursor.x < 512.0f && 0.0f < cursor.y && cursor.y < 512.0f) {
        look.staring = false;
        if (anim == 2) s.sleep_state = 3;
        else anim = 0;
    }

    // Sleep: one second in each of the states 0, 1 and 3; state 2 lasts.
    if (anim == 2) {
        if (s.sleep_state == 2) {
            s.close_eyes = true;
        } else {
            s.te += dt;
            if (s.te > 1.0f) {
                s.te = 0.0f;
                s.sleep_state += 1;
                if (s.sleep_state > 2) {
                    s.sleep_state = 0;
                    anim = 0;
                }
            }
        }
    }

    if (spawn_laugh) {
        spawn_laugh = false;
        look.laugh_started = true;
        s.laugh = true;
        s.lte = 0.0f;
        s.bt = 0.0f;
    }
    // Laughing: 15.5 s of shut eyes and a bounce that slows as lte grows.
    if (s.laugh) {
        anim = 0;
        look.staring = true;
        s.close_eyes = true;
        s.lte += dt;
        look.breath += 10.0f * std::sin(30.0f * s.bt / (0.025f * s.lte + 1.0f));
        if (s.lte > 15.5f) {
            s.laugh = false;
            s.lte = 0.0f;
        }
    }

    // Attention: a due event or a question on offer.
    if (new_notify || spawn_question) {
        anim = 0;
        look.staring = true;
        s.laugh = false;
        s.lte = 0.0f;
    }

    if (look.staring) look.eye_bias_l = look.eye_bias_r = vector3f(0.0f, 0.0f, 0.0f);
    return look;
}
