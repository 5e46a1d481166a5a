// Render with the program's own pictures, states chosen through SceneState: each
// state shows what it should (pose, shut eyes, hat, thought cloud, sleep effect,
// sound icon, label). With STRIGOLO_SCENE_SHOTS=<folder> each frame is also written
// there as scene-<state>.ppm, the pictures of docs/SCENE.md.
#include <gtest/gtest.h>

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/scene.h"
#include "app/views.h"
#include "audio/audio_engine.h"
#include "engine/input.h"
#include "engine/textures.h"
#include "fx/scintix.h"
#include "gl_context.h"
#include "platform/window.h"

namespace {

using Pixels = std::vector<unsigned char>;
constexpr int kSize = 300;

// One frame as the program's display callback sets it up around Render.
Pixels RenderFrame(float dt) {
    global_time = dt;
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, 512, 0, 512, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glPushMatrix();
    glEnable(GL_TEXTURE_2D);
    Render();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glFinish();
    Pixels px(kSize * kSize * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kSize, kSize, GL_RGB, GL_UNSIGNED_BYTE, px.data());
    return px;
}

void Save(const Pixels& px, const char* name) {
    const char* dir = std::getenv("STRIGOLO_SCENE_SHOTS");
    if (!dir) return;
    const std::string path = std::string(dir) + "/scene-" + name + ".ppm";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fprintf(f, "P6\n%d %d\n255\n", kSize, kSize);
    for (int y = kSize - 1; y >= 0; --y) std::fwrite(&px[size_t(y) * kSize * 3], 1, kSize * 3, f);
    std::fclose(f);
}

// Pixels of a GUI rectangle that differ clearly between two frames.
int Changed(const Pixels& a, const Pixels& b, float gx0, float gy0, float gx1, float gy1) {
    int n = 0;
    for (int y = int(gy0 * kSize / 512); y < int(gy1 * kSize / 512); ++y)
        for (int x = int(gx0 * kSize / 512); x < int(gx1 * kSize / 512); ++x) {
            const size_t i = (size_t(y) * kSize + x) * 3;
            int d = 0;
            for (int c = 0; c < 3; ++c) d = std::max(d, std::abs(int(a[i + c]) - int(b[i + c])));
            n += d > 40;
        }
    return n;
}

// Puts the real pointer (through the test hook) at GUI point (gx, gy) of the window.
void PointerAt(float gx, float gy) {
    SetCursorPosForTesting(true, glutGet(GLUT_WINDOW_X) + int(gx * kSize / 512),
                           glutGet(GLUT_WINDOW_Y) + int((512 - gy) * kSize / 512));
}

class SceneRender : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_GL_CONTEXT();
        static bool loaded = false;
        if (!loaded) {
            LoadAllTextures();
            sleep_fx.load("Data/sleep.zfx");
            smoke_fx.load("Data/smoke.zfx");
            loaded = true;
        }
        // A calm owl: every timer far away, the pointer outside the window, low left.
        scene_state = SceneState{};
        RenderFrame(0.0f);  // the first call draws the timers; then they are pushed away
        scene_state = SceneState{};
        scene_state.started = scene_state.offer.started = true;
        scene_state.offer.next_sq = scene_state.next_ce = scene_state.next_st = 1e6f;
        scene_state.next_std = scene_state.next_swap = 1e6f;
        anim = 0;
        spawn_question = new_notify = spawn_laugh = false;
        n_notify = 0;
        enable_sfx = true;  // the sound icon's usual picture; tests switch it off where a sound would start
        menu_case_id = -1;
        touch_coord_x = touch_coord_y = -100.0f;
        PointerAt(-60.0f, 330.0f);
        sleep_fx.reset();
        smoke_fx.reset();
    }
    void TearDown() override {
        SetCursorPosForTesting(false);
        spawn_question = new_notify = false;
        enable_sfx = true;
        anim = 0;
    }
};

TEST_F(SceneRender, PosesAndShutEyesShowTheirOwnPictures) {
    const Pixels stand = RenderFrame(0.0f);
    Save(stand, "stand");
    EXPECT_EQ(anim, 0);
    anim = 1;
    const Pixels stand2 = RenderFrame(0.0f);
    Save(stand2, "stand2");
    EXPECT_EQ(anim, 1);
    EXPECT_GT(Changed(stand, stand2, 150, 150, 400, 450), 500);
    anim = 0;
    scene_state.close_eyes = true;
    const Pixels blink = RenderFrame(0.0f);
    Save(blink, "blink");
    // Only the eyes change: the face region, not the body below.
    EXPECT_GT(Changed(stand, blink, 200, 350, 330, 430), 100);
    EXPECT_EQ(Changed(stand, blink, 150, 60, 400, 250), 0);
}

