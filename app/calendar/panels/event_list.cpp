// Draws the event list panel each frame while menu_case_id is 0, over its backdrop.
#include <GL/gl.h>

#include <cmath>

#include "app/calendar/store/calendar_file.h"
#include "app/calendar/panels/event_list.h"
#include "app/calendar/live/live_calendars.h"
#include "app/calendar/live/live_writeback.h"
#include "app/shared/tick_state.h"
#include "app/panel_header.h"
#include "app/views.h"
#include "engine/text.h"
#include "engine/textures.h"
#include "engine/widgets.h"
#include "platform/clock.h"

namespace {

// The dot of a calendar folder's row: its colour inside a dark rim, as the owl's art
// outlines its shapes; (x, y) its middle, GUI units.
void DrawFolderDot(float x, float y, const float rgb[3]) {
    glDisable(GL_TEXTURE_2D);
    const float radius[2] = {6.0f, 4.6f};
    for (int ring = 0; ring < 2; ++ring) {
        if (ring == 0) glColor4f(0.08f, 0.06f, 0.05f, 1);
        else glColor4f(rgb[0], rgb[1], rgb[2], 1);
        glBegin(GL_TRIANGLE_FAN);
        glVertex3f(x, y, 0);
        for (int i = 0; i <= 16; ++i) {
            const float a = 6.2831853f * float(i) / 16.0f;
            glVertex3f(x + radius[ring] * std::cos(a), y + radius[ring] * std::sin(a), 0);
        }
        glEnd();
    }
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
}

}  // namespace

void DrawEventList() {
    const std::tm& now = *timeinfo;
    int& swap = event_list.swap;

    // The type tabs, always unselected here; clicking them does nothing.
    for (int t = 0; t < 3; ++t) PanelTab(t, button[0]).Display(false);

    Button add_entry(button_add, 447.12f, 436.5f, 20.5f, 20);
    add_entry.Display(true);
    if (add_entry.isClicked()) {
        // New events go to the calendar folder the config names, else into database.bin.
        Event* fresh = OpenNewLiveEvent(live_calendars, now);
        edit_event = fresh ? fresh : AddEntry(events, now);
        if (edit_event) menu_case_id = kMenuEdit;
        else calendar_store.notices.full = true, calendar_store.notices.full_tick = GetTickCount();
    }

    // The calendar's events and the folders' items, in the order shown.
    const std::vector<Event*> rows = ListRows(events, live_calendars.rows, now.tm_wday);
    int n = static_cast<int>(rows.size());
    ClampListOffset(swap, n);

    Button close = PanelCorner(button_close);
    close.Display(true);
    if (close.isClicked()) menu_case_id = kMenuScene;

    // Row boxes, in the order of the previous frame's sort (the order on screen).
    for (int i = 0; i < kListRows; ++i) {
        int k = swap + i;
        Button box(0, 241.5f, 390 - 32.0f * i, 225.5f, 15);
        if (box.isSelected() && k < n)
            glColor4f(1, 1, 0.5f, 0.4f);
        else
            glColor4f(1, 1, 1, ListRowAlpha(k));
        box.Display(false);
        if (box.isClicked() && k < n) {
            edit_event = rows[size_t(k)];
            menu_case_id = kMenuEdit;
            // A folder's item is edited as a draft when its calendar may be written; else shown.
            if (IsLiveRow(live_calendars, edit_event)) {
                Event* draft = OpenLiveEdit(live_calendars, edit_event);
                if (draft) edit_event = draft;
                else menu_case_id = kMenuView;
            }
        }
    }

    glColor4f(1, 1, 1, 1);
    glPrintText(372, 436.5f, 10, true, "aggiungi");

    for (int i = swap; i < n && i < kListRows + swap; ++i) {
        const Event& e = *rows[size_t(i)];
        float y = 381 - 32.0f * (i - swap);
        float rgb[3];
        // A folder's row starts with its calendar's dot, inside the row; its title follows.
        const bool live = IsLiveRow(live_calendars, &e, rgb);
        if (live) DrawFolderDot(25, y + 6.0f, rgb);
        glPrintText(live ? 36.0f : 18.0f, y, 10, false, "%s", ListTitleText(e).c_str());
        glPrintText(283.5f, y, 10, true, "%s", ListDateText(e, now).c_str());
        glPrintText(390, y, 10, true, "%s", ListTimeText(e).c_str());
    }

    Button incr(button_arrow_u, 485, 389, 15, 15);
    if (CanScrollUp(swap)) glColor4f(1, 1, 1, 1); else glColor4f(0.5f, 0.5f, 0.5f, 1);
    incr.Display(false);
    if (incr.isClicked()) ScrollListUp(swap);
    glColor4f(1, 1, 1, 1);

    Button decr(button_arrow_d, 485, 40, 15, 15);
    if (CanScrollDown(swap, n)) glColor4f(1, 1, 1, 1); else glColor4f(0.5f, 0.5f, 0.5f, 1);
    decr.Display(false);
    if (decr.isClicked()) ScrollListDown(swap, n);
    glColor4f(1, 1, 1, 1);
}
