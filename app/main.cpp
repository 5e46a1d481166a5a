// Strigolo's entry point: one copy only, the always-on-top window, every asset
// loaded once, then the frame loop (a steady tick, frames drawn when needed).
#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "app/calendar/event_store.h"
#include "app/frame.h"
#include "app/quiz/quiz.h"
#include "audio/sound_device.h"
#include "engine/textures.h"
#include "engine/vector3f.h"
#include "engine/widgets.h"
#include "fx/scintix.h"
#include "platform/clock.h"
#include "platform/pacing.h"
#include "platform/window.h"
#include "platform/window_icon.h"

namespace {
const char kTitle[] = "Strigolo Assistant    v.1.1";

// The particle effects' watcher; nothing moves it.
vector3f cam(0, 0, 0);

// The window's class and its owl icon ("Data/icon", at most 256 pixels a side), for
// task bars and window lists; a missing or damaged icon only costs the owl there.
void ShowOwlOnTaskBar() {
    SetWindowClass();
    RawTexture icon;
    std::string error;
    if (!ReadRawTexture("Data/icon", icon, error)) {
        std::fprintf(stderr, "strigolo: window icon Data/icon not loaded: %s\n", error.c_str());
    } else if (icon.w > 256 || icon.h > 256) {
        std::fprintf(stderr, "strigolo: window icon Data/icon not loaded: %d x %d is too large\n", icon.w, icon.h);
    } else {
        SetWindowIcon(icon.pixels.data(), icon.w, icon.h);
    }
}

void init() {
    glShadeModel(GL_FLAT);
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_TEXTURE_2D);
    LoadAllTextures();
    ZFX::SetWatcher(&cam.x, &cam.y, &cam.z);
    sleep_fx.load("Data/sleep.zfx");
    smoke_fx.load("Data/smoke.zfx");
    GenQuestions();
    LoadEvents();
}
}  // namespace

int main(int argc, char** argv) {
    switch (ClaimSingleInstance(kTitle)) {
        case InstanceClaim::kAlreadyRunning:
            return 0;
        case InstanceClaim::kNoDisplay:
            std::fprintf(stderr, "strigolo: cannot open the X display%s%s; the owl needs a graphical desktop\n",
                         std::getenv("DISPLAY") ? " " : " (DISPLAY is not set)",
                         std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
            return 1;
        case InstanceClaim::kFirst:
            break;
    }

    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE);
    glutInitWindowSize(300, 300);
    glutInitWindowPosition((glutGet(GLUT_SCREEN_WIDTH) - 300) / 2, (glutGet(GLUT_SCREEN_HEIGHT) - 300) / 2);
    glutCreateWindow(kTitle);
    std::srand(unsigned(WallClock()));
    PlaceWindowOnTop(300, 300);
    ShowOwlOnTaskBar();
    RequestSwapInterval();

    OpenSoundDevice();  // opens the default device and readies AudioEngine; says so when there is none
    init();

    glutDisplayFunc(display);
    glutWindowStatusFunc(window_status);
    glutReshapeFunc(reshape);
    glutKeyboardUpFunc(skeyboard_up);
    glutKeyboardFunc(skeyboard_down);
    glutMouseFunc(mouse_event);
    glutPassiveMotionFunc(mouse);
    glutMotionFunc(mouse);
    tick(0);
    glutMainLoop();
    return 0;
}
