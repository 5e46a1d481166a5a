// The reminder step of the scene's frame: runs the scan, draws the notification
// button on the thought cloud, the counter disc with its number, and plays the
// notification sound. Decisions come from app/reminders.h.
#include <GL/gl.h>

#include <ctime>

#include "app/calendar/event_store.h"
#include "app/frame.h"
#include "app/calendar/reminders.h"
#include "app/scene/scene.h"
#include "app/views.h"
#include "audio/audio_engine.h"
#include "engine/text.h"
#include "engine/textures.h"
#include "engine/widgets.h"

// Runs inside the owl frame (GUI space translated by (271, 265)).
void ReminderStep() {
    SceneState& s = scene_state;
    PublishScan(ScanEvents(events, timeinfo ? *timeinfo : LocalNow(), global_time), SaveEvents);

    const float bob = NotifyBob(s.bt);
    if (NotifyButtonShown(new_notify, edit_event, spawn_question)) {
        // Centred on the thought cloud, in GUI space.
        Button b(icns[NotifyButtonIcon(spawn_question)], 435.0f, 440.0f + bob, 40.0f, 40.0f);
        b.Display(true);
        if (b.isClicked()) RunNotifyClick(ClassifyNotifyClick(new_notify, edit_event, spawn_question), s);
    }

    // The notification sound ignores the sound-effects switch.
    if (NotifySoundStep(reminder_state, n_notify, global_time))
        AudioEngine.spawn_static(0, "Data/notify.wav", false);
    if (n_notify < 1) return;

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    glPushMatrix();
    glTranslatef(194.0f, 145.0f + bob, 0.0f);  // GUI (465, 410), bobbing with the button
    glBindTexture(GL_TEXTURE_2D, notify_circle);
    glColor4f(0.85f, 0.85f, 0.85f, 1.0f);
    DrawRect(40.0f, 40.0f, 0.0f);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glPopMatrix();
    glPrintText(459.0f, 401.0f + bob, 10.0f, true, "%d", n_notify);
}
