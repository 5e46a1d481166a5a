// The moments of iCalendar events (RFC 5545): for each event series of a file (one UID's
// master VEVENT with its RECURRENCE-ID overrides, and the VTIMEZONEs they name) every
// occurrence that meets a window, the next one, their alarms, and why a series gives none.
// libical parses the text and keeps the zones; the walk of the rules is ours and bounded.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

// A date and time on the owl's wall clock (the local zone of TZ).
struct IcalLocalTime {
    int year = 0, month = 0, day = 0;      // full year, 1 to 12, 1 to 31
    int hour = 0, minute = 0, second = 0;  // 0 to 23, 0 to 59, 0 to 60
    int wday = 0;                          // 0 Sunday to 6 Saturday
};

// One occurrence of a series.
struct IcalOccurrence {
    std::time_t start = 0;  // the instant it begins, seconds since the epoch (UTC)
    // The instant it ends, never before `start`: from DTEND, DURATION or an RDATE's period;
    // an all-day one without either lasts its day; a timed one without either lasts 0 s.
    std::time_t end = 0;
    // Given as dates (VALUE=DATE): start and end are then midnights of the zone floating
    // times are read in (X-WR-TIMEZONE, else the local zone).
    bool all_day = false;
    // `start` on the owl's wall clock; for an all-day occurrence its date as written, 0:00.
    IcalLocalTime local;
    // Texts as libical unescapes them (UTF-8): an override's own where it has them, else
    // the master's. Empty when absent.
    std::string summary, description;
    // The RECURRENCE-ID (or EXDATE) value that names this occurrence, in the form of the
    // master's DTSTART: "20300311T120000" with `recurrence_tzid` set for a zoned start,
    // "20300311T110000Z" for UTC, "20300311T120000" floating, "20300311" for a date
    // (write VALUE=DATE then). An override keeps the value it was written with.
    std::string recurrence_id;
    std::string recurrence_tzid;  // the TZID parameter to write beside it; empty when none
    bool overridden = false;      // comes from a RECURRENCE-ID component (moved or changed)
    // Only returned when IcalQuery::with_cancelled: left out by an EXDATE or by a
    // cancelled override (STATUS:CANCELLED). Such an occurrence must not be announced.
    bool cancelled = false;
    // Instants (UTC) at which the DISPLAY and AUDIO VALARMs of this occurrence fire, their
    // REPEATs included, in order: a relative TRIGGER counts from start (or end, with
    // RELATED=END); an absolute one is the same instant for every occurrence.
    std::vector<std::time_t> alarms;
};

// The work one call may do for one series: steps of the rule walk (a candidate day or time
// looked at, an occurrence built) and CPU time of the calling thread. Whichever runs out
// first ends the walk; the answer then says it is incomplete.
struct IcalBudget {
    long steps = 2000000;
    double cpu_seconds = 0.05;
};

struct IcalQuery {
    bool with_cancelled = false;  // also return the cancelled occurrences, marked
    // Only the occurrences an override changed or that are cancelled (implies
    // with_cancelled): what a reader that keeps only the plain rule must hear of.
    bool only_exceptions = false;
    size_t max_count = 100000;    // stop (incomplete) after this many occurrences
    IcalBudget budget;
};

// Occurrences found for a window or a search.
struct IcalOccurrences {
    std::vector<IcalOccurrence> list;  // by start, then end
    // False when the budget or max_count stopped the walk first: `list` holds what was
    // found before, and `problem` says why, for a line on stderr.
    bool complete = true;
    std::string problem;
};

// How often the rule repeats.
enum class IcalFreq { kNone, kSecondly, kMinutely, kHourly, kDaily, kWeekly, kMonthly, kYearly };

// The shape of a series' RRULE, for a reader that can only keep simple repeats.
struct IcalRuleShape {
    IcalFreq freq = IcalFreq::kNone;  // kNone: no RRULE (a single event, perhaps with RDATEs)
    int interval = 1;
    // Weekdays named by BYDAY without a number before them, bit 0 Sunday to bit 6
    // Saturday; 0 when BYDAY is absent.
    unsigned weekdays = 0;
    // Any BY part other than plain weekdays (a numbered weekday, BYMONTH, BYHOUR, ...).
    bool other_parts = false;
    bool ends = false;     // COUNT or UNTIL ends the rule
    bool rdates = false;   // RDATEs add occurrences outside the rule
    bool several = false;  // more than one RRULE (each is walked; the shape is the first's)
};

struct IcalSeriesData;

// One series: a UID's master VEVENT and its overrides, or an override whose master the
// file lacks (then it is a series of that one occurrence). Cheap to copy; the data is
// shared, never changes, and lives as long as one copy does (not only the IcalFile).
class IcalSeries {
public:
    // Takes over one hold of `data`, as ReadIcalFile makes them.
    explicit IcalSeries(IcalSeriesData* data) : d_(data) {}
    IcalSeries(const IcalSeries& other);
    IcalSeries& operator=(const IcalSeries& other);
    ~IcalSeries();

