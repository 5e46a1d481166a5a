// The calendar written as one iCalendar file (RFC 5545, by libical) that other calendar
// programs import, and that the owl's own import turns back into the same events.
#pragma once

#include <ctime>
#include <list>
#include <string>
#include <vector>

#include "app/calendar/event_store.h"

// One VCALENDAR (VERSION, PRODID) holding one VEVENT per event, in list order, each with
// a UID (the same for the same event in every export), DTSTAMP `now` in UTC, DTSTART in
// floating local time, SUMMARY and DESCRIPTION when not empty:
//  - an appointment at its date and time;
//  - a weekly event from its first weekday on or after its own date, at its time, with
//    RRULE:FREQ=WEEKLY;BYDAY=<its weekday>;
//  - a reminder from its own date and time with RRULE:FREQ=HOURLY;INTERVAL=1, 2 or 3.
// Texts are taken as Latin-1 (what the keyboard gives past ASCII), control codes as "?".
// A record no event can express (an unknown type, a date, time, weekday or period out
// of range, as only a damaged file holds) is left out with one line in `left_out`.
std::string ExportIcalendar(const std::list<Event>& calendar, std::time_t now, std::vector<std::string>& left_out);
