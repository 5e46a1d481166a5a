// What only drawing shows, in one GL harness: every text of each state of the scene and
// each panel stands at a contrast of 4.5:1 or more (WCAG AA) against what lies behind
// it; cropped sprites and the kept copy of the static layer change no pixel.
// STRIGOLO_CONTRAST_SIDE sets the window's side (300, scale 1, by default);
// STRIGOLO_SCENE_SHOTS=<folder> also writes each view there as <name>.ppm, the pictures
// of docs/SCENE.md.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "app/calendar/panels/event_editor.h"
#include "app/frame.h"
#include "app/quiz/quiz.h"
#include "app/scene/scene.h"
#include "app/scene/scene_backdrop.h"
#include "app/views.h"
#include "audio/audio_engine.h"
#include "calendar/calendar_helpers.h"
#include "engine/input.h"
#include "engine/sprite_bounds.h"
#include "engine/textures.h"
#include "engine/widgets.h"
#include "fx/scintix.h"
#include "gl_context.h"
#include "platform/clock.h"

using Pixels = std::vector<unsigned char>;
const int kSide = std::getenv("STRIGOLO_CONTRAST_SIDE") ? std::atoi(std::getenv("STRIGOLO_CONTRAST_SIDE")) : 300;

// A w by h frame (RGB) drawn by `draw` in GUI space over a cleared window.
template <typename Draw>
Pixels Shot(int w, int h, Draw draw) {
    glViewport(0, 0, w, h);
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    testing_gl::GuiProjection();
    glEnable(GL_TEXTURE_2D);
    draw();
    return testing_gl::ReadFrame(w, h, GL_RGB);
}

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
// its ground). 0 when fewer than 20 pixels show the colour: no text of it is there.
double Contrast(const Pixels& with, const Pixels& without, const Colour& c) {
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
    if (text.size() < 20) return 0;
    std::nth_element(text.begin(), text.begin() + text.size() / 2, text.end());
    double ground = 0;
    for (size_t p = 0; p < near.size(); ++p)
        if (near[p]) ground = std::max(ground, Luminance(&without[p * 3]));
    return (text[text.size() / 2] + 0.05) / (ground + 0.05);
}

std::tm kNow = At(2027, 3, 10, 14, 20, 3);

// The pictures, the font, the question bank and the effects loaded; the clock at kNow,
// also for a nested frame that reads the wall clock.
class Drawn : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testing_gl::EnsureContext(kSide, kSide)) << "no X display for GL";
        LoadAllTextures(), GenQuestions(), sleep_fx.load("Data/sleep.zfx"), smoke_fx.load("Data/smoke.zfx");
        SetWallClockForTesting(1804636800 + 14 * 3600 + 20 * 60), setenv("TZ", "UTC", 1), tzset();  // kNow, in UTC
    }
    void TearDown() override { events.clear(), edit_event = nullptr, ClearClocksForTesting(); }
};

// A calm owl standing, every timer far away, nothing due, the pointer away to the low left.
void Calm() {
    events.clear(), edit_event = nullptr, menu_case_id = kMenuScene;
    anim = 0, spawn_question = new_notify = spawn_laugh = false, enable_sfx = true;
    SceneState& s = scene_state = SceneState{};
    s.started = s.offer.started = true, s.offer.next_sq = s.next_ce = s.next_st = s.next_std = s.next_swap = 1e6f;
    sleep_fx.reset(), smoke_fx.reset(), std::srand(1);
}
// Two reminders due: the owl's attention, the cloud and the counter showing 2.
void Due() {
    Calm(), events.assign(2, Event(kNow));
    for (Event& e : events) e.type = kReminder, e.remind_te = 10800;
}
// A full page of the event list and one more, the first open in the editor, its title focused.
void Calendar(int type, int view_menu) {
    events.assign(13, Event(kNow));
    int i = 0;
    for (Event& e : events) e.date.day = 11 + i, std::snprintf(e.title, sizeof e.title, "Dentista %d", i++ % 10);
    edit_event = &events.front(), edit_event->type = type, menu_case_id = view_menu, event_editor = {1, true, 0.0f};
}
// The quiz panel on the first question, made to have its right answer third.
void Quiz(int pick) {
    menu_case_id = kMenuQuiz, question_id = 0, questions[0].solve = 2, quiz_panel.user_answer = pick;
}

// Places the pointer over GUI point (x, y).
void Point(float x, float y) { touch_coord_x = x * kSide / 512, touch_coord_y = (512 - y) * kSide / 512; }

