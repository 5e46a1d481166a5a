// The reminder rules: the per-frame scan of the calendar, the notification button's
// click rules and the notification sound's timer, free of drawing.
#include "app/calendar/reminders.h"

#include <cmath>

#include "app/calendar/event_editor.h"
#include "app/calendar/notice_snooze.h"
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

ScanResult ScanEvents(std::list<Event>& list, const std::tm& now, float dt) {
    ScanResult r;
    SortEvents(list, now.tm_wday);

    auto count_due = [&r, &now](Event& e) {
        if (NoticeSnoozedAt(notice_snooze, e, now)) return;  // put off from the desktop
        r.new_notify = true;
        r.due = &e;
        r.n_notify += 1;
    };

    // Reminders age and fall due. Walking backwards leaves the first due one in `due`.
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        if (it->type != kReminder) continue;
        it->remind_te += dt;
        if (ReminderPeriodPassed(it->remind_te, it->remind_mode)) count_due(*it);
    }

    // Appointments and weekly events; a due one here takes the button over from any
    // reminder, and the first in list order wins.
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        Event& e = *it;
        if (!e.notify) {
            if (EventNoticeDue(e, EventMinDiff(e, now))) count_due(e);
        } else if (e.type == kWeekly && e.wday != now.tm_wday) {
            // Acknowledged on its day, which has passed: it can fall due next week.
            e.notify = false;
            r.sync_db = true;
        }
    }
    return r;
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
