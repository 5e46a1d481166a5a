// Ordering of the calendar, the minute count and weekday names, and the event list's
// rules: page offset and arrows, adding and picking events, the row texts.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "app/calendar/event_list.h"
#include "platform/clock.h"

namespace {

Event Make(const char* title, int type, int day, int hour, int wday = 0) {
    Event e{std::tm{}};
    std::strcpy(e.title, title);
    e.type = type, e.date = {day, 3, 2027}, e.time = {hour, 0}, e.wday = wday;
    return e;
}

std::string Titles(const std::list<Event>& l) {
    std::string out;
    for (const Event& e : l) out += std::string(e.title) + " ";
    return out;
}

std::tm Wednesday() {  // 2027-03-10 09:00
    std::tm t{};
    t.tm_mday = 10, t.tm_mon = 2, t.tm_year = 127, t.tm_hour = 9, t.tm_wday = 3;
    return t;
}

TEST(CalendarOrder, MinuteCountAndWeekdayNames) {
    EXPECT_DOUBLE_EQ(46080.0, ConvertDAM(1, 1, 1900, 0, 0));
    EXPECT_DOUBLE_EQ(1.0, ConvertDAM(1, 2, 2012, 0, 0) - ConvertDAM(31, 1, 2012, 23, 59));
    EXPECT_DOUBLE_EQ(2881.0, ConvertDAM(1, 3, 2012, 0, 0) - ConvertDAM(29, 2, 2012, 23, 59));
    // Exact at the extremes of int, where an int sum would overflow.
    EXPECT_DOUBLE_EQ((2147483647.0 - 1900.0) * 535680.0, ConvertDAM(0, 0, INT32_MAX, 0, 0));
    EXPECT_STREQ("merc", GetWdayStr(3));
    EXPECT_STREQ("", GetWdayStr(7));  // also clears the previous name
    EXPECT_STREQ("", GetWdayStr(-1));
}

TEST(CalendarOrder, RemindersFirstThenByDateWeeklyOnTheirNextWeekday) {
    setenv("TZ", "UTC", 1);
    tzset();
    SetWallClockForTesting(1804636800);  // 2027-03-10 00:00 UTC, a Wednesday
    std::list<Event> l = {Make("R1", 2, 10, 23), Make("A", 0, 10, 10), Make("R2", 2, 1, 0),
                          Make("B", 0, 10, 9)};
    l.sort(sort_by_date);
    EXPECT_EQ("R1 R2 B A ", Titles(l));
    // Tuesday is six days ahead: between appointments five and seven days ahead.
    l = {Make("mar", 1, 10, 8, 2), Make("in7", 0, 17, 8), Make("merc", 1, 10, 8, 3),
         Make("in5", 0, 15, 8), Make("giov", 1, 10, 8, 4)};
    l.sort(sort_by_date);
    EXPECT_EQ("merc giov in5 mar in7 ", Titles(l));
    ClearClocksForTesting();
    // Seen on a Friday: Tuesday 4 days ahead, Wednesday 5 (tied with in5, stable),
    // Thursday 6; elements are relinked, never moved.
    const Event* merc = &l.front();
    SortEvents(l, 5);
    EXPECT_EQ("mar merc in5 giov in7 ", Titles(l));
    EXPECT_EQ(merc, EventAtIndex(l, 1));
}

TEST(EventList, OffsetArrowsAndClamp) {
    int swap = 0;
    ScrollListDown(swap, 12);  // twelve fit: the down arrow goes nowhere
    EXPECT_EQ(0, swap);
    EXPECT_FALSE(CanScrollDown(0, 12) || CanScrollUp(0));
    ScrollListDown(swap, 13);
    ScrollListDown(swap, 13);
    EXPECT_EQ(1, swap);
    EXPECT_TRUE(CanScrollUp(1) && CanScrollDown(0, 13) && !CanScrollDown(1, 13));
    ScrollListUp(swap);
    ScrollListUp(swap);
    EXPECT_EQ(0, swap);
    // Events removed elsewhere: the page moves up until it is full, or to the top.
    for (auto c : {std::array<int, 3>{20, 25, 13}, {13, 25, 13}, {13, 5, 0}}) {
        swap = c[0];
        ClampListOffset(swap, c[1]);
        EXPECT_EQ(c[2], swap) << c[0] << " of " << c[1];
    }
}

TEST(EventList, AddPickAndRowTexts) {
    std::list<Event> l(2, Make("", 0, 1, 1));
    Event* added = AddEntry(l, Wednesday());  // today, this hour, minute 0
    EXPECT_TRUE(added == &l.back() && added == EventAtIndex(l, 2) && !EventAtIndex(l, 3));
    EXPECT_EQ(nullptr, EventAtIndex(l, -1));
    EXPECT_EQ("evento senza nome Oggi 9:0",
              ListTitleText(*added) + " " + ListDateText(*added, Wednesday()) + " " + ListTimeText(*added));
    added->date.month = 4;  // the same day of another month
    EXPECT_EQ("10/4/2027", ListDateText(*added, Wednesday()));
    added->type = kWeekly, added->wday = 2;
    EXPECT_EQ("ogni mar", ListDateText(*added, Wednesday()));
    added->type = kReminder;
    EXPECT_EQ("promemoria /", ListDateText(*added, Wednesday()) + " " + ListTimeText(*added));
}

}  // namespace
