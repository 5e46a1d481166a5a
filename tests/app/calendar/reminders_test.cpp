// The reminder scan with chosen clocks, with the editor's acknowledgement rules that
// answer it: when events are due, which one the button opens, when the store is saved.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/calendar/calendar_file.h"
#include "app/calendar/event_editor.h"
#include "app/frame.h"
#include "app/calendar/reminders.h"
#include "app/scene/scene.h"
#include "app/views.h"
#include "platform/clock.h"

namespace {

std::tm At(int day, int hour, int min, int wday = 5, int month = 12) {  // 2026-12-04 is a Friday
    std::tm t{};
    t.tm_year = 126, t.tm_mon = month - 1, t.tm_mday = day, t.tm_hour = hour, t.tm_min = min, t.tm_wday = wday;
    return t;
}
std::tm Friday(int hour, int min) { return At(4, hour, min); }

Event Make(int type, const char* title, int hour, int min, int day = 4, int mode = 0, float te = 0) {
    Event e(Friday(8, 0));
    std::snprintf(e.title, sizeof e.title, "%s", title);
    e.type = type, e.date.day = day, e.time = {hour, min}, e.wday = 5, e.remind_mode = mode, e.remind_te = te;
    return e;
}
Event Reminder(int mode, float te) { return Make(kReminder, "", 0, 0, 4, mode, te); }
int Due(std::list<Event>& l, const std::tm& now, float dt = 0.02f) { return ScanEvents(l, now, dt).n_notify; }
int Flags(const Event& e) { return e.notify_1h | e.notify_hh << 1 | e.notify << 2; }

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
        n_notify = saves = 0;
        new_notify = spawn_question = force_back_hm = false;
        menu_case_id = -1;
    }
    // Scans at each row's clock; a viewed row checks the flags left and whether it was removed.
    struct Row { std::tm now; int due; bool view = false; int flags = 0; bool removed = false; };
    void Walk(std::list<Event>& list, Event* e, std::initializer_list<Row> rows) {
        for (const Row& r : rows) {
            SCOPED_TRACE(std::to_string(r.now.tm_mday) + " " + std::to_string(r.now.tm_hour) + ":" +
                         std::to_string(r.now.tm_min));
            EXPECT_EQ(r.due, Due(list, r.now));
            if (!r.view) continue;
            ASSERT_EQ(r.removed, ViewAndDismiss(list, e, r.now));
            if (!r.removed) {
                EXPECT_EQ(r.flags, Flags(*e));
            }
        }
    }
};

TEST_F(Reminders, AnAppointmentIsDueAnHourBeforeHalfAnHourBeforeAndFromItsTime) {
    std::list<Event> list{Make(kAppointment, "Dentista", 9, 50)};
    ScanResult r = ScanEvents(list, Friday(9, 5), 0.02f);
    EXPECT_TRUE(r.n_notify == 1 && r.new_notify && r.due == &list.front());
    // Flags: 1 an hour before seen, 2 half an hour before seen, 4 due seen.
    Walk(list, &list.front(), {{Friday(9, 5), 1, true, 1, false},  // 45 minutes ahead: due until viewed
                               {Friday(9, 19), 0}, {Friday(9, 20), 1, true, 3, false},  // from 30 minutes
                               {Friday(9, 49), 0}, {Friday(9, 50), 1}, {Friday(11, 0), 1, true, 0, true}});
    EXPECT_TRUE(list.empty());  // past: the check deletes it
}

TEST_F(Reminders, AWeeklyEventIsReArmedTheNextDayWithOneSave) {
    events = {Make(kWeekly, "Corso", 10, 0), Make(kAppointment, "Altro", 9, 0, 20)};
    Event* w = &events.front();
    Walk(events, w, {{At(3, 9, 59, 4), 0}, {Friday(9, 5), 1}, {Friday(9, 40), 1, true, 3, false},
                     {Friday(9, 59), 0}, {Friday(10, 5), 1, true, 7, false}});  // weekly: never deleted
    EXPECT_FALSE(ScanEvents(events, Friday(23, 59), 0.0f).sync_db);
    // The next day its due notice is cleared and the store is saved, once.
    PublishScan(ScanEvents(events, At(5, 0, 0, 6), 0.0f), CountSave);
    PublishScan(ScanEvents(events, At(5, 0, 1, 6), 0.0f), CountSave);
    EXPECT_EQ(1, saves);
    EXPECT_EQ(3, Flags(*w));  // the warnings keep their flags
    EXPECT_EQ(1, Due(events, At(11, 10, 0, 5)));  // a week later, at its moment
}

