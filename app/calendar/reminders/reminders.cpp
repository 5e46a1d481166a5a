// The reminder rules: the per-frame scan of the calendar, the notification button's
// click rules and the notification sound's timer, free of drawing.
#include "app/calendar/reminders/reminders.h"

#include <algorithm>
#include <cmath>

#include "app/calendar/panels/event_editor.h"
#include "app/calendar/reminders/notice_snooze.h"
#include "app/shared/tick_state.h"
#include "app/quiz/quiz.h"
#include "app/scene/scene.h"
#include "app/views.h"
#include "audio/audio_engine.h"

ReminderState reminder_state;

bool ReminderPeriodPassed(float remind_te, int remind_mode) {
    switch (remind_mode) {
    case 0: return remind_te > 3600.0f;
    case 1: return remind_te > 7200.0f;
    case 2: return remind_te >= 10800.0f;
    default: return false;
    }
}

bool EventNoticeDue(const Event& e, double min_diff) {
    return min_diff <= 0.0 || (min_diff <= 30.0 && !e.notify_hh) ||
           (min_diff <= 60.0 && !e.notify_1h);
}

namespace {

// Seconds of ageing the reminder still needs before its period passes (0 or less for
// one at or past it); infinite for an unknown period.
double SecondsToPeriod(const Event& e) {
    static const double kPeriods[3] = {3600.0, 7200.0, 10800.0};
    if (e.remind_mode < 0 || e.remind_mode > 2) return 1e300;
    return kPeriods[e.remind_mode] - double(e.remind_te);
}

// A weekly event on its day: the first time this occurrence is met its flags come from
// the ledger; after that the ledger learns every flag set here (by the view) and the
// flags every notice the ledger holds (given by another owl).
void ArmWeekly(ReminderState& st, Event& e, const std::tm& now, bool may_arm) {
    const std::string item = WeeklyNoticeItem(e);
    const int64_t start = WeeklyOccurrenceStart(e, now);
    bool* flags[3] = {&e.notify_1h, &e.notify_hh, &e.notify};
    const bool first = may_arm ? st.armed.insert({item, start}).second : false;
    if (!may_arm && !st.armed.count({item, start})) return;
    bool learned = false;
    for (int k = 0; k < 3; ++k) {
        const NoticeKey key{item, start, NoticeKind(k)};
        const bool given = NoticeGiven(*st.ledger, key);
        if (first || given)
            *flags[k] = given;
        else if (*flags[k])
            learned = st.ledger->given.insert(key).second || learned;
    }
    std::tm t = now;
    if (learned) SaveNoticeLedger(*st.ledger, std::mktime(&t));  // one write for what one view saw
}

// Occurrences met more than two days ago can be met no more.
void ForgetOldOccurrences(ReminderState& st, const std::tm& now) {
    std::tm t = now;
    const int64_t before = int64_t(std::mktime(&t)) - 2 * 86400;
    for (auto it = st.armed.begin(); it != st.armed.end();)
        it = it->second < before ? st.armed.erase(it) : std::next(it);
}

ScanResult FullScan(ReminderState* st, std::list<Event>& list, const std::tm& now, float age, bool sort,
                    double& next_period_in) {
    ScanResult r;
    if (sort) SortEvents(list, now.tm_wday);
    next_period_in = 1e300;

    auto count_due = [&r, &now](Event& e) {
        if (NoticeSnoozedAt(notice_snooze, e, now)) return;  // put off from the desktop
        r.new_notify = true;
        r.due = &e;
        r.n_notify += 1;
    };

    // Reminders age and fall due. Walking backwards leaves the first due one in `due`.
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        if (it->type != kReminder) continue;
        it->remind_te += age;
        if (ReminderPeriodPassed(it->remind_te, it->remind_mode))
            count_due(*it);
        else
            next_period_in = std::min(next_period_in, SecondsToPeriod(*it));
    }

    // Appointments and weekly events; a due one here takes the button over from any
    // reminder, and the first in list order wins.
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        Event& e = *it;
        if (e.type == kWeekly && e.wday != now.tm_wday) {
            // Its day has passed: every notice of it can come again next week.
            if (e.notify || e.notify_1h || e.notify_hh) r.sync_db = true;
            e.notify = e.notify_1h = e.notify_hh = false;
            continue;
        }
        if (e.type == kWeekly && st && st->ledger) ArmWeekly(*st, e, now, true);
        if (!e.notify && EventNoticeDue(e, EventMinDiff(e, now))) count_due(e);
    }
    return r;
}

