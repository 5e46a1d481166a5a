"""The real program's --import and --export from a terminal, with no display: a file made
by python3-icalendar imported twice, the calendar exported and read back by
python3-icalendar, and files that are not iCalendar (or a damaged calendar) leaving the
calendar byte for byte as it was. Run with Debian's /usr/bin/python3."""
import datetime
import os
import struct
import subprocess
import sys
import tempfile

import pytz
from icalendar import Calendar, Event, Todo

BIN = sys.argv[1]
ROME = pytz.timezone("Europe/Rome")


def run(folder, *args):
    env = dict(os.environ, TZ="Europe/Rome")
    for name in ("DISPLAY", "STRIGOLO_CALLER_DIR"):
        env.pop(name, None)
    return subprocess.run([BIN, *args], cwd=folder, env=env, capture_output=True, text=True, timeout=120)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def records(data):
    """(title, type, wday, remind_mode, day, month, year, hour, min) of each 572-byte record."""
    count, = struct.unpack_from("<i", data)
    assert len(data) == 4 + 572 * count, len(data)
    out = []
    for i in range(count):
        r = data[4 + 572 * i:4 + 572 * (i + 1)]
        day, month, year, hour, minute, wday, kind, mode = struct.unpack_from("<8i", r, 532)
        out.append((r[:20].rstrip(b"\0").decode(), kind, wday, mode, day, month, year, hour, minute))
    return out


def write_source(path, monday):
    cal = Calendar()
    cal.add("prodid", "-//python3-icalendar test//")
    cal.add("version", "2.0")
    for summary, start, rule in (("Dentista", monday + datetime.timedelta(days=2, hours=-8), None),
                                 ("Palestra", monday, {"freq": "weekly", "byday": "MO"}),
                                 ("Acqua", monday, {"freq": "hourly", "interval": 2})):
        event = Event()
        event.add("uid", summary + "@test")
        event.add("dtstamp", datetime.datetime.now(pytz.utc))
        event.add("dtstart", start)
        event.add("summary", summary)
        if rule:
            event.add("rrule", rule)
        cal.add_component(event)
    todo = Todo()
    todo.add("summary", "Latte")
    cal.add_component(todo)
    with open(path, "wb") as f:
        f.write(cal.to_ical())


def main():
    folder = tempfile.mkdtemp(prefix="strigolo-ical-")
    os.mkdir(os.path.join(folder, "Data"))
    database = os.path.join(folder, "Data", "database.bin")
    # A Monday at 18:30 in Rome, about a year ahead.
    day = datetime.date.today() + datetime.timedelta(days=365)
    monday = ROME.localize(datetime.datetime.combine(day - datetime.timedelta(days=day.weekday()), datetime.time(18, 30)))
    write_source(os.path.join(folder, "source.ics"), monday)

    r = run(folder, "--import", "source.ics")
    assert (r.returncode, r.stdout) == (0, "imported 3, skipped 1\n"), r
    assert r.stderr == 'strigolo: source.ics: skipped "Latte": a to-do (VTODO), not an event\n', r.stderr
    wed = monday + datetime.timedelta(days=2)
    got = records(read(database))
    assert got[0] == ("Dentista", 0, got[0][2], 0, wed.day, wed.month, wed.year, 10, 30), got
    assert got[1][:3] + got[1][7:] == ("Palestra", 1, 1, 18, 30) and got[2][1:4:2] == (2, 1), got

    before, inode = read(database), os.stat(database).st_ino
    r = run(folder, "--import", "source.ics")
    assert (r.returncode, r.stdout, r.stderr.count("already in the calendar")) == (0, "imported 0, skipped 4\n", 3), r
    assert read(database) == before and os.stat(database).st_ino == inode, "a second import wrote the calendar"

    assert run(folder, "--import", "source.ics", "--export", "-").returncode == 2  # one at a time
    r = run(folder, "--export", "-")
    assert r.returncode == 0, r
    cal = Calendar.from_ical(r.stdout)
    assert cal["VERSION"] == "2.0" and cal["PRODID"], cal
    events = cal.walk("VEVENT")
    assert [str(e["SUMMARY"]) for e in events] == ["Dentista", "Palestra", "Acqua"], events
    assert all("UID" in e and "DTSTAMP" in e for e in events), events
    assert events[0]["DTSTART"].dt == (wed - datetime.timedelta(hours=8)).replace(tzinfo=None)
    assert dict(events[1]["RRULE"]) == {"FREQ": ["WEEKLY"], "BYDAY": ["MO"]}, events[1]["RRULE"]
    assert dict(events[2]["RRULE"]) == {"FREQ": ["HOURLY"], "INTERVAL": [2]}, events[2]["RRULE"]

    with open(os.path.join(folder, "notes.txt"), "w") as f:
        f.write("Dentista mercoledi alle 10:30\n")
    open(os.path.join(folder, "empty.ics"), "w").close()
    for args, calendar in ((["notes.txt"], before), (["source.ics", "empty.ics"], before),
                           (["missing.ics"], before), (["source.ics"], before[:-1])):
        with open(database, "wb") as f:
            f.write(calendar)
        r = run(folder, "--import", *args)
        assert (r.returncode, r.stdout, read(database)) == (1, "", calendar), (args, r)
        assert r.stderr.count("\n") == 1 and "unchanged" in r.stderr, r.stderr
    print("iCalendar from the command line: all checks passed")


if __name__ == "__main__":
    main()
