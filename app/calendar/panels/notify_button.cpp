// The scene's notifications as drawn: the button on the thought cloud (and its
// click), the counter disc with its number. The scan and the sound run in the
// scene's step (SceneStep); the rules come from app/calendar/reminders/reminders.h.
#include <GL/gl.h>

#include "app/calendar/store/event_store.h"
#include "app/calendar/reminders/reminders.h"
#include "app/scene/scene.h"
#include "app/views.h"
#include "engine/text.h"
#include "engine/textures.h"
#include "engine/widgets.h"

// Runs inside the owl frame (GUI space translated by (271, 265)).
void DrawNotifications() {
    SceneState& s = scene_state;
    const float bob = NotifyBob(s.bt);
    if (NotifyButtonShown(new_notify, edit_event, spawn_question)) {
        // Centred on the thought cloud, in GUI space.
        Button b(icns[NotifyButtonIcon(spawn_question)], 435.0f, 440.0f + bob, 40.0f, 40.0f);
        b.Display(true);
        if (b.isClicked()) RunNotifyClick(ClassifyNotifyClick(new_notify, edit_event, spawn_question), s);
    }

    if (n_notify < 1) return;

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    glPushMatrix();
    glTranslatef(194.0f, 145.0f + bob, 0.0f);  // GUI (465, 410), bobbing with the button
    BindPicture(notify_circle);
    glColor4f(0.85f, 0.85f, 0.85f, 1.0f);
    DrawRect(40.0f, 40.0f, 0.0f);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glPopMatrix();
    glPrintText(459.0f, 401.0f + bob, 10.0f, true, "%d", n_notify);
}
