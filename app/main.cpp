// Strigolo's entry point: the command line, one copy only, the always-on-top window
// sized and placed for the desktop, what the first frame needs, then the frame loop (a
// steady tick, frames drawn when needed) and the rest of the start after that frame.
#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "app/calendar/ical/calendar_transfer.h"
#include "app/calendar/store/event_store.h"
#include "app/calendar/live/live_calendars.h"
#include "app/calendar/reminders/notice_ledger.h"
#include "app/calendar/reminders/reminders.h"
#include "app/desktop/command_line.h"
#include "app/desktop/window_start.h"
#include "app/frame.h"
#include "app/quiz/quiz.h"
#include "audio/sound_device.h"
#include "engine/textures.h"
#include "engine/vector3f.h"
#include "engine/widgets.h"
#include "fx/scintix.h"
#include "platform/clock.h"
#include "platform/named_stream.h"
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
    SetWindowProcess();
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

// What the first frame needs: the GL state, every picture's name (the texels come
// with the frames that show them), the questions, the calendar and which calendar
// folders to watch (their items are read after the first frame).
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
    GenQuestions();
    LoadEvents();
    OpenLiveCalendarsOfUser();
    OpenNoticeLedger();
    reminder_state.ledger = &notice_ledger;
}

// What it does not: the sound device (opened and readied for AudioEngine; says so
// when there is none) and the effects of sleep and of the quiz offer.
void init_after_first_frame() {
    OpenSoundDevice();
    sleep_fx.load("Data/sleep.zfx");
    smoke_fx.load("Data/smoke.zfx");
}
}  // namespace

int main(int argc, char** argv) {
    // Before anything opens a file or the X connection in their place.
    OpenMissingStandardStreams();
    const CommandLine cl = ParseCommandLine(argc, argv);
    if (!cl.error.empty()) {
        std::fprintf(stderr, "strigolo: %s\n%s", cl.error.c_str(), Usage().c_str());
        return 2;
    }
    if (cl.Has("--help") || cl.Has("--version")) {
        std::fputs(cl.Has("--help") ? Usage().c_str() : "strigolo " STRIGOLO_VERSION "\n", stdout);
        return 0;
    }
    // Moving the calendar in or out works from a terminal: no display is touched. One at
    // a time, so that an export to standard output holds nothing but the calendar.
    if (cl.Has("--import") && cl.Has("--export")) {
        std::fprintf(stderr, "strigolo: --import and --export are run one at a time\n%s", Usage().c_str());
        return 2;
    }
    if (cl.Has("--import")) return RunCalendarImport(cl.Values("--import"));
    if (cl.Has("--export")) return RunCalendarExport(*cl.Value("--export"));
    const char* display_name = cl.Value("-display") ? cl.Value("-display")->c_str() : nullptr;

    switch (ClaimSingleInstance(kTitle, display_name)) {
        case InstanceClaim::kAlreadyRunning:
            return 0;
        case InstanceClaim::kNoDisplay:
            if (!display_name) display_name = std::getenv("DISPLAY");
            std::fprintf(stderr, "strigolo: cannot open the X display%s%s; the owl needs a graphical desktop\n",
                         display_name ? " " : " (DISPLAY is not set)", display_name ? display_name : "");
            return 1;
        case InstanceClaim::kFirst:
            break;
    }

    WindowPlan plan = PlanWindow(cl, display_name);
    std::vector<std::string> glut_args = cl.glut_args;
    glut_args.insert(glut_args.begin(), argv[0]);
    std::vector<char*> glut_argv;
    for (std::string& a : glut_args) glut_argv.push_back(&a[0]);
    int glut_argc = int(glut_argv.size());
    glutInit(&glut_argc, glut_argv.data());
    glutInitDisplayMode(GLUT_DOUBLE);
    glutInitWindowSize(plan.w, plan.h);  // after glutInit: -geometry's size as kept to the screen
    if (plan.set_place) glutInitWindowPosition(plan.x, plan.y);
    glutCreateWindow(kTitle);
    FitWindowToRenderer(plan);
    std::srand(unsigned(WallClock()));
    MarkWindowAbove();
    ShowOwlOnTaskBar();
    RequestSwapInterval();

    init();
    DeferUntilFirstFrame(init_after_first_frame);

    glutDisplayFunc(display);
    glutWindowStatusFunc(window_status);
    glutReshapeFunc(reshape);
    glutKeyboardUpFunc(skeyboard_up);
    glutKeyboardFunc(skeyboard_down);
    glutMouseFunc(mouse_event);
    glutPassiveMotionFunc(mouse);
    glutMotionFunc(mouse);
    RememberWindowPlace(plan);
    RunFrameLoop();
    return 0;
}
