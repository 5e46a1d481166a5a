// The editor's rules driven without a window: arrows, notice flags, typing, focus,
// caret, confirm and removal, and the lines it prints.
#include <gtest/gtest.h>

#include <cstring>

#include "app/event_editor.h"

namespace {

// 2027-03-10 (a Wednesday) at 14:20.
std::tm Now() {
    std::tm t{};
    t.tm_mday = 10, t.tm_mon = 2, t.tm_year = 127, t.tm_hour = 14, t.tm_min = 20, t.tm_wday = 3;
    return t;
}

Event At(int type, int day, int hour, int min) {
    Event e{Now()};
    e.type = type;
    e.date.day = day;
    e.time = {hour, min};
    return e;
}

TEST(EditorArrows, EveryFieldWrapsAndNothingCarries) {
    Event e{Now()};
    auto field = [&](EditorArrow f) -> int32_t& {
        switch (f) {
        case EditorArrow::kDay: return e.date.day;
        case EditorArrow::kMonth: return e.date.month;
        case EditorArrow::kYear: return e.date.year;
        case EditorArrow::kWday: return e.wday;
        case EditorArrow::kHour: return e.time.hour;
        case EditorArrow::kMin: return e.time.min;
        default: return e.remind_mode;
        }
    };
    struct Step { EditorArrow f; int from, dir, to; } steps[] = {
        {EditorArrow::kDay, 31, +1, 1},    {EditorArrow::kDay, 1, -1, 31},
        {EditorArrow::kDay, 15, +1, 16},   {EditorArrow::kMonth, 12, +1, 1},
        {EditorArrow::kMonth, 1, -1, 12},  {EditorArrow::kMonth, 6, -1, 5},
        {EditorArrow::kYear, 1900, -1, 1900}, {EditorArrow::kYear, 9999, +1, 10000},
        {EditorArrow::kWday, 6, +1, 0},    {EditorArrow::kWday, 0, -1, 6},
        {EditorArrow::kHour, 23, +1, 0},   {EditorArrow::kHour, 0, -1, 23},
        {EditorArrow::kMin, 59, +1, 0},    {EditorArrow::kMin, 0, -1, 59},
        {EditorArrow::kRemindMode, 2, +1, 0}, {EditorArrow::kRemindMode, 0, -1, 2},
        {EditorArrow::kRemindMode, 0, +1, 1},
    };
    for (const Step& s : steps) {
        e = Event{Now()};
        field(s.f) = s.from;
        e.notify = true;
        StepField(e, s.f, s.dir);
        EXPECT_EQ(s.to, field(s.f)) << "field " << int(s.f) << " from " << s.from;
        // Date and time arrows make the due notice come again; the period arrows don't.
        EXPECT_EQ(s.f == EditorArrow::kRemindMode, e.notify) << "field " << int(s.f);
        // Nothing carries into the neighbouring field.
        if (s.f != EditorArrow::kDay) {
            EXPECT_EQ(10, e.date.day);
        }
        if (s.f != EditorArrow::kHour) {
            EXPECT_EQ(14, e.time.hour);
        }
        if (s.f != EditorArrow::kMonth) {
            EXPECT_EQ(3, e.date.month);
        }
    }
}

TEST(EditorMinDiff, MinutesUntilTheEventOr999) {
    std::tm now = Now();
    EXPECT_DOUBLE_EQ(45, EventMinDiff(At(0, 10, 15, 5), now));
    EXPECT_DOUBLE_EQ(-20, EventMinDiff(At(0, 10, 14, 0), now));
    Event weekly = At(1, 1, 15, 0);  // stored date is not used
    weekly.wday = 3;
    EXPECT_DOUBLE_EQ(40, EventMinDiff(weekly, now));
    weekly.wday = 4;
    EXPECT_DOUBLE_EQ(999, EventMinDiff(weekly, now));
    EXPECT_DOUBLE_EQ(999, EventMinDiff(At(2, 10, 15, 0), now));
    // 31-day months: 00:10 on 1 May seen at 23:50 on 30 April is 1460 minutes away.
    std::tm late{};
    late.tm_mday = 30, late.tm_mon = 3, late.tm_year = 127, late.tm_hour = 23, late.tm_min = 50;
    Event may = At(0, 1, 0, 10);
    may.date.month = 5;
    EXPECT_DOUBLE_EQ(1460, EventMinDiff(may, late));
}

TEST(EditorNoticeFlags, ViewModeAcknowledgesEditModeRearms) {
    Event e = At(0, 10, 15, 5);
    double d = 45;
    ApplyNoticeFlags(e, d, true);
    EXPECT_TRUE(e.notify_1h);
    EXPECT_FALSE(e.notify_hh);
    EXPECT_FALSE(e.notify);

    d = 30;
    ApplyNoticeFlags(e, d, true);
    EXPECT_TRUE(e.notify_hh);
    EXPECT_FALSE(e.notify);

    d = -15;  // past: clamped to 0, every notice given
    e = At(0, 10, 14, 5);
    ApplyNoticeFlags(e, d, true);
    EXPECT_EQ(0, d);
    EXPECT_TRUE(e.notify && e.notify_1h && e.notify_hh);

    d = 999;  // a weekly event on another day is shown without touching its flags
    e = At(1, 10, 14, 5);
    ApplyNoticeFlags(e, d, true);
    EXPECT_FALSE(e.notify || e.notify_1h || e.notify_hh);

    // Edit mode: moved 45 minutes ahead the half-hour notice comes again, moved
    // past an hour both do; the due notice is left to the arrows.
    e.notify = e.notify_1h = e.notify_hh = true;
    d = 45;
    ApplyNoticeFlags(e, d, false);
    EXPECT_TRUE(e.notify_1h);
    EXPECT_FALSE(e.notify_hh);
    EXPECT_EQ(45, d);
    d = 61;
    ApplyNoticeFlags(e, d, false);
    EXPECT_FALSE(e.notify_1h || e.notify_hh);
    EXPECT_TRUE(e.notify);
    e.notify_1h = e.notify_hh = true;
    d = 20;
    ApplyNoticeFlags(e, d, false);
    EXPECT_TRUE(e.notify_1h && e.notify_hh);
}

TEST(EditorTyping, LimitsBackspaceAndIgnoredCodes) {
    Event e{Now()};
    bool keys[256] = {};
    // Twenty letters, one per frame: the first 17 stay.
    for (int i = 0; i < 20; ++i) {
        keys['a' + i] = true;
        EditTextField(e.title, sizeof e.title, kTitleLimit, keys);
        keys['a' + i] = false;
    }
    EXPECT_STREQ("abcdefghijklmnopq", e.title);
    EXPECT_EQ(0, e.title[19]);

    // Backspace (8) and delete (127) drop one character each, and nothing on empty.
    std::strcpy(e.title, "ab");
    keys[8] = true;
    EditTextField(e.title, sizeof e.title, kTitleLimit, keys);
    EXPECT_STREQ("a", e.title);
    EditTextField(e.title, sizeof e.title, kTitleLimit, keys);
    EditTextField(e.title, sizeof e.title, kTitleLimit, keys);
    EXPECT_STREQ("", e.title);
    keys[8] = false;
    keys[127] = true;
    std::strcpy(e.title, "xyz");
    EditTextField(e.title, sizeof e.title, kTitleLimit, keys);
    EXPECT_STREQ("xy", e.title);
    keys[127] = false;

    // Codes 0 to 2 are ignored; other control codes are text; one frame's keys go in
    // ascending code order (the backspace before the letters here).
    std::strcpy(e.title, "q");
    keys[0] = keys[1] = keys[2] = keys[13] = keys[8] = keys['b'] = keys['a'] = true;
    EditTextField(e.title, sizeof e.title, kTitleLimit, keys);
    EXPECT_STREQ("\rab", e.title);
    std::memset(keys, 0, sizeof keys);

    // The description stops at 345 characters and stays zero-terminated.
    keys['z'] = true;
    for (int i = 0; i < 400; ++i) EditTextField(e.description, sizeof e.description, kDescriptionLimit, keys);
    EXPECT_EQ(345u, std::strlen(e.description));
    for (size_t i = 345; i < sizeof e.description; ++i) ASSERT_EQ(0, e.description[i]);
}

TEST(EditorFocus, ClicksMoveTheFocusAndTheCaretBlinks) {
    EventEditorState st;
    UpdateFocus(st, true, true, false, true);
    EXPECT_EQ(1, st.edit_tf);
    UpdateFocus(st, false, false, false, true);  // no click: the focus stays
    EXPECT_EQ(1, st.edit_tf);
    UpdateFocus(st, true, false, true, true);
    EXPECT_EQ(2, st.edit_tf);
    UpdateFocus(st, true, false, false, true);  // a click outside both boxes
    EXPECT_EQ(0, st.edit_tf);
    UpdateFocus(st, true, true, false, false);  // view mode never takes the focus
    EXPECT_EQ(0, st.edit_tf);

    // Half-second phases of frame time.
    AdvanceCaret(st, 0.3f);
    EXPECT_FALSE(st.ec);
    AdvanceCaret(st, 0.3f);
    EXPECT_TRUE(st.ec);
    EXPECT_EQ(0.0f, st.ecte);
    AdvanceCaret(st, 0.5f);
    EXPECT_TRUE(st.ec);
    AdvanceCaret(st, 0.01f);
    EXPECT_FALSE(st.ec);

    // An empty focused title shows nothing but the caret the panel adds.
    Event e{Now()};
    EXPECT_EQ("", EditorFieldText(e.title, 20, true, "evento senza nome"));
    EXPECT_EQ("evento senza nome", EditorFieldText(e.title, 20, false, "evento senza nome"));
    std::strcpy(e.title, "Cena");
    EXPECT_EQ("Cena", EditorFieldText(e.title, 20, false, "evento senza nome"));
}

int saves = 0;
void CountSave() { ++saves; }

TEST(EditorConfirmAndRemove, WhereItReturnsAndWhatGoes) {
    Event e = At(2, 10, 14, 0);
    e.remind_te = 5000;
    bool back = false;
    saves = 0;
    EXPECT_EQ(kMenuList, ConfirmEvent(e, back, CountSave));
    EXPECT_EQ(0.0f, e.remind_te);
    EXPECT_EQ(1, saves);
    back = true;
    EXPECT_EQ(kMenuScene, ConfirmEvent(e, back, CountSave));
    EXPECT_FALSE(back);
    EXPECT_EQ(2, saves);

    EXPECT_TRUE(ShouldRemoveEvent(At(0, 10, 18, 0), 200, false));  // edit mode: always
    EXPECT_TRUE(ShouldRemoveEvent(At(1, 10, 18, 0), 200, false));
    EXPECT_TRUE(ShouldRemoveEvent(At(0, 10, 14, 0), 0, true));      // due appointment
    EXPECT_FALSE(ShouldRemoveEvent(At(0, 10, 15, 0), 45, true));    // still ahead
    EXPECT_FALSE(ShouldRemoveEvent(At(1, 10, 14, 0), 0, true));     // weekly: never
    EXPECT_FALSE(ShouldRemoveEvent(At(2, 10, 14, 0), 999, true));  // reminder: no due time

    std::list<Event> l = {At(0, 1, 1, 0), At(0, 2, 2, 0), At(0, 3, 3, 0)};
    Event* middle = &*std::next(l.begin());
    Event* last = &l.back();
    EXPECT_TRUE(EraseEventAt(l, middle));
    ASSERT_EQ(2u, l.size());
    EXPECT_EQ(1, l.front().date.day);
    EXPECT_EQ(last, &l.back());
    Event stranger = At(0, 9, 9, 0);
    EXPECT_FALSE(EraseEventAt(l, &stranger));
    EXPECT_FALSE(EraseEventAt(l, nullptr));
    EXPECT_EQ(2u, l.size());
}

TEST(EditorLines, DateTimeAndReminderTexts) {
    std::tm now = Now();
    Event e = At(0, 10, 14, 5);
    EXPECT_EQ("Data:  10 / 3 / 2027", EditorDateLine(e, now, false));
    EXPECT_EQ("Data:  Oggi", EditorDateLine(e, now, true));
    e.date.year = 2028;
    EXPECT_EQ("Data:  10 / 3 / 2028", EditorDateLine(e, now, true));
    e.type = 1;
    e.wday = 2;
    EXPECT_EQ("Data: ogni mar", EditorDateLine(e, now, true));
    e.wday = 3;
    EXPECT_EQ("Data: ogni merc", EditorDateLine(e, now, false));
    EXPECT_EQ("Data: Oggi", EditorDateLine(e, now, true));

    EXPECT_EQ("Ora:   14 : 5 (pm)", EditorTimeLine(e, 45, false));
    EXPECT_EQ("Ora:  tra 45 minuti", EditorTimeLine(e, 45, true));
    EXPECT_EQ("Ora:   14 : 5 (pm)", EditorTimeLine(e, 0, true));  // due: its time of day
    EXPECT_EQ("Ora:   14 : 5 (pm)", EditorTimeLine(e, 61, true));
    e.time.hour = 12;
    EXPECT_EQ("Ora:   12 : 5 (pm)", EditorTimeLine(e, 999, false));
    e.time.hour = 0;
    EXPECT_EQ("Ora:   0 : 5 (am)", EditorTimeLine(e, 999, false));
    e.time.hour = 11;
    EXPECT_EQ("Ora:   11 : 5 (am)", EditorTimeLine(e, 999, false));

    e.remind_mode = 0;
    EXPECT_EQ("Ricordamelo ogni ora", EditorReminderLine(e));
    e.remind_mode = 1;
    EXPECT_EQ("Ricordamelo ogni 2 ore", EditorReminderLine(e));
    e.remind_mode = 2;
    EXPECT_EQ("Ricordamelo ogni 3 ore", EditorReminderLine(e));
    e.remind_mode = 3;
    EXPECT_EQ("", EditorReminderLine(e));
}

}  // namespace