// Steps the scene by dt (publishing the reminder scan) and draws the chosen view.
Pixels Frame(float dt) {
    if (menu_case_id < 0) SceneStep(scene_state, scene_look, dt, kNow, nullptr);
    draw_time = dt, global_time = 0, timeinfo = &kNow;
    return Shot(kSide, kSide, DrawView);
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

// Each view drawn twice, with the font and with a blank one: the pixels of a text
// colour in the first frame are the text, the second frame's pixels around them what
// lies behind it. The rows with no colour are there for their pictures.
TEST_F(Drawn, EachSceneStateAndPanelKeepsEveryTextAtFourAndAHalfToOne) {
    const GLuint blank = testing_gl::MakeTexture(1, 1, Pixels(4, 0).data()), real_font = font;
    // The view, its setting, the text colours it shows; the pointer over it (GUI units);
    // frames of 1/30 s stepped before it (0: one of 0 s).
    const struct { const char* name; void (*set)(); std::vector<Colour> colours; float px = -100, py = 300;
                   int frames = 0; } rows[] = {
        {"scene-stand", Calm, {kWhite}}, {"scene-stand2", [] { Calm(), anim = 1; }, {}},  // the clock; a second pose
        {"scene-blink", [] { Calm(), scene_state.close_eyes = true; }, {}},
        {"scene-pupils-right", [] { Calm(), scene_state.cursor = {900, 390, 0}; }, {}},
        {"scene-sleep-dozing", [] { Calm(), anim = 2, scene_state.sleep_state = 1; }, {}},
        {"scene-sleep", [] { Calm(), anim = 2, scene_state.sleep_state = 2; }, {}, -100, 300, 90},
        {"scene-laugh", [] { Calm(), spawn_laugh = true; }, {}, -100, 300, 4}, {"scene-notify", Due, {kWhite}},
        {"scene-question", [] { Calm(), spawn_question = true; }, {}, -100, 300, 30},
        // Each icon's label; the first two icons grey while events are due.
        {"scene-hover-calendar", Calm, {kWhite}, 44.5f, 465}, {"scene-hover-calendar-due", Due, {kWhite}, 44.5f, 465},
        {"scene-hover-question", Due, {kWhite}, 44.5f, 360}, {"scene-hover-search", Due, {kWhite}, 44.5f, 255},
        {"scene-hover-site", Due, {kWhite}, 44.5f, 150}, {"scene-hover-sound", Due, {kWhite}, 44.5f, 45},
        // A row of the list, a tab of the editor, an answer of the quiz hovered; last, the sound switched off.
        {"list", [] { Calendar(kAppointment, kMenuList); }, {kWhite}, 200, 326},
        {"editor-appointment", [] { Calendar(kAppointment, kMenuEdit); }, {kWhite, kGreen}, 87, 486},
        {"editor-weekly", [] { Calendar(kWeekly, kMenuEdit); }, {kWhite, kGreen}},
        {"editor-reminder", [] { Calendar(kReminder, kMenuEdit); }, {kWhite, kGreen}},
        {"editor-view", [] { Calendar(kAppointment, kMenuView); }, {kWhite, kGreen}},
        {"quiz-open", [] { Quiz(-1); }, {kWhite}, 138, 110}, {"quiz-wrong", [] { Quiz(0); }, {kWhite, kGreen, kRed}},
        {"quiz-right", [] { Quiz(2); }, {kWhite, kGreen}}, {"scene-sound-off", [] { Calm(), enable_sfx = false; }, {}}};
    std::set<Pixels> shown;  // each state shows something of its own
    for (const auto& r : rows) {
        Pixels shots[2];
        for (int with_text : {0, 1}) {  // the clock drawn afresh each time, with this shot's font
            r.set(), ForgetBackdropCopy(), Point(r.px, r.py), font = with_text ? real_font : blank;
            for (int i = 0; i < std::max(1, r.frames); ++i) shots[with_text] = Frame(r.frames ? 1.0f / 30.0f : 0.0f);
        }
        Save(r.name, shots[1]);
        EXPECT_TRUE(shown.insert(shots[1]).second) << r.name << " looks like another view";
        for (const Colour& c : r.colours) EXPECT_GE(Contrast(shots[1], shots[0], c), 4.5) << r.name << ", " << c.name;
    }
}

// A texture filtered as the scene's sprites.
GLuint Upload(const Pixels& px, int w, int h) {
    const GLuint t = testing_gl::MakeTexture(w, h, px.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    return t;
}
// A Shot drawn as the scene draws its sprites: blended, white.
template <typename Draw>
Pixels Blended(int w, int h, Draw draw) {
    return Shot(w, h, [&] {
        glEnable(GL_BLEND), glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA), glColor4f(1, 1, 1, 1);
        draw();
        glDisable(GL_BLEND), glDepthMask(GL_TRUE);
    });
}

// A soft blob and a thin stroke inside a mostly clear texture, then also texels on the
// right and bottom edges, which wrap: the quad cropped to the sprite's bounds (which cut
// the first) leaves every pixel as the whole quad does, magnified about twice (texels at
// the edge blend over whole pixels) and lowered, at an odd place.
TEST(SpriteBounds, CroppedQuadLeavesEveryPixelAsTheWholeQuadDoes) {
    REQUIRE_GL_CONTEXT();
    const int n = 250;
    Pixels px(size_t(n) * n * 4, 0);
    auto put = [&](int i, int a) { px[i * 4] = 200, px[i * 4 + 1] = 100, px[i * 4 + 2] = 50, px[i * 4 + 3] = a; };
    for (int i = 0; i < n * n; ++i) {
        const float d = std::hypot(i % n - 120.0f, i / n - 140.0f);
        if (d < 40.0f || (i % n == 200 && i / n >= 30 && i / n < 60)) put(i, d < 40.0f ? int(255 - d * 5) : 128);
    }
    const struct { float tx, ty, w, h, sy; } c = {274.3f, 263.3f, 500, 490, -2.9f};  // its left edge in the frame
    for (int edges = 0; edges < 2; ++edges) {
        if (edges) put(100 * n + n - 1, 255), put(60, 255);
        const GLuint t = Upload(px, n, n);
        RecordSpriteBounds(t, ComputeSpriteBounds(px.data(), n, n, false));  // as the upload of a whole sprite does
        EXPECT_TRUE(edges || (GetSpriteBounds(t).u0 > 0.2f && GetSpriteBounds(t).v1 < 0.8f));
        auto drawn = [&](bool crop) {
            return Blended(300, 300, [&] {
                glTranslatef(c.tx, c.ty, 0.0f), glBindTexture(GL_TEXTURE_2D, t);
                crop ? DrawSpriteRect(t, c.w, c.h, c.sy) : DrawRect(c.w, c.h, c.sy);
            });
        };
        EXPECT_TRUE(drawn(true) == drawn(false)) << "edge texels " << edges;
    }
}

GLuint Noise(int w, int h, unsigned v) {
    Pixels px(size_t(w) * h * 4);
    for (size_t i = 0; i < px.size(); ++i, v = v * 1103515245u + 12345u)
        px[i] = (i % 4 == 3 && (i / 4) % 3 == 0) ? 0 : (unsigned char)(v >> 16);  // some clear texels
    return Upload(px, w, h);
}

// The static layer, with stand-ins for the icon column and the clock: quads whose
// colours are the looks.
unsigned test_look = 0, test_patch = 0;
Pixels LayerFrame(int w, int h) {
    return Blended(w, h, [] {
        DrawStaticLayer(test_look, LayerPatch{test_patch, 300.3f, 10.6f, 500, 30.2f}, [] {
            glDisable(GL_TEXTURE_2D);
            glColor4f(0.1f * float(test_look % 8), 0.7f, 0.3f, 0.8f), glRectf(10, 10, 80, 500);
            glColor4f(0.1f * float(test_patch % 8), 0.2f, 0.9f, 0.6f), glRectf(300.3f, 10.6f, 500, 30.2f);
            glColor4f(1, 1, 1, 1), glEnable(GL_TEXTURE_2D);
        });
        GLint depth_mask = 1;
        glGetIntegerv(GL_DEPTH_WRITEMASK, &depth_mask);
        EXPECT_TRUE(glIsEnabled(GL_BLEND) && !depth_mask);  // the scene draws on blended
    });
}

// Each row changes the size, the tree picture or the look while the row before left its
// copy kept: the first frame is not served that copy, and frames drawn, copied and put
// back all show what a fresh draw shows. Once copied, the pictures are not drawn again:
// new texels under the same name show only once the copy is forgotten.
TEST(SceneBackdrop, TheCopyPutsBackTheSamePixelsAndFollowsSizePictureLookAndClock) {
    REQUIRE_GL_CONTEXT();
    background = Noise(97, 61, 1);
    const struct { int w, h; unsigned tree_seed, look; } rows[] = {
        {300, 300, 2, 0}, {217, 300, 2, 0}, {217, 143, 2, 0}, {217, 143, 3, 0}, {217, 143, 3, 5}};
    unsigned seed = 0;
    Pixels put_back;
    for (const auto& r : rows) {
        if (r.tree_seed != seed) tree = Noise(53, 71, seed = r.tree_seed);
        test_look = r.look;
        const Pixels changed = LayerFrame(r.w, r.h);
        ForgetBackdropCopy();
        const Pixels fresh = LayerFrame(r.w, r.h), copied = LayerFrame(r.w, r.h);
        put_back = LayerFrame(r.w, r.h);
        EXPECT_TRUE(changed == fresh && copied == fresh && put_back == fresh) << r.w << "," << r.h << " " << r.look;
    }
    const Pixels black(size_t(97) * 61 * 4, 0);
    glBindTexture(GL_TEXTURE_2D, background);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 97, 61, GL_RGBA, GL_UNSIGNED_BYTE, black.data());
    EXPECT_EQ(LayerFrame(217, 143), put_back);
    ForgetBackdropCopy();
    EXPECT_NE(LayerFrame(217, 143), put_back);
    // Once the layer is copied, the clock's next second is drawn into the copy's strip:
    // the pixels of a new layer.
    LayerFrame(217, 143), LayerFrame(217, 143), test_patch = 3;
    const Pixels patched = LayerFrame(217, 143), kept = LayerFrame(217, 143);
    ForgetBackdropCopy();
    EXPECT_TRUE(patched == LayerFrame(217, 143) && kept == patched);
}
