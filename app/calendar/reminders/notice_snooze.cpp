// The kind of a due notice and the notices put off from the desktop, in memory only.
#include "app/calendar/reminders/notice_snooze.h"

#include <algorithm>

#include "app/calendar/panels/event_editor.h"

NoticeSnooze notice_snooze;

DueNotice EventDueNotice(const Event& e, double min_diff) {
    if (e.type == kReminder) return DueNotice::kReminder;
    if (min_diff <= 0.0) return DueNotice::kDue;
    if (min_diff <= 30.0 && !e.notify_hh) return DueNotice::kHalfHour;
    return DueNotice::kOneHour;
}

uint64_t EventIdentity(const Event& e) {
    // FNV-1a over the encoded record's bytes up to remind_te (offset 564): the texts
    // and every field the user sets; the running period and the flags change alone.
    unsigned char rec[kEventRecordSize];
    EncodeEvent(e, rec);
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < 564; ++i) h = (h ^ rec[i]) * 1099511628211ull;
    return h;
}

std::time_t LocalSeconds(const std::tm& t) {
    std::tm copy = t;
    return timegm(&copy);
}

void SnoozeNotice(NoticeSnooze& s, const Event& e, DueNotice kind, std::time_t now) {
    const std::time_t next_minute = (now / 60 + 1) * 60;
    s.held.push_back({&e, EventIdentity(e), kind, next_minute + kSnoozeSeconds});
    ++events_generation;  // the scan counts again at once
}

bool NoticeSnoozed(NoticeSnooze& s, const Event& e, DueNotice kind, std::time_t now) {
    if (s.held.empty()) return false;
    s.held.erase(std::remove_if(s.held.begin(), s.held.end(), [now](const SnoozedNotice& n) { return now >= n.until; }),
                 s.held.end());
    return std::any_of(s.held.begin(), s.held.end(), [&](const SnoozedNotice& n) {
        return n.event == &e && n.kind == kind && n.identity == EventIdentity(e);
    });
}

bool NoticeSnoozedAt(NoticeSnooze& s, const Event& e, const std::tm& now) {
    if (s.held.empty()) return false;
    const double min_diff = e.type == kReminder ? 999.0 : EventMinDiff(e, now);
    return NoticeSnoozed(s, e, EventDueNotice(e, min_diff), LocalSeconds(now));
}
