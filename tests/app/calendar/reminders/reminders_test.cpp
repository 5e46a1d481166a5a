// The reminder scan with chosen clocks, with the editor's acknowledgement that answers
// it: when events are due, which one the button opens, when the store is saved.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <string>

#include "app/calendar/store/calendar_file.h"
#include "app/calendar/panels/event_editor.h"
#include "app/calendar/reminders/reminders.h"
#include "app/shared/tick_state.h"
#include "app/scene/scene.h"
#include "app/views.h"
#include "../calendar_helpers.h"
#include "platform/clock.h"

namespace {

std::tm Friday(int hour, int min, int day = 4, int wday = 5) { return At(2026, 12, day, hour, min, wday); }
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
        events.clear(), edit_event = nullptr, n_notify = saves = 0;
        new_notify = spawn_question = force_back_hm = false, menu_case_id = -1;
    }
    // Scans at each row's clock; a viewed row then checks the flags left (1 the hour's
    // warning seen, 2 the half hour's, 4 the due notice), or -1: the check removed it.
    struct Row { std::tm now; int due; bool view = false; int flags = 0; };
    void Walk(std::list<Event>& list, Event* e, std::initializer_list<Row> rows) {
        for (const Row& r : rows) {
            SCOPED_TRACE(std::asctime(&r.now));
            EXPECT_EQ(r.due, Due(list, r.now));
            if (r.view) { EXPECT_EQ(r.flags, ViewAndDismiss(list, e, r.now) ? -1 : Flags(*e)); }
        }
    }
};

TEST_F(Reminders, AnAppointmentIsDueAnHourBeforeHalfAnHourBeforeAndFromItsTime) {
    std::list<Event> list{Ev("Dentista", kAppointment, {4, 12, 2026}, {9, 50})};
    Walk(list, &list.front(), {{Friday(9, 5), 1, true, 1}, {Friday(9, 19), 0}, {Friday(9, 20), 1, true, 3},
                               {Friday(9, 49), 0}, {Friday(9, 50), 1}, {Friday(11, 0), 1, true, -1}});
}

TEST_F(Reminders, AWeeklyEventIsReArmedTheNextDayWithOneSave) {
    events = {Ev("Corso", kWeekly, {4, 12, 2026}, {10, 0}, 5), Ev("Altro", kAppointment, {20, 12, 2026}, {9, 0})};
    Event* w = &events.front();
    Walk(events, w, {{Friday(9, 59, 3, 4), 0}, {Friday(9, 5), 1}, {Friday(9, 40), 1, true, 3}, {Friday(9, 59), 0},
                     {Friday(10, 5), 1, true, 7}});  // never removed
    EXPECT_FALSE(ScanEvents(events, Friday(23, 59), 0.0f).sync_db);
    // The next day its three flags are cleared, the store is saved once.
    PublishScan(ScanEvents(events, Friday(0, 0, 5, 6), 0.0f), CountSave);
    PublishScan(ScanEvents(events, Friday(0, 1, 5, 6), 0.0f), CountSave);
    EXPECT_EQ("1 0", std::to_string(saves) + " " + std::to_string(Flags(*w)));
    EXPECT_EQ(1, Due(events, Friday(10, 0, 11, 5)));  // a week later, at its moment
}

// Reminders hourly and two-hourly: due after more than the period; three-hourly: at
// least; unknown: never.
TEST_F(Reminders, RemindersAndTheSoundRepeatAfterTheirPeriods) {
    struct { float te; int mode; bool due; } periods[] = {
        {3600.0f, 0, false}, {3600.01f, 0, true}, {7200.0f, 1, false}, {7200.01f, 1, true},
        {10799.99f, 2, false}, {10800.0f, 2, true}, {1e9f, 3, false}};
    for (const auto& p : periods) EXPECT_EQ(p.due, ReminderPeriodPassed(p.te, p.mode)) << p.te;
    // The notification sound: in the first step with an event due, then once more than
    // 35 s have passed since it played; a step with nothing due starts it afresh.
    ReminderState rs;
    struct { int due; float dt; bool sound; } sounds[] = {{0, 1, false}, {2, 0.02f, true}, {2, 34.9f, false},
        {2, 0.2f, true}, {1, 35, false}, {1, 0.01f, true}, {0, 1, false}, {1, 0.02f, true}};
    for (const auto& n : sounds) EXPECT_EQ(n.sound, NotifySoundStep(rs, n.due, n.dt)) << &n - sounds;
    std::list<Event> one{Ev("R0", kReminder)};
    one.front().remind_te = 3599.0f;  // the scan ages it by the frame time
    EXPECT_EQ(0, Due(one, Friday(9, 5), 1.0f));
    EXPECT_EQ(1, Due(one, Friday(9, 5), 0.5f));
}

