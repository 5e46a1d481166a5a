// The event list's rules driven without a window: the page offset and its arrows,
// banding by event index, adding and picking events, and the row texts.
#include <gtest/gtest.h>

#include <cstring>

#include "app/event_list.h"

namespace {

std::tm Today() {  // 2027-03-10, a Wednesday
    std::tm t{};
    t.tm_mday = 10, t.tm_mon = 2, t.tm_year = 127, t.tm_hour = 9, t.tm_wday = 3;
    return t;
}

TEST(EventListOffset, ClampKeepsThePageFull) {
    int swap = 0;
    ClampListOffset(swap, 0);
    EXPECT_EQ(0, swap);
    EXPECT_FALSE(CanScrollUp(swap));
    EXPECT_FALSE(CanScrollDown(swap, 0));

    // Twelve events: both arrows grey, the down arrow goes nowhere.
    EXPECT_FALSE(CanScrollDown(0, 12));
    ScrollListDown(swap, 12);
    EXPECT_EQ(0, swap);

    // Thirteen: one row down, then grey; up brings it back; up again stays at 0.
    EXPECT_TRUE(CanScrollDown(0, 13));
    ScrollListDown(swap, 13);
    EXPECT_EQ(1, swap);
    EXPECT_FALSE(CanScrollDown(swap, 13));
    EXPECT_TRUE(CanScrollUp(swap));
    ScrollListDown(swap, 13);
    EXPECT_EQ(1, swap);
    ScrollListUp(swap);
    EXPECT_EQ(0, swap);
    ScrollListUp(swap);
    EXPECT_EQ(0, swap);

    // Events removed elsewhere: the page moves up until it is full, or to the top.
    swap = 20;
    ClampListOffset(swap, 25);
    EXPECT_EQ(13, swap);
    swap = 13;
    ClampListOffset(swap, 25);
    EXPECT_EQ(13, swap);
    ClampListOffset(swap, 5);
    EXPECT_EQ(0, swap);
}

TEST(EventListRows, BandsFollowTheEventIndex) {
    EXPECT_FLOAT_EQ(0.35f, ListRowAlpha(0));
    EXPECT_FLOAT_EQ(0.25f, ListRowAlpha(1));
    // Scrolled by one, the top row holds event 1 and takes its lighter band.
    int swap = 1;
    EXPECT_FLOAT_EQ(0.25f, ListRowAlpha(swap + 0));
    EXPECT_FLOAT_EQ(0.35f, ListRowAlpha(swap + 1));
}

TEST(EventListEntries, AddAppendsAndPicksTheStoredElement) {
    std::list<Event> l(3, Event{std::tm{}});
    Event* first = &l.front();
    Event* added = AddEntry(l, Today());
    ASSERT_EQ(4u, l.size());
    EXPECT_EQ(&l.back(), added);
    EXPECT_EQ(first, &l.front());
    EXPECT_EQ(10, added->date.day);
    EXPECT_EQ(3, added->date.month);
    EXPECT_EQ(2027, added->date.year);
    EXPECT_EQ(9, added->time.hour);
    EXPECT_EQ(0, added->time.min);
    EXPECT_EQ(3, added->wday);
    EXPECT_EQ(0, added->type);
    EXPECT_EQ(0, added->title[0]);
    // The added event keeps its address through a sort that puts it first.
    added->type = 2;
    SortEvents(l, 3);
    EXPECT_EQ(added, &l.front());
    EXPECT_EQ(added, EventAtIndex(l, 0));
    EXPECT_EQ(first, EventAtIndex(l, 1));
    EXPECT_EQ(nullptr, EventAtIndex(l, 4));
    EXPECT_EQ(nullptr, EventAtIndex(l, -1));
}

TEST(EventListTexts, ColumnsByType) {
    std::tm now = Today();
    Event e{now};
    EXPECT_EQ("evento senza nome", ListTitleText(e));
    std::strcpy(e.title, "Dentista");
    EXPECT_EQ("Dentista", ListTitleText(e));

    e.time = {9, 5};
    EXPECT_EQ("Oggi", ListDateText(e, now));
    EXPECT_EQ("9:5", ListTimeText(e));
    e.date = {10, 4, 2027};  // same day of another month
    EXPECT_EQ("10/4/2027", ListDateText(e, now));
    e.date = {10, 3, 2028};  // and of another year
    EXPECT_EQ("10/3/2028", ListDateText(e, now));
    e.date = {3, 7, 2027};
    EXPECT_EQ("3/7/2027", ListDateText(e, now));

    e.type = 1;
    e.wday = 3;
    EXPECT_EQ("Oggi", ListDateText(e, now));
    e.wday = 2;
    EXPECT_EQ("ogni mar", ListDateText(e, now));
    EXPECT_EQ("9:5", ListTimeText(e));

    e.type = 2;
    EXPECT_EQ("promemoria", ListDateText(e, now));
    EXPECT_EQ("/", ListTimeText(e));
}

}  // namespace
