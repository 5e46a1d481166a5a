// Every text the program draws stands at a contrast of 4.5:1 or more (WCAG AA) against
// what lies behind it. Each panel is drawn twice with the program's own pictures, once
// with the font and once with a blank one: the pixels of a text colour in the first
// frame are the text, the second frame's pixels around them what lies behind it.
// STRIGOLO_CONTRAST_SIDE sets the window's side (300, scale 1, by default).
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/calendar/event_editor.h"
#include "app/calendar/event_list.h"
#include "app/frame.h"
#include "app/quiz/quiz.h"
#include "app/scene/scene.h"
#include "app/scene/scene_backdrop.h"
#include "app/views.h"
#include "audio/audio_engine.h"
#include "engine/input.h"
#include "engine/textures.h"
#include "engine/widgets.h"
#include "gl_context.h"
#include "platform/clock.h"
#include "platform/window.h"

namespace {

using Pixels = std::vector<unsigned char>;
const int kSide = std::getenv("STRIGOLO_CONTRAST_SIDE") ? std::atoi(std::getenv("STRIGOLO_CONTRAST_SIDE")) : 300;

double Linear(unsigned char c) {
    const double v = c / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}
double Luminance(const unsigned char* p) {
    return 0.2126 * Linear(p[0]) + 0.7152 * Linear(p[1]) + 0.0722 * Linear(p[2]);
}

struct Colour { const char* name; unsigned char rgb[3]; };
const Colour kWhite{"white", {255, 255, 255}}, kGreen{"green", {0, 255, 0}}, kRed{"red", {255, 0, 0}};

// The contrast of one text colour in a frame: the median luminance of the pixels within
// 48 of the colour on each channel that were not so without the font, against the
// lightest pixel of the text-less frame within 4 GUI units of them (every text colour
// is lighter than its ground).
struct Contrast { int text_pixels = 0; double text = 0, ground = 0, ratio = 0; };
Contrast Measure(const Pixels& with, const Pixels& without, const Colour& c) {
    const int r = std::max(1, 4 * kSide / 512);
    std::vector<double> text;
    std::vector<bool> near(with.size() / 3, false);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            const size_t i = size_t(y * kSide + x) * 3;
            bool is_text = true, was_text = true;
            for (int k = 0; k < 3; ++k) {
                is_text = is_text && std::abs(int(with[i + k]) - int(c.rgb[k])) <= 48;
                was_text = was_text && std::abs(int(without[i + k]) - int(c.rgb[k])) <= 48;
            }
            if (!is_text || was_text) continue;
            text.push_back(Luminance(&with[i]));
            for (int dy = -r; dy <= r; ++dy)
                for (int dx = -r; dx <= r; ++dx)
                    if (x + dx >= 0 && x + dx < kSide && y + dy >= 0 && y + dy < kSide)
                        near[size_t((y + dy) * kSide + x + dx)] = true;
        }
    Contrast out;
    out.text_pixels = int(text.size());
    if (text.empty()) return out;
    std::nth_element(text.begin(), text.begin() + text.size() / 2, text.end());
    out.text = text[text.size() / 2];
    for (size_t p = 0; p < near.size(); ++p)
        if (near[p]) out.ground = std::max(out.ground, Luminance(&without[p * 3]));
    out.ratio = (out.text + 0.05) / (out.ground + 0.05);
    return out;
}

std::tm kNow = [] {
    std::tm t{};
    t.tm_mday = 10, t.tm_mon = 2, t.tm_year = 127, t.tm_hour = 14, t.tm_min = 20, t.tm_wday = 3;
    return t;
}();

// The events behind the panels: a full page of the list, the first one open in the editor.
void Calendar(int type, int view_menu) {
    events.assign(13, Event(kNow));
    int i = 0;
    for (Event& e : events) e.date.day = 11 + i, std::snprintf(e.title, sizeof e.title, "Dentista %d", i++ % 10);
    edit_event = &events.front();
    edit_event->type = type;
    menu_case_id = view_menu;
    event_editor = EventEditorState{1, true, 0.0f};  // the title field focused, its caret shown
}

void Quiz(int pick) {
    menu_case_id = kMenuQuiz;
    question_id = 0;
    questions[0].solve = 2;
    quiz_panel.user_answer = pick;
}

