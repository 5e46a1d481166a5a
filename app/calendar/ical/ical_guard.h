// A look at iCalendar text before libical parses it (every reader of ours goes through it), for what libical cannot bear:
// components nested without end (it frees its tree recursively, one stack frame a level)
// and lines of megabytes (its line reader slows with the square of a line's length).
#pragma once

#include <cstddef>
#include <string>


// Calendar programs nest three levels (VCALENDAR, VEVENT, VALARM); a file of several
// calendars adds one.
constexpr int kMaxIcalDepth = 16;
// A logical line (its folds joined) longer than this, 256 KiB, keeps only its start:
// a title or a note is cut far shorter anyway, and an attachment is not read.
constexpr size_t kMaxIcalLineBytes = size_t(256) << 10;

// What the guard did to a text.
struct IcalGuardReport {
    std::string refused;        // why the text is not to be parsed at all; else empty
    size_t long_lines_cut = 0;  // logical lines cut to kMaxIcalLineBytes
};

// The text of data[0, size) that libical may parse: every line cut to kMaxIcalLineBytes
// (counted in `out.long_lines_cut`). Empty, with `out.refused` saying why, when a BEGIN
// opens a component deeper than kMaxIcalDepth.
std::string GuardIcalendar(const char* data, size_t size, IcalGuardReport& out);
