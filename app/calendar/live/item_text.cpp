// Text edits of a folder's item: the file is kept as logical content lines, each with
// its folding and line ending as read, and only the lines changed are written anew.
#include "app/calendar/live/item_text.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace {

// A logical content line as read: its physical lines with their endings, untouched.
using Lines = std::vector<std::string>;

Lines SplitLogical(const std::string& text) {
    Lines out;
    size_t i = 0;
    while (i < text.size()) {
        size_t nl = text.find('\n', i);
        size_t end = nl == std::string::npos ? text.size() : nl + 1;
        bool continuation = (text[i] == ' ' || text[i] == '\t') && !out.empty();
        if (continuation) out.back().append(text, i, end - i);
        else out.emplace_back(text, i, end - i);
        i = end;
    }
    return out;
}

std::string Join(const Lines& lines) {
    std::string s;
    for (const auto& l : lines) s += l;
    return s;
}

// The line without its folding: endings dropped, the one blank opening each continuation too.
std::string Unfold(const std::string& raw) {
    std::string s;
    size_t i = 0;
    bool first = true;
    while (i < raw.size()) {
        size_t nl = raw.find('\n', i);
        size_t end = nl == std::string::npos ? raw.size() : nl;
        size_t from = i + (first ? 0 : 1);
        size_t to = end > from && raw[end - 1] == '\r' ? end - 1 : end;
        if (to > from) s.append(raw, from, to - from);
        first = false;
        i = nl == std::string::npos ? raw.size() : nl + 1;
    }
    return s;
}

// Where the value starts: the first colon outside a quoted parameter value.
size_t ValueColon(const std::string& u) {
    bool quoted = false;
    for (size_t i = 0; i < u.size(); ++i) {
        if (u[i] == '"') quoted = !quoted;
        else if (u[i] == ':' && !quoted) return i;
    }
    return std::string::npos;
}

std::string NameOf(const std::string& u) {
    std::string n;
    for (char ch : u) {
        if (ch == ';' || ch == ':') break;
        n += char(std::toupper(static_cast<unsigned char>(ch)));
    }
    return n;
}
std::string HeadOf(const std::string& u) {
    size_t c = ValueColon(u);
    return c == std::string::npos ? u : u.substr(0, c);
}
std::string ValueOf(const std::string& u) {
    size_t c = ValueColon(u);
    return c == std::string::npos ? std::string() : u.substr(c + 1);
}

// One VEVENT directly inside the VCALENDAR: the indices of its BEGIN and END lines.
struct Vevent {
    size_t begin = 0, end = 0;
    std::string rid;  // its RECURRENCE-ID value; empty for the master
};

std::vector<Vevent> Vevents(const Lines& lines) {
    std::vector<Vevent> out;
    std::vector<std::string> stack;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string u = Unfold(lines[i]);
        const std::string name = NameOf(u);
        std::string what = ValueOf(u);
        for (auto& ch : what) ch = char(std::toupper(static_cast<unsigned char>(ch)));
        if (name == "BEGIN") {
            stack.push_back(what);
            if (stack.size() == 2 && what == "VEVENT") out.push_back({i, i, ""});
        } else if (name == "END") {
            if (stack.size() == 2 && stack.back() == "VEVENT" && !out.empty()) out.back().end = i;
            if (!stack.empty()) stack.pop_back();
        } else if (name == "RECURRENCE-ID" && stack.size() == 2 && stack.back() == "VEVENT" && !out.empty()) {
            out.back().rid = ValueOf(u);
        }
    }
    return out;
}

// The event's own properties named `name` (not those of its alarms): line indices.
std::vector<size_t> Props(const Lines& lines, const Vevent& v, const std::string& name) {
    std::vector<size_t> out;
    int depth = 0;
    for (size_t i = v.begin + 1; i < v.end; ++i) {
        const std::string n = NameOf(Unfold(lines[i]));
        if (n == "BEGIN") ++depth;
        else if (n == "END") --depth;
        else if (depth == 0 && n == name) out.push_back(i);
    }
    return out;
}

