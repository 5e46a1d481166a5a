// The reminder scan with chosen clocks, together with the editor's acknowledgement
// rules that answer it: when appointments, weekly events and reminders are due,
// which one the button opens, and when the store is saved.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/event_editor.h"
#include "app/frame.h"
#include "app/quiz.h"
#include "app/reminders.h"
#include "app/scene.h"
#include "app/views.h"

namespace {

// A local time; 2026-12-04 is a Friday (weekday 5).
std::tm At(int year, int month, int day, int hour, int min, int wday) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = min;
    t.tm_wday = wday;
    return t;
}
std::tm Friday(int hour, int min) { return At(2026, 12, 4, hour, min, 5); }

Event Appointment(const char* title, int day, int month, int year, int hour, int min) {
    Event e(Friday(8, 0));
    std::snprintf(e.title, sizeof e.title, "%s", title);
    e.type = kAppointment;
    e.date = {day, month, year};
    e.time = {hour, min};
    return e;
}

Event Weekly(int wday, int hour, int min) {
    Event e(Friday(8, 0));
    e.type = kWeekly;
    e.wday = wday;
    e.time = {hour, min};
    return e;
}

Event Reminder(int mode, float te) {
    Event e(Friday(8, 0));
    e.type = kReminder;
    e.remind_mode = mode;
    e.remind_te = te;
    return e;
}

// What a frame of the editor's view mode does to the event it shows, then its check
// button: the flags, and the removal of a due event that is not weekly. Returns
// whether the event was removed.
bool ViewAndDismiss(std::list<Event>& list, Event* e, const std::tm& now) {
    double min_diff = EventMinDiff(*e, now);
    ApplyNoticeFlags(*e, min_diff, true);
    if (ShouldRemoveEvent(*e, min_diff, true)) return EraseEventAt(list, e);
    return false;
}

int saves = 0;
void CountSave() { ++saves; }

class Reminders : public ::testing::Test {
protected:
    void SetUp() override {
        events.clear();
        edit_event = nullptr;
        n_notify = 0;
        new_notify = false;
        spawn_question = false;
        force_back_hm = false;
        menu_case_id = -1;
        saves = 0;
    }
    void TearDown() override {
        events.clear();
        edit_event = nullptr;
        menu_case_id = -1;
        force_back_hm = false;
        n_notify = 0;
        new_notify = false;
    }
};

TEST_F(Reminders, AnAppointmentIsAnnouncedAnHourBeforeHalfAnHourBeforeAndFromItsTime) {
    std::list<Event> list{Appointment("Dentista", 4, 12, 2026, 9, 50)};
    Event* a = &list.front();

    // 45 minutes ahead: the one-hour warning, due until a view shows it.
    for (int frame = 0; frame < 3; ++frame) {
        ScanResult r = ScanEvents(list, Friday(9, 5), 0.02f);
        EXPECT_EQ(1, r.n_notify);
        EXPECT_TRUE(r.new_notify);
        EXPECT_EQ(a, r.due);
    }
    EXPECT_FALSE(ViewAndDismiss(list, a, Friday(9, 5)));  // still ahead: it stays
    EXPECT_TRUE(a->notify_1h);
    EXPECT_FALSE(a->notify_hh);
    EXPECT_FALSE(a->notify);
    EXPECT_EQ(0, ScanEvents(list, Friday(9, 5), 0.02f).n_notify);
    EXPECT_EQ(0, ScanEvents(list, Friday(9, 19), 0.02f).n_notify);

    // From 30 minutes before: due again until shown again.
    ScanResult r = ScanEvents(list, Friday(9, 20), 0.02f);
    EXPECT_EQ(1, r.n_notify);
    EXPECT_EQ(a, r.due);
    EXPECT_FALSE(ViewAndDismiss(list, a, Friday(9, 20)));
    EXPECT_TRUE(a->notify_hh);
    EXPECT_FALSE(a->notify);
    EXPECT_EQ(0, ScanEvents(list, Friday(9, 49), 0.02f).n_notify);

    // From its moment on: due until a view acknowledges it; the check then deletes it.
    r = ScanEvents(list, Friday(9, 50), 0.02f);
    EXPECT_EQ(1, r.n_notify);
    r = ScanEvents(list, Friday(11, 0), 0.02f);
    EXPECT_EQ(1, r.n_notify);
    EXPECT_TRUE(ViewAndDismiss(list, a, Friday(11, 0)));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(0, ScanEvents(list, Friday(11, 0), 0.02f).n_notify);
}

