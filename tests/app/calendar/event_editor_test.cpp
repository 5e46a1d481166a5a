// The editor's rules driven without a window: arrows, notice flags, typing, focus,
// caret, and the lines it prints.
#include <gtest/gtest.h>

#include <cstring>

#include "app/calendar/event_editor.h"

namespace {

std::tm Now() {  // 2027-03-10 (a Wednesday) 14:20
    std::tm t{};
    t.tm_mday = 10, t.tm_mon = 2, t.tm_year = 127, t.tm_hour = 14, t.tm_min = 20, t.tm_wday = 3;
    return t;
}

TEST(EditorRules, EveryArrowWrapsAndNothingCarries) {
    using A = EditorArrow;
    struct { A f; int from, dir, to; } steps[] = {
        {A::kDay, 31, +1, 1},     {A::kDay, 1, -1, 31},          {A::kMonth, 12, +1, 1},
        {A::kMonth, 1, -1, 12},   {A::kYear, 1900, -1, 1900},    {A::kYear, 9999, +1, 10000},
        {A::kWday, 6, +1, 0},     {A::kWday, 0, -1, 6},          {A::kHour, 23, +1, 0},
        {A::kHour, 0, -1, 23},    {A::kMin, 59, +1, 0},          {A::kMin, 0, -1, 59},
        {A::kRemindMode, 2, +1, 0}, {A::kRemindMode, 0, -1, 2},
    };
    for (const auto& s : steps) {
        Event e{Now()};
        int32_t* fields[] = {&e.date.day, &e.date.month, &e.date.year, &e.wday,
                             &e.time.hour, &e.time.min, &e.remind_mode};
        int32_t& v = *fields[int(s.f)];
        v = s.from;
        e.notify = true;
        StepField(e, s.f, s.dir);
        EXPECT_EQ(s.to, v) << "field " << int(s.f) << " from " << s.from;
        // Date and time arrows make the due notice come again; the period arrows don't.
        EXPECT_EQ(s.f == A::kRemindMode, e.notify) << "field " << int(s.f);
        EXPECT_EQ(s.f == A::kDay ? s.to : 10, e.date.day);  // nothing carries
        EXPECT_EQ(s.f == A::kMonth ? s.to : 3, e.date.month);
        EXPECT_EQ(s.f == A::kHour ? s.to : 14, e.time.hour);
    }
}

TEST(EditorRules, NoticeFlagsInViewAndEditMode) {
    // Flags are notify_1h, notify_hh, notify. View mode acknowledges (a past event is
    // clamped to 0 minutes); edit mode clears the warnings whose moment lies ahead.
    struct { bool view; double d; int before, after; double d_after; } cases[] = {
        {true, 45, 0b000, 0b100, 45},    {true, 30, 0b000, 0b110, 30},
        {true, -15, 0b000, 0b111, 0},    {true, 999, 0b000, 0b000, 999},
        {false, 45, 0b111, 0b101, 45},   {false, 61, 0b111, 0b001, 61},
        {false, 20, 0b111, 0b111, 20},
    };
    for (const auto& c : cases) {
        Event e{Now()};
        e.notify_1h = c.before & 4, e.notify_hh = c.before & 2, e.notify = c.before & 1;
        double d = c.d;
        ApplyNoticeFlags(e, d, c.view);
        EXPECT_EQ(c.after, e.notify_1h * 4 + e.notify_hh * 2 + e.notify) << c.view << " " << c.d;
        EXPECT_EQ(c.d_after, d);
    }
}

TEST(EditorRules, TypingLimitsBackspaceAndIgnoredCodes) {
    Event e{Now()};
    bool keys[256] = {};
    auto type = [&](std::initializer_list<int> codes, char* field = nullptr) {
        for (int c : codes) keys[c] = true;
        if (field) EditTextField(field, sizeof e.description, kDescriptionLimit, keys);
        else EditTextField(e.title, sizeof e.title, kTitleLimit, keys);
        std::memset(keys, 0, sizeof keys);
    };
    for (int i = 0; i < 20; ++i) type({'a' + i});  // one letter a frame: 17 stay
    EXPECT_STREQ("abcdefghijklmnopq", e.title);
    std::strcpy(e.title, "ab");
    for (int i = 0; i < 3; ++i) type({8});  // backspace, and nothing on empty
    EXPECT_STREQ("", e.title);
    std::strcpy(e.title, "xyz");
    type({127});
    EXPECT_STREQ("xy", e.title);
    // Codes 0 to 2 are ignored, other control codes are text, and a frame's keys go
    // in ascending order (the backspace before the letters).
    type({0, 1, 2, 13, 8, 'b', 'a'});
    EXPECT_STREQ("x\rab", e.title);
    for (int i = 0; i < 400; ++i) type({'z'}, e.description);
    EXPECT_EQ(345u, std::strlen(e.description));
}

TEST(EditorRules, FocusFollowsClicksAndTheCaretBlinks) {
    EventEditorState st;
    struct { bool click, title, desc, edit; int focus; } steps[] = {
        {true, true, false, true, 1},  {false, false, false, true, 1},  // no click: kept
        {true, false, true, true, 2},  {true, false, false, true, 0},   // outside: lost
        {true, true, false, false, 0},                                   // view mode
    };
    for (const auto& s : steps) {
        UpdateFocus(st, s.click, s.title, s.desc, s.edit);
        EXPECT_EQ(s.focus, st.edit_tf);
    }
    AdvanceCaret(st, 0.3f);  // half-second phases of frame time
    EXPECT_FALSE(st.ec);
    AdvanceCaret(st, 0.3f);
    EXPECT_TRUE(st.ec);
}

TEST(EditorRules, DateTimeAndReminderLines) {
    Event e{Now()};
    e.time = {11, 5};
    EXPECT_EQ("Data:  10 / 3 / 2027", EditorDateLine(e, Now(), false));
    EXPECT_EQ("Data:  Oggi", EditorDateLine(e, Now(), true));
    EXPECT_EQ("Ora:   11 : 5 (am)", EditorTimeLine(e, 45, false));
    EXPECT_EQ("Ora:  tra 45 minuti", EditorTimeLine(e, 45, true));
    e.time.hour = 12;  // due, or more than an hour ahead: the time of day
    EXPECT_EQ("Ora:   12 : 5 (pm)", EditorTimeLine(e, 0, true));
    EXPECT_EQ("Ora:   12 : 5 (pm)", EditorTimeLine(e, 61, true));
    e.remind_mode = 2;
    EXPECT_EQ("Ricordamelo ogni 3 ore", EditorReminderLine(e));
}

}  // namespace
