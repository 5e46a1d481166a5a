// Which notices the occurrences of a folder's item get, and which of them are due:
// an hour before, half an hour before and at the start, as the owl's own appointments
// get them, and at each of the item's display and audio alarms. Pure: the item, the
// window and the notices already given are arguments; times are seconds since the epoch.
#pragma once

#include <ctime>
#include <set>
#include <string>
#include <vector>

#include "app/calendar/live/live_item.h"
#include "app/calendar/reminders/notice_ledger.h"

// How far back an occurrence still gets its notices: one the owl was not running for.
constexpr std::time_t kLiveLookBack = 24 * 3600;

struct LiveMoment {
    std::time_t at = 0;  // when it falls due
    NoticeKey key;       // how the ledger knows it
};

struct LiveOccurrence {
    // Its summary and description are left empty when an earlier occurrence of the list
    // has the same ones (a series' every day, in memory once): `text_of` is its index.
    IcalOccurrence occurrence;
    int text_of = -1;                 // -1: the texts are its own
    std::vector<LiveMoment> moments;  // by time
};

// The occurrence whose summary and description occurrence `i` of `occ` shows.
const IcalOccurrence& TextOf(const std::vector<LiveOccurrence>& occ, size_t i);

// The ledger's name for an alarm of item `uid`: the item's own entries are its
// occurrences' three notices, an alarm's is its instant under this name.
std::string AlarmItemName(const std::string& uid);

// The occurrences of `item` starting in [now - kLiveLookBack, now + days_ahead days),
// none cancelled, with their notices; alarms outside that span are left out. `problem`
// is set when the engine stopped early (what it found is kept).
std::vector<LiveOccurrence> LiveOccurrences(const LiveItem& item, std::time_t now, int days_ahead,
                                            std::string& problem);

// The first of `occ` with a notice due at `now` (its moment come, not in `given`);
// -1 when none is.
int FirstDue(const std::vector<LiveOccurrence>& occ, const std::set<NoticeKey>& given, std::time_t now);

// The earliest moment after `now` not in `given`; 0 when there is none.
std::time_t NextMoment(const std::vector<LiveOccurrence>& occ, const std::set<NoticeKey>& given, std::time_t now);

// Which occurrence stands for the item in the list: the first due one, else the first
// that has not ended by `now`; -1 when every one has passed.
int ShownOccurrence(const std::vector<LiveOccurrence>& occ, const std::set<NoticeKey>& given, std::time_t now);

// The notices of `o` whose moment has come by `now`: what seeing it acknowledges.
std::vector<NoticeKey> NoticesSeen(const LiveOccurrence& o, std::time_t now);