// The scan every step keeps its last result while nothing it reads changed: a reminder 10 s
// short of its hour is aged only once it can fall due, and falls due in the step that
// passes the hour; an appointment merged in for another, or a new minute, is seen at once.
TEST_F(Reminders, TheStepScanFollowsTheListTheMinuteAndTheRemindersAge) {
    std::list<Event> list{Ev("R0", kReminder), Ev("Tardi", kAppointment, {4, 12, 2026}, {12, 0}),
                          Ev("Poi", kAppointment, {4, 12, 2027}, {9, 0})};
    list.front().remind_te = 3590.0f;
    ReminderState st;
    const struct { int min; float dt; int due; float te; } rows[] = {
        {0, 0.0f, 0, 3590.0f}, {0, 5.0f, 0, 3590.0f}, {0, 5.0f, 0, 3600.0f}, {0, 0.02f, 1, 3600.02f}};
    for (const auto& r : rows) {
        EXPECT_EQ(r.due, StepReminderScan(st, list, Friday(9, r.min), r.dt).n_notify) << &r - rows;
        EXPECT_FLOAT_EQ(r.te, list.front().remind_te) << &r - rows;
    }
    std::list<Event> theirs = list;  // another writer replaced Poi by Ora: the same count
    theirs.back() = Ev("Ora", kAppointment, {4, 12, 2026}, {9, 0});
    MergeEvents(std::list<Event>(list), theirs, list, nullptr);
    EXPECT_EQ(2, StepReminderScan(st, list, Friday(9, 0), 0.01f).n_notify);
    EXPECT_EQ(3, StepReminderScan(st, list, Friday(11, 0), 0.01f).n_notify);  // Tardi's hour notice
    SettleReminders(st, list);
    EXPECT_FLOAT_EQ(3600.04f, list.front().remind_te);
}

// Two hours asleep and 5 s awake: the tick counter, which times every timer through the frame's
// step, counts them where the kernel has CLOCK_BOOTTIME, and only there.
TEST_F(Reminders, ASuspendAdvancesTheTicksByTheWholeSleep) {
    static timespec boot, mono;
    static bool boottime;
    SetTickClockReaderForTesting([](clockid_t id, timespec* ts) {
        if (id == CLOCK_BOOTTIME && !boottime) return -1;
        return *ts = id == CLOCK_BOOTTIME ? boot : mono, 0;
    });
    for (const bool has_boottime : {true, false}) {
        boottime = has_boottime, boot = mono = {1000, 0};
        const uint32_t before = GetTickCount();
        boot.tv_sec += 7205, mono.tv_sec += 5;  // 5 s awake; the monotonic clock stands still while suspended
        EXPECT_EQ(has_boottime ? 7205000u : 5000u, GetTickCount() - before);
    }
    ClearClocksForTesting();
}

// The earliest due appointment first, in view mode; then the first reminder, in the
// editor, whose confirm goes back to the scene.
TEST_F(Reminders, TheButtonOpensADueAppointmentBeforeADueReminder) {
    events = {Ev("Tardi", kAppointment, {4, 12, 2026}, {9, 30}), Ev("R0", kReminder),
              Ev("Prima", kAppointment, {4, 12, 2026}, {8, 0}), Ev("R1", kReminder)};
    for (Event& e : events) e.remind_te = 10800.0f;  // both reminders past their hour
    SceneState scene;
    std::string opened;
    for (int click = 0; click < 3; ++click) {
        PublishScan(ScanEvents(events, Friday(9, 5), 0.02f), CountSave);
        ASSERT_NE(nullptr, edit_event);
        RunNotifyClick(ClassifyNotifyClick(new_notify, edit_event, spawn_question), scene);
        opened += std::to_string(n_notify) + " " + edit_event->title + (menu_case_id == kMenuView ? " view, " : " edit, ");
        if (menu_case_id == kMenuView) ViewAndDismiss(events, edit_event, Friday(9, 5));  // Tardi is 25 minutes ahead
    }
    EXPECT_EQ("4 Prima view, 3 Tardi view, 2 R0 edit, ", opened + (force_back_hm ? "" : "not back"));
    EXPECT_EQ(kMenuScene, ConfirmEvent(*edit_event, force_back_hm, CountSave));
    EXPECT_FALSE(force_back_hm);
}

}  // namespace