TEST_F(SceneRender, PupilsFollowThePointer) {
    PointerAt(-300.0f, 390.0f);
    const Pixels left = RenderFrame(0.0f);
    PointerAt(900.0f, 390.0f);
    const Pixels right = RenderFrame(0.0f);
    EXPECT_GT(Changed(left, right, 200, 350, 330, 430), 20);
    EXPECT_EQ(Changed(left, right, 150, 60, 400, 250), 0);
}

TEST_F(SceneRender, DeepSleepShowsItsPictureAndTheSleepEffect) {
    anim = 2;
    scene_state.sleep_state = 1;
    const Pixels dozing = RenderFrame(0.0f);
    Save(dozing, "sleep-dozing");
    scene_state.sleep_state = 2;
    Pixels asleep;
    for (int i = 0; i < 90; ++i) asleep = RenderFrame(1.0f / 30.0f);
    Save(asleep, "sleep");
    EXPECT_EQ(anim, 2);
    EXPECT_EQ(scene_state.sleep_state, 2);
    EXPECT_GT(Changed(dozing, asleep, 200, 350, 330, 430), 100);  // shut eyes
    // The effect rises from GUI (307, 395) while the owl itself stays put.
    EXPECT_GT(Changed(dozing, asleep, 290, 400, 512, 512), 20);
}

TEST_F(SceneRender, LaughShutsTheEyesAndBouncesTheBody) {
    const Pixels calm = RenderFrame(0.0f);
    enable_sfx = false;  // no laugh sound in the tests (it starts with the first frame)
    spawn_laugh = true;
    Pixels laugh = RenderFrame(0.02f);
    enable_sfx = true;
    for (int i = 0; i < 3; ++i) laugh = RenderFrame(0.02f);
    Save(laugh, "laugh");
    EXPECT_TRUE(scene_state.laugh);
    EXPECT_TRUE(scene_state.close_eyes);
    EXPECT_GT(Changed(calm, laugh, 200, 350, 330, 430), 100);
}

TEST_F(SceneRender, AttentionWearsTheHatUnderAThoughtCloud) {
    const Pixels calm = RenderFrame(0.0f);
    new_notify = true;
    const Pixels notified = RenderFrame(0.0f);
    Save(notified, "notify");
    new_notify = false;
    // The cloud and its bubbles, at the upper right; no hat for a notification.
    EXPECT_GT(Changed(calm, notified, 380, 400, 500, 490), 500);
    enable_sfx = false;  // no question sound in the tests (it starts with the first frame)
    spawn_question = true;
    Pixels question = RenderFrame(1.0f / 30.0f);
    enable_sfx = true;
    for (int i = 0; i < 29; ++i) question = RenderFrame(1.0f / 30.0f);
    Save(question, "question");
    EXPECT_GT(Changed(notified, question, 200, 440, 360, 512), 100);  // the hat
    EXPECT_TRUE(spawn_question);
}

TEST_F(SceneRender, HoverLabelsAndTheSoundIcon) {
    const Pixels calm = RenderFrame(0.0f);
    enable_sfx = false;
    const Pixels sound_off = RenderFrame(0.0f);
    enable_sfx = true;
    EXPECT_GT(Changed(calm, sound_off, 5, 5, 85, 85), 100);
    EXPECT_EQ(Changed(calm, sound_off, 5, 90, 85, 505), 0);
    Save(sound_off, "sound-off");
    // The pointer over the search icon (44.5, 255): tinted icon and its label.
    touch_coord_x = 44.5f * kSize / 512;
    touch_coord_y = (512 - 255) * float(kSize) / 512;
    const Pixels hover = RenderFrame(0.0f);
    Save(hover, "hover-search");
    EXPECT_GT(Changed(calm, hover, 60, 255, 250, 275), 30);   // the label
    EXPECT_GT(Changed(calm, hover, 5, 215, 84, 295), 100);    // the tint
    EXPECT_EQ(Changed(calm, hover, 5, 300, 84, 500), 0);      // other icons untouched
    touch_coord_x = 44.5f * kSize / 512;
    touch_coord_y = (512 - 465) * float(kSize) / 512;
    Save(RenderFrame(0.0f), "hover-calendar");
    n_notify = 2;  // events due: the first two icons grey, their labels still shown
    const Pixels due = RenderFrame(0.0f);
    Save(due, "hover-calendar-due");
    n_notify = 0;
    EXPECT_GT(Changed(calm, due, 5, 425, 84, 505), 100);
}

}  // namespace
