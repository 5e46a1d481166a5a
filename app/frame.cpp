// The frame loop. A tick, 60 times a second while the window can be seen and 10
// while it cannot (timed by the monotonic clock, so a wall clock set back or forward
// never stops it), reads the clocks, steps the scene (behaviour, reminders, sounds)
// and decides whether to draw; display draws the chosen view from the state.
#include "app/frame.h"

#include <GL/freeglut.h>

#include <climits>
#include <cmath>
#include <cstdlib>

#include "app/calendar/store/calendar_file.h"
#include "app/calendar/panels/calendar_notice.h"
#include "app/calendar/panels/event_editor.h"
#include "app/calendar/store/event_store.h"
#include "app/calendar/live/live_calendars.h"
#include "app/calendar/reminders/reminders.h"
#include "app/desktop/window_start.h"
#include "app/frame_rate.h"
#include "app/desktop/desktop_notices.h"
#include "app/scene/scene.h"
#include "app/scene/scene_backdrop.h"
#include "app/views.h"
#include "audio/audio_engine.h"
#include "audio/sound_device.h"
#include "engine/input.h"
#include "engine/textures.h"
#include "engine/widgets.h"
#include "platform/clock.h"
#include "platform/pacing.h"
#include "platform/window.h"

namespace {
FrameClock frame_clock;
std::tm tick_tm{};

// What the loop knows between ticks.
struct LoopState {
    bool first_tick = true;
    bool visible = true;            // some of the window can be seen
    bool shown_again = false;       // it became visible since the last tick
    int input_frames = 0;           // frames still due for input (kInputFrames after each)
    int ticks_since_draw = 0;
    int pointer_x = INT_MIN, pointer_y = INT_MIN;  // last sample, window pixels
    SceneShown shown;               // the scene's discrete look at the last tick
    int menu = kMenuScene;          // the view at the last tick
    bool caret = false;             // the editor's caret shown at the last tick
    std::time_t second = 0;         // the wall clock at the last tick
    uint64_t live_rows = 0;         // live_calendars.rows_changed at the last tick
    double next_tick_ms = 0.0;      // MonotonicMs of the next tick
    bool ask_above_again = false;   // a window manager appeared: ask it again at ask_above_at (ms)
    uint32_t ask_above_at = 0;
};
constexpr uint32_t kAskAboveAgainMs = 1000;
LoopState loop;
// A click, key or motion is drawn by the next frame, which also handles it (a click
// may scroll a list, a key adds a letter to a field), and its result by the one after.
constexpr int kInputFrames = 2;
void (*deferred_start)() = nullptr;
bool frame_drawn = false;  // a frame has been drawn since the start

void FinishStart() {
    void (*work)() = deferred_start;
    deferred_start = nullptr;
    if (work) work();
}

void PlaySceneSounds(const SceneSounds& s) {
    if (s.laugh || s.notify || s.question) FinishStart();  // the sound device first
    if (s.laugh) AudioEngine.spawn_static(0, "Data/laugh.wav", false);
    if (s.notify) AudioEngine.spawn_static(0, "Data/notify.wav", false);
    if (s.question) AudioEngine.spawn_static(0, "Data/question.wav", false);
}

// The pointer, sampled while the window can be seen; a hidden owl has nobody
// pointing at it. True when it moved since the last sample.
bool SamplePointer(SceneState& s) {
    int x = 0, y = 0;
    if (!loop.visible) {
        s.cursor = SceneState{}.cursor;
        loop.pointer_x = loop.pointer_y = INT_MIN;
        return false;
    }
    if (!GetCursorInWindow(x, y)) return false;
    const bool moved = x != loop.pointer_x || y != loop.pointer_y;
    loop.pointer_x = x;
    loop.pointer_y = y;
    s.cursor = PointerToScene(x, y, 0, 0, WindowWidth(), WindowHeight());
    return moved;
}

// One tick: the clocks, the deciding step of the shown view; true when a frame is due.
bool Step() {
    GetGlobalTime(global_time);
    global_time = ClampFirstFrame(global_time, loop.first_tick);
    loop.first_tick = false;
    const std::time_t rawtime = WallClock();
    localtime_r(&rawtime, &tick_tm);
    timeinfo = &tick_tm;
    WatchCalendarFile();  // merges in what another writer saved, retries a failed save
    if (frame_drawn) WatchLiveCalendars(loop.visible);  // the folders' items and the sync command

    TickSeen seen;
    seen.visible = loop.visible;
    seen.shown_again = loop.shown_again;
    seen.input = loop.input_frames > 0;
    seen.panel = menu_case_id >= 0;
    loop.shown_again = false;
    if (menu_case_id < 0) {
        seen.pointer_moved = SamplePointer(scene_state);
        PlaySceneSounds(AdvanceScene(scene_state, scene_look, global_time, tick_tm, SaveEvents));
        seen.moves_fast = SceneMovesFast();
    } else {
        spawn_question = false;  // a quiz offer never survives a panel
        SettleReminders(reminder_state, events);  // a panel may change any event
        if (menu_case_id == kMenuEdit || menu_case_id == kMenuView) AdvanceCaret(event_editor, global_time);
    }
    DesktopNoticesTick(loop.visible, tick_tm);  // may open an event from its notification
    // A panel shows its caret (in edit mode), texts of the wall clock and the calendar's
    // notice: it is drawn again when the caret flips, once a second, and when a calendar
    // folder's rows change (the list shows a change within the second it was read in).
    const SceneShown shown = CurrentSceneShown();
    const bool caret = menu_case_id == kMenuEdit && event_editor.ec;
    seen.shown_changed = shown != loop.shown || menu_case_id != loop.menu ||
                         (seen.panel && (caret != loop.caret || rawtime != loop.second ||
                                         live_calendars.rows_changed != loop.live_rows));
    loop.shown = shown;
    loop.menu = menu_case_id;
    loop.caret = caret;
    loop.second = rawtime;
    loop.live_rows = live_calendars.rows_changed;

    draw_time += global_time;
    PauseSoundWhenQuiet(global_time);
    return DrawThisTick(seen, ++loop.ticks_since_draw);
}
}  // namespace

