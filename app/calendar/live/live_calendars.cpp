// The live calendars' start and tick: the config, the folders' watch and their items
// read a few milliseconds a tick, the rows and due notices they give, and the sync
// command, with what stderr and the notice band are told.
#include "app/calendar/live/live_calendars.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "app/calendar/panels/calendar_notice.h"
#include "app/calendar/live/live_writeback.h"
#include "app/shared/tick_state.h"
#include "platform/clock.h"

LiveCalendars live_calendars;

namespace {

// Printable ASCII of `s`, at most kNoticeColumns characters: the band's font has
// nothing else.
std::string BandText(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (out.size() == kNoticeColumns) break;
        out += (c >= 32 && c < 127) ? c : '?';
    }
    return out;
}

void FolderGone(LiveFolder& f) {
    f.present = false;
    std::error_code ec;
    const bool other = std::filesystem::exists(f.calendar.path, ec);  // a file, say, where the folder should be
    if (!f.told_missing)
        std::fprintf(stderr, "strigolo: calendar \"%s\": %s %s; watched for a folder there\n",
                     f.calendar.name.c_str(), f.calendar.path.c_str(), other ? "is not a folder" : "is missing");
    f.told_missing = true;
}

// The row of occurrence `o`, its texts those of `text`.
void FillRow(Event& row, const IcalOccurrence& o, const IcalOccurrence& text) {
    row = Event(std::tm{});
    row.type = kAppointment;
    std::snprintf(row.title, sizeof row.title, "%s", OwlText(text.summary, sizeof row.title - 1).c_str());
    std::snprintf(row.description, sizeof row.description, "%s",
                  OwlText(text.description, sizeof row.description - 1).c_str());
    row.date = {o.local.day, o.local.month, o.local.year};
    row.time = {o.local.hour, o.local.minute};
    row.wday = o.local.wday;
}

void ForgetDue(LiveCalendars& lc, const Event* row) {
    for (auto it = lc.due.begin(); it != lc.due.end(); ++it)
        if (it->second == row) return void(lc.due.erase(it));
}

void WakeAt(LiveCalendars& lc, std::time_t t) {
    if (t != 0 && (lc.wake == 0 || t < lc.wake)) lc.wake = t;
}

// Adds what `e` gives to the due rows and the next wake: its row when one of its
// notices is due, the next moment of its notices and the end of the occurrence shown.
void AddDue(LiveCalendars& lc, const LiveEntry& e, std::time_t now, const std::set<NoticeKey>& given) {
    const int first = FirstDue(e.occurrences, given, now);
    if (first >= 0 && e.row) {
        const std::pair<std::time_t, Event*> d{e.occurrences[size_t(first)].occurrence.start, e.row};
        lc.due.insert(std::upper_bound(lc.due.begin(), lc.due.end(), d,
                                       [](const std::pair<std::time_t, Event*>& a,
                                          const std::pair<std::time_t, Event*>& b) { return a.first < b.first; }),
                      d);
    }
    WakeAt(lc, NextMoment(e.occurrences, given, now));
    // The row moves on to the next occurrence when the one it shows has ended.
    if (e.shown >= 0 && e.occurrences[size_t(e.shown)].occurrence.end > now)
        WakeAt(lc, e.occurrences[size_t(e.shown)].occurrence.end);
}

// Removes the row of `e`; the one the editor shows waits among the orphans.
void DropRow(LiveCalendars& lc, LiveEntry& e) {
    if (!e.row) return;
    ForgetDue(lc, e.row);
    auto owner = lc.row_owner.find(e.row);
    const std::list<Event>::iterator node = owner->second.node;
    lc.row_owner.erase(owner);
    if (edit_event == e.row) lc.orphans.splice(lc.orphans.end(), lc.rows, node);
    else lc.rows.erase(node);
    e.row = nullptr;
    ++lc.rows_changed;
}

// The row of `e` shows its due occurrence, else its next one; an item with nothing to
// come has none.
void UpdateRow(LiveCalendars& lc, size_t folder, const std::string& name, LiveEntry& e, std::time_t now,
               const std::set<NoticeKey>& given, bool refill) {
    const int shown = ShownOccurrence(e.occurrences, given, now);
    if (shown == e.shown && e.row && !refill) return;
    e.shown = shown;
    ++lc.rows_changed;
    const bool have = e.shown >= 0 || e.has_beyond;
    if (!have) return DropRow(lc, e);
    if (!e.row) {
        lc.rows.emplace_back(std::tm{});
        e.row = &lc.rows.back();
        lc.row_owner[e.row] = {folder, name, std::prev(lc.rows.end())};
    }
    if (e.shown >= 0) FillRow(*e.row, e.occurrences[size_t(e.shown)].occurrence, TextOf(e.occurrences, size_t(e.shown)));
    else FillRow(*e.row, e.beyond, e.beyond);
}