TEST_F(Reminders, ViewingFlagsWhatWasAnnouncedAndTheCheckDeletesOnlyPastNonWeeklyEvents) {
    // An appointment already past at start-up is due at once, whatever its warnings.
    std::list<Event> list{Appointment("Passato", 4, 12, 2026, 8, 0)};
    Event* past = &list.front();
    EXPECT_EQ(1, ScanEvents(list, Friday(9, 5), 0.0f).n_notify);
    double min_diff = EventMinDiff(*past, Friday(9, 5));
    EXPECT_EQ(-65.0, min_diff);
    ApplyNoticeFlags(*past, min_diff, true);
    EXPECT_EQ(0.0, min_diff);  // clamped: "tra ... minuti" never shows a negative count
    EXPECT_TRUE(past->notify && past->notify_1h && past->notify_hh);
    // Merely showing it acknowledges it, even before the check is pressed.
    EXPECT_EQ(0, ScanEvents(list, Friday(9, 5), 0.0f).n_notify);
    EXPECT_TRUE(ShouldRemoveEvent(*past, min_diff, true));

    // A view within 30 minutes sets both warnings at once.
    Event soon = Appointment("Presto", 4, 12, 2026, 9, 25);
    min_diff = EventMinDiff(soon, Friday(9, 5));
    ApplyNoticeFlags(soon, min_diff, true);
    EXPECT_TRUE(soon.notify_1h && soon.notify_hh);
    EXPECT_FALSE(soon.notify);
    EXPECT_FALSE(ShouldRemoveEvent(soon, min_diff, true));

    // A weekly event past its time today is flagged but never deleted by the check.
    std::list<Event> weekly{Weekly(5, 8, 0)};
    EXPECT_EQ(1, ScanEvents(weekly, Friday(9, 5), 0.0f).n_notify);
    EXPECT_FALSE(ViewAndDismiss(weekly, &weekly.front(), Friday(9, 5)));
    ASSERT_EQ(1u, weekly.size());
    EXPECT_TRUE(weekly.front().notify);

    // Moving an event further away in the editor makes its warnings due again.
    Event moved = Appointment("Spostato", 4, 12, 2026, 9, 50);
    moved.notify_1h = moved.notify_hh = true;
    moved.date.day = 5;
    min_diff = EventMinDiff(moved, Friday(9, 5));
    ApplyNoticeFlags(moved, min_diff, false);
    EXPECT_FALSE(moved.notify_1h || moved.notify_hh);
}