long DayOf(const std::tm& t) { return (long(t.tm_year) * 13 + t.tm_mon) * 32 + t.tm_mday; }

}  // namespace

std::string WeeklyNoticeItem(const Event& e) {
    return "calendar weekly " + FieldText(e.title, sizeof e.title) + "\n" +
           FieldText(e.description, sizeof e.description);
}

int64_t WeeklyOccurrenceStart(const Event& e, const std::tm& now) {
    std::tm t = now;
    t.tm_hour = e.time.hour, t.tm_min = e.time.min, t.tm_sec = 0, t.tm_isdst = -1;
    return int64_t(std::mktime(&t));
}

void RecordWeeklyNotices(ReminderState& st, Event& e, const std::tm& now) {
    if (e.type == kWeekly && e.wday == now.tm_wday && st.ledger) ArmWeekly(st, e, now, false);
}

ScanResult ScanEvents(std::list<Event>& list, const std::tm& now, float dt) {
    double next = 0.0;
    return FullScan(nullptr, list, now, dt, true, next);
}

ScanResult ScanEvents(ReminderState& st, std::list<Event>& list, const std::tm& now, float dt) {
    ForgetOldOccurrences(st, now);
    double next = 0.0;
    return FullScan(&st, list, now, dt, true, next);
}

ScanResult StepReminderScan(ReminderState& st, std::list<Event>& list, const std::tm& now, float dt) {
    st.unaged += double(dt);
    const long minute = (DayOf(now) * 24 + now.tm_hour) * 60 + now.tm_min;
    const bool same_list = st.scanned && st.list == &list && st.size == list.size() && st.generation == events_generation;
    if (same_list && minute == st.minute && st.unaged < st.next_period_in) return st.last;

    const bool sort = !same_list || st.sorted_day != DayOf(now);
    if (st.minute / 1440 != minute / 1440) ForgetOldOccurrences(st, now);
    ScanResult r = FullScan(&st, list, now, float(st.unaged), sort, st.next_period_in);
    st.scanned = true, st.list = &list, st.size = list.size(), st.generation = events_generation;
    st.minute = minute, st.sorted_day = DayOf(now), st.unaged = 0.0;
    st.last = r;
    st.last.sync_db = false;  // asked once
    return r;
}

void SettleReminders(ReminderState& st, std::list<Event>& list) {
    if (st.unaged > 0.0)
        for (Event& e : list)
            if (e.type == kReminder) e.remind_te += float(st.unaged);
    st.unaged = 0.0;
    st.scanned = false;
}

void PublishScan(const ScanResult& r, void (*save)()) {
    n_notify = r.n_notify;
    new_notify = r.new_notify;
    if (r.due) edit_event = r.due;
    if (r.sync_db && save) save();
}

bool NotifyButtonShown(bool new_notify_now, const Event* event, bool offer) {
    return (new_notify_now && event != nullptr) || offer;
}

int NotifyButtonIcon(bool offer) { return offer ? 5 : 6; }

float NotifyBob(float bt) { return 3.5f * std::sin(4.0f * bt); }

NotifyClick ClassifyNotifyClick(bool new_notify_now, const Event* event, bool offer) {
    if (new_notify_now && event)
        return event->type == kReminder ? NotifyClick::kOpenReminder : NotifyClick::kOpenEventView;
    if (offer) return NotifyClick::kOpenQuiz;
    return NotifyClick::kNone;
}

void RunNotifyClick(NotifyClick c, SceneState& s) {
    switch (c) {
    case NotifyClick::kNone:
        break;
    case NotifyClick::kOpenReminder:
        menu_case_id = kMenuEdit;
        force_back_hm = true;
        break;
    case NotifyClick::kOpenEventView:
        menu_case_id = kMenuView;
        break;
    case NotifyClick::kOpenQuiz:
        AudioEngine.kill_static(0);
        EndLaugh(s);
        menu_case_id = kMenuQuiz;
        question_id = PickQuestion();
        break;
    }
}

bool NotifySoundStep(ReminderState& s, int due_count, float dt) {
    if (due_count < 1) {
        s.play_sfx_te = 999.0f;
        return false;
    }
    s.play_sfx_te += dt;
    if (s.play_sfx_te > kNotifySoundPeriod) {
        s.play_sfx_te = 0.0f;
        return true;
    }
    return false;
}
