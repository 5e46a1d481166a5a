// The icon menu without a window: hover and click at chosen pointer positions, the
// icons disabled while events are due, the clock line and the tooltip's place.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "app/shared/tick_state.h"
#include "app/scene/icon_menu.h"
#include "app/scene/scene.h"
#include "app/views.h"
#include "audio/audio_engine.h"
#include "../calendar/calendar_helpers.h"
#include "engine/input.h"

// One menu step with the pointer over GUI point (44.5, y), or (x, y) when given, in a
// window of a pixel per GUI unit (other sizes hover in the drawn views); the label it shows.
std::string StepAt(SceneState& s, float y, bool press = false, float x = 44.5f) {
    char help[512];
    SetWindowSizeOverride(512, 512), touch_coord_x = x, touch_coord_y = 512.0f - y, single_touch = press;
    IconMenuStep(s, help);
    single_touch = false, SetWindowSizeOverride(-1, -1);
    return help;
}

// Each icon's label near its centre and its corner, also while events are due, and none
// above the first icon's top (505). Clicks on the first two (calendar, which ends the
// laugh; question) do nothing while events are due, the sound switch works either way;
// a browser icon's click takes the pointer to the window's middle before the hover test,
// so no label stays.
TEST(IconMenu, LabelsOnHoverTheFirstTwoIconsInertWhileEventsAreDueAndBrowserClicksLeaveNoLabel) {
    SceneState s;
    const struct { float y; const char* label; } icons[] = {{465, "pianifica un nuovo evento"},
        {360, "interagisci con Strigolo"}, {255, "apri il browser su DuckDuckGo"},
        {150, "visita il sito degli sviluppatori!"}, {45, "abilita/disabilita il sonoro"}, {505.5f, ""}};
    n_notify = 1;
    for (const auto& ic : icons)
        EXPECT_TRUE(StepAt(s, ic.y) == ic.label && StepAt(s, ic.y + 38, false, 82.5f) == ic.label) << ic.label;
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", "/nonexistent", 1);  // no browser starts
    for (int due : {1, 0}) {
        n_notify = due, menu_case_id = -1, spawn_question = false, s.laugh = true, enable_sfx = true;
        StepAt(s, 465, true), StepAt(s, 360, true), StepAt(s, 45, true);
        EXPECT_TRUE(menu_case_id == (due ? -1 : 0) && s.laugh == bool(due) && spawn_question == !due && !enable_sfx);
        EXPECT_TRUE(StepAt(s, 255, true) == "" && touch_coord_x == 256.0f) << due;
    }
    setenv("PATH", path.c_str(), 1), n_notify = 0, menu_case_id = -1, spawn_question = false;
}

// The clock line pads no field; local pages go as percent-encoded file addresses.
TEST(IconMenuText, ClockLineUnpaddedAndFileAddressesPercentEncoded) {
    char line[64];
    FormatClockLine(At(2026, 12, 4, 9, 5, 5), "ven", line, sizeof line);
    EXPECT_STREQ(line, "ven 4/12/2026 9:5.0");
    EXPECT_EQ(FileUrl("/x/a b%#?\xc3\xa8"), "file:///x/a%20b%25%23%3F%C3%A8");
}

// The pointer in window pixels of a w by h window and the tooltip's start in GUI units
// (26 * 512 / 300 = 44.37 is truncated), 15 to the right; none for a window of zero size.
TEST(Tooltip, StartsRightOfThePointerAtItsHeight) {
    const struct { float px, py; int w, h; bool shown; int x, y; } rows[] = {{26, 299, 300, 300, true, 59, 2},
        {52, 598, 600, 600, true, 59, 2}, {10, 10, 0, 300, false, 0, 0}, {10, 10, 300, 0, false, 0, 0}};
    for (const auto& r : rows) {
        int x = 0, y = 0;
        const bool shown = TooltipPosition(r.px, r.py, r.w, r.h, x, y);
        EXPECT_TRUE(shown == r.shown && (!shown || (x == r.x && y == r.y))) << r.px << "," << r.py << ": " << x;
    }
}

