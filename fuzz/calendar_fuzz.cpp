// libFuzzer target for the calendar reader, against the rule worked out here on its
// own: a count of 0 to the whole records held keeps that many, any other count loads
// every whole record; the image is whole only with no bytes at all or exactly the
// records its count names. The records written back parse whole into the same bytes.
#include "app/calendar/store/event_store.h"
#include "fuzz/fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ParseReport report, again;
    const std::list<Event> records = ParseEvents(data, size, &report);
    const size_t held = size < 4 ? 0 : (size - 4) / 572;
    const int32_t count = size < 4 ? 0 : int32_t(data[0] | data[1] << 8 | data[2] << 16 | uint32_t(data[3]) << 24);
    const bool kept = count >= 0 && size_t(count) <= held;
    Require(records.size() == (kept ? size_t(count) : held));
    Require(report.whole == (size == 0 || (kept && size == 4 + 572 * size_t(count)))
            && report.whole == report.problem.empty());
    const std::vector<unsigned char> bytes = SerializeEvents(records);
    Require(SerializeEvents(ParseEvents(bytes.data(), bytes.size(), &again)) == bytes && again.whole);
    return 0;
}
