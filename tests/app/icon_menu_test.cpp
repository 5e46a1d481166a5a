// The icon menu without a window: which icon is hovered and clicked at a pointer
// position, enabling while events are due, the actions, the labels, the clock line,
// the tooltip's place and the project page's address.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "app/frame.h"
#include "app/icon_menu.h"
#include "app/scene.h"
#include "app/views.h"
#include "audio/audio_engine.h"
#include "engine/input.h"
#include "engine/textures.h"

namespace {

// Puts the pointer over GUI point (gx, gy) of a 300 by 300 window.
void PointAt(float gx, float gy) {
    touch_coord_x = gx * 300.0f / 512.0f;
    touch_coord_y = (512.0f - gy) * 300.0f / 512.0f;
}

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
        single_touch = false;
    }
    void TearDown() override {
        single_touch = false;
        SetWindowSizeOverride(-1, -1);
    }
    void Click(int icon) {
        PointAt(44.5f, kIconY[icon]);
        single_touch = true;
        IconMenuStep(s, help, false);
        single_touch = false;
    }
};

TEST_F(IconMenu, HoverShowsEachLabelAndNothingElsewhere) {
    const char* labels[kIconCount] = {"pianifica un nuovo evento", "interagisci con Strigolo",
                                      "apri il browser su DuckDuckGo", "visita il sito degli sviluppatori!",
                                      "abilita/disabilita il sonoro"};
    for (int i = 0; i < kIconCount; ++i) {
        PointAt(44.5f, kIconY[i]);
        IconMenuStep(s, help, false);
        EXPECT_STREQ(help, labels[i]);
        // Near the edge but inside, and just outside (edges are outside).
        PointAt(44.5f + 38.0f, kIconY[i] + 38.0f);
        IconMenuStep(s, help, false);
        EXPECT_STREQ(help, labels[i]);
    }
    PointAt(256.0f, 256.0f);
    IconMenuStep(s, help, false);
    EXPECT_STREQ(help, "");
    PointAt(44.5f, 505.5f);  // above the first icon's top edge (505)
    IconMenuStep(s, help, false);
    EXPECT_STREQ(help, "");
    EXPECT_EQ(menu_case_id, -1);
}

TEST_F(IconMenu, FirstTwoIconsIgnoreClicksWhileEventsAreDueButKeepLabels) {
    n_notify = 2;
    Click(0);
    EXPECT_EQ(menu_case_id, -1);
    EXPECT_STREQ(help, "pianifica un nuovo evento");
    Click(1);
    EXPECT_FALSE(spawn_question);
    EXPECT_STREQ(help, "interagisci con Strigolo");
    Click(4);  // the others still work
    EXPECT_FALSE(enable_sfx);

    IconSpec icons[kIconCount];
    IconMenuIcons(2, true, icons);
    EXPECT_FALSE(icons[0].enabled);
    EXPECT_FALSE(icons[1].enabled);
    EXPECT_TRUE(icons[2].enabled && icons[3].enabled && icons[4].enabled);
}

TEST_F(IconMenu, CalendarIconOpensTheListAndEndsTheLaugh) {
    s.laugh = true;
    s.bt = 3.0f;
    s.lte = 4.0f;
    Click(0);
    EXPECT_EQ(menu_case_id, 0);
    EXPECT_FALSE(s.laugh);
    EXPECT_EQ(s.bt, 0.0f);
    EXPECT_EQ(s.lte, 0.0f);
}

TEST_F(IconMenu, QuestionIconOffersAQuestion) {
    Click(1);
    EXPECT_TRUE(spawn_question);
    EXPECT_EQ(menu_case_id, -1);
}

TEST_F(IconMenu, SoundIconTogglesAndPicksItsPictureFromTheSwitch) {
    icns[3] = 41;
    icns[4] = 42;
    IconSpec icons[kIconCount];
    IconMenuIcons(0, true, icons);
    EXPECT_EQ(icons[4].texture, 41u);
    IconMenuIcons(0, false, icons);
    EXPECT_EQ(icons[4].texture, 42u);
    Click(4);
    EXPECT_FALSE(enable_sfx);
    Click(4);
    EXPECT_TRUE(enable_sfx);
    // Holding the pointer there without a new press changes nothing.
    IconMenuStep(s, help, false);
    EXPECT_TRUE(enable_sfx);
    icns[3] = icns[4] = 0;
}

