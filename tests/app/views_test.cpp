// Every view drawn with the program's own pictures: each state of the scene shows its
// pictures, and every text the program draws stands at a contrast of 4.5:1 or more
// (WCAG AA) against what lies behind it. Each view is drawn twice, with the font and
// with a blank one: the pixels of a text colour in the first frame are the text, the
// second frame's pixels around them what lies behind it.
// STRIGOLO_CONTRAST_SIDE sets the window's side (300, scale 1, by default);
// STRIGOLO_SCENE_SHOTS=<folder> also writes each view there as <name>.ppm, the pictures
// of docs/SCENE.md.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
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
#include "fx/scintix.h"
#include "gl_context.h"
#include "platform/clock.h"

using Pixels = std::vector<unsigned char>;
const int kSide = std::getenv("STRIGOLO_CONTRAST_SIDE") ? std::atoi(std::getenv("STRIGOLO_CONTRAST_SIDE")) : 300;

// The relative luminance of an sRGB pixel, as WCAG defines it.
double Luminance(const unsigned char* p) {
    auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(p[0] / 255.0) + 0.7152 * linear(p[1] / 255.0) + 0.0722 * linear(p[2] / 255.0);
}

struct Colour { const char* name; int rgb[3]; };
const Colour kWhite{"white", {255, 255, 255}}, kGreen{"green", {0, 255, 0}}, kRed{"red", {255, 0, 0}};

// The contrast of one text colour: the median luminance of the pixels within 48 of the
// colour on each channel that were not so without the font, against the lightest pixel
// of the text-less frame within 4 GUI units of them (every text colour is lighter than
// its ground). 0 when the colour shows in no text pixel; `text_pixels` counts them.
double Contrast(const Pixels& with, const Pixels& without, const Colour& c, size_t& text_pixels) {
    const int r = std::max(1, 4 * kSide / 512);
    auto is = [&](const Pixels& px, size_t i) {
        return std::abs(px[i] - c.rgb[0]) <= 48 && std::abs(px[i + 1] - c.rgb[1]) <= 48 &&
               std::abs(px[i + 2] - c.rgb[2]) <= 48;
    };
    std::vector<double> text;
    std::vector<bool> near(size_t(kSide) * kSide, false);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            const size_t i = size_t(y * kSide + x) * 3;
            if (!is(with, i) || is(without, i)) continue;
            text.push_back(Luminance(&with[i]));
            for (int ny = std::max(0, y - r); ny <= std::min(kSide - 1, y + r); ++ny)
                for (int nx = std::max(0, x - r); nx <= std::min(kSide - 1, x + r); ++nx)
                    near[size_t(ny * kSide + nx)] = true;
        }
    if ((text_pixels = text.size()) == 0) return 0;
    std::nth_element(text.begin(), text.begin() + text.size() / 2, text.end());
    double ground = 0;
    for (size_t p = 0; p < near.size(); ++p)
        if (near[p]) ground = std::max(ground, Luminance(&without[p * 3]));
    return (text[text.size() / 2] + 0.05) / (ground + 0.05);
}

// Pixels of a GUI rectangle that differ clearly between two frames.
struct Box { float x0, y0, x1, y1; };
int Changed(const Pixels& a, const Pixels& b, Box r) {
    int n = 0;
    for (int y = int(r.y0 * kSide / 512); y < int(r.y1 * kSide / 512); ++y)
        for (int x = int(r.x0 * kSide / 512); x < int(r.x1 * kSide / 512); ++x) {
            const size_t i = size_t(y * kSide + x) * 3;
            n += std::max({std::abs(a[i] - b[i]), std::abs(a[i + 1] - b[i + 1]), std::abs(a[i + 2] - b[i + 2])}) > 40;
        }
    return n;
}

std::tm kNow = [] {  // Wednesday 10 March 2027, 14:20
    std::tm t{};
    t.tm_mday = 10, t.tm_mon = 2, t.tm_year = 127, t.tm_hour = 14, t.tm_min = 20, t.tm_wday = 3;
    return t;
}();

