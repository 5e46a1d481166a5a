// Writing the owl's edits into calendar folders: the draft the editor changes, and
// what confirm and trash make of it in the item's file.
#include "app/calendar/live/live_writeback.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "app/calendar/panels/calendar_notice.h"
#include "platform/atomic_file.h"
#include "platform/regular_file.h"

namespace {

std::string FieldString(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

// Seconds of the draft's date and time on a wall clock without zones, for differences.
long long WallSeconds(const Event& e) {
    std::tm t{};
    t.tm_year = e.date.year - 1900, t.tm_mon = e.date.month - 1, t.tm_mday = e.date.day;
    t.tm_hour = e.time.hour, t.tm_min = e.time.min;
    return (long long)timegm(&t);
}

bool ReadText(const std::string& path, std::string& text, std::string& error) {
    const FileRead r = ReadRegularFile(path, kMaxItemBytes);
    if (r.status != FileReadStatus::kRead) {
        error = r.status == FileReadStatus::kMissing ? "rimosso altrove" : "illeggibile";
        return false;
    }
    text.assign(r.bytes.begin(), r.bytes.end());
    return true;
}

void Tell(LiveCalendars& lc, uint32_t now_ms, std::string first, std::string second) {
    lc.write_notice = {std::move(first), std::move(second)};
    for (auto& line : lc.write_notice)
        if (line.size() > kNoticeColumns) line.resize(kNoticeColumns);
    lc.write_notice_ms = now_ms;
}

// Writes `text` over the item, or says on the band why it could not.
bool WriteItem(LiveCalendars& lc, uint32_t now_ms, const std::string& path, const std::string& text) {
    std::string error, warning;
    int err = 0;
    if (!WriteFileAtomically(path, text.data(), text.size(), error, warning, &err)) {
        std::fprintf(stderr, "strigolo: %s: not saved: %s\n", path.c_str(), error.c_str());
        Tell(lc, now_ms, "Evento NON salvato nel calendario:", SaveReason(err));
        return false;
    }
    if (!warning.empty()) std::fprintf(stderr, "strigolo: %s: %s\n", path.c_str(), warning.c_str());
    NoteEdit(lc.sync, now_ms);
    return true;
}

}  // namespace

int NewEventsFolder(const LiveCalendars& lc) {
    if (lc.config.new_events == "owl") return -1;
    for (size_t i = 0; i < lc.config.calendars.size(); ++i)
        if (lc.config.calendars[i].name == lc.config.new_events) return lc.config.calendars[i].read_only ? -1 : int(i);
    return -1;
}

bool FolderWritable(const LiveCalendars& lc, size_t folder) {
    if (folder >= lc.folders.size()) return false;
    const LiveCalendar& c = lc.folders[folder].calendar;
    return !c.read_only && ::access(c.path.c_str(), W_OK) == 0;
}

bool LiveRowWritable(const LiveCalendars& lc, const Event* row) {
    const auto owner = lc.row_owner.find(row);
    return owner != lc.row_owner.end() && FolderWritable(lc, owner->second.folder);
}

ItemChange ChangeOfDraft(const Event& original, const Event& draft) {
    ItemChange c;
    c.summary_text = FieldString(draft.title, sizeof draft.title);
    c.description_text = FieldString(draft.description, sizeof draft.description);
    c.summary = c.summary_text != FieldString(original.title, sizeof original.title);
    c.description = c.description_text != FieldString(original.description, sizeof original.description);
    c.shift = WallSeconds(draft) - WallSeconds(original);
    return c;
}

std::string FreshUid() {
    std::random_device rd;
    unsigned char b[16];
    for (size_t i = 0; i < sizeof b; i += 4) {
        const unsigned v = rd();
        std::memcpy(b + i, &v, 4);
    }
    b[6] = (b[6] & 0x0f) | 0x40;  // a version 4 (random) UUID
    b[8] = (b[8] & 0x3f) | 0x80;
    char s[40];
    std::snprintf(s, sizeof s, "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", b[0], b[1],
                  b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    return s;
}

Event* OpenLiveEdit(LiveCalendars& lc, const Event* row) {
    const auto owner = lc.row_owner.find(row);
    if (owner == lc.row_owner.end() || !FolderWritable(lc, owner->second.folder)) return nullptr;
    const LiveFolder& f = lc.folders[owner->second.folder];
    const auto entry = f.entries.find(owner->second.name);
    if (entry == f.entries.end()) return nullptr;
    const LiveEntry& e = entry->second;
    LiveEdit ed;
    ed.folder = owner->second.folder;
    ed.path = f.calendar.path + "/" + owner->second.name;
    std::string error;
    if (!ReadText(ed.path, ed.base, error)) return nullptr;
    const IcalOccurrence& o = e.shown >= 0 ? e.occurrences[size_t(e.shown)].occurrence : e.beyond;
    for (const IcalSeries& s : e.item.series) {
        const IcalRuleShape shape = s.Shape();
        if (shape.freq != IcalFreq::kNone || shape.rdates) ed.series = true;
    }
    ed.overridden = o.overridden;
    ed.rid = o.recurrence_id;
    ed.rid_tzid = o.recurrence_tzid;
    ed.original = ed.draft = *row;
    ed.open = true;
    lc.edit = ed;
    return &lc.edit.draft;
}

Event* OpenNewLiveEvent(LiveCalendars& lc, const std::tm& now) {
    const int folder = NewEventsFolder(lc);
    if (folder < 0 || !FolderWritable(lc, size_t(folder))) return nullptr;
    LiveEdit ed;
    ed.fresh = true;
    ed.folder = size_t(folder);
    ed.original = ed.draft = Event(now);
    ed.draft.type = kAppointment;
    ed.open = true;
    lc.edit = ed;
    return &lc.edit.draft;
}

bool IsLiveDraft(const LiveCalendars& lc, const Event* e) { return lc.edit.open && e == &lc.edit.draft; }

void CloseLiveEdit(LiveCalendars& lc) { lc.edit = LiveEdit(); }

void ConfirmLiveEdit(LiveCalendars& lc, uint32_t now_ms, std::time_t now) {
    LiveEdit& ed = lc.edit;
    if (!ed.open) return;
    const ItemChange c = ChangeOfDraft(ed.original, ed.draft);
    if (ed.fresh) {
        std::tm t{};
        t.tm_year = ed.draft.date.year - 1900, t.tm_mon = ed.draft.date.month - 1, t.tm_mday = ed.draft.date.day;
        t.tm_hour = ed.draft.time.hour, t.tm_min = ed.draft.time.min, t.tm_isdst = -1;
        const std::time_t start = std::mktime(&t);
        const std::string uid = FreshUid();
        // An hour long, as the owl's appointments are announced up to their start.
        WriteItem(lc, now_ms, lc.folders[ed.folder].calendar.path + "/" + uid + ".ics",
                  NewItemText(uid, c.summary_text, c.description_text, start, start + 3600, now));
        return CloseLiveEdit(lc);
    }
    if (c.Empty()) return CloseLiveEdit(lc);
    std::string current, error, out;
    if (!ReadText(ed.path, current, error)) {
        Tell(lc, now_ms, "Modifica NON salvata: evento", error);
        return CloseLiveEdit(lc);
    }
    // The override of a series' occurrence, or the event itself.
    const std::string which = ed.overridden ? ed.rid : "";
    const std::vector<std::string> both =
        current == ed.base ? std::vector<std::string>() : ChangedMeanwhile(ed.base, current, which, c);
    const bool ok = ed.series && !ed.overridden ? OverrideOccurrence(current, ed.rid, ed.rid_tzid, c, now, out, error)
                                                : EditItemText(current, which, c, now, out, error);
    if (!ok) {
        std::fprintf(stderr, "strigolo: %s: not changed: %s\n", ed.path.c_str(), error.c_str());
        Tell(lc, now_ms, "Modifica NON salvata: evento", "non leggibile");
    } else if (WriteItem(lc, now_ms, ed.path, out) && !both.empty()) {
        std::string fields;
        for (const std::string& f : both) fields += (fields.empty() ? "" : ", ") + f;
        Tell(lc, now_ms, "Cambiato anche altrove: " + fields, "Vale la tua modifica");
    }
    CloseLiveEdit(lc);
}

void BinLiveEdit(LiveCalendars& lc, uint32_t now_ms, std::time_t now) {
    LiveEdit& ed = lc.edit;
    if (!ed.open || ed.fresh) return CloseLiveEdit(lc);
    std::string current, error, out;
    if (!ReadText(ed.path, current, error)) return CloseLiveEdit(lc);  // already gone: nothing to remove
    if (ed.series) {
        if (ExcludeOccurrence(current, ed.rid, ed.rid_tzid, now, out, error)) WriteItem(lc, now_ms, ed.path, out);
        else Tell(lc, now_ms, "Evento NON eliminato:", "non leggibile");
    } else if (current != ed.base) {
        // Someone changed it while the editor was open: their change is not thrown away unseen.
        Tell(lc, now_ms, "Evento NON eliminato: e' stato", "cambiato altrove; riaprilo");
    } else if (std::remove(ed.path.c_str()) != 0) {
        std::fprintf(stderr, "strigolo: %s: not removed: %s\n", ed.path.c_str(), std::strerror(errno));
        Tell(lc, now_ms, "Evento NON eliminato:", SaveReason(errno));
    } else {
        NoteEdit(lc.sync, now_ms);
    }
    CloseLiveEdit(lc);
}

void SayReadOnly(LiveCalendars& lc, uint32_t now_ms) {
    lc.read_only_said = true;
    lc.read_only_said_ms = now_ms;
}

std::string ReadOnlyLine(const LiveCalendars& lc, uint32_t now_ms) {
    return lc.read_only_said && now_ms - lc.read_only_said_ms < kReadOnlySaidMs ? "calendario in sola lettura" : "";
}
