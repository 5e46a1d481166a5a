// Reminders and notifications: which calendar events are due in a scene step, the
// button on the owl's thought cloud that opens them (or a quiz offer), and the timer
// of the notification sound. Rules only; the scene's step runs the scan and the sound
// (SceneStep), DrawNotifications (notify_button.cpp) draws.
#pragma once

#include <cstdint>
#include <ctime>
#include <list>
#include <set>
#include <string>
#include <utility>

#include "app/calendar/store/event_store.h"
#include "app/calendar/reminders/notice_ledger.h"

struct SceneState;

// What one scan of the calendar found.
struct ScanResult {
    int n_notify = 0;        // due events
    bool new_notify = false; // at least one
    // The event the notification button opens: the first due appointment or weekly
    // event in list order, else the first due reminder; null when none is due.
    Event* due = nullptr;
    bool sync_db = false;    // a weekly event was re-armed: the store must be saved
};

// What the reminders remember between scene steps.
struct ReminderState {
    // Seconds since the notification sound last played; rests at 999 while nothing
    // is due, so the sound starts in the first step that has a due event.
    float play_sfx_te = 999.0f;

    // The notices given to weekly events' occurrences; null: their flags alone decide.
    NoticeLedger* ledger = nullptr;
    // Occurrences (item, start) whose flags have been set from the ledger: from then on
    // a flag the view sets is written to the ledger.
    std::set<std::pair<std::string, int64_t>> armed;

    // The last full scan, kept while nothing it read can have changed: the list (its
    // address, size and events_generation), the minute of the wall clock, and the
    // reminders' age short of the next one's period. `unaged` is the scene time (s) the
    // reminders have not been aged by yet; `sorted_day` the day the list was sorted for.
    bool scanned = false;
    const std::list<Event>* list = nullptr;
    size_t size = 0;
    uint64_t generation = 0;
    long minute = -1, sorted_day = -1;
    double unaged = 0.0, next_period_in = 0.0;
    ScanResult last;
};
extern ReminderState reminder_state;

// Seconds between two plays of the notification sound while events are due.
constexpr float kNotifySoundPeriod = 35.0f;

// Whether a reminder that has run `remind_te` seconds is due: more than 3600 s for
// period 0 (hourly), more than 7200 s for period 1, at least 10800 s for period 2
// (so a three-hour reminder loaded with exactly 10800 s is due at once). An unknown
// period is never due.
bool ReminderPeriodPassed(float remind_te, int remind_mode);

// Whether an appointment or weekly event `min_diff` minutes ahead (999 when it has no
// moment today) is due with its flags: from its moment on until `notify`, and within
// 30 / 60 minutes until `notify_hh` / `notify_1h`.
bool EventNoticeDue(const Event& e, double min_diff);

// One full scan, with `now` the step's local time and `dt` the step's time in seconds:
//  1. sorts `list` (reminders first, then by date, weekly events on their next day);
//  2. from the last element to the first, ages every reminder by `dt` and counts it
//     when its period has passed;
//  3. again from the last to the first, counts every appointment and weekly event
//     whose notice is due (EventNoticeDue, minutes from EventMinDiff as the editor
//     computes them). A weekly event on another weekday than today's has its three
//     flags cleared, asking for a save when any was set. With `st.ledger`, a weekly
//     event on its day takes its flags from the ledger the first time the scan meets
//     this occurrence, and from then on every flag set is written to the ledger: each
//     week's occurrence gets each notice once, whatever the file's flags say.
ScanResult ScanEvents(std::list<Event>& list, const std::tm& now, float dt);
ScanResult ScanEvents(ReminderState& st, std::list<Event>& list, const std::tm& now, float dt);

// The scan every scene step runs: the last full scan's result while the list, the
// minute and the day are those it saw and no reminder can have reached its period
// (the reminders' ageing waits until then), else a full scan (sorting only for a new
// day or a changed list). Costs the same for 30 events or 30,000 between full scans.
ScanResult StepReminderScan(ReminderState& st, std::list<Event>& list, const std::tm& now, float dt);
// Ages the reminders by the time StepReminderScan held back and forgets its last scan:
// for the frame loop while a panel, which can change any event, is open.
void SettleReminders(ReminderState& st, std::list<Event>& list);

// The view's acknowledgement of a weekly event on its day, written to the ledger at once
// (a restart before the next scan keeps it), for an occurrence the scan has met.
void RecordWeeklyNotices(ReminderState& st, Event& e, const std::tm& now);

// The ledger's names for a weekly event of the calendar file: the item (its title and
// description) and the start of its occurrence on the day of `now` (local time), in
// seconds since the epoch.
std::string WeeklyNoticeItem(const Event& e);
int64_t WeeklyOccurrenceStart(const Event& e, const std::tm& now);

// Hands a scan to the scene's globals: n_notify and new_notify always, edit_event
// only when something is due; calls `save` when the scan asked for it.
void PublishScan(const ScanResult& r, void (*save)());

// The notification button: shown for a due event (with the event known) or a quiz
// offer; it wears icns[5] while a quiz is on offer, else icns[6].
bool NotifyButtonShown(bool new_notify, const Event* edit_event, bool spawn_question);
int NotifyButtonIcon(bool spawn_question);

// Vertical bobbing of the button and the counter, GUI units, from the scene's phase
// clock `bt` (seconds).
float NotifyBob(float bt);

// What a click on the notification button opens. A due event comes before a quiz
// offer: a reminder opens in the editor (returning to the scene on confirm), an
// appointment or weekly event in view mode.
enum class NotifyClick { kNone, kOpenReminder, kOpenEventView, kOpenQuiz };
NotifyClick ClassifyNotifyClick(bool new_notify, const Event* edit_event, bool spawn_question);

// Carries a click out on the globals: menu_case_id (1, 2 or 3) and force_back_hm for
// a reminder; for the quiz it also stops slot 0, ends the owl's laugh in `s` and
// picks question_id at random from the bank.
void RunNotifyClick(NotifyClick c, SceneState& s);

// The sound timer, every scene step: true when "Data/notify.wav" must play now (in
// the first step with a due event, then every 35 s of scene time while any is due).
// Independent of the sound-effects switch.
bool NotifySoundStep(ReminderState& s, int n_notify, float dt);
