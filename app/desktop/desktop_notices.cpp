// The desktop notifications' deciding: the pending notices, their Italian texts, and
// the ledger of what is posted, without a bus or a window.
#include "app/desktop/desktop_notices.h"

#include <algorithm>
#include <cstdio>

#include "app/calendar/panels/event_editor.h"
#include "app/calendar/reminders/reminders.h"

DesktopNoticesState desktop_notices;

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}

const char* const kMonths[] = {"gennaio", "febbraio", "marzo",     "aprile",  "maggio",   "giugno",
                               "luglio",  "agosto",   "settembre", "ottobre", "novembre", "dicembre"};

std::string Minutes(int64_t n) { return std::to_string(n) + (n == 1 ? " minuto" : " minuti"); }

}  // namespace

std::string FieldUtf8(const char* field, size_t size) {
    const std::string raw = FieldText(field, size);
    std::string out;
    for (size_t i = 0; i < raw.size();) {
        const unsigned char c = static_cast<unsigned char>(raw[i]);
        // The length of a well-formed sequence starting here, or 0.
        size_t len = c < 0x80 ? 1 : (c >= 0xC2 && c <= 0xDF) ? 2 : (c >= 0xE0 && c <= 0xEF) ? 3
                                   : (c >= 0xF0 && c <= 0xF4) ? 4 : 0;
        for (size_t k = 1; k < len; ++k) {
            if (i + k >= raw.size() || (static_cast<unsigned char>(raw[i + k]) & 0xC0) != 0x80) len = 0;
        }
        if (len == 3 || len == 4) {  // no overlong forms, surrogates or code points past U+10FFFF
            const unsigned char c1 = static_cast<unsigned char>(raw[i + 1]);
            if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 >= 0xA0) || (c == 0xF0 && c1 < 0x90) ||
                (c == 0xF4 && c1 >= 0x90))
                len = 0;
        }
        if (len == 1) {
            out += (c < 0x20 || c == 0x7F) ? ' ' : static_cast<char>(c);
        } else if (len > 1) {
            out.append(raw, i, len);
        } else {  // Latin-1: two bytes of UTF-8 (C1 controls become spaces)
            if (c < 0xA0) {
                out += ' ';
            } else {
                out += static_cast<char>(0xC0 | (c >> 6));
                out += static_cast<char>(0x80 | (c & 0x3F));
            }
            len = 1;
        }
        i += len;
    }
    return out;
}

std::string NoticeWhen(const Event& e, DueNotice kind, const std::tm& now, bool all_day) {
    if (kind == DueNotice::kReminder) {
        switch (e.remind_mode) {
        case 1: return "Promemoria ogni 2 ore";
        case 2: return "Promemoria ogni 3 ore";
        default: return "Promemoria ogni ora";
        }
    }
    // A weekly event is announced on its weekday only: today.
    const int64_t today = DaysFromCivil(now.tm_year + 1900LL, now.tm_mon + 1LL, now.tm_mday);
    const bool dated = e.type == kAppointment;
    const bool sane = !dated || (e.date.month >= 1 && e.date.month <= 12 && e.date.day >= 1 && e.date.day <= 31 &&
                                 e.date.year >= 1900 && e.date.year <= 9999);
    const int64_t day = dated && sane ? DaysFromCivil(e.date.year, e.date.month, e.date.day) : today;

    std::string when;
    char buf[64];
    if (!sane) {
        std::snprintf(buf, sizeof buf, "Il %d/%d/%d", e.date.day, e.date.month, e.date.year);
        when = buf;
    } else if (day == today) {
        when = "Oggi";
    } else if (day == today + 1) {
        when = "Domani";
    } else if (day == today - 1) {
        when = "Ieri";
    } else {
        when = (e.date.day == 1 ? std::string("Il 1º") : "Il " + std::to_string(e.date.day)) + " " +
               kMonths[e.date.month - 1];
        if (e.date.year != now.tm_year + 1900) when += " " + std::to_string(e.date.year);
    }
    if (all_day) return when;
    std::snprintf(buf, sizeof buf, e.time.hour == 1 ? " all'%d:%02d" : " alle %d:%02d", e.time.hour, e.time.min);
    when += buf;
    if (!sane) return when;

    const int64_t ahead = (day - today) * 1440 + (e.time.hour * 60LL + e.time.min) - (now.tm_hour * 60LL + now.tm_min);
    if (ahead > 0 && ahead <= 120) return when + ", fra " + Minutes(ahead);
    if (ahead == 0) return when + ", adesso";
    if (ahead < 0 && ahead > -60) return when + ", " + Minutes(-ahead) + " fa";
    return when;
}

