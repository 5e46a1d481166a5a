// The desktop notifications' deciding as tables: what a notice says, which notices are
// pending (and put off), and what is posted, replaced and withdrawn as they change.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "../calendar/calendar_helpers.h"
#include "app/calendar/reminders/reminders.h"
#include "app/desktop/desktop_notices.h"

namespace {
std::tm Friday(int hour, int min, int day = 4) { return At(2026, 12, day, hour, min, 5); }
}  // namespace

// The body of each kind of notice; today's a few minutes ahead is checked end to end.
TEST(DesktopNotices, TheDayTheTimeAndHowFarOffInWords) {
    using D = DueNotice;
    const struct { Event e; DueNotice kind; std::tm now; const char* body; } rows[] = {
        {Ev("", kAppointment, {5, 12, 2026}, {0, 1}), D::kOneHour, Friday(23, 59), "Domani alle 0:01, fra 2 minuti"},
        {Ev("", kAppointment, {4, 12, 2026}, {1, 5}), D::kDue, Friday(1, 6), "Oggi all'1:05, 1 minuto fa"},
        {Ev("", kAppointment, {3, 12, 2026}, {9, 5}), D::kDue, Friday(9, 50), "Ieri alle 9:05"},
        {Ev("", kAppointment, {1, 11, 2025}, {9, 5}), D::kDue, Friday(9, 50), "Il 1º novembre 2025 alle 9:05"},
        {Ev("", kAppointment, {3, 13, 2026}, {9, 5}), D::kDue, Friday(9, 50), "Il 3/13/2026 alle 9:05"},
        {Ev("", kWeekly, {1, 1, 2020}, {10, 49}, 5), D::kOneHour, Friday(9, 50), "Oggi alle 10:49, fra 59 minuti"},
        {Ev("", kReminder), D::kReminder, Friday(9, 50), "Promemoria ogni ora"}};
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
    const struct { std::tm now; bool seen; DesktopNotices set; const char* calls; void (*then)(Event&) = nullptr; }
        rows[] = {
            {Friday(8, 50), true, DesktopNotices::kWhenHidden, ""},
            {Friday(8, 50), false, DesktopNotices::kNever, ""},
            {Friday(8, 51), false, DesktopNotices::kWhenHidden, "+1"},
            {Friday(8, 52), false, DesktopNotices::kWhenHidden, ""},    // once, however long it waits
            {Friday(9, 20), true, DesktopNotices::kWhenHidden, "-1"},   // it would tell the wrong time
            {Friday(9, 20), false, DesktopNotices::kWhenHidden, "+2"},
            {Friday(9, 50), false, DesktopNotices::kWhenHidden, "+2", [](Event& e) { e.time.min = 55; }},
            {Friday(9, 51), false, DesktopNotices::kWhenHidden, "-2 +3",  // another event at that address
             [](Event& e) { e.notify_1h = e.notify_hh = true; }},
            {Friday(9, 52), false, DesktopNotices::kWhenHidden, "-3"},  // seen in the owl
            {Friday(9, 55), true, DesktopNotices::kAlways, "+4"},
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

// A live calendar's item at 09:00 with an alarm ten minutes before: each notice it
// reaches, with its summary as written and its calendar on a second line; the alarm
// is a notice of its own, the half-hour's replaced, and none may be put off.
TEST(DesktopNotices, ALiveItemsNoticesNameTheirCalendar) {
    const char text[] = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//T//EN\r\nBEGIN:VEVENT\r\nUID:treno\r\n"
                        "DTSTAMP:20300101T000000Z\r\nDTSTART:20301204T090000Z\r\nSUMMARY:Treno per Forlì\r\n"
                        "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:x\r\nTRIGGER:-PT10M\r\nEND:VALARM\r\n"
                        "END:VEVENT\r\nEND:VCALENDAR\r\n";
    const std::time_t start = 1922605200;  // 2030-12-04 09:00 UTC
    LiveCalendars lc;
    lc.folders.emplace_back();
    lc.folders[0].calendar.name = "Lavoro";
    LiveEntry& entry = lc.folders[0].entries["treno.ics"];
    std::string problem;
    std::vector<std::string> notes;
    ASSERT_EQ(ParseLiveItem(text, sizeof text - 1, entry.item, problem, notes), ItemStatus::kEvents) << problem;
    entry.occurrences = LiveOccurrences(entry.item, start - 7200, 2, problem);
    std::tm local{};
    localtime_r(&start, &local);
    lc.rows.push_back(Ev("Treno per Forli'", kAppointment, {local.tm_mday, local.tm_mon + 1, local.tm_year + 1900},
                         {local.tm_hour, local.tm_min}));
    lc.row_owner[entry.row = &lc.rows.back()] = {0, "treno.ics", std::prev(lc.rows.end())};
    lc.due = {{start, entry.row}};
    DesktopNoticesState st;
    std::set<NoticeKey> given;
    const char* const stamp = local.tm_hour == 1 ? "all'" : "alle ";
    for (auto [ahead, calls, body] : {std::tuple{3000, "+1", "fra 50 minuti"}, std::tuple{1500, "+1", "fra 25 minuti"},
                                      std::tuple{540, "+1", "fra 9 minuti"}}) {
        std::tm now{};
        const std::time_t t = start - ahead;
        localtime_r(&t, &now);
        const std::vector<PendingNotice> pending = LivePendingNotices(lc, given, t, now);
        ASSERT_EQ(pending.size(), 1u) << ahead;
        EXPECT_EQ(pending[0].summary, "Treno per Forlì");
        EXPECT_EQ(pending[0].body, "Oggi " + std::string(stamp) + std::to_string(local.tm_hour) + ":00, " + body +
                                       "\nCalendario: Lavoro");
        EXPECT_FALSE(pending[0].snooze || pending[0].critical);
        std::string seen;
        for (const DesktopCall& c : StepDesktopNotices(st, pending, false, DesktopNotices::kWhenHidden))
            seen += std::string(c.close ? "-" : "+") + std::to_string(c.tag);
        EXPECT_EQ(seen, calls) << ahead;
    }
}
