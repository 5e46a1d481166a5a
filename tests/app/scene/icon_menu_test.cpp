// The icon menu without a window: hover and click at chosen pointer positions, the
// icons disabled while events are due, the clock line and the tooltip's place.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "app/frame.h"
#include "app/scene/icon_menu.h"
#include "app/scene/scene.h"
#include "app/views.h"
#include "audio/audio_engine.h"
#include "engine/input.h"

namespace {

const float kIconY[kIconCount] = {465.0f, 360.0f, 255.0f, 150.0f, 45.0f};

class IconMenu : public ::testing::Test {
protected:
    SceneState s;
    char help[512];
    void SetUp() override {
        SetWindowSizeOverride(300, 300);
        menu_case_id = -1;
        n_notify = 0;
        spawn_question = false;
        enable_sfx = true;
    }
    void TearDown() override { SetWindowSizeOverride(-1, -1); }
    // One menu step with the pointer over GUI point (gx, gy) of the 300 by 300 window.
    void StepAt(float gx, float gy, bool press = false) {
        touch_coord_x = gx * 300.0f / 512.0f;
        touch_coord_y = (512.0f - gy) * 300.0f / 512.0f;
        single_touch = press;
        IconMenuStep(s, help);
        single_touch = false;
    }
};

TEST_F(IconMenu, HoverShowsTheLabelOfTheIconUnderThePointer) {
    const char* labels[kIconCount] = {"pianifica un nuovo evento", "interagisci con Strigolo",
                                      "apri il browser su DuckDuckGo", "visita il sito degli sviluppatori!",
                                      "abilita/disabilita il sonoro"};
    for (int i = 0; i < kIconCount; ++i) {
        StepAt(44.5f, kIconY[i]);
        EXPECT_STREQ(help, labels[i]);
        StepAt(44.5f + 38.0f, kIconY[i] + 38.0f);  // near the corner, still inside
        EXPECT_STREQ(help, labels[i]);
    }
    StepAt(256.0f, 256.0f);
    EXPECT_STREQ(help, "");
    StepAt(44.5f, 505.5f);  // above the first icon's top edge (505)
    EXPECT_STREQ(help, "");
    EXPECT_EQ(menu_case_id, -1);
}

TEST_F(IconMenu, FirstTwoIconsIgnoreClicksWhileEventsAreDueButKeepTheirLabels) {
    for (int due : {2, 0}) {
        n_notify = due, menu_case_id = -1, spawn_question = false, s.laugh = true;
        StepAt(44.5f, kIconY[0], true);
        EXPECT_EQ(menu_case_id, due ? -1 : 0) << due;
        EXPECT_EQ(s.laugh, due != 0) << "the calendar icon ends the laugh";
        EXPECT_STREQ(help, "pianifica un nuovo evento");
        StepAt(44.5f, kIconY[1], true);
        EXPECT_EQ(spawn_question, due == 0) << due;
        EXPECT_STREQ(help, "interagisci con Strigolo");
        StepAt(44.5f, kIconY[4], true);  // the sound switch works either way
        EXPECT_EQ(enable_sfx, due == 0) << due;
    }
}

TEST_F(IconMenu, ClickRunsBeforeHoverSoABrowserClickLeavesNoLabel) {
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", "/nonexistent", 1);  // no browser starts
    StepAt(44.5f, kIconY[2], true);
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(touch_coord_x, 256.0f);  // the pointer was taken to the window's middle
    EXPECT_STREQ(help, "");
    EXPECT_EQ(FileUrl("/x/a b%#?\xc3\xa8"), "file:///x/a%20b%25%23%3F%C3%A8");
}

TEST(ClockLine, NoFieldIsPadded) {
    struct { int mday, mon, hour, min, sec; const char *wday, *line; } rows[] = {
        {4, 11, 9, 5, 3, "ven", "ven 4/12/2026 9:5.3"}, {31, 0, 23, 59, 59, "merc", "merc 31/1/2026 23:59.59"}};
    for (const auto& r : rows) {
        std::tm t{};
        t.tm_mday = r.mday, t.tm_mon = r.mon, t.tm_year = 126, t.tm_hour = r.hour, t.tm_min = r.min, t.tm_sec = r.sec;
        char line[64];
        FormatClockLine(t, r.wday, line, sizeof line);
        EXPECT_STREQ(line, r.line);
    }
}

TEST(Tooltip, StartsRightOfThePointerAtItsHeight) {
    // Pointer in window pixels; 26 * 512 / 300 = 44.37 is truncated.
    struct { float px, py; int w, h; bool shown; int x, y; } rows[] = {
        {150, 150, 300, 300, true, 271, 256}, {26, 299, 300, 300, true, 44 + 15, 512 - 510},
        {300, 300, 600, 600, true, 271, 256}, {52, 598, 600, 600, true, 44 + 15, 512 - 510},  // twice the size
        {10, 10, 0, 300, false, 0, 0}, {10, 10, 300, 0, false, 0, 0}};
    for (const auto& r : rows) {
        int x = 0, y = 0;
        EXPECT_EQ(TooltipPosition(r.px, r.py, r.w, r.h, x, y), r.shown) << r.px << "," << r.py;
        EXPECT_TRUE(!r.shown || (x == r.x && y == r.y)) << x << "," << y;
    }
}

}  // namespace