// The calm scene with two due reminders: the counter shows 2.
void Scene() {
    events.assign(2, Event(kNow));
    for (Event& e : events) e.type = kReminder, e.remind_te = 10800;
    edit_event = nullptr;
    menu_case_id = kMenuScene;
    anim = 0;
    spawn_question = new_notify = spawn_laugh = false;
    scene_state = SceneState{};
    scene_state.started = scene_state.offer.started = true;
    scene_state.offer.next_sq = scene_state.next_ce = scene_state.next_st = scene_state.next_std =
        scene_state.next_swap = 1e6f;
    SetCursorPosForTesting(true, 0, 0);  // the pupils rest alike in both frames
    SceneStep(scene_state, scene_look, 0.0f, kNow, nullptr);  // the scan publishes the count
    ForgetBackdropCopy();  // the clock is drawn afresh, with this shot's font
}

Pixels Frame() {
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    testing_gl::GuiProjection();
    glEnable(GL_TEXTURE_2D);
    global_time = 0;
    timeinfo = &kNow;
    if (menu_case_id < 0) {
        Render();
    } else {
        BindPicture(GUI[menu_case_id]);
        RenderOnViewport();
        if (menu_case_id == kMenuList) DrawEventList();
        if (menu_case_id == kMenuEdit || menu_case_id == kMenuView) DrawEventEditor();
        if (menu_case_id == kMenuQuiz) DrawQuiz();
    }
    return testing_gl::ReadFrame(kSide, kSide, GL_RGB);
}

TEST(TextContrast, EveryTextColourOfEveryPanelAtLeastFourAndAHalfToOne) {
    ASSERT_TRUE(testing_gl::EnsureContext(kSide, kSide)) << "no X display for GL";
    LoadAllTextures();
    GenQuestions();
    enable_sfx = false;
    SetWallClockForTesting(1804636800 + 14 * 3600 + 20 * 60);  // kNow, in UTC
    setenv("TZ", "UTC", 1);
    tzset();
    const GLuint blank = testing_gl::MakeTexture(1, 1, std::vector<unsigned char>(4, 0).data());
    const GLuint real_font = font;

    // Panel, its setting, the pointer over it (GUI units), the text colours it shows.
    const struct { const char* name; void (*set)(); float px, py; std::vector<Colour> colours; } rows[] = {
        {"list", [] { Calendar(kAppointment, kMenuList); }, 200, 326, {kWhite}},  // a row hovered
        {"editor-appointment", [] { Calendar(kAppointment, kMenuEdit); }, 87, 486, {kWhite, kGreen}},
        {"editor-weekly", [] { Calendar(kWeekly, kMenuEdit); }, 256, 300, {kWhite, kGreen}},
        {"editor-reminder", [] { Calendar(kReminder, kMenuEdit); }, 256, 300, {kWhite, kGreen}},
        {"editor-view", [] { Calendar(kAppointment, kMenuView); }, 256, 300, {kWhite, kGreen}},
        {"quiz-open", [] { Quiz(-1); }, 138, 110, {kWhite}},  // an answer hovered
        {"quiz-wrong", [] { Quiz(0); }, 256, 300, {kWhite, kGreen, kRed}},
        {"quiz-right", [] { Quiz(2); }, 256, 300, {kWhite, kGreen}},
        {"scene", Scene, -100, 300, {kWhite}},  // the clock and the counter
        {"scene-tooltip-0", Scene, 44.5f, 465, {kWhite}}, {"scene-tooltip-1", Scene, 44.5f, 360, {kWhite}},
        {"scene-tooltip-2", Scene, 44.5f, 255, {kWhite}}, {"scene-tooltip-3", Scene, 44.5f, 150, {kWhite}},
        {"scene-tooltip-4", Scene, 44.5f, 45, {kWhite}},
    };
    for (const auto& r : rows) {
        Pixels shots[2];
        for (int with_text : {1, 0}) {
            r.set();
            touch_coord_x = r.px * kSide / 512;
            touch_coord_y = (512 - r.py) * kSide / 512;
            font = with_text ? real_font : blank;
            shots[with_text] = Frame();
        }
        font = real_font;
        for (const Colour& c : r.colours) {
            const Contrast m = Measure(shots[1], shots[0], c);
            std::printf("%-20s %-6s %6d text pixels  L %.4f on %.4f  %5.2f:1\n", r.name, c.name, m.text_pixels, m.text,
                        m.ground, m.ratio);
            EXPECT_GE(m.text_pixels, 20) << r.name << " shows no " << c.name << " text";
            EXPECT_GE(m.ratio, 4.5) << r.name << ", " << c.name << " text";
        }
    }
    events.clear();
    edit_event = nullptr;
    ClearClocksForTesting();
    SetCursorPosForTesting(false);
}

}  // namespace
