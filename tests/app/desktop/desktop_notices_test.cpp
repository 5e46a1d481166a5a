// The desktop notifications' deciding as tables: what a notice says, which notices are
// pending (and put off), and what is posted, replaced and withdrawn as they change.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../calendar/calendar_helpers.h"
#include "app/calendar/reminders.h"
#include "app/desktop/desktop_notices.h"

namespace {
std::tm Friday(int hour, int min, int day = 4) { return At(2026, 12, day, hour, min, 5); }
}  // namespace

// The body of each kind of notice; today's a few minutes ahead is checked end to end.
TEST(DesktopNotices, TheDayTheTimeAndHowFarOffInWords) {
    const struct { Event e; DueNotice kind; std::tm now; const char* body; } rows[] = {
        {Ev("", kAppointment, {5, 12, 2026}, {0, 1}), DueNotice::kOneHour, Friday(23, 59), "Domani alle 0:01, fra 2 minuti"},
        {Ev("", kAppointment, {4, 12, 2026}, {1, 5}), DueNotice::kDue, Friday(1, 6), "Oggi all'1:05, 1 minuto fa"},
        {Ev("", kAppointment, {3, 12, 2026}, {9, 5}), DueNotice::kDue, Friday(9, 50), "Ieri alle 9:05"},
        {Ev("", kAppointment, {1, 11, 2025}, {9, 5}), DueNotice::kDue, Friday(9, 50), "Il 1º novembre 2025 alle 9:05"},
        {Ev("", kAppointment, {3, 13, 2026}, {9, 5}), DueNotice::kDue, Friday(9, 50), "Il 3/13/2026 alle 9:05"},
        {Ev("", kWeekly, {1, 1, 2020}, {10, 49}, 5), DueNotice::kOneHour, Friday(9, 50), "Oggi alle 10:49, fra 59 minuti"},
        {Ev("", kReminder), DueNotice::kReminder, Friday(9, 50), "Promemoria ogni ora"}};
    for (const auto& r : rows) EXPECT_EQ(NoticeWhen(r.e, r.kind, r.now), r.body) << r.body;
    EXPECT_EQ(ComposeNotice(Ev("  ", kWeekly), DueNotice::kDue, Friday(9, 50)).summary, "Evento settimanale");
}

// Valid UTF-8 stays; any other byte is Latin-1, its C0 and C1 controls spaces.
TEST(DesktopNotices, TitlesBecomeValidUtf8) {
    const struct { const char* field; const char* text; } rows[] = {
        {"Caff\xc3\xa8 \xe2\x82\xac", "Caff\xc3\xa8 \xe2\x82\xac"}, {"Caff\xe8", "Caff\xc3\xa8"},
        {"a\xe2\x82", "a\xc3\xa2 "},                                       // a sequence cut short
        {"x\x01y\xed\xa0\x80", "x y\xc3\xad\xc2\xa0 "}};                   // a surrogate
    for (const auto& r : rows) {
        const Event e = Ev(r.field);
        EXPECT_EQ(FieldUtf8(e.title, sizeof e.title), r.text) << r.field;
    }
}

// An appointment at 09:50 walked through its notices, with what is asked of the desktop
// at each step: "+tag" a post, "-tag" a withdrawal.
TEST(DesktopNotices, OnePostPerNoticeReplacedPerEventWithdrawnOnceSeen) {
    std::list<Event> list{Ev("Dentista", kAppointment, {4, 12, 2026}, {9, 50}), Ev("Altro", kReminder)};
    Event& d = list.front();  // std::list: references survive the scan's sort
    NoticeSnooze& snooze = notice_snooze;  // the one the owl's scan reads
    snooze = {};
    DesktopNoticesState st;
    const struct { std::tm now; bool seen; NotificationsSetting set; const char* calls; void (*then)(Event&) = nullptr; }
        rows[] = {
            {Friday(8, 50), true, NotificationsSetting::kWhenHidden, ""},
            {Friday(8, 50), false, NotificationsSetting::kNever, ""},
            {Friday(8, 51), false, NotificationsSetting::kWhenHidden, "+1"},
            {Friday(8, 52), false, NotificationsSetting::kWhenHidden, ""},    // once, however long it waits
            {Friday(9, 20), true, NotificationsSetting::kWhenHidden, "-1"},   // it would tell the wrong time
            {Friday(9, 20), false, NotificationsSetting::kWhenHidden, "+2"},
            {Friday(9, 50), false, NotificationsSetting::kWhenHidden, "+2", [](Event& e) { e.time.min = 55; }},
            {Friday(9, 51), false, NotificationsSetting::kWhenHidden, "-2 +3",  // another event at that address
             [](Event& e) { e.notify_1h = e.notify_hh = true; }},
            {Friday(9, 52), false, NotificationsSetting::kWhenHidden, "-3"},  // seen in the owl
            {Friday(9, 55), true, NotificationsSetting::kAlways, "+4"},
        };
    for (const auto& r : rows) {
        std::string calls;
        for (const DesktopCall& c : StepDesktopNotices(st, PendingNotices(list, r.now, snooze), r.seen, r.set))
            calls += (calls.empty() ? "" : " ") + std::string(c.close ? "-" : "+") + std::to_string(c.tag);
        EXPECT_EQ(calls, r.calls) << std::asctime(&r.now);
        if (r.then) r.then(d);
    }
    // Put off: neither the owl nor the desktop counts it for ten whole minutes; another
    // notice of the same event is not put off.
    Event& reminder = list.back();
    reminder.remind_te = 3601.0f;
    const std::time_t at = LocalSeconds(Friday(10, 0));
    SnoozeNotice(snooze, reminder, DueNotice::kReminder, at);
    SnoozeNotice(snooze, d, DueNotice::kHalfHour, at);  // d's notice now is the due one
    for (auto [min, due] : {std::pair{0, 1}, std::pair{10, 1}, std::pair{11, 2}}) {
        EXPECT_EQ(ScanEvents(list, Friday(10, min), 0.0f).n_notify, due) << min;
        EXPECT_EQ(PendingNotices(list, Friday(10, min), snooze).size(), size_t(due)) << min;
    }
}