TEST_F(IconMenu, BrowserIconsOpenTheirAddressAndMoveThePointerToTheMiddle) {
    // A recording stand-in for xdg-open first on the PATH.
    char dir_template[] = "/tmp/strigolo-xdg-XXXXXX";
    ASSERT_NE(mkdtemp(dir_template), nullptr);
    const std::string dir = dir_template;
    const std::string log = dir + "/opened.txt";
    {
        std::ofstream stub(dir + "/xdg-open");
        stub << "#!/bin/sh\necho \"$1\" >> '" << log << "'\n";
    }
    chmod((dir + "/xdg-open").c_str(), 0755);
    const std::string old_path = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", (dir + ":" + old_path).c_str(), 1);

    Click(2);
    EXPECT_EQ(touch_coord_x, 256.0f);
    EXPECT_EQ(touch_coord_y, 256.0f);
    // Window pixel (256, 256) is below and right of every icon: nothing stays hovered.
    IconMenuStep(s, help, false);
    EXPECT_STREQ(help, "");
    Click(3);

    std::string lines;
    for (int i = 0; i < 100; ++i) {
        std::ifstream in(log);
        std::stringstream ss;
        ss << in.rdbuf();
        lines = ss.str();
        if (std::count(lines.begin(), lines.end(), '\n') >= 2) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    setenv("PATH", old_path.c_str(), 1);
    EXPECT_NE(lines.find("https://duckduckgo.com/\n"), std::string::npos) << lines;
    EXPECT_NE(lines.find(ProjectPageUrl() + "\n"), std::string::npos) << lines;
    std::remove(log.c_str());
    std::remove((dir + "/xdg-open").c_str());
    rmdir(dir.c_str());
}

TEST(ProjectPage, AddressIsAFileUrlOfThePageInData) {
    EXPECT_EQ(FileUrl("/tmp/a b/Data/strigolo.html"), "file:///tmp/a%20b/Data/strigolo.html");
    EXPECT_EQ(FileUrl("/x/%#?\xc3\xa8"), "file:///x/%25%23%3F%C3%A8");
    // The tests run in the build folder, where Data/ is built with the page.
    const std::string url = ProjectPageUrl();
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(url, FileUrl(std::string(cwd) + "/Data/strigolo.html"));
    std::ifstream page(std::string(cwd) + "/Data/strigolo.html");
    std::stringstream ss;
    ss << page.rdbuf();
    EXPECT_NE(ss.str().find("Strigolo"), std::string::npos);
    EXPECT_NE(ss.str().find("lang=\"it\""), std::string::npos);
}

TEST(ClockLine, NoFieldIsPadded) {
    std::tm t{};
    t.tm_mday = 4;
    t.tm_mon = 11;
    t.tm_year = 126;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 3;
    char line[64];
    FormatClockLine(t, "ven", line, sizeof line);
    EXPECT_STREQ(line, "ven 4/12/2026 9:5.3");
    t.tm_mday = 31;
    t.tm_mon = 0;
    t.tm_hour = 23;
    t.tm_min = 59;
    t.tm_sec = 59;
    FormatClockLine(t, "merc", line, sizeof line);
    EXPECT_STREQ(line, "merc 31/1/2026 23:59.59");
}

TEST(Tooltip, StartsRightOfThePointerAtItsHeight) {
    int x = 0, y = 0;
    ASSERT_TRUE(TooltipPosition(150.0f, 150.0f, 300, 300, x, y));
    EXPECT_EQ(x, 271);
    EXPECT_EQ(y, 256);
    ASSERT_TRUE(TooltipPosition(26.0f, 299.0f, 300, 300, x, y));
    EXPECT_EQ(x, 44 + 15);  // 26 * 512 / 300 = 44.37, truncated
    EXPECT_EQ(y, 512 - 510);
    EXPECT_FALSE(TooltipPosition(10.0f, 10.0f, 0, 300, x, y));
    EXPECT_FALSE(TooltipPosition(10.0f, 10.0f, 300, 0, x, y));
}

}  // namespace
