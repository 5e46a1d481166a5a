// The reminder scan with chosen clocks, with the editor's acknowledgement rules that
// answer it: when events are due, which one the button opens, when the store is saved.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>

#include "app/event_editor.h"
#include "app/frame.h"
#include "app/reminders.h"
#include "app/scene.h"
#include "app/views.h"

namespace {

std::tm At(int day, int hour, int min, int wday = 5, int month = 12) {  // 2026-12-04 is a Friday
    std::tm t{};
    t.tm_year = 126, t.tm_mon = month - 1, t.tm_mday = day;
    t.tm_hour = hour, t.tm_min = min, t.tm_wday = wday;
    return t;
}
std::tm Friday(int hour, int min) { return At(4, hour, min); }

Event Make(int type, const char* title, int hour, int min, int day = 4, int wday = 5) {
    Event e(Friday(8, 0));
    std::snprintf(e.title, sizeof e.title, "%s", title);
    e.type = type, e.date.day = day, e.time = {hour, min}, e.wday = wday;
    return e;
}
Event Reminder(int mode, float te) {
    Event e = Make(kReminder, "", 0, 0);
    e.remind_mode = mode, e.remind_te = te;
    return e;
}

int Due(std::list<Event>& l, const std::tm& now, float dt = 0.02f) {
    return ScanEvents(l, now, dt).n_notify;
}

// A frame of view mode on the event, then its check. True when the event was removed.
bool ViewAndDismiss(std::list<Event>& list, Event* e, const std::tm& now) {
    double min_diff = EventMinDiff(*e, now);
    ApplyNoticeFlags(*e, min_diff, true);
    return ShouldRemoveEvent(*e, min_diff, true) && EraseEventAt(list, e);
}

int saves = 0;
void CountSave() { ++saves; }

class Reminders : public ::testing::Test {
protected:
    void SetUp() override { TearDown(); }
    void TearDown() override {
        events.clear();
        edit_event = nullptr;
        n_notify = 0;
        new_notify = spawn_question = force_back_hm = false;
        menu_case_id = -1;
        saves = 0;
    }
};

TEST_F(Reminders, AnAppointmentIsDueAnHourBeforeHalfAnHourBeforeAndFromItsTime) {
    std::list<Event> list{Make(kAppointment, "Dentista", 9, 50)};
    Event* a = &list.front();
    ScanResult r = ScanEvents(list, Friday(9, 5), 0.02f);  // 45 minutes ahead: due until viewed
    EXPECT_TRUE(r.n_notify == 1 && r.new_notify && r.due == a);
    EXPECT_EQ(1, Due(list, Friday(9, 5)));
    EXPECT_FALSE(ViewAndDismiss(list, a, Friday(9, 5)));  // still ahead: it stays
    EXPECT_TRUE(a->notify_1h && !a->notify_hh && !a->notify);
    EXPECT_EQ(0, Due(list, Friday(9, 19)));
    EXPECT_EQ(1, Due(list, Friday(9, 20)));  // from 30 minutes before, until viewed
    EXPECT_FALSE(ViewAndDismiss(list, a, Friday(9, 20)));
    EXPECT_TRUE(a->notify_hh && !a->notify);
    EXPECT_EQ(0, Due(list, Friday(9, 49)));
    EXPECT_EQ(1, Due(list, Friday(9, 50)));  // from its moment on, until viewed
    EXPECT_EQ(1, Due(list, Friday(11, 0)));
    EXPECT_TRUE(ViewAndDismiss(list, a, Friday(11, 0)));  // past: the check deletes it
    EXPECT_TRUE(list.empty());
}

TEST_F(Reminders, AWeeklyEventIsReArmedTheNextDayWithOneSave) {
    events = {Make(kWeekly, "Corso", 10, 0), Make(kAppointment, "Altro", 9, 0, 20)};
    Event* w = &events.front();
    EXPECT_EQ(0, Due(events, At(3, 9, 59, 4)));  // not on another weekday
    EXPECT_EQ(1, Due(events, Friday(9, 5)));
    EXPECT_FALSE(ViewAndDismiss(events, w, Friday(9, 40)));
    EXPECT_EQ(0, Due(events, Friday(9, 59)));
    EXPECT_EQ(1, Due(events, Friday(10, 5)));
    EXPECT_FALSE(ViewAndDismiss(events, w, Friday(10, 5)));  // weekly: never deleted
    EXPECT_TRUE(w->notify);
    EXPECT_FALSE(ScanEvents(events, Friday(23, 59), 0.0f).sync_db);

    // The next day its due notice is cleared and the store is saved, once.
    PublishScan(ScanEvents(events, At(5, 0, 0, 6), 0.0f), CountSave);
    EXPECT_EQ(1, saves);
    EXPECT_TRUE(!w->notify && w->notify_1h && w->notify_hh);  // the warnings keep their flags
    PublishScan(ScanEvents(events, At(5, 0, 1, 6), 0.0f), CountSave);
    EXPECT_EQ(1, saves);
    EXPECT_EQ(1, Due(events, At(11, 10, 0, 5)));  // a week later, at its moment
}

TEST_F(Reminders, RemindersAreDueAtStartUpAndAfterTheirPeriods) {
    char dir[] = "/tmp/strigolo-reminders-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    const std::string path = std::string(dir) + "/database.bin";
    ASSERT_TRUE(SaveEventsTo(path, {Reminder(0, 5.0f), Reminder(1, 0.0f), Reminder(2, 100.0f),
                                    Make(kAppointment, "Lontano", 9, 0, 25)}));
    std::list<Event> loaded = LoadEventsFrom(path, Event(Friday(9, 5)));
    std::remove(path.c_str());
    rmdir(dir);
    ASSERT_EQ(4u, loaded.size());
    ScanResult r = ScanEvents(loaded, Friday(9, 5), 0.0f);  // the first frame: no time yet
    EXPECT_TRUE(r.n_notify == 3 && r.due == &loaded.front());  // the first reminder
    for (const Event& e : loaded) EXPECT_EQ(e.type == kReminder ? 10800.0f : 0.0f, e.remind_te);

    // Hourly and two-hourly: more than the period; three-hourly: at least.
    struct { float te; int mode; bool due; } periods[] = {
        {3600.0f, 0, false}, {3600.01f, 0, true}, {7200.0f, 1, false}, {7200.01f, 1, true},
        {10799.99f, 2, false}, {10800.0f, 2, true}, {1e9f, 3, false}};
    for (const auto& p : periods) EXPECT_EQ(p.due, ReminderPeriodPassed(p.te, p.mode)) << p.te;

    // The scan ages a reminder by the frame time; confirming restarts it.
    std::list<Event> one{Reminder(0, 3599.0f)};
    EXPECT_EQ(0, Due(one, Friday(9, 5), 1.0f));
    EXPECT_EQ(1, Due(one, Friday(9, 5), 0.5f));
    bool back = true;
    ConfirmEvent(one.front(), back, CountSave);
    EXPECT_EQ(0.0f, one.front().remind_te);
    EXPECT_EQ(0, Due(one, Friday(9, 5), 3600.0f));
    EXPECT_EQ(1, Due(one, Friday(9, 5), 0.1f));
}

TEST_F(Reminders, TheButtonOpensADueAppointmentBeforeADueReminder) {
    events = {Make(kAppointment, "Tardi", 9, 30), Reminder(0, 10800.0f),
              Make(kAppointment, "Prima", 8, 0), Reminder(2, 10800.0f)};
    PublishScan(ScanEvents(events, Friday(9, 5), 0.02f), CountSave);
    EXPECT_EQ(4, n_notify);
    ASSERT_NE(nullptr, edit_event);
    EXPECT_STREQ("Prima", edit_event->title);  // the earliest, whatever the list order
    SceneState scene;
    RunNotifyClick(ClassifyNotifyClick(new_notify, edit_event, spawn_question), scene);
    EXPECT_EQ(kMenuView, menu_case_id);
    EXPECT_TRUE(ViewAndDismiss(events, edit_event, Friday(9, 5)));
    PublishScan(ScanEvents(events, Friday(9, 5), 0.02f), CountSave);
    EXPECT_STREQ("Tardi", edit_event->title);
    EXPECT_FALSE(ViewAndDismiss(events, edit_event, Friday(9, 5)));  // 25 minutes ahead

    // Then the first reminder, in the editor, returning to the scene on confirm.
    PublishScan(ScanEvents(events, Friday(9, 5), 0.02f), CountSave);
    EXPECT_TRUE(n_notify == 2 && edit_event->type == kReminder && edit_event->remind_mode == 0);
    RunNotifyClick(ClassifyNotifyClick(new_notify, edit_event, spawn_question), scene);
    EXPECT_TRUE(menu_case_id == kMenuEdit && force_back_hm);
    EXPECT_EQ(kMenuScene, ConfirmEvent(*edit_event, force_back_hm, CountSave));
    EXPECT_FALSE(force_back_hm);
}

TEST_F(Reminders, AMonthEndDelaysTheWarnings) {
    // 00:10 on 1 December seen at 23:50 on 30 November: 20 real minutes, counted 1460.
    std::list<Event> list{Make(kAppointment, "Mezzanotte", 0, 10, 1)};
    EXPECT_EQ(1460.0, EventMinDiff(list.front(), At(30, 23, 50, 1, 11)));
    EXPECT_EQ(0, Due(list, At(30, 23, 50, 1, 11)));
    EXPECT_EQ(1, Due(list, At(1, 0, 0, 2)));
}

}  // namespace