void Compute(LiveCalendars& lc, size_t folder, const std::string& name, LiveEntry& e, std::time_t now,
             const std::set<NoticeKey>& given) {
    std::string problem;
    e.occurrences = LiveOccurrences(e.item, now, lc.config.days_ahead, problem);
    if (!problem.empty())
        std::fprintf(stderr, "strigolo: calendar \"%s\": item %s: %s\n", lc.folders[folder].calendar.name.c_str(),
                     name.c_str(), problem.c_str());
    e.computed_at = now;
    // Past the window: the series' own next occurrence, for the list only.
    e.has_beyond = false;
    const std::time_t after = now + std::time_t(lc.config.days_ahead) * 24 * 3600;
    for (const IcalSeries& s : e.item.series) {
        IcalOccurrence o;
        std::string why;
        if (!s.Cancelled() && s.Next(after, o, why) && (!e.has_beyond || o.start < e.beyond.start))
            e.beyond = o, e.has_beyond = true;
    }
    if (e.row) ForgetDue(lc, e.row);
    UpdateRow(lc, folder, name, e, now, given, true);
    AddDue(lc, e, now, given);
}

void RemoveEntry(LiveCalendars& lc, LiveFolder& f, const std::string& name) {
    auto it = f.entries.find(name);
    if (it == f.entries.end()) return;
    DropRow(lc, it->second);
    f.entries.erase(it);
}

void ReadEntry(LiveCalendars& lc, size_t folder, const std::string& name, std::time_t now,
               const std::set<NoticeKey>& given) {
    LiveFolder& f = lc.folders[folder];
    const std::string path = f.calendar.path + "/" + name;
    auto known = f.entries.find(name);
    // A folder read again (come back, or events lost) costs a stat for each item it has.
    if (known != f.entries.end() && StatFileIdentity(path) == known->second.item.identity) return;
    LiveItem item;
    std::string problem;
    std::vector<std::string> notes;
    const ItemStatus status = ReadLiveItem(path, item, problem, notes);
    for (const std::string& n : notes)
        std::fprintf(stderr, "strigolo: calendar \"%s\": item %s: %s\n", f.calendar.name.c_str(), name.c_str(),
                     n.c_str());
    if (status != ItemStatus::kEvents) {
        if (status == ItemStatus::kBad)
            std::fprintf(stderr, "strigolo: calendar \"%s\": item %s not read: %s\n", f.calendar.name.c_str(),
                         name.c_str(), problem.c_str());
        return RemoveEntry(lc, f, name);
    }
    LiveEntry& e = f.entries[name];
    e.item = std::move(item);
    Compute(lc, folder, name, e, now, given);
}

void ReadColor(LiveFolder& f) {
    const FileRead r = ReadRegularFile(f.calendar.path + "/color", 64);
    f.has_color = r.status == FileReadStatus::kRead &&
                  ParseVdirColor(std::string(r.bytes.begin(), r.bytes.end()), f.rgb);
}

// A folder found (again): its items are queued, and those no longer there forgotten.
void ListFolder(LiveCalendars& lc, size_t folder) {
    LiveFolder& f = lc.folders[folder];
    std::set<std::string> there;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(f.calendar.path, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!IsItemName(name)) continue;
        there.insert(name);
        lc.work.push_back({folder, name, true});
    }
    if (ec) std::fprintf(stderr, "strigolo: calendar \"%s\": folder %s not listed: %s\n", f.calendar.name.c_str(),
                         f.calendar.path.c_str(), ec.message().c_str());
    for (auto it = f.entries.begin(); it != f.entries.end();) {
        const std::string name = (it++)->first;  // RemoveEntry erases it
        if (!there.count(name)) RemoveEntry(lc, f, name);
    }
    ReadColor(f);
}

void TakeWatchEvents(LiveCalendars& lc, uint32_t now_ms) {
    if (!lc.watch) return;
    for (const FolderChange& c : lc.watch->Poll(now_ms)) {
        LiveFolder& f = lc.folders[c.folder];
        switch (c.event) {
        case FolderEvent::kFolderBack:
            f.present = true;
            f.told_missing = false;
            ListFolder(lc, c.folder);
            break;
        case FolderEvent::kFolderGone:
            FolderGone(f);
            while (!f.entries.empty()) RemoveEntry(lc, f, f.entries.begin()->first);
            break;
        case FolderEvent::kFileChanged:
            if (IsItemName(c.name)) lc.work.push_back({c.folder, c.name, true});
            if (c.name == "color") {
                ReadColor(f);
                ++lc.rows_changed;
            }
            break;
        case FolderEvent::kFileCreated:
            if (IsItemName(c.name)) lc.created.push_back({now_ms, {c.folder, c.name, true}});
            break;
        case FolderEvent::kFileGone: RemoveEntry(lc, f, c.name); break;
        }
    }
    for (auto it = lc.created.begin(); it != lc.created.end();) {
        if (now_ms - it->first < kCreatedSettleMs) {
            ++it;
            continue;
        }
        lc.work.push_back(it->second);
        it = lc.created.erase(it);
    }
    // A folder not there at the start is told once, after the watch has looked.
    for (LiveFolder& f : lc.folders)
        if (!f.present && !f.told_missing) FolderGone(f);
}

