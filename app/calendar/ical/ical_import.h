// Events from iCalendar files (RFC 5545; read by ical/occurrences.h): which series
// becomes appointments, weekly events or a reminder, at what local date and time, with
// what texts, and why everything else is left out. Nothing here touches a file.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

#include "app/calendar/store/event_store.h"

// One event found in a file, ready to be added to the calendar.
struct IcalEvent {
    Event event;
    std::string name;              // its SUMMARY in the font's characters (60 at most), quoted, for messages
    std::vector<std::string> cut;  // "title cut to 17 characters" and the like; empty when nothing was cut
    // What the record could not keep of the series or what was doubtful in it, one
    // stderr line each ("only its next occurrence was kept", "remove it after 3/6/2030").
    std::vector<std::string> notes;
};

// What one file yields.
struct IcalImport {
    // False when the text holds no complete VCALENDAR (not iCalendar, cut short or
    // empty); nothing else is filled in then.
    bool is_icalendar = false;
    std::string refused;        // why the text was not parsed at all (ical_guard.h); else empty
    size_t long_lines_cut = 0;  // lines cut to kMaxIcalLineBytes before parsing
    std::vector<IcalEvent> events;     // in the file's order
    std::vector<std::string> skipped;  // one per item left out: its name, a colon, the reason
    std::vector<std::string> notes;    // doubts about the file as a whole (its zones), one line each
};

// Maps the iCalendar text data[0, size) with `now` as the present and the local zone of
// TZ as the owl's wall clock. Each series (a UID's event with its moved and cancelled
// occurrences) is kept as exactly as the fixed records allow:
//  - a single event, or any rule the records cannot hold (INTERVAL above 1, monthly,
//    yearly, other BY parts, RDATEs), becomes an appointment at its next occurrence that
//    has not wholly passed, with a note that only that one was kept; a date without a
//    time (an all-day event) is an appointment at 9:00 that day;
//  - a weekly or daily series every week becomes one weekly event per weekday (five for
//    "every weekday", seven for daily) at the local weekday and time, unless it starts
//    after today or ends within four weeks (then its next occurrence, as above); an end
//    further away gives a note of the date after which to remove it; a zone whose offset
//    to the local one changes within a year gives a note that the time may move an hour;
//    each moved occurrence in the next year is added as an appointment of its own, and
//    each cancelled one is named in a note (the weekly event will still announce it);
//  - HOURLY with INTERVAL 1, 2 or 3 and nothing more, begun and without an end, becomes a
//    reminder;
//  - cancelled series (STATUS:CANCELLED, METHOD:CANCEL), series wholly in the past, rules
//    that never match, VTODO, VJOURNAL and other components are skipped, each with its
//    reason;
//  - SUMMARY and DESCRIPTION go through FontText and are cut to what the editor holds
//    (17 and 345 characters), less the spaces that end them. Two series whose records
//    would be the same keep both: the later title ends in "~2" (with a note).
// A weekly event or reminder keeps `now`'s date as its own, as one made in the editor.
IcalImport MapIcalendar(const char* data, size_t size, std::time_t now);

// UTF-8 text in the characters the font draws (32 to 126), written the way the
// question bank writes Italian: a vowel with a grave or acute accent is the vowel and an
// apostrophe ("è" is "e'"), other accents are dropped ("ç" is "c"), typographic quotes,
// guillemets and dashes become their ASCII forms, tabs and line ends a space, anything
// else "?".
std::string FontText(const std::string& utf8);

// Whether `a` and `b` are the same entry for an import: same type and title as the
// import would keep them (through FontText, cut to 17 characters, spaces at the end
// aside, so an accented title typed in the editor matches its own export) and, for an appointment the same date and time, for
// a weekly event the same weekday and time, for a reminder the same period. The date a
// weekly event or reminder keeps is not compared.
bool SameEvent(const Event& a, const Event& b);
// The title as SameEvent compares it: its bytes (Latin-1, as the keyboard gives them)
// through FontText, cut to 17 characters, without the spaces that end it. A hash of
// events for that comparison must be taken over this form.
std::string ImportedTitle(const Event& e);
// A text equal for two events exactly when SameEvent holds, for a hashed look-up; empty
// for a record of an unknown type, which SameEvent matches with nothing.
std::string SameEventKey(const Event& e);
