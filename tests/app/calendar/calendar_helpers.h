// What the calendar's tests share: events and local times made in one line, the titles
// of a list, files read and written whole.
#pragma once

#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <list>
#include <string>
#include <vector>

#include "app/calendar/store/event_store.h"

using Bytes = std::vector<unsigned char>;

// A local time with the weekday the test means (0 Sunday).
inline std::tm At(int year, int month, int day, int hour, int min, int wday) {
    std::tm t{};
    t.tm_year = year - 1900, t.tm_mon = month - 1, t.tm_mday = day, t.tm_hour = hour, t.tm_min = min, t.tm_wday = wday;
    return t.tm_isdst = -1, t;  // the zone tells whether summer time applies
}

inline Event Ev(const char* title, int type = kAppointment, Date date = {1, 1, 2030}, Time time = {0, 0}, int wday = 1) {
    Event e{std::tm{}};
    e.type = type, e.date = date, e.time = time, e.wday = wday, std::snprintf(e.title, sizeof e.title, "%s", title);
    return e;
}

inline std::string Titles(const std::list<Event>& l) {
    std::string s;
    for (const Event& e : l) s += (s.empty() ? "" : " ") + FieldText(e.title, sizeof e.title);
    return s;
}

inline void Put(const std::string& path, const Bytes& b) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

inline Bytes Get(const std::string& path) {
    return Bytes(std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {});
}
