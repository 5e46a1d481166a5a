// The calendar written as one iCalendar file (RFC 5545, by libical) that other calendar
// programs import, and that the owl's own import turns back into the same events.
#pragma once

#include <ctime>
#include <list>
#include <string>
#include <vector>

#include "app/calendar/store/event_store.h"

// One VCALENDAR (VERSION, PRODID, the local zone's VTIMEZONE as libical builds it)
// holding one VEVENT per event, in list order, each with a UID (the same for the same
// event in every export; a change of title, description, date or time gives a new one,
// as the record keeps no identity), DTSTAMP `now` in UTC, DTSTART with the local zone's
// TZID (floating when the zone has no IANA name, UTC when it is UTC), DTEND an hour
// later (the record keeps no length), SUMMARY and DESCRIPTION when not empty:
//  - an appointment at its date and time;
//  - a weekly event from its last weekday on or before its own date, at its time, with
//    RRULE:FREQ=WEEKLY;BYDAY=<its weekday>;
//  - a reminder from its own date and time with RRULE:FREQ=HOURLY;INTERVAL=1, 2 or 3.
// Texts are taken as Latin-1 (what the keyboard gives past ASCII), control codes as "?".
// A record no event can express (an unknown type, a date, time, weekday or period out
// of range, as only a damaged file holds) is left out with one line in `left_out`.
std::string ExportIcalendar(const std::list<Event>& calendar, std::time_t now, std::vector<std::string>& left_out);
