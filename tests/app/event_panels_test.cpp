// The list and editor panels drawn for real in a GL context, with clicks and keys
// fed through the one-frame input state: the buttons reach the rules they should.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include <GL/gl.h>

#include "app/event_editor.h"
#include "app/event_list.h"
#include "app/frame.h"
#include "app/views.h"
#include "engine/input.h"
#include "platform/clock.h"
#include "gl_context.h"

namespace {

class CalendarPanels : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_GL_CONTEXT();
        // One window pixel per GUI unit, so a click lands exactly where it is aimed.
        SetWindowSizeOverride(512, 512);
        char tmpl[] = "/tmp/strigolo-panels-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir = tmpl;
        ASSERT_NE(nullptr, getcwd(old_cwd, sizeof old_cwd));
        ASSERT_EQ(0, chdir(dir.c_str()));
        ASSERT_EQ(0, system("mkdir Data"));
        // 2027-03-10, a Wednesday, 14:20.
        now = std::tm{};
        now.tm_mday = 10, now.tm_mon = 2, now.tm_year = 127, now.tm_hour = 14, now.tm_min = 20;
        now.tm_wday = 3;
        timeinfo = &now;
        // The nested frame after a removal reads the wall clock itself: same instant.
        setenv("TZ", "UTC", 1);
        tzset();
        SetWallClockForTesting(1804636800 + 14 * 3600 + 20 * 60);
        events.clear();
        edit_event = nullptr;
        event_list = EventListState{};
        event_editor = EventEditorState{};
        force_back_hm = false;
        single_touch = false;
        reset_keys_state();
    }
    void TearDown() override {
        SetWindowSizeOverride(-1, -1);
        ClearClocksForTesting();
        events.clear();
        edit_event = nullptr;
        menu_case_id = -1;
        if (!dir.empty()) {
            if (chdir(old_cwd) != 0) ADD_FAILURE() << "cannot return to " << old_cwd;
            std::system(("rm -rf '" + dir + "'").c_str());
        }
    }

    // One frame of the panel that menu_case_id selects, with an optional click.
    void Frame(float gx = -1, float gy = -1) {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, 512, 0, 512, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        timeinfo = &now;
        if (gx >= 0) {
            touch_coord_x = gx;
            touch_coord_y = 512 - gy;
            single_touch = true;
        }
        if (menu_case_id == 0) DrawEventList();
        else if (menu_case_id == 1 || menu_case_id == 2) DrawEventEditor(menu_case_id == 2);
        single_touch = false;
        reset_keys_state();
        touch_coord_x = touch_coord_y = 0;
    }

    std::vector<unsigned char> Database() {
        std::ifstream f("Data/database.bin", std::ios::binary);
        return std::vector<unsigned char>(std::istreambuf_iterator<char>(f), {});
    }

    void AddEvents(int n) {
        for (int i = 0; i < n; ++i) {
            Event e{now};
            e.date.day = 11 + i;  // already in date order
            std::snprintf(e.title, sizeof e.title, "evento %d", i);
            events.push_back(e);
        }
    }

    std::string dir;
    char old_cwd[4096];
    std::tm now;
};

TEST_F(CalendarPanels, EmptyListAddsAnEventAndOpensItUnsaved) {
    menu_case_id = 0;
    Frame(241.5f, 390);  // an empty row: nothing happens
    EXPECT_EQ(0, menu_case_id);
    EXPECT_EQ(nullptr, edit_event);
    Frame(447.12f, 436.5f);  // add_entry
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(&events.back(), edit_event);
    EXPECT_EQ(1, menu_case_id);
    EXPECT_EQ(14, edit_event->time.hour);
    EXPECT_TRUE(Database().empty());  // nothing written until the editor confirms
}

TEST_F(CalendarPanels, ArrowsScrollAThirteenEventList) {
    AddEvents(13);
    menu_case_id = 0;
    Frame(485, 389);  // up at the top: stays
    EXPECT_EQ(0, event_list.swap);
    Frame(485, 40);
    EXPECT_EQ(1, event_list.swap);
    Frame(485, 40);  // no event below the page any more
    EXPECT_EQ(1, event_list.swap);
    // Row 2 now holds event 3.
    Frame(241.5f, 390 - 64);
    EXPECT_EQ(EventAtIndex(events, 3), edit_event);
    EXPECT_EQ(1, menu_case_id);
    menu_case_id = 0;
    Frame(485, 389);
    EXPECT_EQ(0, event_list.swap);
    Frame(485.12f, 486);  // close
    EXPECT_EQ(-1, menu_case_id);
}

TEST_F(CalendarPanels, RowBandsFollowTheEvents) {
    AddEvents(13);
    menu_case_id = 0;
    auto row_grey = [&](int row) {
        // A point of the row box away from its texts.
        return testing_gl::ReadPixel(testing_gl::GuiToPixelX(455), testing_gl::GuiToPixelY(390 - 32.0f * row + 10))[0];
    };
    Frame();
    int top = row_grey(0), second = row_grey(1);
    EXPECT_NEAR(0.35 * 255, top, 3);
    EXPECT_NEAR(0.25 * 255, second, 3);
    event_list.swap = 1;
    Frame();
    EXPECT_NEAR(0.25 * 255, row_grey(0), 3);
    EXPECT_NEAR(0.35 * 255, row_grey(1), 3);
}

