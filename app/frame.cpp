// One frame per display callback: wall clock, GUI space, the view chosen by
// menu_case_id, swap, frame clock, and the end of the one-frame input.
#include "app/frame.h"

#include <GL/freeglut.h>

#include "app/calendar/calendar_file.h"
#include "app/calendar/calendar_notice.h"
#include "app/views.h"
#include "engine/input.h"
#include "engine/textures.h"
#include "engine/widgets.h"
#include "platform/clock.h"
#include "platform/pacing.h"
#include "platform/window.h"

int menu_case_id = kMenuScene;
float global_time = 0.0f;
std::tm* timeinfo = nullptr;

namespace {
FrameClock frame_clock;
}

float MeasureFrameTime(FrameClock& clock, uint32_t now) {
    const uint32_t diff = now - clock.lastTickCount;  // unsigned: a wrap gives the small true difference
    clock.lastTickCount = now;
    return static_cast<float>(static_cast<double>(static_cast<uint64_t>(diff)) / 1000.0);
}

void GetGlobalTime(float& t) { t = MeasureFrameTime(frame_clock, GetTickCount()); }

float ClampFirstFrame(float measured, bool first_frame) {
    return (first_frame && measured > 0.25f) ? 0.0f : measured;
}

void display() {
    static bool fl = true;

    std::time_t rawtime = WallClock();
    timeinfo = std::localtime(&rawtime);
    WatchCalendarFile();  // merges in what another writer saved, retries a failed save

    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    glLoadIdentity();
    PushGuiSpace();
    glEnable(GL_TEXTURE_2D);

    if (menu_case_id < 0) {
        Render();
    } else {
        glBindTexture(GL_TEXTURE_2D, GUI[menu_case_id]);
        spawn_question = false;  // a quiz offer never survives a panel
        RenderOnViewport();
        switch (menu_case_id) {
            case kMenuList: DrawEventList(); break;
            case kMenuEdit:
            case kMenuView: DrawEventEditor(); break;
            case kMenuQuiz: DrawQuiz(); break;
            default: break;
        }
    }

    DrawCalendarNotice();  // over whatever the view drew
    PopGuiSpace();

    glFlush();
    glFinish();
    glutSwapBuffers();

    GetGlobalTime(global_time);
    global_time = ClampFirstFrame(global_time, fl);
    if (fl) KeepAboveOthers();  // the window is mapped by now
    fl = false;

    single_touch = false;
    reset_keys_state();

    PaceFrame();
    glutPostRedisplay();
}

// A key-down stands until the end of the frame that consumes it; the key-up of a
// quick tap arriving before that frame therefore leaves it set.
void skeyboard_down(unsigned char key, int, int) { key_state[key] = true; }

void skeyboard_up(unsigned char key, int, int) {
    // Entries are set only by key-downs of the current batch, which must reach the
    // next frame; the end of every frame clears them all.
    (void)key;
}

void mouse_event(int button, int state, int, int) {
    // A press stands until the frame that consumes it, even if released before it.
    if (button == GLUT_LEFT_BUTTON && state == GLUT_DOWN) single_touch = true;
}

void mouse(int x, int y) {
    touch_coord_x = static_cast<float>(x);
    touch_coord_y = static_cast<float>(y);
}
