// A look at iCalendar text before libical parses it, for what libical cannot bear:
// components nested without end (it frees its tree recursively, one stack frame a level)
// and lines of megabytes (its line reader slows with the square of a line's length).
#pragma once

#include <cstddef>
#include <string>

#include "app/calendar/ical_import.h"

// Calendar programs nest three levels (VCALENDAR, VEVENT, VALARM); a file of several
// calendars adds one.
constexpr int kMaxIcalDepth = 16;
// A logical line (its folds joined) longer than this, 256 KiB, keeps only its start:
// a title or a note is cut far shorter anyway, and an attachment is not read.
constexpr size_t kMaxIcalLineBytes = size_t(256) << 10;

// The text of data[0, size) that libical may parse: every line cut to kMaxIcalLineBytes
// (counted in `out.long_lines_cut`). Empty, with `out.refused` saying why, when a BEGIN
// opens a component deeper than kMaxIcalDepth.
std::string GuardIcalendar(const char* data, size_t size, IcalImport& out);