const Vevent* Find(const std::vector<Vevent>& vs, const std::string& rid) {
    for (const auto& v : vs)
        if (v.rid == rid && v.end > v.begin) return &v;
    return nullptr;
}

std::string EolOf(const std::string& text) {
    return text.find("\r\n") != std::string::npos || text.find('\n') == std::string::npos ? "\r\n" : "\n";
}

// Civil dates to days since 1970-01-01 and back (proleptic Gregorian).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}
void CivilFromDays(long long z, long long& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = (long long)yoe + era * 400 + (m <= 2);
}

bool Digits(const std::string& s, size_t from, size_t n) {
    if (s.size() < from + n) return false;
    for (size_t i = from; i < from + n; ++i)
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
}

// A DATE or DATE-TIME value as seconds of its own wall clock (or UTC), keeping its form.
struct Stamp {
    long long secs = 0;
    bool date = false, utc = false;
};
bool ReadStamp(const std::string& v, Stamp& s) {
    if (!Digits(v, 0, 8)) return false;
    const long long days = DaysFromCivil(std::atoi(v.substr(0, 4).c_str()), unsigned(std::atoi(v.substr(4, 2).c_str())),
                                         unsigned(std::atoi(v.substr(6, 2).c_str())));
    s = {};
    if (v.size() == 8) {
        s.date = true;
        s.secs = days * 86400;
        return true;
    }
    if (v.size() < 15 || v[8] != 'T' || !Digits(v, 9, 6)) return false;
    s.utc = v.size() == 16 && v[15] == 'Z';
    if (v.size() != 15 && !s.utc) return false;
    s.secs = days * 86400 + std::atoi(v.substr(9, 2).c_str()) * 3600 + std::atoi(v.substr(11, 2).c_str()) * 60 +
             std::atoi(v.substr(13, 2).c_str());
    return true;
}
std::string WriteStamp(const Stamp& s) {
    long long days = s.secs / 86400, rem = s.secs % 86400;
    if (rem < 0) rem += 86400, --days;
    long long y;
    unsigned m, d;
    CivilFromDays(days, y, m, d);
    char buf[32];
    if (s.date) std::snprintf(buf, sizeof buf, "%04lld%02u%02u", y, m, d);
    else
        std::snprintf(buf, sizeof buf, "%04lld%02u%02uT%02lld%02lld%02lld%s", y, m, d, rem / 3600, rem / 60 % 60,
                      rem % 60, s.utc ? "Z" : "");
    return buf;
}
std::string UtcStamp(std::time_t t) {
    Stamp s;
    s.secs = (long long)t;
    s.utc = true;
    return WriteStamp(s);
}

// Moves a DTSTART or DTEND line's value by `shift` seconds (whole days for a date).
bool ShiftLine(std::string& raw, long long shift, const std::string& eol) {
    const std::string u = Unfold(raw);
    Stamp s;
    if (!ReadStamp(ValueOf(u), s)) return false;
    if (s.date) {
        long long days = shift / 86400;
        if (shift < 0 && shift % 86400) --days;
        s.secs += days * 86400;
    } else {
        s.secs += shift;
    }
    // A value has four digits of year: a move past them is refused, not written wrong.
    if (s.secs < DaysFromCivil(1, 1, 1) * 86400 || s.secs >= DaysFromCivil(10000, 1, 1) * 86400) return false;
    raw = FoldContentLine(HeadOf(u) + ":" + WriteStamp(s), eol);
    return true;
}

// Sets the property `name` of `v` to `value` (head kept when there), else adds it
// before the event's END. Returns how many lines were added (0 or 1).
int SetProp(Lines& lines, const Vevent& v, const std::string& name, const std::string& value, const std::string& eol) {
    const auto at = Props(lines, v, name);
    if (!at.empty()) {
        lines[at[0]] = FoldContentLine(HeadOf(Unfold(lines[at[0]])) + ":" + value, eol);
        return 0;
    }
    lines.insert(lines.begin() + long(v.end), FoldContentLine(name + ":" + value, eol));
    return 1;
}

