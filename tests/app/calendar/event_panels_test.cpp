// The list and editor panels drawn in a GL context, clicks and keys fed through the
// one-frame input state: the buttons reach the rules they should.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <GL/gl.h>

#include "app/calendar/calendar_file.h"
#include "app/calendar/event_editor.h"
#include "app/calendar/event_list.h"
#include "app/frame.h"
#include "app/views.h"
#include "calendar_helpers.h"
#include "engine/input.h"
#include "gl_context.h"
#include "platform/clock.h"

namespace {

// GUI points of the trash (the corner button), the confirm, a list row and the list's arrows.
constexpr float kTrash[] = {485.12f, 486}, kConfirm[] = {476.62f, 436.5f}, kRow2[] = {241.5f, 326},
                kUp[] = {485, 389}, kDown[] = {485, 40};

class CalendarPanels : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_GL_CONTEXT();
        SetWindowSizeOverride(512, 512);  // one window pixel per GUI unit
        char tmpl[] = "/tmp/strigolo-panels-XXXXXX";
        ASSERT_TRUE(mkdtemp(tmpl) && getcwd(old_cwd, sizeof old_cwd));
        dir = tmpl;
        ASSERT_TRUE(chdir(tmpl) == 0 && mkdir("Data", 0755) == 0);
        // 2027-03-10, a Wednesday, 14:20, also on the wall clock a nested frame reads.
        setenv("TZ", "UTC", 1);
        tzset();
        SetWallClockForTesting(1804636800 + 14 * 3600 + 20 * 60);
        events.clear(), event_editor = {}, event_list = {}, calendar_store = {}, force_back_hm = false;
        for (int i = 0; i < 13; ++i) events.push_back(Ev(("evento " + std::to_string(i)).c_str(), 0, {11 + i, 3, 2027}));
        edit_event = &events.front();
        reset_keys_state();
    }
    void TearDown() override {
        SetWindowSizeOverride(-1, -1);
        ClearClocksForTesting();
        if (!dir.empty() && chdir(old_cwd) != 0) ADD_FAILURE() << "cannot return to " << old_cwd;
        if (!dir.empty()) std::system(("rm -rf '" + dir + "'").c_str());
    }
    // One frame of the panel that menu_case_id selects, with an optional click.
    void Click(const float* p = nullptr) {
        glClear(GL_COLOR_BUFFER_BIT);
        testing_gl::GuiProjection();
        timeinfo = &now;
        touch_coord_x = p ? p[0] : -1, touch_coord_y = p ? 512 - p[1] : -1, single_touch = p != nullptr;
        if (menu_case_id == kMenuList) DrawEventList();
        if (menu_case_id == kMenuEdit || menu_case_id == kMenuView) DrawEventEditor();
        single_touch = false;
        reset_keys_state();
    }
    size_t Saved() { return Get("Data/database.bin").size(); }

    std::string dir;
    char old_cwd[4096];
    std::tm now = At(2027, 3, 10, 14, 20, 3);
};

TEST_F(CalendarPanels, ArrowsScrollAThirteenEventListAndARowOpensItsEvent) {
    menu_case_id = kMenuList;
    for (auto* arrow : {kUp, kDown, kDown}) Click(arrow);  // up at the top; down once only
    EXPECT_EQ(1, event_list.swap);
    Click(kRow2);  // row 2 now holds event 3
    EXPECT_TRUE(menu_case_id == kMenuEdit && edit_event == EventAtIndex(events, 3));
    menu_case_id = kMenuList;
    Click(kUp);
    EXPECT_EQ(0, event_list.swap);
}

TEST_F(CalendarPanels, EditModeArrowsTypingAndConfirm) {
    menu_case_id = kMenuEdit;
    const float day_up[] = {105, 410}, description[] = {256, 108};
    Click(day_up);
    Click(description);  // the description box takes the keys
    key_state['x'] = true;
    Click();
    Click(kConfirm);
    EXPECT_TRUE(events.front().date.day == 12 && std::string(events.front().description) == "x" && menu_case_id == kMenuList);
    EXPECT_EQ(4u + 13 * 572, Saved());
}

// View mode: tabs and keys do nothing, a focus left from edit mode neither; its check
// removes only a due event. The trash in edit mode after a notification: the list,
// drawn by a nested frame, with no return to the scene and no focus.
TEST_F(CalendarPanels, ViewModeIsReadOnlyAndTheTrashRemovesOnlyWhatItShould) {
    events.resize(2);
    Event &ahead = events.front(), *due = &events.back();
    ahead.date.day = due->date.day = 10, ahead.time = {15, 5}, due->time = {14, 0};  // 45 minutes ahead; due
    event_editor.edit_tf = 1;
    menu_case_id = kMenuView;
    key_state['z'] = true;
    const float tab[] = {243.5f, 486};
    Click(tab);
    EXPECT_TRUE(Titles({ahead}) == "evento 0" && ahead.type == kAppointment && ahead.notify_1h && !ahead.notify_hh);
    Click(kTrash);
    EXPECT_TRUE(menu_case_id == kMenuScene && events.size() == 2 && Saved() == 4u + 2 * 572);
    edit_event = due, menu_case_id = kMenuView;
    Click(kTrash);
    EXPECT_TRUE(Titles(events) == "evento 0" && Saved() == 4u + 572);
    edit_event = &events.front(), menu_case_id = kMenuEdit, force_back_hm = true, event_editor.edit_tf = 2;
    Click(kTrash);
    EXPECT_TRUE(!force_back_hm && event_editor.edit_tf == 0 && menu_case_id == kMenuList);
    EXPECT_TRUE(events.empty() && edit_event == nullptr && Saved() == 4u);
}

}  // namespace
