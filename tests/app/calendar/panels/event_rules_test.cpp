// The calendar's rules driven without a window: the minute count and the order of the
// list, the list's page and row texts, the editor's arrows, notice flags, typing, focus
// and lines, also for the out-of-range fields a damaged file holds.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "app/calendar/panels/event_editor.h"
#include "app/calendar/panels/event_list.h"
#include "../calendar_helpers.h"

namespace {

const std::tm kWednesday = At(2027, 3, 10, 14, 20, 3);

TEST(CalendarOrder, MinuteCountAndSort) {
    EXPECT_DOUBLE_EQ(2881.0, ConvertDAM(1, 3, 2012, 0, 0) - ConvertDAM(29, 2, 2012, 23, 59));  // every month of 31 days
    EXPECT_DOUBLE_EQ((2147483647.0 - 1900.0) * 535680.0, ConvertDAM(0, 0, INT32_MAX, 0, 0));  // no int overflow
    // Reminders first (equal among themselves), then by date and time, weekly events on
    // their next weekday seen on a Wednesday (today's at 8:00 ahead of tomorrow's, the
    // sort is stable); nodes are relinked, never moved.
    const Date day{10, 3, 2027};
    std::list<Event> l = {Ev("R1", kReminder, day, {23, 0}), Ev("A", 0, day, {10, 0}), Ev("mar", 1, day, {8, 0}, 2),
                          Ev("in7", 0, {17, 3, 2027}, {8, 0}), Ev("R2", kReminder, {1, 3, 2027}), Ev("merc", 1, day, {8, 0}, 3),
                          Ev("in5", 0, {15, 3, 2027}, {8, 0}), Ev("B", 0, day, {9, 0}), Ev("giov", 1, day, {8, 0}, 4)};
    const Event* merc = EventAtIndex(l, 5);
    SortEvents(l, 3);
    EXPECT_EQ("R1 R2 merc B A giov in5 mar in7", Titles(l));
    EXPECT_EQ(merc, EventAtIndex(l, 2));
    // A calendar folder's rows go in among them by date, after the file's own at the same minute.
    std::list<Event> live = {Ev("f16", 0, {16, 3, 2027}, {8, 0}), Ev("fB", 0, day, {9, 0}), Ev("f1", 0, {1, 1, 2027})};
    std::string order;
    for (const Event* e : ListRows(l, live, 3)) order += (order.empty() ? "" : " ") + std::string(e->title);
    EXPECT_EQ("R1 R2 f1 merc B fB A giov in5 mar f16 in7", order);  // mar: next Tuesday, the 16th
}

// Arrows move the page a row within max(0, n - 12); a shorter list moves it up.
TEST(EventList, OffsetArrowsAndClamp) {
    struct { int swap, n; char op; int after; bool up, down; } rows[] = {
        {0, 12, 'v', 0, false, false}, {0, 13, 'v', 1, true, false}, {1, 13, 'v', 1, true, false},
        {1, 13, '^', 0, false, true}, {0, 13, '^', 0, false, true}, {20, 25, '=', 13, true, false}, {13, 5, '=', 0, false, false}};
    for (const auto& r : rows) {
        int swap = r.swap;
        r.op == 'v' ? ScrollListDown(swap, r.n) : r.op == '^' ? ScrollListUp(swap) : ClampListOffset(swap, r.n);
        EXPECT_EQ(r.after * 4 + r.up * 2 + r.down, swap * 4 + CanScrollUp(swap) * 2 + CanScrollDown(swap, r.n))
            << r.swap << r.op << r.n;
    }
}

// A row's title, date and time on Wednesday 10 March 2027, out-of-range values as read.
TEST(EventList, AddPickAndRowTexts) {
    std::list<Event> l(2, Ev("x"));
    Event* added = AddEntry(l, kWednesday);  // today, this hour, minute 0
    EXPECT_TRUE(added == EventAtIndex(l, 2) && !EventAtIndex(l, 3) && !EventAtIndex(l, -1));
    Event full = Ev("", kReminder);
    std::memset(full.title, 'T', sizeof full.title);
    const struct { Event e; const char* texts; } rows[] = {
        {*added, "evento senza nome|Oggi|14:0"}, {Ev("Cena", 0, {10, 4, 2027}, {20, 5}), "Cena|10/4/2027|20:5"},
        {Ev("Corso", kWeekly, {}, {18, 30}, 2), "Corso|ogni mar|18:30"}, {Ev("C", kWeekly, {}, {8, 0}, 3), "C|Oggi|8:0"},
        {full, "TTTTTTTTTTTTTTTTTTTT|promemoria|/"}, {Ev("X", 9, {INT32_MIN, 99, INT32_MAX}, {-7, 1000}, 12), "X||"}};
    for (const auto& r : rows)
        EXPECT_EQ(r.texts, ListTitleText(r.e) + "|" + ListDateText(r.e, kWednesday) + "|" + ListTimeText(r.e));
}

// Each arrow changes its field by one and wraps, nothing carries; from a damaged
// extreme it comes back in range without overflow. Date and time arrows clear `notify`.
TEST(EditorRules, EveryArrowWraps) {
    using A = EditorArrow;
    struct { A f; int from, dir, to; } steps[] = {
        {A::kDay, 31, +1, 1}, {A::kDay, 1, -1, 31}, {A::kMonth, 12, +1, 1}, {A::kYear, 1900, -1, 1900},
        {A::kWday, 6, +1, 0}, {A::kHour, 23, +1, 0}, {A::kHour, 0, -1, 23}, {A::kMin, 59, +1, 0},
        {A::kRemindMode, 0, -1, 2}, {A::kDay, INT32_MIN, -1, 31}, {A::kYear, INT32_MAX, +1, 3000},
        {A::kYear, 3000, +1, 3000},
        {A::kMin, 1000, +1, 0}};
    const int32_t untouched[] = {10, 3, 2027, 3, 14, 0, 0};
    for (const auto& s : steps) {
        Event e{kWednesday};
        int32_t* fields[] = {&e.date.day, &e.date.month, &e.date.year, &e.wday, &e.time.hour, &e.time.min, &e.remind_mode};
        *fields[int(s.f)] = s.from, e.notify = true;
        StepField(e, s.f, s.dir);
        for (int k = 0; k < 7; ++k) EXPECT_EQ(k == int(s.f) ? s.to : untouched[k], *fields[k]) << &s - steps << ' ' << k;
        EXPECT_EQ(s.f == A::kRemindMode, e.notify) << int(s.f);
    }
}

// The day arrows keep within the month's length, leap years included; a month or year
// arrow brings a day past the new month's end back to its last day.
TEST(EditorRules, NoDayPastTheMonthsEnd) {
    using A = EditorArrow;
    const struct { Date from; A f; int dir; Date to; } rows[] = {
        {{28, 2, 2027}, A::kDay, +1, {1, 2, 2027}}, {{1, 2, 2028}, A::kDay, -1, {29, 2, 2028}},
        {{30, 4, 2027}, A::kDay, +1, {1, 4, 2027}}, {{1, 2, 2100}, A::kDay, -1, {28, 2, 2100}},
        {{31, 1, 2027}, A::kMonth, +1, {28, 2, 2027}}, {{31, 5, 2027}, A::kMonth, -1, {30, 4, 2027}},
        {{29, 2, 2028}, A::kYear, +1, {28, 2, 2029}}};
    for (const auto& r : rows) {
        Event e = Ev("", kAppointment, r.from);
        StepField(e, r.f, r.dir);
        EXPECT_EQ(r.to.day * 1000000 + r.to.month * 10000 + r.to.year,
                  e.date.day * 1000000 + e.date.month * 10000 + e.date.year) << &r - rows;
    }
}

// At the calendar's limit the list takes no new event.
TEST(EventList, AddRefusedAtTheLimit) {
    std::list<Event> l(kMaxCalendarEvents - 1, Ev("x"));
    EXPECT_NE(nullptr, AddEntry(l, kWednesday));
    EXPECT_EQ(nullptr, AddEntry(l, kWednesday));
    EXPECT_EQ(kMaxCalendarEvents, l.size());
}

// Flags notify_1h, notify_hh, notify. View mode, from none, acknowledges what is due (a
// past event clamped to 0 minutes); edit mode, from all, clears the warnings ahead again.
TEST(EditorRules, NoticeFlagsInViewAndEditMode) {
    struct { bool view; double d; int after; double d_after; } rows[] = {
        {true, -15, 0b111, 0}, {true, 999, 0b000, 999}, {false, 45, 0b101, 45}, {false, 61, 0b001, 61}};
    for (const auto& r : rows) {
        Event e{kWednesday};
        e.notify_1h = e.notify_hh = e.notify = !r.view;
        double d = r.d;
        ApplyNoticeFlags(e, d, r.view);
        EXPECT_EQ(r.after * 1000 + r.d_after, (e.notify_1h * 4 + e.notify_hh * 2 + e.notify) * 1000 + d) << r.view << r.d;
    }
}

// Frames of typing into the title (16 characters and its zero): backspace, codes 0 to 2
// and C1 ignored, a frame's keys in ascending order; a Latin-1 letter in the import's
// spelling, whole or not at all; a title without a zero byte is written back
// zero-terminated.
TEST(EditorRules, Typing) {
    struct { std::string before; std::vector<int> keys; int frames; std::string after; } rows[] = {
        {"", {'a'}, 20, std::string(17, 'a')}, {"ab", {8}, 3, ""}, {"xyz", {127}, 1, "xy"},
        {"xy", {0, 1, 2, 13, 8, 'b', 'a'}, 1, "x\rab"}, {std::string(20, 'T'), {'x'}, 1, std::string(19, 'T')},
        {"caff", {0xE8}, 1, "caffe'"}, {"", {0x85, 0xE7}, 1, "c"},
        {std::string(16, 'T'), {0xE0}, 1, std::string(16, 'T')}};
    for (const auto& r : rows) {
        Event e{kWednesday};
        std::memcpy(e.title, r.before.data(), r.before.size());
        bool keys[256] = {};
        for (int c : r.keys) keys[c] = true;
        for (int i = 0; i < r.frames; ++i) EditTextField(e.title, sizeof e.title, kTitleLimit, keys);
        EXPECT_EQ(r.after, std::string(e.title)) << r.before;
    }
}

// The editor's lines on Wednesday 10 March 2027 at 14:20, and minutes to a damaged date.
TEST(EditorRules, LinesAndMinutes) {
    Event e = Ev("", 0, {10, 3, 2027}, {11, 5}), w = Ev("", kWeekly, {}, {15, 5}, 3), odd = Ev("", 9);
    odd.remind_mode = -3, e.remind_mode = 2;
    std::string dates;
    for (const Event& d : {e, w, odd})
        for (const bool view : {false, true}) dates += EditorDateLine(d, kWednesday, view) + "|";
    EXPECT_EQ("Data:  10 / 3 / 2027|Data:  Oggi|Data: ogni merc|Data: Oggi|||", dates);
    // Minutes within the hour ahead in view mode; else, or due, the time of day.
    struct { double min_diff; bool view; int hour; const char* line; } rows[] = {
        {45, false, 11, "Ora:   11 : 5 (am)"}, {45, true, 11, "Ora:  tra 45 minuti"}, {0, true, 12, "Ora:   12 : 5 (pm)"}};
    for (const auto& r : rows) EXPECT_EQ(r.line, EditorTimeLine(Ev("", 0, {}, {r.hour, 5}), r.min_diff, r.view));
    EXPECT_EQ("Ricordamelo ogni 3 ore|", EditorReminderLine(e) + "|" + EditorReminderLine(odd));
    EXPECT_EQ(999.0, EventMinDiff(odd, kWednesday));
}

}  // namespace
