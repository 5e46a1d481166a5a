// The event list panel: twelve rows of the calendar, scrolled one row per arrow click,
// with buttons to add an event or open one in the editor. Rules here, drawing in
// DrawEventList.
#pragma once

#include <ctime>
#include <list>
#include <string>
#include <vector>

#include "app/calendar/store/event_store.h"

constexpr int kListRows = 12;

// Kept between frames and between openings of the panel: the list index of the event
// in the top row.
struct EventListState {
    int swap = 0;
};
extern EventListState event_list;

// Keeps the page full: at most max(0, n - 12), never negative.
void ClampListOffset(int& swap, int n);
// The arrows; they never leave the offset outside the clamp.
void ScrollListUp(int& swap);
void ScrollListDown(int& swap, int n);
// Whether an arrow has somewhere to go (it is drawn grey otherwise).
bool CanScrollUp(int swap);
bool CanScrollDown(int swap, int n);

// Opacity of the row holding the event at list index k: bands follow the events.
float ListRowAlpha(int k);

// Appends a new event with today's defaults for `now` and returns the stored element;
// null, adding nothing, when the list already holds kMaxCalendarEvents.
Event* AddEntry(std::list<Event>& list, const std::tm& now);
// The k-th element in the list's order, or null past the end.
Event* EventAtIndex(std::list<Event>& list, int k);

// The rows of the list: the calendar's events and `live` (the rows of the calendar
// folders' items), each list sorted in place and the two merged in that order, the
// calendar's first among equals.
std::vector<Event*> ListRows(std::list<Event>& own, std::list<Event>& live, int today_wday);

// The three columns of a row as shown on the day `now`.
std::string ListTitleText(const Event& e);
std::string ListDateText(const Event& e, const std::tm& now);
std::string ListTimeText(const Event& e);
