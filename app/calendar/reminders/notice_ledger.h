// The notices already given, kept in the user's state folder so that each occurrence of
// a repeating item gets each of its notices once, across restarts, saves and imports.
#pragma once

#include <cstdint>
#include <ctime>
#include <set>
#include <string>
#include <tuple>

// The three notices an occurrence gets: an hour before, half an hour before, at its start.
enum class NoticeKind { kHourBefore, kHalfHourBefore, kDue };

// One notice of one occurrence. `item` names the item for as long as it stays the same
// (a weekly event of the calendar file, an item of a calendar folder): any text without
// a newline; `start` is the occurrence's start, seconds since the epoch.
struct NoticeKey {
    std::string item;
    int64_t start = 0;
    NoticeKind kind = NoticeKind::kDue;
    bool operator<(const NoticeKey& o) const {
        return std::tie(item, start, kind) < std::tie(o.item, o.start, o.kind);
    }
    bool operator==(const NoticeKey& o) const { return item == o.item && start == o.start && kind == o.kind; }
};

// An entry is kept this long after its occurrence's start (seconds): the day is over by
// then, and the next occurrence of a weekly item has another start.
constexpr int64_t kNoticeKeepSeconds = 8 * 24 * 3600;

struct NoticeLedger {
    std::string path;           // the file; empty: kept in memory only
    std::set<NoticeKey> given;
    bool file_refused = false;  // the file is there but could not be read: never written over
};

// $XDG_STATE_HOME/strigolo/notices, or HOME/.local/state/strigolo/notices when
// XDG_STATE_HOME is unset, empty or relative; empty when neither names an absolute folder.
std::string NoticeLedgerPath(const char* xdg_state_home, const char* home);

bool NoticeGiven(const NoticeLedger& l, const NoticeKey& k);
// Records a notice as given and writes the ledger (SaveNoticeLedger) when it is new.
void MarkNoticeGiven(NoticeLedger& l, const NoticeKey& k, std::time_t now);

// The file's text: a first line "strigolo-notices 1", then one line per entry,
// "KIND START ITEM" with KIND one of 1h, 30m, due and START in seconds; bytes of ITEM
// below 0x20 and '%' are written as %XX. ParseNoticeLedger is false, leaving `out`
// alone, for any text FormatNoticeLedger would not write.
std::string FormatNoticeLedger(const std::set<NoticeKey>& given);
bool ParseNoticeLedger(const unsigned char* data, size_t size, std::set<NoticeKey>& out);

// Reads l.path into l.given (a file that is missing is an empty ledger). A file that is
// not a regular one, too large or damaged is told on stderr once and never written over;
// the ledger then lives in memory. False in that case.
bool LoadNoticeLedger(NoticeLedger& l);
// Under a lock beside the file, merges in what another owl wrote meanwhile, drops the
// entries past kNoticeKeepSeconds before `now`, and writes the file atomically (its folder
// made when missing). False, with a line on stderr, when it could not be written.
bool SaveNoticeLedger(NoticeLedger& l, std::time_t now);

// The program's ledger, loaded at start from NoticeLedgerPath of the environment.
extern NoticeLedger notice_ledger;
void OpenNoticeLedger();
