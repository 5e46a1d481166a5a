// Render with the program's own pictures shows each state; STRIGOLO_SCENE_SHOTS=<folder>
// also writes each frame there as scene-<state>.ppm, the pictures of docs/SCENE.md.
#include <gtest/gtest.h>

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/scene/scene.h"
#include "app/views.h"
#include "audio/audio_engine.h"
#include "engine/input.h"
#include "engine/textures.h"
#include "fx/scintix.h"
#include "gl_context.h"
#include "platform/window.h"

namespace {

using Pixels = std::vector<unsigned char>;
using namespace testing_gl;
constexpr int kSize = 300;

// One step of the owl's behaviour, then one frame of Render as the display callback
// sets it up, saved when STRIGOLO_SCENE_SHOTS names a folder.
Pixels Shot(const char* name = nullptr, float dt = 0.0f) {
    int mx = 0, my = 0;
    EXPECT_TRUE(GetCursorInWindow(mx, my));
    scene_state.cursor = PointerToScene(mx, my, 0, 0, kSize, kSize);
    scene_look = SceneUpdate(scene_state, dt, scene_state.cursor);
    draw_time = dt;
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    GuiProjection();
    glEnable(GL_TEXTURE_2D);
    Render();
    const Pixels px = ReadFrame(kSize, kSize, GL_RGB);
    const char* dir = std::getenv("STRIGOLO_SCENE_SHOTS");
    FILE* f = dir && name ? std::fopen((std::string(dir) + "/scene-" + name + ".ppm").c_str(), "wb") : nullptr;
    EXPECT_TRUE(f || !dir || !name) << "cannot write into " << dir;
    if (!f) return px;
    std::fprintf(f, "P6\n%d %d\n255\n", kSize, kSize);
    for (int y = kSize - 1; y >= 0; --y) std::fwrite(&px[size_t(y) * kSize * 3], 1, kSize * 3, f);
    std::fclose(f);
    return px;
}

// Pixels of a GUI rectangle that differ clearly between two frames.
struct Box { float x0, y0, x1, y1; };
const Box kFace{200, 350, 330, 430}, kBelow{150, 60, 400, 250}, kNone{0, 0, 0, 0};
int Changed(const Pixels& a, const Pixels& b, Box r) {
    int n = 0;
    for (int y = int(r.y0 * kSize / 512); y < int(r.y1 * kSize / 512); ++y)
        for (int x = int(r.x0 * kSize / 512); x < int(r.x1 * kSize / 512); ++x)
            for (int c = 0, i = (y * kSize + x) * 3; c < 3; ++c)
                if (std::abs(int(a[i + c]) - int(b[i + c])) > 40) {
                    ++n;
                    break;
                }
    return n;
}

// Puts the real pointer (through the test hook) at GUI point (gx, gy) of the window.
void PointerAt(float gx, float gy) {
    SetCursorPosForTesting(true, glutGet(GLUT_WINDOW_X) + int(gx * kSize / 512),
                           glutGet(GLUT_WINDOW_Y) + int((512 - gy) * kSize / 512));
}
void HoverIcon(float gy) { touch_coord_x = 44.5f * kSize / 512, touch_coord_y = (512 - gy) * kSize / 512; }

class SceneRender : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_GL_CONTEXT();
        LoadAllTextures();
        sleep_fx.load("Data/sleep.zfx");
        smoke_fx.load("Data/smoke.zfx");
        static std::tm now{};  // the clock line: Friday 4 December 2026, 9:05:03
        now.tm_year = 126, now.tm_mon = 11, now.tm_mday = 4, now.tm_wday = 5, now.tm_hour = 9, now.tm_min = 5,
        now.tm_sec = 3;
        timeinfo = &now;
    }
    void TearDown() override { SetCursorPosForTesting(false); }
    // A calm owl, every timer far away, the pointer outside the window, low left.
    static void Calm() {
        anim = 0, n_notify = 0, menu_case_id = -1;
        spawn_question = new_notify = spawn_laugh = false;
        touch_coord_x = touch_coord_y = -100.0f;
        PointerAt(-60.0f, 330.0f);
        SceneState& s = scene_state = SceneState{};
        s.started = s.offer.started = true;
        s.offer.next_sq = s.next_ce = s.next_st = s.next_std = s.next_swap = 1e6f;
        sleep_fx.reset(), smoke_fx.reset();
        enable_sfx = true;  // the sound icon's usual picture
    }
};

TEST_F(SceneRender, EachStateShowsItsPictures) {
    Calm();
    const Pixels calm = Shot("stand");
    // Name, setting, frames drawn, compared with the previous row, a box that must change
    // by more than so many pixels, and one that must not.
    struct { const char* name; void (*set)(); int frames; bool vs_previous; Box changes; int at_least; Box unchanged; }
        rows[] = {
        {"stand2", [] { anim = 1; }, 1, false, {150, 150, 400, 450}, 500, kNone},
        {"blink", [] { scene_state.close_eyes = true; }, 1, false, kFace, 100, kBelow},
        {"pupils-right", [] { PointerAt(900.0f, 390.0f); }, 1, false, kFace, 20, kBelow},
        {"sleep-dozing", [] { anim = 2, scene_state.sleep_state = 1; }, 1, false, kFace, 0, kNone},
        {"sleep", [] { anim = 2, scene_state.sleep_state = 2; }, 90, true, {290, 400, 512, 512}, 20, kNone},
        {"laugh", [] { spawn_laugh = true; }, 4, false, kFace, 100, kNone},
        {"notify", [] { new_notify = true; }, 1, false, {380, 400, 500, 490}, 500, kNone},  // cloud
        {"question", [] { spawn_question = true; }, 30, true, {200, 440, 360, 512}, 100, kNone},
        {"sound-off", [] { enable_sfx = false; }, 1, false, {5, 5, 85, 85}, 100, {5, 90, 85, 505}},
        {"hover-search", [] { HoverIcon(255.0f); }, 1, false, {60, 255, 250, 275}, 30, {5, 300, 84, 500}},
        {"hover-calendar", [] { HoverIcon(465.0f); }, 1, false, {5, 425, 84, 505}, 100, kNone},
        {"hover-calendar-due", [] { HoverIcon(465.0f), n_notify = 2; }, 1, true, {5, 425, 84, 505}, 100, kNone},
    };
    Pixels previous = calm;
    for (const auto& r : rows) {
        Calm();
        r.set();
        for (int i = 1; i < r.frames; ++i) Shot(nullptr, 1.0f / 30.0f);
        const Pixels px = Shot(r.name, r.frames > 1 ? 1.0f / 30.0f : 0.0f);
        EXPECT_GT(Changed(r.vs_previous ? previous : calm, px, r.changes), r.at_least) << r.name;
        EXPECT_TRUE(r.unchanged.x1 == 0 || Changed(calm, px, r.unchanged) == 0) << r.name;
        previous = px;
    }
}

}  // namespace
