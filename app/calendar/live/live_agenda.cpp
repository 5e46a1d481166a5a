// The notices of a folder item's occurrences, and which are due.
#include "app/calendar/live/live_agenda.h"

#include <algorithm>

std::string AlarmItemName(const std::string& uid) { return uid + " alarm"; }

std::vector<LiveOccurrence> LiveOccurrences(const LiveItem& item, std::time_t now, int days_ahead,
                                            std::string& problem) {
    const std::time_t from = now - kLiveLookBack, to = now + std::time_t(days_ahead) * 24 * 3600;
    std::vector<LiveOccurrence> out;
    for (const IcalSeries& s : item.series) {
        if (s.Cancelled()) continue;
        // Between finds occurrences by their span; one that began before `from` and is
        // still going is left to its start's own notices.
        const IcalOccurrences found = s.Between(from, to);
        if (!found.complete) problem = found.problem;
        for (const IcalOccurrence& o : found.list) {
            if (o.cancelled || o.start < from) continue;
            LiveOccurrence lo;
            lo.occurrence = o;
            const int64_t start = int64_t(o.start);
            lo.moments = {{o.start - 3600, {item.uid, start, NoticeKind::kHourBefore}},
                          {o.start - 1800, {item.uid, start, NoticeKind::kHalfHourBefore}},
                          {o.start, {item.uid, start, NoticeKind::kDue}}};
            for (std::time_t a : o.alarms)
                if (a >= from && a < to) lo.moments.push_back({a, {AlarmItemName(item.uid), int64_t(a), NoticeKind::kDue}});
            std::stable_sort(lo.moments.begin(), lo.moments.end(),
                             [](const LiveMoment& a, const LiveMoment& b) { return a.at < b.at; });
            out.push_back(std::move(lo));
        }
    }
    std::stable_sort(out.begin(), out.end(), [](const LiveOccurrence& a, const LiveOccurrence& b) {
        return a.occurrence.start < b.occurrence.start;
    });
    return out;
}

int FirstDue(const std::vector<LiveOccurrence>& occ, const std::set<NoticeKey>& given, std::time_t now) {
    for (size_t i = 0; i < occ.size(); ++i)
        for (const LiveMoment& m : occ[i].moments)
            if (m.at <= now && !given.count(m.key)) return int(i);
    return -1;
}

std::time_t NextMoment(const std::vector<LiveOccurrence>& occ, const std::set<NoticeKey>& given, std::time_t now) {
    std::time_t next = 0;
    for (const LiveOccurrence& o : occ)
        for (const LiveMoment& m : o.moments)
            if (m.at > now && (next == 0 || m.at < next) && !given.count(m.key)) next = m.at;
    return next;
}

int ShownOccurrence(const std::vector<LiveOccurrence>& occ, const std::set<NoticeKey>& given, std::time_t now) {
    const int due = FirstDue(occ, given, now);
    if (due >= 0) return due;
    for (size_t i = 0; i < occ.size(); ++i)
        if (occ[i].occurrence.end > now || occ[i].occurrence.start >= now) return int(i);
    return -1;
}

std::vector<NoticeKey> NoticesSeen(const LiveOccurrence& o, std::time_t now) {
    std::vector<NoticeKey> seen;
    for (const LiveMoment& m : o.moments)
        if (m.at <= now) seen.push_back(m.key);
    return seen;
}
