// Render: draws the owl scene for one frame from its state, in a fixed order
// (backdrop, tree, icon column and clock line, owl, hat and thought cloud, tooltip,
// notifications, effects). The column and the clock line lie clear of everything
// drawn after them but the tooltip (while the owl's pictures keep clear of them), so
// drawing them first changes no pixel.
// What it decides is only what its buttons' clicks ask for.
#include <GL/freeglut.h>
#include <GL/gl.h>

#include <cmath>

#include "app/shared/tick_state.h"
#include "app/scene/icon_menu.h"
#include "app/scene/scene.h"
#include "app/scene/scene_backdrop.h"
#include "app/views.h"
#include "engine/sprite_bounds.h"
#include "engine/textures.h"
#include "engine/widgets.h"
#include "fx/scintix.h"

// A sprite of the owl frame: DrawRect(w, h, sy) with `t`, over its visible part only.
// The scene's sprites are white-lit: replacing skips a colour product that would
// leave every texel as it is.
static void Sprite(GLuint t, float w, float h, float sy) {
    BindPicture(t);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    DrawSpriteRect(t, w, h, sy);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

static void DrawOwl(const SceneState& s, const SceneLook& look) {
    if (!s.close_eyes) Sprite(owl[anim], 500.0f, 500.0f, look.breath);
    if (s.close_eyes) {
        Sprite(owl_ce[anim], 500.0f, 500.0f, look.breath);
    } else if (anim == 0) {
        // Pupil layers exist for the first standing pose only.
        glPushMatrix();
        glTranslatef(look.eye_bias_l.x, look.eye_bias_l.y + look.breath, 0.0f);
        Sprite(eye_l, 500.0f, 500.0f, 0.0f);
        glPopMatrix();
        glPushMatrix();
        glTranslatef(look.eye_bias_r.x, look.eye_bias_r.y + look.breath, 0.0f);
        Sprite(eye_r, 500.0f, 500.0f, 0.0f);
        glPopMatrix();
    }
    if (spawn_question) Sprite(hat, 500.0f, 490.0f, look.breath);
}

// The thought cloud and its three bubbles, bobbing with bt (seconds).
static void DrawThoughtCloud(float bt) {
    glPushMatrix();
    glTranslatef(164.0f, 175.0f + 3.5f * std::sin(4.0f * bt), 0.0f);
    Sprite(cloud, 150.0f + 5.0f * std::sin(8.0f * bt), 150.0f - 5.0f * std::sin(8.0f * bt), 0.0f);
    glPopMatrix();
    const float bubbles[3][4] = {
        {74.0f, 165.0f + 3.5f * std::sin(4.0f * bt), 30.0f, 0.0f},
        {47.5f, 161.0f + 3.0f * std::sin(4.0f * bt + 1.0f), 15.0f, 0.0f},
        {33.0f, 154.0f + 2.5f * std::sin(4.0f * bt + 2.0f), 10.0f, 0.0f},
    };
    for (const auto& b : bubbles) {
        glPushMatrix();
        glTranslatef(b[0], b[1], 0.0f);
        Sprite(circle, b[2], b[2], 0.0f);
        glPopMatrix();
    }
}

static void DrawEffects(float dt) {
    if (anim == 2 && scene_state.sleep_state == 2) sleep_fx.render(36.0f, 130.0f, 0.0f, 50.0f, dt);
    else sleep_fx.reset();
    // The smoke runs five times faster than real time.
    if (spawn_question) smoke_fx.render(-8.0f, 185.0f, 0.0f, 45.0f, 5.0f * dt);
    else smoke_fx.reset();
}

// Whether the owl's layers, as their pictures show, stay clear of the icon column
// (x below 84.5) and the clock line (y below 30, x from 266), with 16 GUI units to
// spare for the breathing, the laugh's bounce and the pupils. Then the column and the
// clock can be drawn before the owl, in the static layer, and no pixel changes.
static bool OwlClearOfMenu() {
    for (GLuint t : {owl[0], owl[1], owl[2], owl_ce[0], owl_ce[1], owl_ce[2], eye_l, eye_r, hat}) {
        const SpriteBounds b = GetSpriteBounds(t);
        if (b.empty()) continue;
        const float x0 = 21.0f + 500.0f * b.u0, x1 = 21.0f + 500.0f * b.u1, y0 = 20.0f + 490.0f * b.v0;
        if (x0 < 84.5f + 16.0f || (y0 < 30.0f + 16.0f && x1 > 266.0f - 16.0f)) return false;
    }
    return true;
}

static void NothingMore() {}

void Render() {
    SceneState& s = scene_state;

    const bool menu_first = OwlClearOfMenu();
    DrawStaticLayer(menu_first ? IconColumnLook() : 0, menu_first ? ClockLinePatch() : LayerPatch{},
                    menu_first ? DrawColumnAndClock : NothingMore);

    glPushMatrix();
    glTranslatef(271.0f, 265.0f, 0.0f);  // the owl frame

    DrawOwl(s, scene_look);
    if (new_notify || spawn_question) DrawThoughtCloud(s.bt);

    if (!menu_first) DrawColumnAndClock();
    IconClicksAndTooltip(s);
    DrawNotifications();

    DrawEffects(draw_time);

    glPopMatrix();
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
}