// A calm owl standing, every timer far away, nothing due, the pointer away to the low left.
void Calm() {
    events.clear(), edit_event = nullptr, menu_case_id = kMenuScene;
    anim = 0, spawn_question = new_notify = spawn_laugh = false, enable_sfx = true;
    SceneState& s = scene_state = SceneState{};
    s.started = s.offer.started = true;
    s.offer.next_sq = s.next_ce = s.next_st = s.next_std = s.next_swap = 1e6f;
    sleep_fx.reset(), smoke_fx.reset(), std::srand(1);
}
// Two reminders due: the owl's attention, the cloud and the counter showing 2.
void Due() {
    Calm();
    events.assign(2, Event(kNow));
    for (Event& e : events) e.type = kReminder, e.remind_te = 10800;
}
// A full page of the event list, the first event open in the editor, its title focused.
void Calendar(int type, int view_menu) {
    events.assign(13, Event(kNow));
    int i = 0;
    for (Event& e : events) e.date.day = 11 + i, std::snprintf(e.title, sizeof e.title, "Dentista %d", i++ % 10);
    edit_event = &events.front();
    edit_event->type = type;
    menu_case_id = view_menu;
    event_editor = EventEditorState{1, true, 0.0f};
}
// The quiz panel on the first question, made to have its right answer third.
void Quiz(int pick) {
    menu_case_id = kMenuQuiz, question_id = 0, questions[0].solve = 2, quiz_panel.user_answer = pick;
}

