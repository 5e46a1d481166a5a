// Item files of a calendar folder, read safely and handed to the occurrence engine.
#include "app/calendar/live/live_item.h"

#include <cstdlib>

bool IsItemName(const std::string& name) {
    return name.size() > 4 && name[0] != '.' && name.compare(name.size() - 4, 4, ".ics") == 0;
}

ItemStatus ParseLiveItem(const char* data, size_t size, LiveItem& item, std::string& problem,
                         std::vector<std::string>& notes) {
    item.uid.clear();
    item.series.clear();
    problem.clear();
    const IcalFile file = ReadIcalFile(data, size);
    if (!file.is_icalendar) return problem = "not an iCalendar file", ItemStatus::kBad;
    notes.insert(notes.end(), file.notes.begin(), file.notes.end());
    if (file.series.empty()) return ItemStatus::kNoEvent;
    const std::string& uid = file.series.front().Uid();
    for (const IcalSeries& s : file.series) {
        if (s.Uid().empty()) problem = "an event without a UID";
        else if (s.Uid() != uid) problem = "two different UIDs (" + uid + ", " + s.Uid() + ")";
        else if (!s.Unusable().empty()) problem = s.Unusable();
        if (!problem.empty()) return ItemStatus::kBad;  // nothing of it is kept
    }
    item.uid = uid;
    item.series = file.series;
    for (const IcalSeries& s : file.series) notes.insert(notes.end(), s.Notes().begin(), s.Notes().end());
    return ItemStatus::kEvents;
}

ItemStatus ReadLiveItem(const std::string& path, LiveItem& item, std::string& problem,
                        std::vector<std::string>& notes) {
    const FileRead r = ReadRegularFile(path, kMaxItemBytes);
    if (r.status == FileReadStatus::kMissing) return ItemStatus::kGone;
    if (r.status != FileReadStatus::kRead) return problem = r.error, ItemStatus::kBad;
    item.identity = r.identity;
    return ParseLiveItem(reinterpret_cast<const char*>(r.bytes.data()), r.bytes.size(), item, problem, notes);
}

bool ParseVdirColor(const std::string& text, float rgb[3]) {
    const size_t b = text.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return false;
    const std::string t = text.substr(b, text.find_last_not_of(" \t\r\n") - b + 1);
    if ((t.size() != 7 && t.size() != 9) || t[0] != '#' ||
        t.find_first_not_of("0123456789abcdefABCDEF", 1) != std::string::npos)
        return false;
    for (int i = 0; i < 3; ++i) rgb[i] = float(std::strtol(t.substr(size_t(1 + 2 * i), 2).c_str(), nullptr, 16)) / 255.0f;
    return true;
}