float MeasureFrameTime(FrameClock& clock, uint32_t now) {
    const uint32_t diff = now - clock.lastTickCount;  // unsigned: a wrap gives the small true difference
    clock.lastTickCount = now;
    return static_cast<float>(static_cast<double>(static_cast<uint64_t>(diff)) / 1000.0);
}

void GetGlobalTime(float& t) { t = MeasureFrameTime(frame_clock, GetTickCount()); }

float ClampFirstFrame(float measured, bool first_frame) {
    return (first_frame && measured > 0.25f) ? 0.0f : measured;
}

void DeferUntilFirstFrame(void (*work)()) { deferred_start = work; }

void tick(int) {
    if (frame_drawn) FinishStart();
    if (Step()) glutPostRedisplay();
    // Work of other modules, once a tick whether or not the window can be seen.
    CheckWindowPlace();
    if (WindowManagerAppeared()) {
        KeepAboveOthers();
        loop.ask_above_at = GetTickCount() + kAskAboveAgainMs;
        loop.ask_above_again = true;
    } else if (loop.ask_above_again && int32_t(GetTickCount() - loop.ask_above_at) >= 0) {
        KeepAboveOthers();  // a manager may start listening only after it announced itself
        loop.ask_above_again = false;
    }
    const double period = loop.visible ? kVisibleTickMs : kHiddenTickMs;
    ScheduleTick(loop.next_tick_ms, MonotonicMs(), period);
}

void RunFrameLoop() {
    WindowManagerAppeared();  // starts the watch
    for (;;) {
        if (MonotonicMs() >= loop.next_tick_ms) tick(0);
        glutMainLoopEvent();  // the window's events, then the frame a tick asked for
        if (glutGetWindow() == 0) break;  // the window was closed
        WaitForWindowEvents(int(std::ceil(loop.next_tick_ms - MonotonicMs())));
    }
    std::exit(0);
}

void DrawView() {
    if (menu_case_id < 0) {
        Render();
    } else {
        BindPicture(GUI[menu_case_id]);
        RenderOnViewport();
        switch (menu_case_id) {
            case kMenuList: DrawEventList(); break;
            case kMenuEdit:
            case kMenuView: DrawEventEditor(); break;
            case kMenuQuiz: DrawQuiz(); break;
            default: break;
        }
    }
    DrawCalendarNotice();  // over the scene and the panels alike
}

void display() {
    static bool fl = true;

    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    glLoadIdentity();
    PushGuiSpace();
    glEnable(GL_TEXTURE_2D);

    DrawView();
    PopGuiSpace();

    glFlush();
    glFinish();
    glutSwapBuffers();

    if (fl) KeepAboveOthers();  // the window is mapped by now
    fl = false;
    frame_drawn = true;
    draw_time = 0.0f;
    loop.ticks_since_draw = 0;
    if (loop.input_frames > 0) --loop.input_frames;

    single_touch = false;
    reset_keys_state();
}

void window_status(int state) {
    const bool visible = state == GLUT_FULLY_RETAINED || state == GLUT_PARTIALLY_RETAINED;
    // A copy of the backdrop is taken only while every pixel of the window is its
    // own: pixels covered when it was taken may be undefined.
    ForgetBackdropCopy();
    AllowBackdropCopy(state == GLUT_FULLY_RETAINED);
    loop.shown_again = visible && !loop.visible;
    loop.visible = visible;
    if (loop.shown_again && Step()) glutPostRedisplay();  // at once, from a fresh step
}

// A key-down stands until the end of the frame that consumes it; the key-up of a
// quick tap arriving before that frame therefore leaves it set.
void skeyboard_down(unsigned char key, int, int) {
    key_state[key] = true;
    loop.input_frames = kInputFrames;
}

void skeyboard_up(unsigned char key, int, int) {
    // Entries are set only by key-downs of the current batch, which must reach the
    // next frame; the end of every frame clears them all.
    (void)key;
}

void mouse_event(int button, int state, int, int) {
    // A press stands until the frame that consumes it, even if released before it.
    if (button == GLUT_LEFT_BUTTON && state == GLUT_DOWN) single_touch = true;
    loop.input_frames = kInputFrames;
}

void mouse(int x, int y) {
    touch_coord_x = static_cast<float>(x);
    touch_coord_y = static_cast<float>(y);
    loop.input_frames = kInputFrames;
}
