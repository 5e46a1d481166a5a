// The pre-parse guard of every iCalendar reader: one pass over the lines, counting BEGIN and END
// and the length of each logical line.
#include "app/calendar/ical/ical_guard.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

namespace {

bool StartsWith(const char* line, size_t length, const char* word) {
    const size_t n = std::strlen(word);
    return length >= n && ::strncasecmp(line, word, n) == 0;
}

}  // namespace

std::string GuardIcalendar(const char* data, size_t size, IcalGuardReport& out) {
    std::string text;
    text.reserve(size);
    int depth = 0;
    size_t logical = 0, line = 0;  // bytes of the logical line so far; physical lines seen
    for (size_t at = 0; at < size;) {
        const void* newline = std::memchr(data + at, '\n', size - at);
        const size_t end = newline ? size_t(static_cast<const char*>(newline) - data) + 1 : size;
        size_t body = end;  // where the line's ending starts
        if (body > at && data[body - 1] == '\n') --body;
        if (body > at && data[body - 1] == '\r') --body;
        const bool folded = line++ > 0 && (data[at] == ' ' || data[at] == '\t');
        if (!folded) {
            logical = 0;
            if (StartsWith(data + at, body - at, "BEGIN:") && ++depth > kMaxIcalDepth) {
                out.refused = "its components are nested more than " + std::to_string(kMaxIcalDepth) +
                              " deep (line " + std::to_string(line) + ")";
                return "";
            }
            if (StartsWith(data + at, body - at, "END:") && depth > 0) --depth;
        }
        const size_t length = body - at, room = kMaxIcalLineBytes - std::min(logical, kMaxIcalLineBytes);
        if (length <= room) {
            text.append(data + at, end - at);
        } else {
            if (logical <= kMaxIcalLineBytes) ++out.long_lines_cut;  // once a logical line
            if (room > 0) text.append(data + at, room).append(data + body, end - body);
        }
        logical += length;
        at = end;
    }
    return text;
}
