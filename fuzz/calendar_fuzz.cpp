// libFuzzer target for the calendar reader: any bytes parse into whole records taken
// from within them, the report agrees with itself, and the records written back parse
// whole into the same bytes.
#include <cstdint>
#include <cstdlib>

#include "app/calendar/event_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ParseReport report;
    const std::list<Event> records = ParseEvents(data, size, &report);
    if (!records.empty() && kDatabaseHeaderSize + records.size() * kEventRecordSize > size) std::abort();
    if (report.whole != report.problem.empty()) std::abort();
    if (report.whole && size > 0 && size != kDatabaseHeaderSize + records.size() * kEventRecordSize) std::abort();
    const std::vector<unsigned char> bytes = SerializeEvents(records);
    ParseReport again;
    if (SerializeEvents(ParseEvents(bytes.data(), bytes.size(), &again)) != bytes || !again.whole) std::abort();
    return 0;
}
