// Draws the event list panel each frame while menu_case_id is 0, over its backdrop.
#include <GL/gl.h>

#include "app/calendar/calendar_file.h"
#include "app/calendar/event_list.h"
#include "app/shared/tick_state.h"
#include "app/panel_header.h"
#include "app/views.h"
#include "engine/text.h"
#include "engine/textures.h"
#include "engine/widgets.h"
#include "platform/clock.h"

void DrawEventList() {
    const std::tm& now = *timeinfo;
    int& swap = event_list.swap;

    // The type tabs, always unselected here; clicking them does nothing.
    for (int t = 0; t < 3; ++t) PanelTab(t, button[0]).Display(false);

    Button add_entry(button_add, 447.12f, 436.5f, 20.5f, 20);
    add_entry.Display(true);
    if (add_entry.isClicked()) {
        edit_event = AddEntry(events, now);
        if (edit_event) menu_case_id = kMenuEdit;
        else calendar_store.notices.full = true, calendar_store.notices.full_tick = GetTickCount();
    }

    int n = static_cast<int>(events.size());
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
            edit_event = EventAtIndex(events, k);
            menu_case_id = kMenuEdit;
        }
    }

    glColor4f(1, 1, 1, 1);
    glPrintText(372, 436.5f, 10, true, "aggiungi");

    SortEvents(events, now.tm_wday);

    int i = 0;
    for (auto it = events.begin(); it != events.end() && i < kListRows + swap; ++it, ++i) {
        if (i < swap) continue;
        float y = 381 - 32.0f * (i - swap);
        glPrintText(18, y, 10, false, "%s", ListTitleText(*it).c_str());
        glPrintText(283.5f, y, 10, true, "%s", ListDateText(*it, now).c_str());
        glPrintText(390, y, 10, true, "%s", ListTimeText(*it).c_str());
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
