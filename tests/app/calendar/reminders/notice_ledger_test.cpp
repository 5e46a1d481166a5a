// The notices given: the ledger's text and file, and a weekly event's three notices
// over several weeks of restarts, saves and imports.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "app/calendar/store/calendar_file.h"
#include "app/calendar/panels/event_editor.h"
#include "app/calendar/reminders/notice_ledger.h"
#include "app/calendar/reminders/reminders.h"
#include "../calendar_helpers.h"

namespace {

namespace fs = std::filesystem;

bool Parses(const std::string& text) {
    std::set<NoticeKey> out;
    return ParseNoticeLedger(reinterpret_cast<const unsigned char*>(text.data()), text.size(), out);
}

// Only what FormatNoticeLedger writes is read back; an item with a newline, a control
// byte and '%' goes there and back.
TEST(NoticeLedger, TextRoundTripAndWhatIsRefused) {
    const std::set<NoticeKey> given = {{"a%b\nc d", -5, NoticeKind::kDue}, {"x", 1765000000, NoticeKind::kHourBefore}};
    const std::string text = FormatNoticeLedger(given);
    std::set<NoticeKey> back;
    ASSERT_TRUE(ParseNoticeLedger(reinterpret_cast<const unsigned char*>(text.data()), text.size(), back));
    EXPECT_TRUE(back == given);
    const char h[] = "strigolo-notices 1\n";
    const struct { std::string text; bool ok; } rows[] = {
        {h, true}, {std::string(h) + "30m 7 a b\n", true}, {"", false}, {"strigolo-notices 2\n", false},
        {std::string(h) + "due 7 item", false}, {std::string(h) + "soon 7 a\n", false},
        {std::string(h) + "due 07 a\n", false}, {std::string(h) + "due 7x a\n", false},
        {std::string(h) + "due 7 \n", false}, {std::string(h) + "due 7 a\tb\n", false},
        {std::string(h) + "due 7 a%2\n", false}, {std::string(h) + "due 7 a%41\n", false},
        {std::string(h) + "due 99999999999999999999 a\n", false}};
    for (const auto& r : rows) EXPECT_EQ(r.ok, Parses(r.text)) << r.text;
}

class LedgerFile : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/strigolo-ledger-XXXXXX";
        dir = mkdtemp(tmpl);
        path = dir + "/state/strigolo/notices";
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string dir, path;
};

// Two owls each write their notice: neither loses the other's; an entry more than
// kNoticeKeepSeconds past is dropped; a file that cannot be read is never written over.
TEST_F(LedgerFile, TwoOwlsMergeOldEntriesGoAndABadFileStays) {
    const std::time_t now = 1765000000;
    NoticeLedger a{path, {}, false}, b{path, {}, false};
    ASSERT_TRUE(LoadNoticeLedger(a) && LoadNoticeLedger(b));
    MarkNoticeGiven(a, {"old", now - kNoticeKeepSeconds - 1, NoticeKind::kDue}, now - 10 * 86400);
    MarkNoticeGiven(a, {"a", now, NoticeKind::kDue}, now);
    MarkNoticeGiven(b, {"b", now, NoticeKind::kHalfHourBefore}, now);
    NoticeLedger c{path, {}, false};
    ASSERT_TRUE(LoadNoticeLedger(c));
    EXPECT_EQ((std::set<NoticeKey>{{"a", now, NoticeKind::kDue}, {"b", now, NoticeKind::kHalfHourBefore}}), c.given);

    Put(path, Bytes{'n', 'o', '\n'});
    NoticeLedger d{path, {}, false};
    EXPECT_FALSE(LoadNoticeLedger(d));
    MarkNoticeGiven(d, {"d", now, NoticeKind::kDue}, now);
    EXPECT_TRUE(NoticeGiven(d, {"d", now, NoticeKind::kDue}));  // in memory
    EXPECT_EQ((Bytes{'n', 'o', '\n'}), Get(path));
    EXPECT_EQ("/x/strigolo/notices|/h/.local/state/strigolo/notices|",
              NoticeLedgerPath("/x", "/h") + "|" + NoticeLedgerPath("rel", "/h") + "|" + NoticeLedgerPath("", "rel"));
}

// A weekly event on Mondays at 10:00 over three weeks. The owl restarts from the file
// (its flags as saved), or after an import rewrote the file that morning with last
// week's flags all set; each week's hour, half-hour and due notices come exactly once,
// each seen in the view when it comes.
class WeeklyNotices : public LedgerFile {
protected:
    std::tm Monday(int week, int hour, int min) { return At(2026, 12, 7 + 7 * week, hour, min, 1); }
    std::tm Tuesday(int week) { return At(2026, 12, 8 + 7 * week, 9, 0, 2); }
    void Restart(bool stale_import) {
        Bytes file = SerializeEvents(list);
        std::list<Event> read = ParseEvents(file.data(), file.size());
        if (stale_import) read.front().notify = read.front().notify_1h = read.front().notify_hh = true;
        list = read;
        ledger = NoticeLedger{path, {}, false};
        LoadNoticeLedger(ledger);
        st = ReminderState{};
        st.ledger = &ledger;
    }
    // Scans at `now`; a due event is viewed. Returns the due count.
    int ScanAndView(const std::tm& now) {
        const ScanResult r = ScanEvents(st, list, now, 0.02f);
        if (r.due) {
            double min_diff = EventMinDiff(*r.due, now);
            ApplyNoticeFlags(*r.due, min_diff, true);
            RecordWeeklyNotices(st, *r.due, now);
        }
        return r.n_notify;
    }
    std::list<Event> list{Ev("Corso", kWeekly, {30, 11, 2026}, {10, 0}, 1)};
    NoticeLedger ledger;
    ReminderState st;
};

TEST_F(WeeklyNotices, ThreeNoticesEachWeekWhateverRestartsAndImports) {
    enum How { kNone, kFromFile, kStaleImport };
    Restart(false);
    for (int week = 0; week < 3; ++week) {
        SCOPED_TRACE(week);
        const struct { int hour, min; How restart; int due; } rows[] = {
            {8, 30, week == 1 ? kStaleImport : kNone, 0}, {9, 0, kNone, 1}, {9, 1, kFromFile, 0},
            {9, 30, kNone, 1}, {9, 45, week == 2 ? kStaleImport : kNone, 0}, {10, 2, kNone, 1},
            {10, 3, kFromFile, 0}, {23, 0, kNone, 0}};
        for (const auto& r : rows) {
            if (r.restart != kNone) Restart(r.restart == kStaleImport);
            EXPECT_EQ(r.due, ScanAndView(Monday(week, r.hour, r.min))) << r.hour << ":" << r.min;
        }
        EXPECT_TRUE(ScanEvents(st, list, Tuesday(week), 0.0f).sync_db);  // its day passed: re-armed and saved
        if (week == 0) Restart(false);
    }
}

}  // namespace
