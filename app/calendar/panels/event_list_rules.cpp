// The event list's rules, free of drawing: scroll offset and arrows, row banding,
// adding and picking events, and the texts of each row.
#include <algorithm>
#include <cstdio>

#include "app/calendar/panels/event_list.h"

EventListState event_list;

void ClampListOffset(int& swap, int n) {
    if (n - swap <= kListRows - 1) swap = n - kListRows;
    if (swap < 0) swap = 0;
}

void ScrollListUp(int& swap) {
    swap -= 1;
    if (swap < 0) swap = 0;
}

void ScrollListDown(int& swap, int n) {
    swap += 1;
    ClampListOffset(swap, n);
}

bool CanScrollUp(int swap) { return swap > 0; }
bool CanScrollDown(int swap, int n) { return n - swap > kListRows; }

float ListRowAlpha(int k) { return k % 2 == 0 ? 0.35f : 0.25f; }

Event* AddEntry(std::list<Event>& list, const std::tm& now) {
    if (list.size() >= kMaxCalendarEvents) return nullptr;
    list.emplace_back(now);
    return &list.back();
}

Event* EventAtIndex(std::list<Event>& list, int k) {
    if (k < 0) return nullptr;
    for (Event& e : list) {
        if (k-- == 0) return &e;
    }
    return nullptr;
}

std::vector<Event*> ListRows(std::list<Event>& own, std::list<Event>& live, int today_wday) {
    SortEvents(own, today_wday);
    SortEvents(live, today_wday);
    std::vector<Event*> rows;
    rows.reserve(own.size() + live.size());
    auto a = own.begin(), b = live.begin();
    while (a != own.end() || b != live.end()) {
        if (b == live.end() || (a != own.end() && !EventGoesBefore(*b, *a, today_wday))) rows.push_back(&*a++);
        else rows.push_back(&*b++);
    }
    return rows;
}

std::string ListTitleText(const Event& e) {
    std::string title = FieldText(e.title, sizeof e.title);
    return title.empty() ? "evento senza nome" : title;
}

std::string ListDateText(const Event& e, const std::tm& now) {
    char buf[64];
    switch (e.type) {
    case kAppointment:
        if (IsToday(e.date, now)) return "Oggi";
        std::snprintf(buf, sizeof buf, "%d/%d/%d", e.date.day, e.date.month, e.date.year);
        return buf;
    case kWeekly:
        if (e.wday == now.tm_wday) return "Oggi";
        std::snprintf(buf, sizeof buf, "ogni %s", GetWdayStr(e.wday));
        return buf;
    case kReminder: return "promemoria";
    default: return "";  // a type only a damaged file holds
    }
}

std::string ListTimeText(const Event& e) {
    char buf[32];
    switch (e.type) {
    case kAppointment:
    case kWeekly:
        std::snprintf(buf, sizeof buf, "%d:%d", e.time.hour, e.time.min);
        return buf;
    case kReminder: return "/";
    default: return "";
    }
}
