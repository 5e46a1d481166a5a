// libFuzzer target for the ledger of notices given: whatever the file holds, a ledger read
// from it is written back as a text that reads as the same ledger, and a text the writer
// made from it is read back unchanged.
#include "app/calendar/reminders/notice_ledger.h"
#include "fuzz/fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::set<NoticeKey> read, again;
    if (!ParseNoticeLedger(data, size, read)) return 0;
    const std::string text = FormatNoticeLedger(read);
    Require(ParseNoticeLedger(reinterpret_cast<const unsigned char*>(text.data()), text.size(), again));
    Require(again == read && FormatNoticeLedger(again) == text);
    return 0;
}