TEST_F(Reminders, RemindersAreDueAtStartUpAndAfterTheirPeriods) {
    const std::string path = "/tmp/strigolo-reminders-" + std::to_string(getpid()) + ".bin";
    std::string error;
    ASSERT_TRUE(UpdateCalendarFile(path, [](std::list<Event>& l) {
        l = {Reminder(0, 5.0f), Reminder(1, 0.0f), Reminder(2, 100.0f), Make(kAppointment, "Lontano", 9, 0, 25)};
        return true;
    }, error));
    CalendarStore store;
    store.path = path;
    std::list<Event> loaded;
    OpenCalendar(store, loaded, std::time(nullptr));
    std::remove(path.c_str()), std::remove((path + ".lock").c_str());
    ASSERT_EQ(4u, loaded.size());
    ScanResult r = ScanEvents(loaded, Friday(9, 5), 0.0f);  // the first frame: no time yet
    EXPECT_TRUE(r.n_notify == 3 && r.due == &loaded.front());
    for (const Event& e : loaded) EXPECT_EQ(e.type == kReminder ? 10800.0f : 0.0f, e.remind_te);

    // Hourly and two-hourly: more than the period; three-hourly: at least.
    struct { float te; int mode; bool due; } periods[] = {
        {3600.0f, 0, false}, {3600.01f, 0, true}, {7200.0f, 1, false}, {7200.01f, 1, true},
        {10799.99f, 2, false}, {10800.0f, 2, true}, {1e9f, 3, false}};
    for (const auto& p : periods) EXPECT_EQ(p.due, ReminderPeriodPassed(p.te, p.mode)) << p.te;

    std::list<Event> one{Reminder(0, 3599.0f)};  // the scan ages it by the frame time
    EXPECT_EQ(0, Due(one, Friday(9, 5), 1.0f));
    EXPECT_EQ(1, Due(one, Friday(9, 5), 0.5f));
    bool back = true;
    ConfirmEvent(one.front(), back, CountSave);  // confirming restarts it
    EXPECT_EQ(0, Due(one, Friday(9, 5), 3600.0f));
    EXPECT_EQ(1, Due(one, Friday(9, 5), 0.1f));
}

// A reminder 40 minutes into its hour, then two hours asleep: due in the first frame
// after the resume where the tick counter counts suspended time, and only there.
TEST_F(Reminders, ASuspendAdvancesTheTimersByTheWholeSleep) {
    static timespec boot, mono;
    static bool boottime;
    SetTickClockReaderForTesting([](clockid_t id, timespec* ts) {
        if (id == CLOCK_BOOTTIME && !boottime) return -1;
        *ts = id == CLOCK_BOOTTIME ? boot : mono;
        return 0;
    });
    for (const bool has_boottime : {true, false}) {
        boottime = has_boottime;
        boot = mono = {1000, 0};
        FrameClock clock;
        MeasureFrameTime(clock, GetTickCount());
        boot.tv_sec += 7200;  // the monotonic clock stands still while suspended
        std::list<Event> one{Reminder(0, 2400.0f)};
        EXPECT_EQ(has_boottime ? 1 : 0, Due(one, Friday(11, 5), MeasureFrameTime(clock, GetTickCount())));
    }
    ClearClocksForTesting();
}

TEST_F(Reminders, TheButtonOpensADueAppointmentBeforeADueReminder) {
    events = {Make(kAppointment, "Tardi", 9, 30), Reminder(0, 10800.0f), Make(kAppointment, "Prima", 8, 0),
              Reminder(2, 10800.0f)};
    SceneState scene;
    auto publish_and_click = [&] {
        PublishScan(ScanEvents(events, Friday(9, 5), 0.02f), CountSave);
        ASSERT_NE(nullptr, edit_event);
        RunNotifyClick(ClassifyNotifyClick(new_notify, edit_event, spawn_question), scene);
    };
    publish_and_click();
    EXPECT_EQ(4, n_notify);
    EXPECT_TRUE(menu_case_id == kMenuView && !std::strcmp("Prima", edit_event->title));  // the earliest
    EXPECT_TRUE(ViewAndDismiss(events, edit_event, Friday(9, 5)));
    publish_and_click();
    EXPECT_TRUE(menu_case_id == kMenuView && !std::strcmp("Tardi", edit_event->title));
    EXPECT_FALSE(ViewAndDismiss(events, edit_event, Friday(9, 5)));  // 25 minutes ahead

    publish_and_click();  // then the first reminder, in the editor, returning to the scene on confirm
    EXPECT_TRUE(n_notify == 2 && edit_event->type == kReminder && edit_event->remind_mode == 0);
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
