// libFuzzer target for the calendar reader: any bytes parse into whole records taken
// from within them, the report agrees with itself, and the records written back parse
// whole into the same bytes.
#include "app/calendar/event_store.h"
#include "fuzz/fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ParseReport report, again;
    const std::list<Event> records = ParseEvents(data, size, &report);
    Require(records.empty() || kDatabaseHeaderSize + records.size() * kEventRecordSize <= size);
    Require(report.whole == report.problem.empty());
    Require(!report.whole || size == 0 || size == kDatabaseHeaderSize + records.size() * kEventRecordSize);
    const std::vector<unsigned char> bytes = SerializeEvents(records);
    Require(SerializeEvents(ParseEvents(bytes.data(), bytes.size(), &again)) == bytes && again.whole);
    return 0;
}