TEST_F(Reminders, AWeeklyEventIsReArmedTheNextDayWithOneSave) {
    std::list<Event> list{Weekly(5, 10, 0), Appointment("Altro", 20, 12, 2026, 9, 0)};
    Event* w = &list.front();
    // Another weekday's event is not due (no moment today).
    EXPECT_EQ(0, ScanEvents(list, At(2026, 12, 3, 9, 59, 4), 0.0f).n_notify);

    // On its day: warned within the hour, due from 10:00, acknowledged by a view.
    EXPECT_EQ(1, ScanEvents(list, Friday(9, 5), 0.0f).n_notify);
    EXPECT_FALSE(ViewAndDismiss(list, w, Friday(9, 5)));
    EXPECT_EQ(0, ScanEvents(list, Friday(9, 20), 0.0f).n_notify);
    EXPECT_EQ(1, ScanEvents(list, Friday(9, 40), 0.0f).n_notify);
    EXPECT_FALSE(ViewAndDismiss(list, w, Friday(9, 40)));
    EXPECT_EQ(0, ScanEvents(list, Friday(9, 59), 0.0f).n_notify);
    ScanResult r = ScanEvents(list, Friday(10, 5), 0.0f);
    ASSERT_EQ(1, r.n_notify);
    EXPECT_EQ(w, r.due);
    EXPECT_FALSE(ViewAndDismiss(list, w, Friday(10, 5)));
    r = ScanEvents(list, Friday(23, 59), 0.0f);
    EXPECT_EQ(0, r.n_notify);
    EXPECT_FALSE(r.sync_db);  // nothing to save on its own day

    // The next day its due notice is cleared, once, and the store is saved once.
    events = list;
    r = ScanEvents(events, At(2026, 12, 5, 0, 0, 6), 0.0f);
    EXPECT_TRUE(r.sync_db);
    EXPECT_EQ(0, r.n_notify);
    PublishScan(r, CountSave);
    EXPECT_EQ(1, saves);
    Event& saved = events.back().type == kWeekly ? events.back() : events.front();
    EXPECT_FALSE(saved.notify);
    EXPECT_TRUE(saved.notify_1h && saved.notify_hh);  // the warnings keep their flags
    r = ScanEvents(events, At(2026, 12, 5, 0, 1, 6), 0.0f);
    EXPECT_FALSE(r.sync_db);
    PublishScan(r, CountSave);
    EXPECT_EQ(1, saves);

    // A week later only its due moment is announced, as the warnings stayed flagged.
    const std::tm next_friday = At(2026, 12, 11, 9, 5, 5);
    EXPECT_EQ(0, ScanEvents(events, next_friday, 0.0f).n_notify);
    EXPECT_EQ(1, ScanEvents(events, At(2026, 12, 11, 10, 0, 5), 0.0f).n_notify);
}

TEST_F(Reminders, RemindersAreDueAtStartUpAndAfterTheirPeriods) {
    // Saved with any age, loaded back they are all due at once.
    char dir[] = "/tmp/strigolo-reminders-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    const std::string path = std::string(dir) + "/database.bin";
    std::list<Event> saved{Reminder(0, 5.0f), Reminder(1, 0.0f), Reminder(2, 100.0f),
                           Appointment("Lontano", 25, 12, 2026, 9, 0)};
    ASSERT_TRUE(SaveEventsTo(path, saved));
    std::list<Event> loaded = LoadEventsFrom(path, Event(Friday(9, 5)));
    std::remove(path.c_str());
    rmdir(dir);
    ASSERT_EQ(4u, loaded.size());
    ScanResult r = ScanEvents(loaded, Friday(9, 5), 0.0f);  // the first frame: no time yet
    EXPECT_EQ(3, r.n_notify);
    ASSERT_NE(nullptr, r.due);
    EXPECT_EQ(&loaded.front(), r.due);  // the first reminder in list order
    EXPECT_EQ(kReminder, r.due->type);
    for (const Event& e : loaded)
        if (e.type == kReminder) {
            EXPECT_EQ(10800.0f, e.remind_te);
        }

    // Hourly and two-hourly: more than the period; three-hourly: at least.
    EXPECT_FALSE(ReminderPeriodPassed(3600.0f, 0));
    EXPECT_TRUE(ReminderPeriodPassed(3600.01f, 0));
    EXPECT_FALSE(ReminderPeriodPassed(7200.0f, 1));
    EXPECT_TRUE(ReminderPeriodPassed(7200.01f, 1));
    EXPECT_FALSE(ReminderPeriodPassed(10799.99f, 2));
    EXPECT_TRUE(ReminderPeriodPassed(10800.0f, 2));
    EXPECT_FALSE(ReminderPeriodPassed(1e9f, 3));  // a damaged period never fires
    EXPECT_FALSE(ReminderPeriodPassed(1e9f, -1));

    // The scan ages a reminder by the frame time, and confirming restarts it.
    std::list<Event> one{Reminder(0, 3599.0f)};
    Event* rem = &one.front();
    EXPECT_EQ(0, ScanEvents(one, Friday(9, 5), 0.5f).n_notify);
    EXPECT_EQ(0, ScanEvents(one, Friday(9, 5), 0.5f).n_notify);  // exactly 3600: not yet
    EXPECT_EQ(1, ScanEvents(one, Friday(9, 5), 0.5f).n_notify);
    EXPECT_FLOAT_EQ(3600.5f, rem->remind_te);
    EXPECT_EQ(1, ScanEvents(one, Friday(9, 5), 0.5f).n_notify);  // due until confirmed
    bool back = true;
    ConfirmEvent(*rem, back, CountSave);
    EXPECT_EQ(0.0f, rem->remind_te);
    EXPECT_EQ(0, ScanEvents(one, Friday(9, 5), 1800.0f).n_notify);
    EXPECT_EQ(0, ScanEvents(one, Friday(9, 5), 1800.0f).n_notify);
    EXPECT_EQ(1, ScanEvents(one, Friday(9, 5), 0.1f).n_notify);
}

