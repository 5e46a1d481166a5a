// One item of a calendar folder: a file "NAME.ics" holding one UID's event (a master
// and its RECURRENCE-ID overrides), read through the occurrence engine. Also the
// folder's "color" file, a vdir convention.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "app/calendar/ical/occurrences.h"
#include "platform/regular_file.h"

// Whether a file of a folder is an item: its name ends in ".ics" and does not start
// with a dot (the temporary names of vdirsyncer, khal and the owl do).
bool IsItemName(const std::string& name);

// An item file larger than this is not read (bytes); real ones are a few kilobytes.
constexpr size_t kMaxItemBytes = 4u << 20;

struct LiveItem {
    std::string uid;
    std::vector<IcalSeries> series;  // its events; empty for an item of tasks or journal entries
    FileIdentity identity;           // the file read
};

enum class ItemStatus {
    kEvents,   // an item with events
    kNoEvent,  // an item holding no event (a task, a journal entry): nothing to show, nothing wrong
    kBad,      // not one the owl can read: `problem` says why, for one line on stderr
    kGone,     // nothing there any more (removed or renamed away before it was read)
};

// Reads an item's image data[0, size). Bad: not iCalendar, no UID, two different UIDs
// (a vdir item holds one), a series that gives no occurrence at all. `notes` gets the
// engine's doubts (an unknown zone, ...), one stderr line each.
ItemStatus ParseLiveItem(const char* data, size_t size, LiveItem& item, std::string& problem,
                         std::vector<std::string>& notes);

// Reads the file at `path` (a regular file of at most kMaxItemBytes) and parses it;
// a FIFO, a folder, a file without read permission or a huge one is kBad, unread.
ItemStatus ReadLiveItem(const std::string& path, LiveItem& item, std::string& problem,
                        std::vector<std::string>& notes);

// A folder's colour as its "color" file gives it: "#rrggbb" (or "#rrggbbaa", its alpha
// ignored), blanks around it allowed. False for anything else.
bool ParseVdirColor(const std::string& text, float rgb[3]);