TEST_F(CalendarPanels, EditModeArrowsTabsTypingAndConfirm) {
    AddEvents(1);
    edit_event = &events.front();
    edit_event->notify = true;
    menu_case_id = 1;
    Frame(105, 410);  // iday
    EXPECT_EQ(12, edit_event->date.day);
    EXPECT_FALSE(edit_event->notify);
    Frame(150, 266);  // dmin
    EXPECT_EQ(59, edit_event->time.min);

    Frame(243.5f, 486);  // weekly tab
    EXPECT_EQ(1, edit_event->type);
    Frame(150, 362);  // dwday
    EXPECT_EQ(2, edit_event->wday);
    Frame(391.5f, 486);  // reminder tab
    Frame(215, 365);     // irm
    EXPECT_EQ(1, edit_event->remind_mode);

    // The title box takes the focus; typing shows from the frame after.
    std::memset(edit_event->title, 0, sizeof edit_event->title);
    Frame(120, 220);
    EXPECT_EQ(1, event_editor.edit_tf);
    key_state['O'] = true;
    Frame();
    key_state['k'] = true;
    Frame();
    EXPECT_STREQ("Ok", edit_event->title);
    Frame(256, 108);  // the description box
    EXPECT_EQ(2, event_editor.edit_tf);
    key_state['x'] = true;
    Frame();
    EXPECT_STREQ("x", edit_event->description);
    Frame(400, 300);  // outside both boxes
    EXPECT_EQ(0, event_editor.edit_tf);
    key_state['y'] = true;
    Frame();
    EXPECT_STREQ("Ok", edit_event->title);
    EXPECT_STREQ("x", edit_event->description);

    edit_event->remind_te = 500;
    Frame(476.62f, 436.5f);  // confirm
    EXPECT_EQ(0, menu_case_id);
    EXPECT_EQ(0.0f, events.front().remind_te);
    std::vector<unsigned char> db = Database();
    ASSERT_EQ(576u, db.size());
    EXPECT_EQ('O', db[4]);
}

TEST_F(CalendarPanels, ViewModeIsReadOnlyAndAcknowledges) {
    AddEvents(1);
    Event& e = events.front();
    e.date.day = 10;
    e.time = {15, 5};  // 45 minutes ahead
    std::strcpy(e.title, "Treno");
    edit_event = &e;
    event_editor.edit_tf = 1;  // a focus left over from edit mode
    menu_case_id = 2;
    key_state['z'] = true;
    Frame();
    EXPECT_TRUE(e.notify_1h);
    EXPECT_FALSE(e.notify_hh);
    EXPECT_STREQ("Treno", e.title);
    Frame(243.5f, 486);  // tabs do nothing here
    EXPECT_EQ(0, e.type);
    Frame(120, 220);
    EXPECT_EQ(0, event_editor.edit_tf);
}

TEST_F(CalendarPanels, ConfirmFromAReminderGoesBackToTheScene) {
    AddEvents(1);
    edit_event = &events.front();
    edit_event->type = 2;
    force_back_hm = true;
    menu_case_id = 1;
    Frame(476.62f, 436.5f);
    EXPECT_EQ(-1, menu_case_id);
    EXPECT_FALSE(force_back_hm);
}

TEST_F(CalendarPanels, RemoveInEditModeSavesAndShowsTheListAtOnce) {
    AddEvents(2);
    edit_event = &events.back();
    menu_case_id = 1;
    force_back_hm = true;  // opened from its notification
    Frame(485.12f, 486);  // trash; the nested frame draws the list
    EXPECT_EQ(0, menu_case_id);
    EXPECT_FALSE(force_back_hm) << "the next event opened from the list returns to it";
    EXPECT_EQ(nullptr, edit_event);
    ASSERT_EQ(1u, events.size());
    EXPECT_STREQ("evento 0", events.front().title);
    EXPECT_EQ(4u + 572, Database().size());
}

TEST_F(CalendarPanels, DismissKeepsAnEventStillAheadAndRemovesADueOne) {
    AddEvents(2);
    Event& ahead = events.front();
    ahead.date.day = 10, ahead.time = {15, 5};
    Event& due = events.back();
    due.date.day = 10, due.time = {14, 0};
    edit_event = &ahead;
    menu_case_id = 2;
    Frame(485.12f, 486);
    EXPECT_EQ(-1, menu_case_id);
    EXPECT_EQ(2u, events.size());
    EXPECT_EQ(4u + 2 * 572, Database().size());

    edit_event = &due;
    menu_case_id = 2;
    Frame(485.12f, 486);
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(15, events.front().time.hour);
    EXPECT_EQ(4u + 572, Database().size());
}

}  // namespace
