// The event editor's rules, free of drawing: minutes until the event, notice flags,
// arrow wrapping, text editing, focus and caret, confirm and removal, and its texts.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/calendar/panels/event_editor.h"
#include "app/calendar/ical/ical_import.h"

bool force_back_hm = false;
EventEditorState event_editor;

double EventMinDiff(const Event& e, const std::tm& now) {
    const double now_minutes = ConvertDAM(now.tm_mday, now.tm_mon + 1, now.tm_year + 1900,
                                          now.tm_hour, now.tm_min);
    if (e.type == kAppointment)
        return ConvertDAM(e.date.day, e.date.month, e.date.year, e.time.hour, e.time.min) -
               now_minutes;
    if (e.type == kWeekly && e.wday == now.tm_wday)
        return ConvertDAM(now.tm_mday, now.tm_mon + 1, now.tm_year + 1900, e.time.hour,
                          e.time.min) -
               now_minutes;
    return 999.0;
}

void ApplyNoticeFlags(Event& e, double& min_diff, bool view_mode) {
    if (view_mode) {
        if (min_diff < 0) {
            min_diff = 0;
            e.notify = true;
        }
        if (min_diff <= 60) e.notify_1h = true;
        if (min_diff <= 30) e.notify_hh = true;
    } else {
        if (min_diff > 30) e.notify_hh = false;
        if (min_diff > 60) e.notify_1h = false;
    }
}

namespace {

// Steps `value` by `direction` and wraps it into [lo, hi]: above hi gives lo, below lo
// gives hi. Worked in 64 bits so a damaged extreme value cannot overflow.
int32_t Wrap(int32_t value, int direction, long long lo, long long hi) {
    long long v = static_cast<long long>(value) + direction;
    if (v > hi) v = lo;
    if (v < lo) v = hi;
    return static_cast<int32_t>(v);
}

// Days of `month` in `year` (Gregorian); 31 for a month out of range, as a damaged
// file holds, so the day arrows still wrap.
int DaysInMonth(int32_t month, int32_t year) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 31;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

}  // namespace

void StepField(Event& e, EditorArrow field, int direction) {
    switch (field) {
    case EditorArrow::kDay: e.date.day = Wrap(e.date.day, direction, 1, DaysInMonth(e.date.month, e.date.year)); break;
    case EditorArrow::kMonth: e.date.month = Wrap(e.date.month, direction, 1, 12); break;
    case EditorArrow::kYear: {
        // Years the export can write (to kLastEditorYear); nothing before 1900.
        long long v = static_cast<long long>(e.date.year) + direction;
        e.date.year = static_cast<int32_t>(std::clamp<long long>(v, 1900, kLastEditorYear));
        break;
    }
    case EditorArrow::kWday: e.wday = Wrap(e.wday, direction, 0, 6); break;
    case EditorArrow::kHour: e.time.hour = Wrap(e.time.hour, direction, 0, 23); break;
    case EditorArrow::kMin: e.time.min = Wrap(e.time.min, direction, 0, 59); break;
    case EditorArrow::kRemindMode:
        e.remind_mode = Wrap(e.remind_mode, direction, 0, 2);
        return;  // the period arrows leave the due notice alone
    }
    // A month or year changed under the day: the 31st of a shorter month is its last day.
    if (field == EditorArrow::kMonth || field == EditorArrow::kYear)
        e.date.day = std::min<int32_t>(e.date.day, DaysInMonth(e.date.month, e.date.year));
    e.notify = false;
}

void EditTextField(char* field, size_t size, size_t limit, const bool keys[256]) {
    if (size == 0) return;
    std::vector<char> text(field, field + strnlen(field, size));
    std::memset(field, 0, size);
    for (int c = 0; c < 256; ++c) {
        if (!keys[c]) continue;
        if (c == 8 || c == 127) {
            if (!text.empty()) text.pop_back();
        } else if (c > 2 && c < 0x80 && text.size() <= limit) {
            text.push_back(static_cast<char>(c));
        } else if (c >= 0xA0) {
            // A Latin-1 letter from the keyboard, spelt as the import and the questions
            // spell it ("è" is "e'"); kept whole or not at all.
            const char utf8[] = {char(0xC0 | c >> 6), char(0x80 | (c & 0x3F)), 0};
            const std::string font = FontText(utf8);
            if (text.size() + font.size() <= limit + 1) text.insert(text.end(), font.begin(), font.end());
        }
    }
    // Always leave room for the terminating zero.
    if (!text.empty()) std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

void AdvanceCaret(EventEditorState& st, float dt) {
    st.ecte += dt;
    if (st.ecte > 0.5f) {
        st.ecte = 0.0f;
        st.ec = !st.ec;
    }
}

void UpdateFocus(EventEditorState& st, bool clicked, bool title_box_clicked,
                 bool description_box_clicked, bool edit_mode) {
    if (clicked) st.edit_tf = 0;
    if (!edit_mode) return;
    if (title_box_clicked) st.edit_tf = 1;
    if (description_box_clicked) st.edit_tf = 2;
}

int ConfirmEvent(Event& e, bool& back_to_scene, void (*save)()) {
    e.remind_te = 0.0f;
    save();
    int next = back_to_scene ? kMenuScene : kMenuList;
    back_to_scene = false;
    return next;
}

bool ShouldRemoveEvent(const Event& e, double min_diff, bool view_mode) {
    if (!view_mode) return true;
    return e.type != kWeekly && min_diff <= 0;
}

bool EraseEventAt(std::list<Event>& list, const Event* target) {
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (&*it == target) {
            list.erase(it);
            return true;
        }
    }
    return false;
}

std::string EditorDateLine(const Event& e, const std::tm& now, bool view_mode) {
    char buf[96];
    if (e.type == kAppointment) {
        if (view_mode && IsToday(e.date, now)) return "Data:  Oggi";
        std::snprintf(buf, sizeof buf, "Data:  %d / %d / %d", e.date.day, e.date.month, e.date.year);
        return buf;
    }
    if (e.type == kWeekly) {
        if (view_mode && e.wday == now.tm_wday) return "Data: Oggi";
        std::snprintf(buf, sizeof buf, "Data: ogni %s", GetWdayStr(e.wday));
        return buf;
    }
    return "";
}

std::string EditorTimeLine(const Event& e, double min_diff, bool view_mode) {
    char buf[96];
    if (view_mode && min_diff > 0 && min_diff <= 60)
        std::snprintf(buf, sizeof buf, "Ora:  tra %.0lf minuti", min_diff);
    else
        std::snprintf(buf, sizeof buf, "Ora:   %d : %d (%s)", e.time.hour, e.time.min,
                      e.time.hour <= 11 ? "am" : "pm");
    return buf;
}

std::string EditorReminderLine(const Event& e) {
    switch (e.remind_mode) {
    case 0: return "Ricordamelo ogni ora";
    case 1: return "Ricordamelo ogni 2 ore";
    case 2: return "Ricordamelo ogni 3 ore";
    default: return "";
    }
}

std::string EditorFieldText(const char* field, size_t size, bool focused, const char* placeholder) {
    std::string text = FieldText(field, size);
    if (text.empty() && !focused) return placeholder;
    return text;
}
