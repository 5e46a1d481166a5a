// The ledger of notices given: its text, its file in the state folder (read only when
// it is a regular file, written atomically under a lock, merged with another owl's).
#include "app/calendar/reminders/notice_ledger.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/atomic_file.h"
#include "platform/file_lock.h"
#include "platform/regular_file.h"

NoticeLedger notice_ledger;

namespace {

// A week of notices for a few hundred items is a few tens of kilobytes.
constexpr size_t kMaxLedgerBytes = 4u << 20;
constexpr int kLedgerLockWaitMs = 1000;
const char kHeader[] = "strigolo-notices 1\n";
const char* const kKindNames[3] = {"1h", "30m", "due"};

bool KindFromName(const std::string& s, NoticeKind& k) {
    for (int i = 0; i < 3; ++i)
        if (s == kKindNames[i]) return k = NoticeKind(i), true;
    return false;
}

std::string Escape(const std::string& item) {
    std::string out;
    for (unsigned char c : item) {
        if (c < 0x20 || c == '%') {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        } else {
            out += char(c);
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The line's item with its escapes undone; false for a byte Escape would have escaped.
bool Unescape(const std::string& s, std::string& out) {
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x20) return false;
        if (c != '%') {
            out += char(c);
            continue;
        }
        if (i + 2 >= s.size()) return false;
        const int hi = HexDigit(s[i + 1]), lo = HexDigit(s[i + 2]);
        if (hi < 0 || lo < 0) return false;
        const int v = hi * 16 + lo;
        if (v >= 0x20 && v != '%') return false;
        out += char(v);
        i += 2;
    }
    return true;
}

bool ParseLine(const std::string& line, NoticeKey& k) {
    const size_t a = line.find(' ');
    const size_t b = a == std::string::npos ? a : line.find(' ', a + 1);
    if (b == std::string::npos || !KindFromName(line.substr(0, a), k.kind)) return false;
    const std::string start = line.substr(a + 1, b - a - 1);
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(start.c_str(), &end, 10);
    if (start.empty() || *end != 0 || errno != 0 || std::to_string(v) != start) return false;
    k.start = v;
    return Unescape(line.substr(b + 1), k.item) && !k.item.empty();
}

// Makes each missing folder of `dir`, mode 0700 as a state folder should be.
void MakeFolders(const std::string& dir) {
    for (size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
        ::mkdir(dir.substr(0, slash).c_str(), 0700);
        if (slash == std::string::npos) break;
    }
}

// What the file holds now: true with `out` filled (empty when missing); false when it
// is there but cannot be read, with `why` set.
bool ReadLedgerFile(const std::string& path, std::set<NoticeKey>& out, std::string& why) {
    out.clear();
    const FileRead r = ReadRegularFile(path, kMaxLedgerBytes);
    if (r.status == FileReadStatus::kMissing) return true;
    if (r.status != FileReadStatus::kRead) return why = r.error, false;
    if (!ParseNoticeLedger(r.bytes.data(), r.bytes.size(), out)) return why = "not a ledger this program wrote", false;
    return true;
}

}  // namespace

std::string NoticeLedgerPath(const char* xdg_state_home, const char* home) {
    if (xdg_state_home && xdg_state_home[0] == '/') return std::string(xdg_state_home) + "/strigolo/notices";
    if (home && home[0] == '/') return std::string(home) + "/.local/state/strigolo/notices";
    return "";
}

bool NoticeGiven(const NoticeLedger& l, const NoticeKey& k) { return l.given.count(k) > 0; }

void MarkNoticeGiven(NoticeLedger& l, const NoticeKey& k, std::time_t now) {
    if (l.given.insert(k).second) SaveNoticeLedger(l, now);
}

std::string FormatNoticeLedger(const std::set<NoticeKey>& given) {
    std::string out = kHeader;
    for (const NoticeKey& k : given)
        out += std::string(kKindNames[int(k.kind)]) + " " + std::to_string(k.start) + " " + Escape(k.item) + "\n";
    return out;
}

bool ParseNoticeLedger(const unsigned char* data, size_t size, std::set<NoticeKey>& out) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (text.compare(0, sizeof kHeader - 1, kHeader) != 0) return false;
    std::set<NoticeKey> read;
    for (size_t at = sizeof kHeader - 1; at < text.size();) {
        const size_t nl = text.find('\n', at);
        if (nl == std::string::npos) return false;  // a line cut off part way
        NoticeKey k;
        if (!ParseLine(text.substr(at, nl - at), k)) return false;
        read.insert(k);
        at = nl + 1;
    }
    out = std::move(read);
    return true;
}

bool LoadNoticeLedger(NoticeLedger& l) {
    if (l.path.empty()) return true;
    std::string why;
    std::set<NoticeKey> read;
    if (!ReadLedgerFile(l.path, read, why)) {
        std::fprintf(stderr, "strigolo: the notices given, in %s, cannot be read (%s); it is left as it is\n",
                     l.path.c_str(), why.c_str());
        l.file_refused = true;
        return false;
    }
    l.given.insert(read.begin(), read.end());
    return true;
}

bool SaveNoticeLedger(NoticeLedger& l, std::time_t now) {
    if (l.path.empty() || l.file_refused) return false;
    MakeFolders(l.path.substr(0, l.path.rfind('/')));
    std::string error, warning, why;
    int err = 0;
    FileLock lock;
    std::set<NoticeKey> theirs;
    bool ok = lock.Acquire(l.path + ".lock", kLedgerLockWaitMs, error, err);
    if (ok && !ReadLedgerFile(l.path, theirs, why)) {
        l.file_refused = true;
        error = "it cannot be read (" + why + ")";
        ok = false;
    }
    if (ok) {
        l.given.insert(theirs.begin(), theirs.end());
        for (auto it = l.given.begin(); it != l.given.end();)
            it = it->start < int64_t(now) - kNoticeKeepSeconds ? l.given.erase(it) : std::next(it);
        const std::string text = FormatNoticeLedger(l.given);
        ok = WriteFileAtomically(l.path, text.data(), text.size(), error, warning);
    }
    if (!ok)
        std::fprintf(stderr, "strigolo: could not write the notices given to %s (%s)\n", l.path.c_str(),
                     error.c_str());
    return ok;
}

void OpenNoticeLedger() {
    notice_ledger.path = NoticeLedgerPath(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
    LoadNoticeLedger(notice_ledger);
}
