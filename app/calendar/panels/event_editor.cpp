// Draws the event editor each frame while menu_case_id is 1 (edit) or 2 (view), over
// its backdrop, and applies the rules of event_editor.h to the event it shows.
#include <GL/gl.h>

#include "app/calendar/panels/event_editor.h"
#include "app/calendar/live/live_writeback.h"
#include "app/calendar/reminders/reminders.h"
#include "app/frame.h"
#include "app/panel_header.h"
#include "app/views.h"
#include "engine/input.h"
#include "engine/text.h"
#include "engine/textures.h"
#include "engine/widgets.h"
#include "platform/clock.h"

namespace {

// Which mode the frame is in, read afresh at each step: a confirm changes
// menu_case_id and the rest of the frame sees the change.
bool EditMode() { return menu_case_id == kMenuEdit; }
bool ViewMode() { return menu_case_id == kMenuView; }

// An arrow pair at x, with the up arrow at y_up and the down arrow at y_down.
void ArrowPair(Event& e, EditorArrow field, float x, float y_up, float y_down) {
    Button up(button_arrow_u, x, y_up, 15, 15);
    Button down(button_arrow_d, x, y_down, 15, 15);
    up.Display(true);
    down.Display(true);
    if (up.isClicked()) StepField(e, field, +1);
    if (down.isClicked()) StepField(e, field, -1);
}

}  // namespace

void DrawEventEditor() {
    if (!edit_event) return;
    Event& e = *edit_event;
    const std::tm& now = *timeinfo;
    EventEditorState& st = event_editor;

    // A folder's item: edited through a draft, or only shown when its calendar is read-only.
    const bool draft = IsLiveDraft(live_calendars, &e);
    const bool read_only = ViewMode() && IsLiveRow(live_calendars, &e) && !LiveRowWritable(live_calendars, &e);

    double min_diff = EventMinDiff(e, now);
    ApplyNoticeFlags(e, min_diff, ViewMode());
    if (ViewMode()) RecordWeeklyNotices(reminder_state, e, now);

    // Type tabs: the selected one wears the checked picture.
    for (int t = 0; t < 3; ++t) {
        Button tab = PanelTab(t, e.type == t ? button[1] : button[0]);
        tab.Display(true);
        // A calendar folder's item stays an appointment: its file has no weekly events or reminders.
        if (EditMode() && tab.isClicked() && !draft) e.type = t;
        if (read_only && tab.isClicked()) SayReadOnly(live_calendars, GetTickCount());
    }
    if (read_only) {
        const std::string why = ReadOnlyLine(live_calendars, GetTickCount());
        if (!why.empty()) glPrintText(330, 436.5f, 10, true, "%s", why.c_str());
    }

    if (EditMode()) {
        Button confirm(button_check, 476.62f, 436.5f, 20.5f, 20);
        confirm.Display(true);
        if (confirm.isClicked() && draft) {
            ConfirmLiveEdit(live_calendars, GetTickCount(), WallClock());
            edit_event = nullptr;
            force_back_hm = false;
            menu_case_id = kMenuList;
            return;
        }
        if (confirm.isClicked()) menu_case_id = ConfirmEvent(e, force_back_hm, SaveEvents);
        glPrintText(402, 436.5f, 10, true, "conferma");
    }

    Button remove = PanelCorner(ViewMode() ? button_check : button_trash);
    remove.Display(true);
    if (remove.isClicked()) {
        const bool view = ViewMode();
        if (draft) BinLiveEdit(live_calendars, GetTickCount(), WallClock());
        else if (ShouldRemoveEvent(e, min_diff, view)) EraseEventAt(events, edit_event);
        edit_event = nullptr;
        menu_case_id = view ? kMenuScene : kMenuList;
        // A reminder opened from its notification and binned leaves no return to the
        // scene behind for the next event opened from the list.
        force_back_hm = false;
        event_editor.edit_tf = 0;  // the next event opened starts with no field focused
        single_touch = false;
        if (!draft) SaveEvents();
        // Show the list or the scene at once, from inside this frame; nothing more of
        // the panel is drawn (its event may be gone).
        display();
        return;
    }

    const char* labels[3] = {"appuntamento", "settimanale", "promemoria"};
    const float label_x[3] = {80, 243.5f, 391.5f};
    for (int t = 0; t < 3; ++t) {
        if (e.type == t) glColor4f(0, 1, 0, 1); else glColor4f(1, 1, 1, 1);
        glPrintText(label_x[t], 477, 10, true, "%s", labels[t]);
    }
    glColor4f(1, 1, 1, 1);

    if (e.type == kAppointment || e.type == kWeekly) {
        float h = EditMode() ? 25.0f : -20.0f;
        glPrintText(17, 350 + h, 10, false, "%s", EditorDateLine(e, now, ViewMode()).c_str());
        glPrintText(20, 280, 10, false, "%s", EditorTimeLine(e, min_diff, ViewMode()).c_str());
        if (EditMode()) {
            if (e.type == kAppointment) {
                ArrowPair(e, EditorArrow::kDay, 105, 410, 362);
                ArrowPair(e, EditorArrow::kMonth, 150, 410, 362);
                ArrowPair(e, EditorArrow::kYear, 210, 410, 362);
            } else {
                ArrowPair(e, EditorArrow::kWday, 150, 410, 362);
            }
            ArrowPair(e, EditorArrow::kHour, 105, 314, 266);
            ArrowPair(e, EditorArrow::kMin, 150, 314, 266);
        }
    }
    if (e.type == kReminder && EditMode()) {
        std::string line = EditorReminderLine(e);
        if (!line.empty()) glPrintText(17, 330, 10, false, "%s", line.c_str());
        ArrowPair(e, EditorArrow::kRemindMode, 215, 365, 315);
    }

    // Text fields: the boxes are hit areas only. The caret blinks on the frame loop's tick.
    Button tbox1(0, 120, 220, 92, 15);
    Button tbox2(0, 256, 108, 225, 87);
    UpdateFocus(st, single_touch, tbox1.isClicked(), tbox2.isClicked(), EditMode());
    if (read_only && (tbox1.isClicked() || tbox2.isClicked())) SayReadOnly(live_calendars, GetTickCount());
    // View mode is read-only: a focus left over from edit mode neither shows nor types.
    const bool typing = EditMode();
    std::string title = EditorFieldText(e.title, sizeof e.title, typing && st.edit_tf == 1,
                                        "evento senza nome");
    std::string desc = EditorFieldText(e.description, sizeof e.description,
                                       typing && st.edit_tf == 2, "nessuna descrizione");
    if (typing && st.ec && st.edit_tf == 1) title += '|';
    if (typing && st.ec && st.edit_tf == 2) desc += '|';
    glPrintText(28, 210, 10, false, "%s", title.c_str());
    glPrintTextBox(28, 170, 10, 43, "%s", desc.c_str());

    if (typing && st.edit_tf == 1) EditTextField(e.title, sizeof e.title, kTitleLimit, key_state);
    if (typing && st.edit_tf == 2)
        EditTextField(e.description, sizeof e.description, kDescriptionLimit, key_state);
}
