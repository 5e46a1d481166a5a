// libFuzzer entry for a calendar folder's item: any bytes are read as an item, and what
// comes out keeps its promises (one UID, a reason for every refusal, occurrences and
// their notices in order and named for the item). Also the folder's colour file. A
// broken promise aborts. The local zone is Europe/Rome whatever TZ says.
#include <cstdlib>
#include <ctime>

#include "app/calendar/live/live_agenda.h"
#include "app/calendar/live/live_item.h"
#include "fuzz/fuzz.h"

// Friday 1 March 2030, 09:00 UTC; set with it, before any input, the local zone.
static const std::time_t kNow = (setenv("TZ", "Europe/Rome", 1), tzset(), 1898586000);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    LiveItem item;
    std::string problem;
    std::vector<std::string> notes;
    const ItemStatus status = ParseLiveItem(reinterpret_cast<const char*>(data), size, item, problem, notes);
    Require(status != ItemStatus::kGone && (status == ItemStatus::kBad) == !problem.empty());
    Require((status == ItemStatus::kEvents) == !item.series.empty());
    if (status == ItemStatus::kEvents) {
        Require(!item.uid.empty());
        for (const IcalSeries& s : item.series) Require(s.Uid() == item.uid);
        const std::vector<LiveOccurrence> occ = LiveOccurrences(item, kNow, 30, problem);
        for (size_t i = 0; i < occ.size(); ++i) {
            const LiveOccurrence& o = occ[i];
            Require(o.occurrence.start >= kNow - kLiveLookBack && o.occurrence.start < kNow + 30 * 86400);
            Require(!o.occurrence.cancelled && o.moments.size() >= 3 && (i == 0 || occ[i - 1].occurrence.start <= o.occurrence.start));
            for (size_t m = 0; m < o.moments.size(); ++m)
                Require((m == 0 || o.moments[m - 1].at <= o.moments[m].at) &&
                        (o.moments[m].key.item == item.uid || o.moments[m].key.item == AlarmItemName(item.uid)));
        }
        std::set<NoticeKey> given;
        const int shown = ShownOccurrence(occ, given, kNow);
        Require(shown >= -1 && shown < int(occ.size()));
        if (shown >= 0)
            for (const NoticeKey& k : NoticesSeen(occ[size_t(shown)], kNow)) given.insert(k);
        Require(NextMoment(occ, given, kNow) == 0 || NextMoment(occ, given, kNow) > kNow);
    }
    float rgb[3];
    if (ParseVdirColor(std::string(reinterpret_cast<const char*>(data), size), rgb))
        for (float c : rgb) Require(c >= 0.0f && c <= 1.0f);
    return 0;
}
