// Changing a folder's item as text: only the content lines the owl changes are
// rewritten (unfolded, then folded again at 75 octets); every other byte of the file,
// the folding of untouched lines included, stays as it was. Pure: texts in, text out.
#pragma once

#include <ctime>
#include <string>
#include <vector>

// What the editor changed. Texts are UTF-8; `shift` is how far the start moves, in
// seconds of wall-clock time, its end (DTEND) moving by the same amount; a date-only
// start moves by whole days.
struct ItemChange {
    bool summary = false, description = false;
    std::string summary_text, description_text;
    long long shift = 0;
    bool Empty() const { return !summary && !description && shift == 0; }
};

// `line` (one unfolded content line, without its line ending) folded as RFC 5545 asks:
// at most 75 octets a line, never inside a UTF-8 character, each continuation starting
// with a space; `eol` ends every line of the result.
std::string FoldContentLine(const std::string& line, const std::string& eol);

// A TEXT value escaped for a content line (backslash, semicolon, comma, new line).
std::string EscapeIcalText(const std::string& text);

// Applies `c` to the VEVENT of `text` named by `recurrence_id` (empty: the master, the
// one without RECURRENCE-ID; else the override with that RECURRENCE-ID value), bumps its
// SEQUENCE and sets DTSTAMP and LAST-MODIFIED to `now` (UTC). A start keeps its form:
// its TZID, its UTC "Z", floating, or a date. False, `problem` set, when there is no
// such VEVENT or its DTSTART cannot be read.
bool EditItemText(const std::string& text, const std::string& recurrence_id, const ItemChange& c,
                  std::time_t now, std::string& out, std::string& problem);

// Makes one occurrence of the series in `text` different: adds an override (a copy of
// the master with RECURRENCE-ID `rid`, in the master DTSTART's form, with `rid_tzid`
// as its TZID or VALUE=DATE for a date, and no RRULE, RDATE or EXDATE), then applies
// `c` to it. An override already there for `rid` is edited instead. The series itself
// is left as it was.
bool OverrideOccurrence(const std::string& text, const std::string& rid, const std::string& rid_tzid,
                        const ItemChange& c, std::time_t now, std::string& out, std::string& problem);

// Leaves one occurrence of the series out: an EXDATE line for `rid` (in the master
// DTSTART's form) after the master's DTSTART, and any override for it removed. The
// master's SEQUENCE, DTSTAMP and LAST-MODIFIED are updated.
bool ExcludeOccurrence(const std::string& text, const std::string& rid, const std::string& rid_tzid,
                       std::time_t now, std::string& out, std::string& problem);

// Which of the fields `c` changes were also changed between `before` (the file when
// the editor opened) and `after` (the file now) in the VEVENT `recurrence_id` names:
// "titolo", "testo" (the description), "orario": all three fit one line of the band
// after "Cambiato anche altrove: ". Empty when none was, or the VEVENT is new.
std::vector<std::string> ChangedMeanwhile(const std::string& before, const std::string& after,
                                          const std::string& recurrence_id, const ItemChange& c);

// A new item holding one event: UID `uid`, the given texts, starting at `start` and
// ending at `end` (UTC), stamped `now`.
std::string NewItemText(const std::string& uid, const std::string& summary, const std::string& description,
                        std::time_t start, std::time_t end, std::time_t now);
