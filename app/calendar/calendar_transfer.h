// Moving the calendar in and out from a terminal: `--import FILE.ics...` and
// `--export FILE.ics`. Both run before any window or display and return the exit status.
#pragma once

#include <string>
#include <vector>

#include "app/calendar/event_store.h"

// Adds the events of the iCalendar `files` to the calendar file `calendar`, leaving out
// those it already holds (SameEvent). Every file is read and mapped first: if one cannot
// be read or is not iCalendar, one line says so on stderr, the calendar is untouched and
// the result is 1. So is it when the calendar exists but cannot be read in full, the
// writers' lock cannot be had or the save fails (UpdateCalendarFile). Otherwise the new
// events are appended and saved atomically under the lock, stderr gets one line per skipped item with its reason
// and one per text cut to fit, then one per note (what a record could not keep of a
// series, a zone in doubt), stdout the line "imported N, skipped M" (then "; K texts
// cut to fit" when some were), and the result is 0. Nothing is written when nothing is
// new.
int RunCalendarImport(const std::vector<std::string>& files, const std::string& calendar = kDatabasePath);

// Writes the calendar file `calendar` as iCalendar to `file`, replaced atomically, or to
// standard output for "-"; a missing calendar exports as an empty one. 0 when written
// (with one stderr line per record left out), 1 with one stderr line when the calendar
// cannot be read or the file cannot be written.
int RunCalendarExport(const std::string& file, const std::string& calendar = kDatabasePath);

// A FILE argument as the caller meant it. The launcher runs the program inside the
// user's data folder and names the folder it was called from in STRIGOLO_CALLER_DIR; a
// relative path is taken from there. Absolute paths and "-" are kept.
std::string CallerPath(const std::string& arg);
