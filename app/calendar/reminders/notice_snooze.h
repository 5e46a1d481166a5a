// Which notice of an event is due, and the notices put off for ten minutes from the
// desktop ("Posticipa 10 minuti"). The put-off notices live in memory only: nothing a
// peer reads changes, and a restart brings them back at once.
#pragma once

#include <cstdint>
#include <ctime>
#include <vector>

#include "app/calendar/store/event_store.h"

// The notices the owl gives an event: an hour before, half an hour before, from its
// moment on, a reminder's period, and an alarm of a live calendar's item.
enum class DueNotice { kOneHour, kHalfHour, kDue, kReminder, kAlarm };

// The notice a due event is announced for, `min_diff` minutes before its moment (as
// EventMinDiff gives it): a reminder's period, the due notice from its moment on, the
// half-hour notice while its flag is clear within 30 minutes, else the one-hour notice.
DueNotice EventDueNotice(const Event& e, double min_diff);

// What tells one event from another that later takes its address in the list: the
// bytes the user gave it (title, date, time, weekday, kind, period), not its flags.
uint64_t EventIdentity(const Event& e);

// Seconds of the local calendar time `t` counted as if it were UTC: a steady count
// that ignores the zone (a summer-time change moves it by an hour).
std::time_t LocalSeconds(const std::tm& t);

constexpr int kSnoozeSeconds = 600;

struct SnoozedNotice {
    const Event* event = nullptr;
    uint64_t identity = 0;
    DueNotice kind = DueNotice::kDue;
    std::time_t until = 0;  // LocalSeconds at which the notice comes back, a whole minute
};
struct NoticeSnooze {
    std::vector<SnoozedNotice> held;
};
extern NoticeSnooze notice_snooze;

// Puts the notice `kind` of `e` off for kSnoozeSeconds from the start of the next
// minute after `now` (LocalSeconds): the owl's scan looks at whole minutes.
void SnoozeNotice(NoticeSnooze& s, const Event& e, DueNotice kind, std::time_t now);
// Whether that notice is put off at `now`; a later notice of the same event (the
// half-hour after the hour's) is not. Forgets what has come back.
bool NoticeSnoozed(NoticeSnooze& s, const Event& e, DueNotice kind, std::time_t now);
// The same for the notice a due event has at the local time `now`: the owl's scan
// (ScanEvents) does not count it until it comes back.
bool NoticeSnoozedAt(NoticeSnooze& s, const Event& e, const std::tm& now);
