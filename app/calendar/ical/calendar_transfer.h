// Moving the calendar in and out from a terminal: `--import FILE.ics...` and
// `--export FILE.ics`. Both run before any window or display and return the exit status.
#pragma once

#include <string>
#include <vector>

#include "app/calendar/store/event_store.h"

// Adds the events of the iCalendar `files` ("-" is standard input) to the calendar file
// `calendar`, leaving out those it already holds (SameEvent). Every file is read and
// mapped before the writers' lock is taken: if one cannot be read, is refused by the
// guard of ical_guard.h or is not iCalendar, one line says so on stderr, the calendar is
// untouched and the result is 1. So is it when the calendar exists but cannot be read in
// full, the writers' lock cannot be had, the calendar would pass kMaxCalendarEvents or
// the save fails (UpdateCalendarFile). Stale temporary files beside the calendar are
// swept first, as the window's start does. Otherwise the new
// events are appended and saved atomically under the lock, stderr gets one line per skipped item with its reason
// and one per text cut to fit, then one per note (what a record could not keep of a
// series, a zone in doubt), stdout the line "imported N, skipped M" (then "; K texts
// cut to fit" when some were), and the result is 0, or 1 if that line could not be
// written. Nothing is written when nothing is new. Names and titles on the terminal go
// through TerminalText.
int RunCalendarImport(const std::vector<std::string>& files, const std::string& calendar = kDatabasePath);

// Writes the calendar file `calendar` as iCalendar to `file`: a regular file or a new
// name replaced atomically, a stream (standard output for "-", a descriptor, a pipe,
// ChooseOutputTarget) written in place. A missing calendar exports as an empty one; a
// link to nothing, or a calendar that cannot be read, is an error (1, nothing written).
// The summary "exported N events to FILE" (", M left out" when records no event can
// express were, each also told on stderr) goes to stdout, or to stderr when the calendar
// itself went there. 0 when every record was written, else 1.
int RunCalendarExport(const std::string& file, const std::string& calendar = kDatabasePath);

// `text` safe to print on a terminal: control bytes (escape codes too), C1 controls,
// stray bytes past ASCII and the backslash as \xHH; printable UTF-8 as it is.
std::string TerminalText(const std::string& text);

// A FILE argument as the caller meant it. The launcher runs the program inside the
// user's data folder and names the folder it was called from in STRIGOLO_CALLER_DIR; a
// relative path is taken from there. Absolute paths and "-" are kept.
std::string CallerPath(const std::string& arg);