    const std::string& Uid() const;      // empty when the file gave none
    const std::string& Summary() const;  // the master's SUMMARY, UTF-8; empty when absent
    // Nothing of it is to be announced: STATUS:CANCELLED on the master, or the file's
    // METHOD:CANCEL. Queries still answer, as for any other series.
    bool Cancelled() const;
    // Non-empty when the series gives no occurrence at all, saying why ("no start time
    // (DTSTART)", "its repeat rule (RRULE) cannot be followed"): a stderr line's reason.
    const std::string& Unusable() const;
    // What was doubtful in reading it, one stderr line's reason each, e.g. an unknown
    // TZID (its times are then read on the local wall clock) or an RRULE libical could
    // not read (left out). Empty for a clean series; doubts about a zone's VTIMEZONE are
    // the file's (IcalFile::notes).
    const std::vector<std::string>& Notes() const;
    bool AllDay() const;  // DTSTART is a date
    IcalRuleShape Shape() const;
    // DTSTART's instant (UTC); for a date its midnight as all-day occurrences have it.
    std::time_t Start() const;
    // The length of each occurrence of the master, seconds: 0 when it gives none; for an
    // all-day series its whole days (86400 s each, however long the wall-clock day).
    std::time_t Length() const;

    // Every occurrence whose span meets [from, to): start < to and (end > from, or
    // start >= from for one that lasts 0 s). Overrides are found by their own times.
    // DTSTART is always the first occurrence, counted by COUNT, even where the rule would
    // not give it (RFC 5545); a rule's times are stepped on the wall clock of DTSTART's zone.
    IcalOccurrences Between(std::time_t from, std::time_t to, const IcalQuery& query = {}) const;
    // The last occurrence, not cancelled, that has not wholly passed at `at`, of a series
    // whose every rule ends (COUNT or UNTIL). False when a rule repeats without end
    // (`why` says so), when none is left ("in the past") or the budget ran out.
    bool Last(std::time_t at, IcalOccurrence& out, std::string& why, const IcalBudget& budget = {}) const;
    // Whether the series' zone stands at one offset from the owl's local zone at some time
    // of [from, to) and at another at some other time: then a weekly wall-clock time kept
    // for it moves by the difference (an hour) at a DST change. False for floating times
    // and dates.
    bool ZoneDriftsFromLocal(std::time_t from, std::time_t to) const;
    // The first occurrence, not cancelled, that has not wholly passed at `at` (an
    // occurrence in progress counts), searched up to 200 years after `at`. False when
    // there is none; `why` then says "no occurrence found" (the rule can never match
    // within that reach), "in the past" or that the budget ran out.
    bool Next(std::time_t at, IcalOccurrence& out, std::string& why, const IcalBudget& budget = {}) const;

private:
    // Counted by hand, not by std::shared_ptr: its control block has virtual functions,
    // and the sanitizers' first check of each writes to a pipe, which the tests that fail
    // the program's writes one by one (strace) would hit.
    IcalSeriesData* d_;
};

// A component of the file that is not an event (VTODO, VJOURNAL, ...), for the reader's
// message about what it left out.
struct IcalOther {
    std::string kind;     // "VTODO", "VJOURNAL", or libical's name of the component
    std::string summary;  // its SUMMARY, UTF-8; empty when absent
};

// What one iCalendar text holds.
struct IcalFile {
    // False when the text holds no complete VCALENDAR (not iCalendar, cut short, empty
    // or with a zero byte); nothing else is filled in then.
    bool is_icalendar = false;
    bool method_cancel = false;       // a VCALENDAR of it says METHOD:CANCEL
    std::vector<IcalSeries> series;   // one per UID (per VCALENDAR), in the file's order
    std::vector<IcalOther> others;    // in the file's order; VTIMEZONEs are not listed
    std::vector<std::string> notes;   // doubts about the file as a whole, one line each
};

// Reads the iCalendar text data[0, size) (a UTF-8 byte-order mark is allowed; several
// VCALENDARs in one text are all read). Times in zones are resolved here:
//  - a TZID with a VTIMEZONE in the same VCALENDAR uses it, whatever its name, unless an
//    offset of it is not a real one (beyond 18 hours): then as if it had none, with a note;
//  - a TZID without one: an IANA name (libical's zones), else a Windows name mapped by
//    ICU; an unknown one is read on the local wall clock, with a note per series;
//  - floating times and dates: in X-WR-TIMEZONE's zone when the VCALENDAR names one
//    (resolved the same way), else on the local wall clock;
//  - a local time that does not exist (a spring gap) is read with the offset before the
//    gap; one that occurs twice (autumn) is the first of the two (RFC 5545, 3.3.5).
IcalFile ReadIcalFile(const char* data, size_t size);