TEST_F(Reminders, TheButtonOpensADueAppointmentBeforeADueReminder) {
    // Added in an order the sort has to fix: the earlier appointment comes first.
    events = {Appointment("Tardi", 4, 12, 2026, 9, 30), Reminder(0, 10800.0f),
              Appointment("Prima", 4, 12, 2026, 8, 0), Reminder(2, 10800.0f)};
    PublishScan(ScanEvents(events, Friday(9, 5), 0.02f), CountSave);
    EXPECT_EQ(4, n_notify);
    EXPECT_TRUE(new_notify);
    ASSERT_NE(nullptr, edit_event);
    EXPECT_STREQ("Prima", edit_event->title);
    EXPECT_EQ(0, saves);

    SceneState scene;
    EXPECT_TRUE(NotifyButtonShown(new_notify, edit_event, spawn_question));
    RunNotifyClick(ClassifyNotifyClick(new_notify, edit_event, spawn_question), scene);
    EXPECT_EQ(kMenuView, menu_case_id);
    EXPECT_FALSE(force_back_hm);

    // The view and its check remove "Prima"; the next due appointment is "Tardi".
    EXPECT_TRUE(ViewAndDismiss(events, edit_event, Friday(9, 5)));
    menu_case_id = -1;
    PublishScan(ScanEvents(events, Friday(9, 5), 0.02f), CountSave);
    EXPECT_EQ(3, n_notify);
    EXPECT_STREQ("Tardi", edit_event->title);
    EXPECT_FALSE(ViewAndDismiss(events, edit_event, Friday(9, 5)));  // 25 minutes ahead

    // Then the first reminder, in the editor, returning to the scene on confirm.
    PublishScan(ScanEvents(events, Friday(9, 5), 0.02f), CountSave);
    EXPECT_EQ(2, n_notify);
    ASSERT_NE(nullptr, edit_event);
    EXPECT_EQ(kReminder, edit_event->type);
    EXPECT_EQ(0, edit_event->remind_mode);
    RunNotifyClick(ClassifyNotifyClick(new_notify, edit_event, spawn_question), scene);
    EXPECT_EQ(kMenuEdit, menu_case_id);
    EXPECT_TRUE(force_back_hm);
    menu_case_id = ConfirmEvent(*edit_event, force_back_hm, CountSave);
    EXPECT_EQ(kMenuScene, menu_case_id);
    EXPECT_FALSE(force_back_hm);
    PublishScan(ScanEvents(events, Friday(9, 5), 0.02f), CountSave);
    EXPECT_EQ(1, n_notify);
    EXPECT_EQ(2, edit_event->remind_mode);

    // Nothing due: the counter empties but edit_event is left where it was.
    for (Event& e : events) e.remind_te = 0.0f;
    Event* before = edit_event;
    PublishScan(ScanEvents(events, Friday(9, 5), 0.02f), CountSave);
    EXPECT_EQ(0, n_notify);
    EXPECT_FALSE(new_notify);
    EXPECT_EQ(before, edit_event);
    EXPECT_FALSE(NotifyButtonShown(new_notify, edit_event, spawn_question));
}

