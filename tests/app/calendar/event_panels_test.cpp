// The list and editor panels drawn in a GL context, clicks and keys fed through the
// one-frame input state: the buttons reach the rules they should.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

#include <GL/gl.h>

#include "app/calendar/event_editor.h"
#include "app/calendar/event_list.h"
#include "app/frame.h"
#include "app/views.h"
#include "engine/input.h"
#include "platform/clock.h"
#include "gl_context.h"

namespace {

constexpr float kTrash[] = {485.12f, 486}, kConfirm[] = {476.62f, 436.5f};

class CalendarPanels : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_GL_CONTEXT();
        SetWindowSizeOverride(512, 512);  // one window pixel per GUI unit
        char tmpl[] = "/tmp/strigolo-panels-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir = tmpl;
        ASSERT_NE(nullptr, getcwd(old_cwd, sizeof old_cwd));
        ASSERT_EQ(0, chdir(dir.c_str()));
        ASSERT_EQ(0, system("mkdir Data"));
        // 2027-03-10, a Wednesday, 14:20, also on the wall clock the nested frame after a removal reads.
        now.tm_mday = 10, now.tm_mon = 2, now.tm_year = 127, now.tm_hour = 14, now.tm_min = 20, now.tm_wday = 3;
        setenv("TZ", "UTC", 1);
        tzset();
        SetWallClockForTesting(1804636800 + 14 * 3600 + 20 * 60);
        AddEvents(2);
        edit_event = &events.front();
        event_editor = EventEditorState{};
        event_list = EventListState{};
        reset_keys_state();
    }
    void TearDown() override {
        SetWindowSizeOverride(-1, -1);
        ClearClocksForTesting();
        events.clear();
        edit_event = nullptr;
        menu_case_id = -1;
        force_back_hm = false;
        if (!dir.empty()) {
            if (chdir(old_cwd) != 0) ADD_FAILURE() << "cannot return to " << old_cwd;
            std::system(("rm -rf '" + dir + "'").c_str());
        }
    }
    void AddEvents(int n) {
        for (int i = int(events.size()), end = i + n; i < end; ++i) {
            events.emplace_back(now);
            events.back().date.day = 11 + i;  // already in date order
            std::snprintf(events.back().title, 20, "evento %d", i);
        }
    }
    // One frame of the panel that menu_case_id selects, with an optional click.
    void Frame(float gx = -1, float gy = -1) {
        glClear(GL_COLOR_BUFFER_BIT);
        testing_gl::GuiProjection();
        timeinfo = &now;
        touch_coord_x = gx, touch_coord_y = 512 - gy, single_touch = gx >= 0;
        if (menu_case_id == 0) DrawEventList();
        else if (menu_case_id == 1 || menu_case_id == 2) DrawEventEditor();
        single_touch = false;
        reset_keys_state();
    }
    void Click(const float* p) { Frame(p[0], p[1]); }
    size_t DatabaseSize() {
        std::ifstream f("Data/database.bin", std::ios::binary | std::ios::ate);
        return f ? size_t(f.tellg()) : 0;
    }

    std::string dir;
    char old_cwd[4096];
    std::tm now{};
};

TEST_F(CalendarPanels, ArrowsScrollAThirteenEventList) {
    AddEvents(11);
    menu_case_id = 0;
    struct { float y; int swap; } arrows[] = {{389, 0}, {40, 1}, {40, 1}};  // up at the top; down once only
    for (const auto& a : arrows) EXPECT_EQ(a.swap, (Frame(485, a.y), event_list.swap)) << a.y;
    Frame(241.5f, 390 - 64);  // row 2 now holds event 3
    EXPECT_TRUE(menu_case_id == 1 && edit_event == EventAtIndex(events, 3));
    menu_case_id = 0;
    Frame(485, 389);
    EXPECT_EQ(0, event_list.swap);
}

TEST_F(CalendarPanels, EditModeArrowsTypingAndConfirm) {
    menu_case_id = 1;
    Frame(105, 410);  // day up
    Frame(256, 108);  // the description box takes the keys
    key_state['x'] = true;
    Frame();
    Click(kConfirm);
    const Event& e = events.front();
    EXPECT_TRUE(e.date.day == 12 && std::string(e.description) == "x" && menu_case_id == 0);
    EXPECT_EQ(4u + 2 * 572, DatabaseSize());
}

TEST_F(CalendarPanels, ViewModeIsReadOnlyItsCheckRemovesOnlyADueEventAndTrashRemovesAny) {
    Event& ahead = events.front();
    ahead.date.day = 10, ahead.time = {15, 5};  // 45 minutes ahead
    Event* due = &events.back();
    due->date.day = 10, due->time = {14, 0};
    event_editor.edit_tf = 1;  // a focus left over from edit mode
    menu_case_id = 2;
    key_state['z'] = true;
    Frame(243.5f, 486);  // the tabs do nothing here
    EXPECT_STREQ("evento 0", ahead.title);
    EXPECT_TRUE(ahead.type == kAppointment && ahead.notify_1h && !ahead.notify_hh);
    Click(kTrash);
    EXPECT_TRUE(menu_case_id == -1 && events.size() == 2);
    EXPECT_EQ(4u + 2 * 572, DatabaseSize());
    edit_event = due;
    menu_case_id = 2;
    Click(kTrash);
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(15, events.front().time.hour);
    EXPECT_EQ(4u + 572, DatabaseSize());

    // Binned in edit mode after being opened from its notification, with a field focused:
    // the list shows (drawn by a nested frame), with no return to the scene and no focus.
    edit_event = &events.front();
    menu_case_id = 1;
    force_back_hm = true;
    event_editor.edit_tf = 2;
    Click(kTrash);
    EXPECT_TRUE(!force_back_hm && event_editor.edit_tf == 0);
    EXPECT_TRUE(menu_case_id == 0 && events.empty() && edit_event == nullptr);
    EXPECT_EQ(4u, DatabaseSize());
}

}  // namespace
