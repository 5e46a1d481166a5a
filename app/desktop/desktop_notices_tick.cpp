// The desktop notifications on the frame loop's tick: the user's clicks on them first
// (open the event, put it off), then the posts and withdrawals the calendar and the
// live calendars ask for.
#include "app/calendar/panels/event_editor.h"
#include "app/calendar/reminders/reminders.h"
#include "app/desktop/desktop_notices.h"
#include "app/scene/scene.h"
#include "app/shared/tick_state.h"
#include "engine/textures.h"
#include "platform/desktop_notify.h"
#include "platform/window.h"

namespace {

// The owl's icon as the notifications carry it: "Data/icon" turned top row first,
// read once; empty when it cannot be read (the start has said so).
const DesktopNotification& IconPicture() {
    static DesktopNotification icon = [] {
        DesktopNotification d;
        RawTexture raw;
        std::string error;
        if (!ReadRawTexture("Data/icon", raw, error) || raw.w > 256 || raw.h > 256) return d;
        const size_t row = size_t(raw.w) * 4;
        for (int32_t y = raw.h - 1; y >= 0; --y)
            d.image.insert(d.image.end(), raw.pixels.begin() + y * row, raw.pixels.begin() + (y + 1) * row);
        d.image_w = raw.w, d.image_h = raw.h;
        return d;
    }();
    return icon;
}

DesktopNotification ToNotification(const PendingNotice& n) {
    DesktopNotification d = IconPicture();
    d.summary = n.summary;
    d.body = n.body;
    d.icon = "strigolo";  // the installed theme icon (packaging/strigolo.desktop's Icon); servers
                          // show the pixels first when they have both
    d.category = "x-strigolo.reminder";
    d.desktop_entry = "strigolo";
    d.critical = n.critical;
    d.actions = {{"default", "Apri"}};
    if (n.snooze) d.actions.push_back({"snooze", "Posticipa 10 minuti"});
    return d;
}

// The posted event of `tag` if it is still in the calendar as it was posted.
Event* PostedEvent(uint32_t tag) {
    const PostedNotice* p = FindPosted(desktop_notices, tag);
    if (!p) return nullptr;
    for (std::list<Event>* list : {&events, &live_calendars.rows})
        for (Event& e : *list)
            if (&e == p->event && EventIdentity(e) == p->identity) return &e;
    return nullptr;
}

void RunAction(const DesktopNotificationAction& a, const std::tm& now) {
    Event* e = PostedEvent(a.tag);
    if (a.action == "snooze") {
        if (e && !IsLiveRow(live_calendars, e))
            SnoozeNotice(notice_snooze, *e, FindPosted(desktop_notices, a.tag)->kind, LocalSeconds(now));
        return;
    }
    if (a.action != "default") return;
    RaiseAndRestoreWindow();
    // Opened as the owl's notification button opens it; an edit or a quiz in progress
    // is left as it is, only shown.
    if (!e || menu_case_id == kMenuEdit || menu_case_id == kMenuQuiz) return;
    edit_event = e;
    RunNotifyClick(ClassifyNotifyClick(true, e, false), scene_state);
}

}  // namespace

void DesktopNoticesTick(bool window_seen, const std::tm& now) {
    for (const DesktopNotificationAction& a : PumpDesktopNotifications()) RunAction(a, now);
    const DesktopNotices setting = live_calendars.config.notifications;
    // Nothing to post and nothing to withdraw: the calendar is not even looked at.
    if (!MayPost(setting, window_seen) && desktop_notices.posted.empty()) return;
    std::vector<PendingNotice> pending = PendingNotices(events, now, notice_snooze);
    std::tm local = now;
    for (PendingNotice& n : LivePendingNotices(live_calendars, notice_ledger.given, std::mktime(&local), now))
        pending.push_back(std::move(n));
    for (const DesktopCall& c : StepDesktopNotices(desktop_notices, pending, window_seen, setting)) {
        if (c.close)
            CloseDesktopNotification(c.tag);
        else
            PostDesktopNotification(c.tag, ToNotification(c.notice));
    }
}
