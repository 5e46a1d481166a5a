// The event editor panel: edit mode (type, date, time, reminder period, title and
// description of `edit_event`) and view mode (a due event, shown and dismissed).
// The rules live in plain functions here; DrawEventEditor draws and calls them.
#pragma once

#include <cstddef>
#include <ctime>
#include <list>
#include <string>

#include "app/calendar/store/event_store.h"
#include "app/shared/tick_state.h"

// Set by the reminders when they open a reminder in edit mode: confirming then goes
// back to the scene instead of the list. Confirm clears it.
extern bool force_back_hm;

// State kept between frames: the focused text field, the caret's blink phase and
// the seconds gathered towards its next flip.
struct EventEditorState {
    int edit_tf = 0;  // 0 none, 1 title, 2 description
    bool ec = false;
    float ecte = 0.0f;
};
extern EventEditorState event_editor;

// Minutes from `now` until the event, in the 31-day-month count; 999 for reminders,
// for weekly events on another weekday than today's, and for unknown types.
double EventMinDiff(const Event& e, const std::tm& now);

// The acknowledgement rules. View mode: a past event is clamped to 0 minutes and
// marked due-notified, and the one-hour / half-hour flags are set once within 60 / 30
// minutes. Edit mode: flags whose moment lies ahead again are cleared.
void ApplyNoticeFlags(Event& e, double& min_diff, bool view_mode);

// The arrows of edit mode. Each changes its field by one and wraps, the day within its
// month's length (a month or year arrow brings a day past it back to the month's last);
// the year stays from 1900 to kLastEditorYear, the last the export writes. The date and
// time arrows also clear `notify` (the reminder period arrows do not).
constexpr int32_t kLastEditorYear = 3000;
enum class EditorArrow { kDay, kMonth, kYear, kWday, kHour, kMin, kRemindMode };
void StepField(Event& e, EditorArrow field, int direction);

// One frame of typing into a text field of `size` bytes holding at most limit + 1
// characters: codes 8 and 127 drop the last character, codes 0 to 2 and 128 to 159 are
// ignored, every other pressed code is appended in ascending order while the text holds
// at most `limit` characters, a Latin-1 letter (160 to 255) in the font's spelling of
// FontText ("e'" for 232) when the whole of it fits. A field without a zero byte is read to its end and always
// written back zero-terminated.
void EditTextField(char* field, size_t size, size_t limit, const bool keys[256]);
constexpr size_t kTitleLimit = 16, kDescriptionLimit = 344;

// The caret blinks in half-second phases; the frame loop steps it by each tick's `dt` (seconds).
void AdvanceCaret(EventEditorState& st, float dt);
// Any click clears the focus; a click on a box in edit mode then takes it.
void UpdateFocus(EventEditorState& st, bool clicked, bool title_box_clicked,
                 bool description_box_clicked, bool edit_mode);

// Confirm: restarts a reminder's period, saves through `save`, and returns the next
// menu id (the scene when opened from a reminder's notice, else the list); clears
// force_back_hm.
int ConfirmEvent(Event& e, bool& back_to_scene, void (*save)());

// Remove or dismiss: in edit mode the event goes; in view mode only a due event that
// is not weekly. Erases the element at address `target` if it is in `list` (nothing
// otherwise). Returns true when an element was erased.
bool ShouldRemoveEvent(const Event& e, double min_diff, bool view_mode);
bool EraseEventAt(std::list<Event>& list, const Event* target);

// Texts of the panel (without the caret), for the frame `now`.
std::string EditorDateLine(const Event& e, const std::tm& now, bool view_mode);  // types 0, 1
std::string EditorTimeLine(const Event& e, double min_diff, bool view_mode);      // types 0, 1
std::string EditorReminderLine(const Event& e);  // empty for an unknown period
// The title or description as shown: its text up to the end of the field, or the
// placeholder when empty and not focused.
std::string EditorFieldText(const char* field, size_t size, bool focused, const char* placeholder);
