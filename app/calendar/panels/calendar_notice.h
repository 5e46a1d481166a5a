// What the window says about the calendar file, over the scene and every panel: a
// failed save, a file kept aside, a file that could not be read in full, a link to
// nothing; below them, the live calendars' trouble (a failed sync, a missing folder).
// Texts are decided here and in app/calendar/live/; DrawCalendarNotice only draws them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/calendar/store/calendar_file.h"

// Characters that fit one line of the window at the notice's size.
constexpr size_t kNoticeColumns = 48;

// At most two Italian lines (ASCII, accents written as the question bank writes them)
// of at most kNoticeColumns characters; none when all is well. A failed save comes
// first, then an event the editor could not add (for kFullShownMs), then a file put
// aside (for kPutAsideShownMs after `put_aside_tick`, `tick` in ms), then what the
// start or a reload found.
std::vector<std::string> CalendarNoticeLines(const CalendarNotices& n, uint32_t tick);

// Draws the notice of calendar_store last in the frame: white text on a dark band along
// the bottom of the window (contrast above 4.5:1 over any picture).
void DrawCalendarNotice();

// A failed write's errno in the band's words ("disco pieno", "sola lettura", ...), for
// every writer of the user's calendars.
const char* SaveReason(int err);