PendingNotice ComposeNotice(const Event& e, DueNotice kind, const std::tm& now) {
    PendingNotice n;
    n.event = &e;
    n.identity = EventIdentity(e);
    n.kind = kind;
    n.summary = FieldUtf8(e.title, sizeof e.title);
    if (n.summary.find_first_not_of(' ') == std::string::npos)
        n.summary = e.type == kReminder ? "Promemoria" : e.type == kWeekly ? "Evento settimanale" : "Appuntamento";
    n.body = NoticeWhen(e, kind, now);
    n.critical = kind == DueNotice::kDue;
    return n;
}

std::vector<PendingNotice> PendingNotices(const std::list<Event>& list, const std::tm& now, NoticeSnooze& snooze) {
    std::vector<PendingNotice> out;
    const std::time_t t = LocalSeconds(now);
    for (const Event& e : list) {
        bool due = false;
        double min_diff = 999.0;
        if (e.type == kReminder) {
            due = ReminderPeriodPassed(e.remind_te, e.remind_mode);
        } else if (!e.notify) {
            min_diff = EventMinDiff(e, now);
            due = EventNoticeDue(e, min_diff);
        }
        if (!due) continue;
        const DueNotice kind = EventDueNotice(e, min_diff);
        if (!NoticeSnoozed(snooze, e, kind, t)) out.push_back(ComposeNotice(e, kind, now));
    }
    return out;
}

bool MayPost(DesktopNotices setting, bool window_seen) {
    return setting == DesktopNotices::kAlways || (setting == DesktopNotices::kWhenHidden && !window_seen);
}

std::vector<DesktopCall> StepDesktopNotices(DesktopNoticesState& st, const std::vector<PendingNotice>& pending,
                                            bool window_seen, DesktopNotices setting) {
    const bool may_post = MayPost(setting, window_seen);
    std::vector<DesktopCall> calls;
    auto same_event = [](const PostedNotice& p, const PendingNotice& n) {
        return p.event == n.event && p.identity == n.identity;
    };
    auto same_notice = [](const PostedNotice& p, const PendingNotice& n) {
        return p.kind == n.kind && p.moment == n.moment;
    };

    for (auto it = st.posted.begin(); it != st.posted.end();) {
        auto now_pending = std::find_if(pending.begin(), pending.end(),
                                        [&](const PendingNotice& n) { return same_event(*it, n); });
        if (now_pending == pending.end() || (!same_notice(*it, *now_pending) && !may_post)) {
            calls.push_back({true, it->tag, {}});
            it = st.posted.erase(it);
            continue;
        }
        if (!same_notice(*it, *now_pending)) {
            it->kind = now_pending->kind;
            it->moment = now_pending->moment;
            calls.push_back({false, it->tag, *now_pending});
        }
        ++it;
    }
    if (!may_post) return calls;
    for (const PendingNotice& n : pending) {
        if (std::any_of(st.posted.begin(), st.posted.end(), [&](const PostedNotice& p) { return same_event(p, n); }))
            continue;
        st.posted.push_back({n.event, n.identity, n.kind, n.moment, st.next_tag++});
        calls.push_back({false, st.posted.back().tag, n});
    }
    return calls;
}

std::vector<PendingNotice> LivePendingNotices(const LiveCalendars& lc, const std::set<NoticeKey>& given,
                                              std::time_t now_t, const std::tm& now) {
    std::vector<PendingNotice> out;
    for (const auto& [start, row] : lc.due) {
        const auto owner = lc.row_owner.find(row);
        if (owner == lc.row_owner.end() || owner->second.folder >= lc.folders.size()) continue;
        const LiveFolder& folder = lc.folders[owner->second.folder];
        const auto entry = folder.entries.find(owner->second.name);
        if (entry == folder.entries.end()) continue;
        const LiveEntry& e = entry->second;
        const int first = FirstDue(e.occurrences, given, now_t);
        if (first < 0) continue;
        const LiveOccurrence& o = e.occurrences[size_t(first)];
        const LiveMoment* reached = nullptr;  // moments come by time: the last one come
        for (const LiveMoment& m : o.moments)
            if (m.at <= now_t && !given.count(m.key)) reached = &m;
        if (!reached) continue;
        DueNotice kind = DueNotice::kAlarm;
        if (reached->key.item != AlarmItemName(e.item.uid))
            kind = reached->key.kind == NoticeKind::kHourBefore       ? DueNotice::kOneHour
                   : reached->key.kind == NoticeKind::kHalfHourBefore ? DueNotice::kHalfHour
                                                                      : DueNotice::kDue;
        PendingNotice n = ComposeNotice(*row, kind, now);
        n.body = NoticeWhen(*row, kind, now, o.occurrence.all_day) + "\nCalendario: " + folder.calendar.name;
        if (!o.occurrence.summary.empty()) n.summary = o.occurrence.summary;
        n.moment = reached->at;
        n.snooze = false;
        out.push_back(n);
    }
    return out;
}

const PostedNotice* FindPosted(const DesktopNoticesState& st, uint32_t tag) {
    for (const PostedNotice& p : st.posted)
        if (p.tag == tag) return &p;
    return nullptr;
}
