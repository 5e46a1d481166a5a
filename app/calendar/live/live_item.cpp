// Item files of a calendar folder, read safely and handed to the occurrence engine.
#include "app/calendar/live/live_item.h"

#include <cstdlib>

bool IsItemName(const std::string& name) {
    return name.size() > 4 && name[0] != '.' && name.compare(name.size() - 4, 4, ".ics") == 0;
}

ItemStatus ParseLiveItem(const char* data, size_t size, LiveItem& item, std::string& problem,
                         std::vector<std::string>& notes) {
    const IcalFile file = ReadIcalFile(data, size);
    if (!file.is_icalendar) return problem = "not an iCalendar file", ItemStatus::kBad;
    notes.insert(notes.end(), file.notes.begin(), file.notes.end());
    item.uid.clear();
    item.series.clear();
    if (file.series.empty()) return ItemStatus::kNoEvent;
    for (const IcalSeries& s : file.series) {
        if (s.Uid().empty()) return problem = "an event without a UID", ItemStatus::kBad;
        if (!item.uid.empty() && s.Uid() != item.uid)
            return problem = "two different UIDs (" + item.uid + ", " + s.Uid() + ")", ItemStatus::kBad;
        if (!s.Unusable().empty()) return problem = s.Unusable(), ItemStatus::kBad;
        item.uid = s.Uid();
        for (const std::string& n : s.Notes()) notes.push_back(n);
        item.series.push_back(s);
    }
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