void DoWork(LiveCalendars& lc, std::time_t now, const std::set<NoticeKey>& given, double work_ms) {
    // Every hour the occurrences are found again, so the window moves on with the clock.
    if (now - lc.refreshed_at >= 3600 || now < lc.refreshed_at) {
        lc.refreshed_at = now;
        for (size_t f = 0; f < lc.folders.size(); ++f)
            for (const auto& e : lc.folders[f].entries) lc.work.push_back({f, e.first, false});
    }
    const auto start = std::chrono::steady_clock::now();
    while (!lc.work.empty() &&
           std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() <
               work_ms) {
        const LiveWork w = lc.work.front();
        lc.work.pop_front();
        if (w.read) {
            ReadEntry(lc, w.folder, w.name, now, given);
        } else {
            auto it = lc.folders[w.folder].entries.find(w.name);
            if (it != lc.folders[w.folder].entries.end()) Compute(lc, w.folder, w.name, it->second, now, given);
        }
    }
}

// The notices of the occurrence the viewed row stands for are seen.
void MarkViewed(LiveCalendars& lc, const Event* viewed, std::time_t now, NoticeLedger& ledger) {
    auto owner = viewed ? lc.row_owner.find(viewed) : lc.row_owner.end();
    if (owner == lc.row_owner.end()) return;
    auto& entries = lc.folders[owner->second.folder].entries;
    auto found = entries.find(owner->second.name);
    if (found == entries.end() || found->second.shown < 0) return;
    LiveEntry& e = found->second;
    for (const NoticeKey& k : NoticesSeen(e.occurrences[size_t(e.shown)], now))
        if (!NoticeGiven(ledger, k)) {
            MarkNoticeGiven(ledger, k, now);
            lc.due_stale = true;
        }
}

// Which rows are due, and when to look again, worked out for every row when a moment
// has come or a notice was seen (an item read since added its own); the viewed row
// keeps the occurrence it stands for until it is closed.
void WorkOutDue(LiveCalendars& lc, std::time_t now, const Event* viewed, const std::set<NoticeKey>& given) {
    if (!lc.due_stale && (lc.wake == 0 || now < lc.wake)) return;
    lc.due_stale = false;
    lc.wake = 0;
    lc.due.clear();
    for (size_t f = 0; f < lc.folders.size(); ++f)
        for (auto& item : lc.folders[f].entries) {
            LiveEntry& e = item.second;
            if (e.row != viewed) UpdateRow(lc, f, item.first, e, now, given, false);
            AddDue(lc, e, now, given);
        }
}

void TickSync(LiveCalendars& lc, uint32_t now_ms) {
    if (lc.config.sync_command.empty()) return;
    std::string failure;
    if (lc.sync_run.Finished(failure)) {
        if (!failure.empty())
            std::fprintf(stderr, "strigolo: sync command \"%s\" failed: %s\n", lc.config.sync_command.c_str(),
                         failure.c_str());
        NoteSyncEnded(lc.sync, failure);
    }
    if (SyncDue(lc.sync, now_ms, lc.config.sync_minutes)) {
        NoteSyncStarted(lc.sync, now_ms);
        if (!lc.sync_run.Start(lc.config.sync_command, failure)) {
            std::fprintf(stderr, "strigolo: sync command \"%s\" not started: %s\n", lc.config.sync_command.c_str(),
                         failure.c_str());
            NoteSyncEnded(lc.sync, failure);
        }
    }
}

}  // namespace

