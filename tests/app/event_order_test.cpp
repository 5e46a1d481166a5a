// Ordering of the calendar, the minute count, weekday names and new-event defaults.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "app/event_store.h"
#include "platform/clock.h"

namespace {

// Local time is read through the wall clock; the tests pin the zone to UTC so the
// chosen instants fall on known days.
class CalendarClock : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override { ClearClocksForTesting(); }
};

Event Make(int type, int day, int hour, int min = 0, int wday = 0) {
    Event e{std::tm{}};
    e.type = type;
    e.date = {day, 3, 2027};
    e.time = {hour, min};
    e.wday = wday;
    return e;
}

std::vector<std::string> Titles(const std::list<Event>& l) {
    std::vector<std::string> out;
    for (const Event& e : l) out.push_back(e.title);
    return out;
}

TEST(ConvertDAM, CountsMinutesWithThirtyOneDayMonths) {
    EXPECT_DOUBLE_EQ(46080.0, ConvertDAM(1, 1, 1900, 0, 0));
    EXPECT_DOUBLE_EQ(1.0, ConvertDAM(1, 2, 2012, 0, 0) - ConvertDAM(31, 1, 2012, 23, 59));
    EXPECT_DOUBLE_EQ(2881.0, ConvertDAM(1, 3, 2012, 0, 0) - ConvertDAM(29, 2, 2012, 23, 59));
    // Exact for the extremes of int, where an int sum would overflow.
    EXPECT_DOUBLE_EQ(2147483647.0 * 535680.0 - 1900.0 * 535680.0,
                     ConvertDAM(0, 0, INT32_MAX, 0, 0));
    EXPECT_DOUBLE_EQ(-2147483648.0 * 1440.0 + 535680.0 * 100.0, ConvertDAM(INT32_MIN, 0, 2000, 0, 0));
}

TEST(GetWdayStr, ItalianAbbreviationsAndEmptyOutsideTheWeek) {
    const char* names[7] = {"dom", "lun", "mar", "merc", "giov", "ven", "sab"};
    for (int i = 0; i < 7; ++i) EXPECT_STREQ(names[i], GetWdayStr(i));
    EXPECT_STREQ("merc", GetWdayStr(3));
    EXPECT_STREQ("", GetWdayStr(7));
    EXPECT_STREQ("", GetWdayStr(-1));
    // One buffer, overwritten whole: a short name leaves no tail of a longer one.
    GetWdayStr(4);
    EXPECT_EQ(0, std::memcmp("dom\0\0", GetWdayStr(0), 5));
    EXPECT_EQ(wdaystr, GetWdayStr(1));
}

TEST_F(CalendarClock, RemindersFirstThenByDateAndTime) {
    // 2027-03-10 is a Wednesday.
    SetWallClockForTesting(1804636800);  // 2027-03-10 00:00 UTC
    std::list<Event> l;
    Event r1 = Make(2, 10, 23), a = Make(0, 10, 10), r2 = Make(2, 1, 0), b = Make(0, 10, 9);
    std::strcpy(r1.title, "R1"), std::strcpy(a.title, "A"), std::strcpy(r2.title, "R2"),
        std::strcpy(b.title, "B");
    l = {r1, a, r2, b};
    l.sort(sort_by_date);
    EXPECT_EQ((std::vector<std::string>{"R1", "R2", "B", "A"}), Titles(l));
    EXPECT_TRUE(sort_by_date(r2, a));
    EXPECT_FALSE(sort_by_date(a, r2));
    EXPECT_FALSE(sort_by_date(r1, r2));
    EXPECT_FALSE(sort_by_date(r2, r1));
    EXPECT_FALSE(sort_by_date(a, a));
}

TEST_F(CalendarClock, WeeklyEventsSortByTheirNextWeekday) {
    SetWallClockForTesting(1804636800);  // a Wednesday (tm_wday 3)
    Event tue = Make(1, 10, 8, 0, 2), wed = Make(1, 10, 8, 0, 3), thu = Make(1, 10, 8, 0, 4);
    std::strcpy(tue.title, "mar"), std::strcpy(wed.title, "merc"), std::strcpy(thu.title, "giov");
    std::list<Event> l = {tue, wed, thu};
    l.sort(sort_by_date);
    EXPECT_EQ((std::vector<std::string>{"merc", "giov", "mar"}), Titles(l));
    // Tuesday is six days ahead: after an appointment five days ahead, before one
    // seven days ahead (same stored date and time).
    Event in5 = Make(0, 15, 8), in7 = Make(0, 17, 8);
    EXPECT_TRUE(sort_by_date(in5, tue));
    EXPECT_TRUE(sort_by_date(tue, in7));
    // The same list seen on a Friday (5): Tuesday is 4 days ahead, Wednesday 5,
    // Thursday 6.
    SortEvents(l, 5);
    EXPECT_EQ((std::vector<std::string>{"mar", "merc", "giov"}), Titles(l));
}

TEST(SortEvents, StableAndNeverMovesElements) {
    std::list<Event> l;
    const char* names[] = {"r1", "x", "r2", "y", "z"};
    int types[] = {2, 0, 2, 0, 0};
    int hours[] = {0, 9, 0, 9, 8};
    for (int i = 0; i < 5; ++i) {
        Event e = Make(types[i], 1, hours[i]);
        std::strcpy(e.title, names[i]);
        l.push_back(e);
    }
    std::vector<const Event*> before;
    for (const Event& e : l) before.push_back(&e);
    SortEvents(l, 0);
    EXPECT_EQ((std::vector<std::string>{"r1", "r2", "z", "x", "y"}), Titles(l));
    // Every element is still at its address: pointers held into the list stay valid.
    auto it = l.begin();
    EXPECT_EQ(before[0], &*it++);
    EXPECT_EQ(before[2], &*it++);
    EXPECT_EQ(before[4], &*it++);
    EXPECT_EQ(before[1], &*it++);
    EXPECT_EQ(before[3], &*it++);
}

TEST_F(CalendarClock, NewEventTakesTodayAndTheCurrentHour) {
    SetWallClockForTesting(1804636800 + 14 * 3600 + 37 * 60 + 12);  // 14:37:12
    Event e;
    EXPECT_EQ(10, e.date.day);
    EXPECT_EQ(3, e.date.month);
    EXPECT_EQ(2027, e.date.year);
    EXPECT_EQ(14, e.time.hour);
    EXPECT_EQ(0, e.time.min);
    EXPECT_EQ(3, e.wday);
    EXPECT_EQ(0, e.type);
    EXPECT_EQ(0, e.remind_mode);
    EXPECT_EQ(0.0f, e.remind_te);
    EXPECT_FALSE(e.notify_1h || e.notify_hh || e.notify);
    for (char c : e.title) EXPECT_EQ(0, c);
    for (char c : e.description) EXPECT_EQ(0, c);
}

}  // namespace