// SEQUENCE one higher, DTSTAMP and LAST-MODIFIED `now`.
void Restamp(Lines& lines, Vevent v, std::time_t now, const std::string& eol) {
    const auto seq = Props(lines, v, "SEQUENCE");
    const long long n = seq.empty() ? 0 : std::atoll(ValueOf(Unfold(lines[seq[0]])).c_str());
    v.end += size_t(SetProp(lines, v, "SEQUENCE", std::to_string(n + 1), eol));
    v.end += size_t(SetProp(lines, v, "DTSTAMP", UtcStamp(now), eol));
    SetProp(lines, v, "LAST-MODIFIED", UtcStamp(now), eol);
}

std::string QuoteParam(const std::string& p) {
    return p.find_first_of(":;,") == std::string::npos ? p : "\"" + p + "\"";
}
std::string RidHead(const std::string& name, const std::string& rid, const std::string& tzid) {
    if (!tzid.empty()) return name + ";TZID=" + QuoteParam(tzid);
    return rid.size() == 8 ? name + ";VALUE=DATE" : name;
}

std::string Field(const Lines& lines, const Vevent& v, const char* name) {
    const auto at = Props(lines, v, name);
    return at.empty() ? std::string() : Unfold(lines[at[0]]);
}

}  // namespace

std::string FoldContentLine(const std::string& line, const std::string& eol) {
    std::string out;
    size_t i = 0, room = 75;
    while (line.size() - i > room) {
        size_t cut = i + room;
        // Never between the bytes of one UTF-8 character.
        while (cut > i + 1 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        out.append(line, i, cut - i);
        out += eol;
        out += ' ';
        i = cut;
        room = 74;  // the opening blank counts among a continuation's 75 octets
    }
    out.append(line, i, std::string::npos);
    return out + eol;
}

std::string EscapeIcalText(const std::string& text) {
    std::string s;
    for (char ch : text) {
        if (ch == '\\' || ch == ';' || ch == ',') s += '\\', s += ch;
        else if (ch == '\n') s += "\\n";
        else if (ch != '\r') s += ch;
    }
    return s;
}

bool EditItemText(const std::string& text, const std::string& recurrence_id, const ItemChange& c,
                  std::time_t now, std::string& out, std::string& problem) {
    Lines lines = SplitLogical(text);
    const std::string eol = EolOf(text);
    const auto vs = Vevents(lines);
    const Vevent* v = Find(vs, recurrence_id);
    if (!v) {
        problem = recurrence_id.empty() ? "nessun VEVENT principale" : "nessun VEVENT per " + recurrence_id;
        return false;
    }
    Vevent ev = *v;
    if (c.shift != 0) {
        const auto start = Props(lines, ev, "DTSTART");
        if (start.empty() || !ShiftLine(lines[start[0]], c.shift, eol)) {
            problem = "DTSTART illeggibile";
            return false;
        }
        for (size_t i : Props(lines, ev, "DTEND")) ShiftLine(lines[i], c.shift, eol);
    }
    if (c.summary) ev.end += size_t(SetProp(lines, ev, "SUMMARY", EscapeIcalText(c.summary_text), eol));
    if (c.description) {
        if (c.description_text.empty()) {
            const auto at = Props(lines, ev, "DESCRIPTION");
            for (auto it = at.rbegin(); it != at.rend(); ++it) lines.erase(lines.begin() + long(*it)), --ev.end;
        } else {
            ev.end += size_t(SetProp(lines, ev, "DESCRIPTION", EscapeIcalText(c.description_text), eol));
        }
    }
    Restamp(lines, ev, now, eol);
    out = Join(lines);
    return true;
}

bool OverrideOccurrence(const std::string& text, const std::string& rid, const std::string& rid_tzid,
                        const ItemChange& c, std::time_t now, std::string& out, std::string& problem) {
    Lines lines = SplitLogical(text);
    const std::string eol = EolOf(text);
    const auto vs = Vevents(lines);
    if (!Find(vs, rid)) {
        const Vevent* m = Find(vs, "");
        if (!m) {
            problem = "nessun VEVENT principale";
            return false;
        }
        const auto start = Props(lines, *m, "DTSTART");
        Stamp master, occ;
        if (start.empty() || !ReadStamp(ValueOf(Unfold(lines[start[0]])), master) || !ReadStamp(rid, occ)) {
            problem = "DTSTART illeggibile";
            return false;
        }
        Lines copy;
        int depth = 0;
        for (size_t i = m->begin; i <= m->end; ++i) {
            const std::string n = NameOf(Unfold(lines[i]));
            if (n == "BEGIN") ++depth;
            if (n == "END") --depth;
            const bool own = depth == 1 && i != m->begin;
            if (own && (n == "RRULE" || n == "RDATE" || n == "EXDATE" || n == "EXRULE")) continue;
            if (own && n == "DTSTART") {
                copy.push_back(FoldContentLine(HeadOf(Unfold(lines[i])) + ":" + rid, eol));
                copy.push_back(FoldContentLine(RidHead("RECURRENCE-ID", rid, rid_tzid) + ":" + rid, eol));
                continue;
            }
            copy.push_back(lines[i]);
            if (own && n == "DTEND") ShiftLine(copy.back(), occ.secs - master.secs, eol);
        }
        lines.insert(lines.begin() + long(m->end) + 1, copy.begin(), copy.end());
    }
    return EditItemText(Join(lines), rid, c, now, out, problem);
}

bool ExcludeOccurrence(const std::string& text, const std::string& rid, const std::string& rid_tzid,
                       std::time_t now, std::string& out, std::string& problem) {
    Lines lines = SplitLogical(text);
    const std::string eol = EolOf(text);
    auto vs = Vevents(lines);
    if (const Vevent* o = Find(vs, rid); o && !rid.empty())
        lines.erase(lines.begin() + long(o->begin), lines.begin() + long(o->end) + 1);
    vs = Vevents(lines);
    const Vevent* m = Find(vs, "");
    if (!m) {
        problem = "nessun VEVENT principale";
        return false;
    }
    Vevent ev = *m;
    const auto start = Props(lines, ev, "DTSTART");
    if (start.empty()) {
        problem = "DTSTART illeggibile";
        return false;
    }
    lines.insert(lines.begin() + long(start[0]) + 1, FoldContentLine(RidHead("EXDATE", rid, rid_tzid) + ":" + rid, eol));
    ++ev.end;
    Restamp(lines, ev, now, eol);
    out = Join(lines);
    return true;
}

std::vector<std::string> ChangedMeanwhile(const std::string& before, const std::string& after,
                                          const std::string& recurrence_id, const ItemChange& c) {
    std::vector<std::string> out;
    const Lines a = SplitLogical(before), b = SplitLogical(after);
    const auto va = Vevents(a), vb = Vevents(b);
    const Vevent *ea = Find(va, recurrence_id), *eb = Find(vb, recurrence_id);
    if (!ea || !eb) return out;
    auto differs = [&](const char* name) { return Field(a, *ea, name) != Field(b, *eb, name); };
    if (c.summary && differs("SUMMARY")) out.push_back("titolo");
    if (c.description && differs("DESCRIPTION")) out.push_back("testo");
    if (c.shift != 0 && (differs("DTSTART") || differs("DTEND") || differs("DURATION"))) out.push_back("orario");
    return out;
}

std::string NewItemText(const std::string& uid, const std::string& summary, const std::string& description,
                        std::time_t start, std::time_t end, std::time_t now) {
    const std::string eol = "\r\n";
    std::string s = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Strigolo//Strigolo//IT\r\nBEGIN:VEVENT\r\n";
    s += FoldContentLine("UID:" + uid, eol);
    s += "DTSTAMP:" + UtcStamp(now) + eol + "CREATED:" + UtcStamp(now) + eol + "LAST-MODIFIED:" + UtcStamp(now) +
         eol + "SEQUENCE:0" + eol;
    s += "DTSTART:" + UtcStamp(start) + eol + "DTEND:" + UtcStamp(end) + eol;
    s += FoldContentLine("SUMMARY:" + EscapeIcalText(summary), eol);
    if (!description.empty()) s += FoldContentLine("DESCRIPTION:" + EscapeIcalText(description), eol);
    return s + "END:VEVENT\r\nEND:VCALENDAR\r\n";
}