void OpenLiveCalendars(LiveCalendars& lc, const ConfigEnv& env) {
    std::vector<std::string> warnings;
    lc.config = LoadLiveConfig(env, warnings);
    for (const std::string& w : warnings) std::fprintf(stderr, "strigolo: %s\n", w.c_str());
    lc.config_warnings = warnings.size();
    if (lc.config.new_events != "owl" && NewEventsFolder(lc) < 0)
        std::fprintf(stderr, "strigolo: %s: new_events = %s names no writable calendar; "
                     "new events go to the owl's own calendar\n", lc.config.file.c_str(), lc.config.new_events.c_str());
    lc.folders.clear();
    if (lc.config.calendars.empty()) return;
    lc.watch.reset(new FolderWatch());
    if (!lc.watch->error().empty())
        std::fprintf(stderr, "strigolo: calendar folders are not watched: %s\n", lc.watch->error().c_str());
    for (const LiveCalendar& c : lc.config.calendars) {
        LiveFolder f;
        f.calendar = c;
        lc.watch->Add(c.path);
        lc.folders.push_back(f);
    }
}

void TickLiveCalendars(LiveCalendars& lc, uint32_t now_ms, std::time_t now, const Event* viewed,
                       NoticeLedger& ledger, double work_ms) {
    if (!lc.ticked) lc.first_tick_ms = now_ms;
    lc.ticked = true;
    for (auto it = lc.orphans.begin(); it != lc.orphans.end();)
        it = &*it == edit_event ? std::next(it) : lc.orphans.erase(it);
    if (!lc.folders.empty()) {
        TakeWatchEvents(lc, now_ms);
        DoWork(lc, now, ledger.given, work_ms);
        MarkViewed(lc, viewed, now, ledger);
        WorkOutDue(lc, now, viewed, ledger.given);
    }
    TickSync(lc, now_ms);
}

bool IsLiveRow(const LiveCalendars& lc, const Event* e, float rgb[3]) {
    auto owner = lc.row_owner.find(e);
    if (owner == lc.row_owner.end()) return false;
    if (rgb) {
        const LiveFolder& f = lc.folders[owner->second.folder];
        for (int i = 0; i < 3; ++i) rgb[i] = f.has_color ? f.rgb[i] : 0.6f;
    }
    return true;
}

void AddLiveDue(const LiveCalendars& lc, ScanResult& r) {
    if (lc.due.empty()) return;
    r.n_notify += int(lc.due.size());
    r.new_notify = true;
    if (!r.due || r.due->type == kReminder) r.due = lc.due.front().second;
}

std::vector<std::string> LiveNoticeLines(const LiveCalendars& lc, uint32_t tick) {
    if (!lc.write_notice.empty() && tick - lc.write_notice_ms < kWriteShownMs) return lc.write_notice;
    if (!lc.sync.failure.empty()) return {"Sincronizzazione non riuscita:", BandText(lc.sync.failure)};
    for (const LiveFolder& f : lc.folders)
        if (f.told_missing) return {"Cartella del calendario assente:", BandText(f.calendar.name)};
    if (lc.config_warnings > 0 && lc.ticked && tick - lc.first_tick_ms < kConfigShownMs) {
        const std::string& file = lc.config.file;
        return {"Configurazione: " + std::to_string(lc.config_warnings) + " righe ignorate in",
                BandText(file.size() <= kNoticeColumns ? file : "..." + file.substr(file.size() - kNoticeColumns + 3))};
    }
    return {};
}

std::string OwlText(const std::string& utf8, size_t max) {
    // Two-byte UTF-8 sequences (0xC3 then this byte) of the accented letters Italian uses.
    static const struct { unsigned char second; const char* text; } kAccents[] = {
        {0xA0, "a'"}, {0xA8, "e'"}, {0xA9, "e'"}, {0xAC, "i'"}, {0xB2, "o'"}, {0xB3, "o'"}, {0xB9, "u'"},
        {0x80, "A'"}, {0x88, "E'"}, {0x89, "E'"}, {0x8C, "I'"}, {0x92, "O'"}, {0x99, "U'"}};
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        std::string piece;
        size_t len = 1;
        if (c == '\n' || c == '\t') {
            piece = " ";
        } else if (c >= 32 && c < 127) {
            piece = std::string(1, char(c));
        } else if (c < 0x80) {
            piece = "";  // other control characters
        } else {
            len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            piece = "?";
            if (c == 0xC3 && i + 1 < utf8.size())
                for (const auto& a : kAccents)
                    if (static_cast<unsigned char>(utf8[i + 1]) == a.second) piece = a.text;
        }
        if (out.size() + piece.size() > max) break;
        out += piece;
        i += len;
    }
    return out;
}

void OpenLiveCalendarsOfUser() { OpenLiveCalendars(live_calendars, ConfigEnvFromProcess()); }

void WatchLiveCalendars(bool visible) {
    const Event* viewed = menu_case_id == kMenuView ? edit_event : nullptr;
    TickLiveCalendars(live_calendars, GetTickCount(), WallClock(), viewed, notice_ledger,
                      visible ? kLiveWorkMsPerTick : kLiveWorkMsPerHiddenTick);
}