// Steps the scene by dt (publishing the reminder scan) and draws the chosen view.
Pixels Frame(float dt) {
    if (menu_case_id < 0) SceneStep(scene_state, scene_look, dt, kNow, nullptr);
    draw_time = dt, global_time = 0, timeinfo = &kNow;
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    testing_gl::GuiProjection();
    glEnable(GL_TEXTURE_2D);
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

void Save(const std::string& name, const Pixels& px) {
    const char* dir = std::getenv("STRIGOLO_SCENE_SHOTS");
    FILE* f = dir ? std::fopen((std::string(dir) + "/" + name + ".ppm").c_str(), "wb") : nullptr;
    ASSERT_TRUE(f || !dir) << "cannot write into " << dir;
    if (!f) return;
    std::fprintf(f, "P6\n%d %d\n255\n", kSide, kSide);
    for (int y = kSide - 1; y >= 0; --y) std::fwrite(&px[size_t(y) * kSide * 3], 1, size_t(kSide) * 3, f);
    std::fclose(f);
}

const Box kFace{200, 350, 330, 430}, kBelow{150, 60, 400, 250}, kColumn{5, 90, 85, 505}, kNone{0, 0, 0, 0};

TEST(Views, EachSceneStateShowsItsPicturesAndEveryTextStandsAtFourAndAHalfToOne) {
    ASSERT_TRUE(testing_gl::EnsureContext(kSide, kSide)) << "no X display for GL";
    LoadAllTextures();
    GenQuestions();
    sleep_fx.load("Data/sleep.zfx"), smoke_fx.load("Data/smoke.zfx");
    SetWallClockForTesting(1804636800 + 14 * 3600 + 20 * 60);  // kNow, in UTC
    setenv("TZ", "UTC", 1), tzset();
    const GLuint blank = testing_gl::MakeTexture(1, 1, Pixels(4, 0).data()), real_font = font;
    // The view, its setting, the text colours it shows; a box that differs from the calm
    // scene (or the view named) in more than so many pixels, and one that does not; the
    // pointer over it (GUI units); frames of 1/30 s stepped before it (0: one of 0 s).
    const struct { const char* name; void (*set)(); std::vector<Colour> colours; Box changes = kNone; int at_least = 0;
                   const char* vs = nullptr; Box same = kNone; float px = -100, py = 300; int frames = 0; } rows[] = {
        {"scene-stand", Calm, {kWhite}},  // the clock
        {"scene-stand2", [] { Calm(), anim = 1; }, {}, {150, 150, 400, 450}, 500},
        // The lids cover the eyes (not only the pupils gone); both pupils move.
        {"scene-blink", [] { Calm(), scene_state.close_eyes = true; }, {}, kFace, 600, nullptr, kBelow},
        {"scene-pupils-right", [] { Calm(), scene_state.cursor = {900, 390, 0}; }, {}, kFace, 300, nullptr, kBelow},
        {"scene-sleep-dozing", [] { Calm(), anim = 2, scene_state.sleep_state = 1; }, {}, kFace, 0},
        {"scene-sleep", [] { Calm(), anim = 2, scene_state.sleep_state = 2; }, {}, {290, 400, 512, 512}, 100,  // Zz
         "scene-sleep-dozing", kNone, -100, 300, 90},
        {"scene-laugh", [] { Calm(), spawn_laugh = true; }, {}, kFace, 700, nullptr, kNone, -100, 300, 4},
        {"scene-notify", Due, {kWhite}, {380, 400, 500, 490}, 500},  // the cloud; the counter
        // The hat, beyond what the smoke alone would change.
        {"scene-question", [] { Calm(), spawn_question = true; }, {}, {200, 440, 360, 512}, 800, "scene-notify", kNone,
         -100, 300, 30},
        {"scene-sound-off", [] { Calm(), enable_sfx = false; }, {}, {5, 5, 85, 85}, 100, nullptr, kColumn},
        {"scene-hover-calendar", Calm, {kWhite}, {5, 425, 84, 505}, 100, nullptr, kNone, 44.5f, 465},
        // The first two icons grey and not tinted while events are due; the labels still shown.
        {"scene-hover-calendar-due", Due, {kWhite}, {5, 425, 55, 505}, 400, nullptr, kNone, 44.5f, 465},
        {"scene-hover-question", Due, {kWhite}, kNone, 0, nullptr, kNone, 44.5f, 360},
        {"scene-hover-search", Due, {kWhite}, {60, 255, 250, 275}, 30, nullptr, {5, 5, 84, 200}, 44.5f, 255},
        {"scene-hover-site", Due, {kWhite}, kNone, 0, nullptr, kNone, 44.5f, 150},
        {"scene-hover-sound", Due, {kWhite}, kNone, 0, nullptr, kNone, 44.5f, 45},
        // A row of the list, a tab of the editor, an answer of the quiz hovered.
        {"list", [] { Calendar(kAppointment, kMenuList); }, {kWhite}, kNone, 0, nullptr, kNone, 200, 326},
        {"editor-appointment", [] { Calendar(kAppointment, kMenuEdit); }, {kWhite, kGreen}, kNone, 0, nullptr, kNone,
         87, 486},
        {"editor-weekly", [] { Calendar(kWeekly, kMenuEdit); }, {kWhite, kGreen}},
        {"editor-reminder", [] { Calendar(kReminder, kMenuEdit); }, {kWhite, kGreen}},
        {"editor-view", [] { Calendar(kAppointment, kMenuView); }, {kWhite, kGreen}},
        {"quiz-open", [] { Quiz(-1); }, {kWhite}, kNone, 0, nullptr, kNone, 138, 110},
        {"quiz-wrong", [] { Quiz(0); }, {kWhite, kGreen, kRed}},
        {"quiz-right", [] { Quiz(2); }, {kWhite, kGreen}}};
    std::map<std::string, Pixels> shown;
    for (const auto& r : rows) {
        Pixels shots[2];
        for (int with_text : {1, 0}) {
            r.set();
            ForgetBackdropCopy();  // the clock is drawn afresh, with this shot's font
            touch_coord_x = r.px * kSide / 512, touch_coord_y = (512 - r.py) * kSide / 512;
            font = with_text ? real_font : blank;
            for (int i = 0; i < std::max(1, r.frames); ++i) shots[with_text] = Frame(r.frames ? 1.0f / 30.0f : 0.0f);
        }
        font = real_font;
        Save(r.name, shown[r.name] = shots[1]);
        const Pixels& before = shown[r.vs ? r.vs : "scene-stand"];
        EXPECT_TRUE(r.changes.x1 == 0 || Changed(before, shots[1], r.changes) > r.at_least) << r.name;
        EXPECT_TRUE(r.same.x1 == 0 || Changed(before, shots[1], r.same) == 0) << r.name;
        for (const Colour& c : r.colours) {
            size_t text_pixels = 0;
            const double ratio = Contrast(shots[1], shots[0], c, text_pixels);
            std::printf("%-26s %-6s %6zu text pixels %5.2f:1\n", r.name, c.name, text_pixels, ratio);
            EXPECT_TRUE(text_pixels >= 20 && ratio >= 4.5) << r.name << ", " << c.name << ": " << ratio;
        }
    }
    events.clear(), edit_event = nullptr;
    ClearClocksForTesting();
}

