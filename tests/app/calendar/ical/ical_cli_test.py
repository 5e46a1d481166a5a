# The real program's command line from a terminal, with no display: --version, --help
# and an unknown option with their exit codes; --import and --export against
# Debian's python3-icalendar: its file imported twice, the export read back by it; files
# that are not iCalendar, a damaged calendar, and saves failing at each step (injected
# with strace) leave the calendar byte for byte as it was; appends, pipes and closed or
# full standard streams. Run with /usr/bin/python3.
import datetime, glob, os, shutil, struct, subprocess, sys, tempfile
from pathlib import Path

import pytz
from icalendar import Calendar, Event, Todo

folder = Path(tempfile.mkdtemp(prefix="strigolo-ical-"))
(folder / "Data").mkdir()
database = folder / "Data" / "database.bin"


def run(*args, inject=None, stdout=subprocess.PIPE, **streams):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "STRIGOLO_CALLER_DIR")}
    strace = ["strace", "-f", "-qq", "-o", "/dev/null", "-e", "inject=" + inject] if inject else []
    if inject:  # LeakSanitizer cannot run under ptrace
        env["ASAN_OPTIONS"] = env.get("ASAN_OPTIONS", "") + ":detect_leaks=0"
    return subprocess.run(strace + [sys.argv[1], *args], cwd=folder, env=dict(env, TZ="Europe/Rome"),
                          stdout=stdout, stderr=subprocess.PIPE, text=True, timeout=120, **streams)


# Each answer on one stream only: the usage on standard output when asked for, on
# standard error after an unknown option.
for args, code, out, err in ((["--version"], 0, "strigolo 1.1\n", ""), (["--help"], 0, "Usage: strigolo", ""),
                             (["--frobnicate"], 2, "", "strigolo: unknown option --frobnicate\nUsage: strigolo")):
    r = run(*args)
    assert r.returncode == code and r.stdout.startswith(out) and r.stderr.startswith(err), r
    assert bool(r.stdout) != bool(r.stderr), r

# A Monday at 18:30 in Rome about a year ago: a weekly event and a reminder every two
# hours begun then; an appointment on a Wednesday at 10:30 a year ahead, and a to-do.
rome = pytz.timezone("Europe/Rome")
day = datetime.date.today() - datetime.timedelta(days=365)
monday = rome.localize(datetime.datetime.combine(day - datetime.timedelta(days=day.weekday()), datetime.time(18, 30)))
ahead = day + datetime.timedelta(days=730)
wed = rome.localize(datetime.datetime.combine(ahead + datetime.timedelta(days=2 - ahead.weekday()), datetime.time(10, 30)))
cal, todo = Calendar(), Todo()
cal.add("prodid", "-//python3-icalendar test//"), cal.add("version", "2.0"), todo.add("summary", "Latte")
for summary, start, rule in (("Dentista", wed, None), ("Palestra", monday, {"freq": "weekly", "byday": "MO"}),
                             ("Acqua", monday, {"freq": "hourly", "interval": 2})):
    event = Event()
    for name, value in (("uid", summary + "@test"), ("dtstamp", monday), ("dtstart", start), ("summary", summary),
                        ("rrule", rule)):
        if value:
            event.add(name, value)
    cal.add_component(event)
cal.add_component(todo)
(folder / "source.ics").write_bytes(cal.to_ical())

r = run("--import", "source.ics")
assert (r.returncode, r.stdout) == (0, "imported 3, skipped 1\n"), r
assert r.stderr == 'strigolo: source.ics: skipped "Latte": a to-do (VTODO), not an event\n', r.stderr
before, inode = database.read_bytes(), database.stat().st_ino
assert struct.unpack_from("<i", before)[0] == 3 and len(before) == 4 + 3 * 572, len(before)
# (title, day, month, year, hour, min, wday, type, remind_mode) of each 572-byte record
got = [(before[o:o + 20].rstrip(b"\0").decode(), *struct.unpack_from("<8i", before, o + 532))
       for o in range(4, len(before), 572)]
assert got[0] == ("Dentista", wed.day, wed.month, wed.year, 10, 30, got[0][6], 0, 0), got
assert got[1][:1] + got[1][4:8] == ("Palestra", 18, 30, 1, 1) and got[2][7:] == (2, 1), got

