// What an edit made in the owl does to a calendar folder: a single event's file is
// rewritten or removed; one occurrence of a series gets an override or an EXDATE (the
// series itself is never changed); a new event becomes a new item of the new_events
// folder. Every write is atomic and re-reads the file first, so a change made elsewhere
// while the editor was open is kept, and told when it touched the same field.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "app/calendar/live/item_text.h"
#include "app/calendar/live/live_calendars.h"

// The index of the folder new events go to: the calendar new_events names, when it is
// not read-only; -1 for the owl's own calendar.
int NewEventsFolder(const LiveCalendars& lc);

// Whether the owl may change the items of folder `folder`: not read_only in the config,
// and the folder is there and writable.
bool FolderWritable(const LiveCalendars& lc, size_t folder);

// Whether `row` is a folder's row the owl may change.
bool LiveRowWritable(const LiveCalendars& lc, const Event* row);

// What the editor changed between the row as opened and the draft: the title and the
// description when they differ, and how far the date and time moved (wall seconds).
ItemChange ChangeOfDraft(const Event& original, const Event& draft);

// A fresh UID of [0-9a-f-] (random, in the form of a UUID), which as UID + ".ics" is a
// file name vdirsyncer accepts.
std::string FreshUid();

// Opens `row` for editing when its folder is writable and its file can be read: returns
// the draft the editor is to change, or null (then the row is only shown).
Event* OpenLiveEdit(LiveCalendars& lc, const Event* row);
// Opens a new event for the new_events folder, starting at `now` (local time, minute 0
// as the owl's own new events do); null when new events go to the owl's own calendar.
Event* OpenNewLiveEvent(LiveCalendars& lc, const std::tm& now);
bool IsLiveDraft(const LiveCalendars& lc, const Event* e);

// Confirm and trash of the editor on a draft: write the change into the folder (or, for
// the trash, remove the event's file or leave its occurrence out), then close the draft.
// A failure or a field changed on both sides is put on the notice band; an edit written
// asks the sync command to run soon. `now_ms` a tick, `now` the wall clock.
void ConfirmLiveEdit(LiveCalendars& lc, uint32_t now_ms, std::time_t now);
void BinLiveEdit(LiveCalendars& lc, uint32_t now_ms, std::time_t now);
void CloseLiveEdit(LiveCalendars& lc);

// The user tried to change an item of a read-only calendar: the editor says so for
// kReadOnlySaidMs. ReadOnlyLine is the text to show at `now_ms`, empty when none.
void SayReadOnly(LiveCalendars& lc, uint32_t now_ms);
std::string ReadOnlyLine(const LiveCalendars& lc, uint32_t now_ms);
