// libFuzzer target for the text edits of a folder's item: whatever the file holds, an
// edit that succeeds leaves an event the next edit finds again (the master, or the
// override just written) with a start it can still move, and a folded line is at most 75 octets a line and unfolds to
// what was folded.
#include <string>

#include "app/calendar/live/item_text.h"
#include "fuzz/fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ItemChange c;
    c.summary = true, c.summary_text = "Riunione, nuova";
    c.shift = 3600;
    std::string out, again, problem;
    if (EditItemText(text, "", c, 1900000000, out, problem)) Require(EditItemText(out, "", c, 1900000000, again, problem));
    const std::string rid = "20300318T170000Z";
    if (OverrideOccurrence(text, rid, "", c, 1900000000, out, problem))
        Require(EditItemText(out, rid, c, 1900000000, again, problem));
    ItemChange title;  // an exclusion needs no start it can read
    title.summary = true;
    if (ExcludeOccurrence(text, rid, "", 1900000000, out, problem))
        Require(EditItemText(out, "", title, 1900000000, again, problem));
    ChangedMeanwhile(text, out, rid, c);

    if (text.find_first_of("\r\n") != std::string::npos) return 0;
    const std::string folded = FoldContentLine(text, "\r\n");
    std::string unfolded;
    size_t at = 0;
    while (at < folded.size()) {
        const size_t end = folded.find("\r\n", at);
        Require(end != std::string::npos && end - at <= 75);
        unfolded.append(folded, at + (at == 0 ? 0 : 1), end - at - (at == 0 ? 0 : 1));
        at = end + 2;
    }
    Require(unfolded == text);
    return 0;
}