r = run("--import", "source.ics")
assert (r.returncode, r.stdout, r.stderr.count("already in the calendar")) == (0, "imported 0, skipped 4\n", 3), r
assert database.read_bytes() == before and database.stat().st_ino == inode, "a second import wrote the calendar"
assert run("--import", "source.ics", "--export", "-").returncode == 2  # one at a time
r = run("--export", "-")
events = Calendar.from_ical(r.stdout).walk("VEVENT")
assert r.returncode == 0 and [str(e["SUMMARY"]) for e in events] == ["Dentista", "Palestra", "Acqua"], r
assert all("UID" in e and "DTSTAMP" in e for e in events) and events[0]["DTSTART"].dt == wed
# Times in the local zone, named and given as a VTIMEZONE, each with its end.
assert [e["DTSTART"].params["TZID"] for e in events] == ["Europe/Rome"] * 3, events
assert all(e["DTEND"].dt > e["DTSTART"].dt for e in events), events
assert [str(z["TZID"]) for z in Calendar.from_ical(r.stdout).walk("VTIMEZONE")] == ["Europe/Rome"], r.stdout
assert [dict(e["RRULE"]) for e in events[1:]] == [{"FREQ": ["WEEKLY"], "BYDAY": ["MO"]},
                                                  {"FREQ": ["HOURLY"], "INTERVAL": [2]}], events

(folder / "notes.txt").write_text("Dentista mercoledi alle 10:30\n")
(folder / "empty.ics").write_text("")
one = struct.pack("<i", 1) + before[4:4 + 572]  # the import then adds two events
# A failed import exits 1 with one line, writes nothing and leaves no temporary file;
# a failed flush of the folder after the rename is too late to undo: saved.
for args, calendar, inject, code in (
        (["notes.txt"], before, None, 1), (["source.ics", "empty.ics"], before, None, 1),
        (["missing.ics"], before, None, 1), (["source.ics"], before[:-1], None, 1),
        (["source.ics"], one, "write:error=ENOSPC:when=1", 1), (["source.ics"], one, "fsync:error=EIO:when=1", 1),
        (["source.ics"], one, "rename,renameat,renameat2:error=EXDEV", 1), (["source.ics"], one, "fsync:error=EIO:when=2", 0)):
    database.write_bytes(calendar)
    r = run("--import", *args, inject=inject)
    assert (r.returncode, database.read_bytes()) == (code, calendar if code else before), (args, inject, r)
    assert code == 0 or (r.stdout, r.stderr.count("\n"), "unchanged" in r.stderr) == ("", 1, True), (args, r)
    assert not glob.glob(str(database) + ".tmp*"), (args, inject, "a temporary file left")

# Streams as the shell gives them: an export appended to a log keeps the log's lines; an
# import from a pipe, which also sweeps a temporary file its dead writer left; a summary
# that cannot be written (a full standard output) fails; standard output closed at the
# start is not taken by the calendar's files.
log, stale = folder / "log.txt", Path(str(database) + ".tmp-4194304-0badf00d")
log.write_text("head\n")
with open(log, "a") as out:
    r = run("--export", "/dev/stdout", stdout=out)
assert r.returncode == 0 and log.read_bytes().startswith(b"head\nBEGIN:VCALENDAR\r\n"), (r, log.read_bytes()[:40])
database.unlink(), stale.write_bytes(b"x" * 1000)
r = run("--import", "-", input=cal.to_ical().decode())
assert (r.returncode, r.stdout, database.read_bytes()[:4]) == (0, "imported 3, skipped 1\n", before[:4]), r
assert not stale.exists(), "a stale temporary file left"
with open("/dev/full", "w") as full:
    r = run("--import", "source.ics", stdout=full)
assert r.returncode == 1 and "standard output" in r.stderr, r
r = run("--export", "closed.ics", preexec_fn=lambda: os.close(1))
assert r.returncode == 0 and (folder / "closed.ics").read_bytes().startswith(b"BEGIN:VCALENDAR"), r
shutil.rmtree(folder)
print("iCalendar from the command line: all checks passed")