TEST_F(Reminders, AQuizOfferSharesTheButtonButANotificationWinsTheClick) {
    Event due = Appointment("Dentista", 4, 12, 2026, 9, 50);
    EXPECT_EQ(6, NotifyButtonIcon(false));
    EXPECT_EQ(5, NotifyButtonIcon(true));  // the quiz picture while an offer stands
    EXPECT_TRUE(NotifyButtonShown(false, nullptr, true));
    EXPECT_FALSE(NotifyButtonShown(true, nullptr, false));
    EXPECT_EQ(NotifyClick::kOpenEventView, ClassifyNotifyClick(true, &due, true));
    EXPECT_EQ(NotifyClick::kOpenQuiz, ClassifyNotifyClick(false, &due, true));
    EXPECT_EQ(NotifyClick::kNone, ClassifyNotifyClick(false, &due, false));

    // The quiz opens on a question of the bank and ends the owl's laugh.
    if (questions.empty()) GenQuestions();
    SceneState scene;
    scene.laugh = true;
    scene.lte = 3.0f;
    scene.bt = 7.0f;
    for (int i = 0; i < 50; ++i) {
        question_id = -1;
        RunNotifyClick(NotifyClick::kOpenQuiz, scene);
        EXPECT_EQ(3, menu_case_id);
        EXPECT_GE(question_id, 0);
        EXPECT_LT(question_id, int(questions.size()));
    }
    EXPECT_FALSE(scene.laugh);
    EXPECT_EQ(0.0f, scene.lte);
    EXPECT_EQ(0.0f, scene.bt);
    EXPECT_FALSE(force_back_hm);
}

TEST_F(Reminders, MonthsCountThirtyOneDaysSoAMonthEndDelaysTheWarnings) {
    // 00:10 on 1 December seen at 23:50 on 30 November: 20 real minutes, counted 1460.
    std::list<Event> list{Appointment("Mezzanotte", 1, 12, 2026, 0, 10)};
    const std::tm nov30 = At(2026, 11, 30, 23, 50, 1);
    EXPECT_EQ(1460.0, EventMinDiff(list.front(), nov30));
    EXPECT_EQ(0, ScanEvents(list, nov30, 0.0f).n_notify);
    // After midnight the count is right again, and both warnings are due at once.
    const std::tm dec1 = At(2026, 12, 1, 0, 0, 2);
    EXPECT_EQ(10.0, EventMinDiff(list.front(), dec1));
    EXPECT_EQ(1, ScanEvents(list, dec1, 0.0f).n_notify);
}

TEST_F(Reminders, TheSoundPlaysAtOnceThenEveryThirtyFiveSecondsWhileEventsAreDue) {
    ReminderState s;
    EXPECT_FALSE(NotifySoundStep(s, 0, 100.0f));
    EXPECT_EQ(999.0f, s.play_sfx_te);
    EXPECT_TRUE(NotifySoundStep(s, 1, 0.0f));  // the first due frame, even with no time
    int plays = 0;
    float t = 0.0f, first = -1.0f, second = -1.0f;
    for (int frame = 0; frame < 4000; ++frame) {  // 80 s of 20 ms frames
        t += 0.02f;
        if (NotifySoundStep(s, 2, 0.02f)) {
            ++plays;
            if (first < 0) first = t; else if (second < 0) second = t;
        }
    }
    EXPECT_EQ(2, plays);
    EXPECT_NEAR(35.02f, first, 0.05f);  // more than 35 s after the first play
    EXPECT_NEAR(70.04f, second, 0.1f);
    // Once nothing is due the timer rests, so the next due event sounds at once.
    EXPECT_FALSE(NotifySoundStep(s, 0, 0.02f));
    EXPECT_TRUE(NotifySoundStep(s, 1, 0.02f));
}

}  // namespace
