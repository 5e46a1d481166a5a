// Desktop notifications for the owl's notices while the window cannot be seen: which
// notices the calendar holds, their texts, and which notifications to post, replace
// and withdraw. Deciding only; desktop_notices_tick.cpp hands the calls to
// platform/desktop_notify.h and carries out what the user does with them.
#pragma once

#include <cstdint>
#include <ctime>
#include <list>
#include <string>
#include <vector>

#include "app/calendar/store/event_store.h"
#include "app/calendar/live/live_calendars.h"
#include "app/calendar/reminders/notice_snooze.h"

// One notice the calendar holds now, with what its notification says.
struct PendingNotice {
    const Event* event = nullptr;  // the event it is for, an element of the list
    uint64_t identity = 0;         // EventIdentity of it, against a reused address
    DueNotice kind = DueNotice::kDue;
    // Tells two notices of one kind apart: a live item's alarms (the instant each is
    // due, seconds since the epoch); 0 for the owl's own, one of a kind each.
    std::time_t moment = 0;
    std::string summary;   // the title, UTF-8
    std::string body;      // when, in words; the calendar it comes from if not ours
    bool critical = false;  // only the due notice
    bool snooze = true;     // may be put off: not a live item's (its due rows are the live calendars')
};

// Every notice due at `now`, by the rules of the owl's scan (EventNoticeDue,
// ReminderPeriodPassed), leaving out those put off from the desktop; in list order.
std::vector<PendingNotice> PendingNotices(const std::list<Event>& list, const std::tm& now, NoticeSnooze& snooze);
// The live calendars' due rows at `now` (also `now_t`, seconds since the epoch), with
// the notices in `given`: the latest of its occurrence's moments each has reached, its
// summary as the item writes it, and a second line naming its calendar.
std::vector<PendingNotice> LivePendingNotices(const LiveCalendars& lc, const std::set<NoticeKey>& given,
                                              std::time_t now_t, const std::tm& now);

// The texts. The day in words ("Oggi", "Domani", "Ieri", "Il 3 dicembre", with the
// year when it is not this one) and the time ("alle 9:30"), then how far off it is
// ("fra 30 minuti" up to two hours ahead, "adesso", "5 minuti fa" up to an hour
// past); a reminder says its period ("Promemoria ogni 2 ore"). An all-day item has
// its day alone.
std::string NoticeWhen(const Event& e, DueNotice kind, const std::tm& now, bool all_day = false);
// A field of the calendar as valid UTF-8: what already is stays, any other byte is
// read as Latin-1, control characters become spaces.
std::string FieldUtf8(const char* field, size_t size);
// The summary is the title, or the kind of event when it has none.
PendingNotice ComposeNotice(const Event& e, DueNotice kind, const std::tm& now);

// A notification as posted: `tag` is ours and stays the same for every notice of an
// event, so a later notice replaces the earlier one on the desktop.
struct PostedNotice {
    const Event* event = nullptr;
    uint64_t identity = 0;
    DueNotice kind = DueNotice::kDue;
    std::time_t moment = 0;
    uint32_t tag = 0;
};
struct DesktopNoticesState {
    std::vector<PostedNotice> posted;
    uint32_t next_tag = 1;
};
extern DesktopNoticesState desktop_notices;

// What to ask of the notification service: post (or replace) `notice` under `tag`,
// or withdraw the notification of `tag`.
struct DesktopCall {
    bool close = false;
    uint32_t tag = 0;
    PendingNotice notice;  // for a post
};

// Whether the `notifications =` setting lets a notice be posted now.
bool MayPost(DesktopNotices setting, bool window_seen);

// One step, every tick, from the notices pending now:
//  - a posted notice no longer pending (acknowledged in the owl, put off, removed) is
//    withdrawn;
//  - a notice is posted once, when the setting allows it now (kAlways, or kWhenHidden
//    with the window unseen): the 35 s sound repeats, the notification does not;
//  - a later notice of a posted event replaces it under the same tag when it may be
//    posted now, else the earlier one is withdrawn (it would tell the wrong time).
std::vector<DesktopCall> StepDesktopNotices(DesktopNoticesState& st, const std::vector<PendingNotice>& pending,
                                            bool window_seen, DesktopNotices setting);

// The posted notice with `tag`, or null (it was withdrawn meanwhile).
const PostedNotice* FindPosted(const DesktopNoticesState& st, uint32_t tag);

// The frame loop's call, every tick, with whether any of the window can be seen and
// the tick's local time: runs the user's clicks on the notifications (the default
// action raises the window and opens the event as the owl's button does, unless an
// edit or a quiz is open; "snooze" puts the notice off for kSnoozeSeconds), then
// posts and withdraws for the calendar and the live calendars, as their config's
// `notifications =` says (desktop_notices_tick.cpp).
void DesktopNoticesTick(bool window_seen, const std::tm& now);
