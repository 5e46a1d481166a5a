"""Calendar folders end to end, the reading side: a daily series with an EXDATE and a moved
occurrence announced across the spring DST change (libfaketime's timestamp file, rewritten
by the test); bad input of every kind, one stderr line each, the good item still listed;
and against Debian's radicale, then xandikos, on a free port with vdirsyncer: 100 syncs with nothing
changed leave the folder untouched and the list without duplicates, the folder renamed
away and back empties and refills the list without a restart, and an item changed on
both sides is decided by vdirsyncer's conflict rule, the owl showing the result."""
import os
import re
import subprocess
import time

from harness import BUTTON, CALENDAR, CHECK, FAKETIME, TRASH, Session, attention, read_text, wait_for
from test_live_calendars import Server, event

ROME = ("BEGIN:VTIMEZONE\r\nTZID:Europe/Rome\r\nBEGIN:DAYLIGHT\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\n"
        "DTSTART:19700329T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\nEND:DAYLIGHT\r\nBEGIN:STANDARD\r\n"
        "TZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nDTSTART:19701025T030000\r\n"
        "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n")
# Daily at 09:00 Rome from Friday 2030-03-29: Friday's moved to 14:00 under another title,
# Saturday's cancelled, Sunday's (the first day of summer time) at 09:00 CEST.
SERIES = ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//e2e//EN\r\n" + ROME +
          "BEGIN:VEVENT\r\nUID:riunione@e2e\r\nDTSTAMP:20300101T000000Z\r\nDTSTART;TZID=Europe/Rome:20300329T090000\r\n"
          "DURATION:PT30M\r\nRRULE:FREQ=DAILY;COUNT=5\r\nEXDATE;TZID=Europe/Rome:20300330T090000\r\n"
          "SUMMARY:Riunione\r\nEND:VEVENT\r\n"
          "BEGIN:VEVENT\r\nUID:riunione@e2e\r\nDTSTAMP:20300101T000000Z\r\nRECURRENCE-ID;TZID=Europe/Rome:20300329T090000\r\n"
          "DTSTART;TZID=Europe/Rome:20300329T140000\r\nDURATION:PT30M\r\nSUMMARY:Spostata\r\nEND:VEVENT\r\n"
          "END:VCALENDAR\r\n")


def write_config(top, text):
    os.makedirs(os.path.join(top, "config", "strigolo"), exist_ok=True)
    with open(os.path.join(top, "config", "strigolo", "config"), "w") as f:
        f.write(text)
    return {"TZ": "Europe/Rome", "XDG_CONFIG_HOME": os.path.join(top, "config"),
            "XDG_DATA_HOME": os.path.join(top, "data")}


def titles(img, rows=6):
    """The titles of the list's first rows (after their calendar's dot), blank rows left out."""
    return [t for t in (read_text(img, 36, 381 - 32 * k, 8).rstrip(" ?") for k in range(rows)) if t]


def replace(path, text):
    with open(path + ".tmp", "w") as f:  # not *.ics: no reader takes it for an item
        f.write(text)
    os.replace(path + ".tmp", path)


def check_series_across_dst():
    with Session() as s:
        top, stamp = os.path.join(s.workdir, "live"), os.path.join(s.workdir, "faketime")
        vdir = os.path.join(top, "riunioni")
        os.makedirs(vdir)
        replace(os.path.join(vdir, "riunione.ics"), SERIES)
        env = write_config(top, "[calendar riunioni]\npath = %s\nread_only = yes\n[options]\ndays_ahead = 7\n" % vdir)

        def set_clock(at, settle=0.0):
            replace(stamp, "@" + at + "\n")
            time.sleep(settle)

        def due():
            return attention(s.screenshot())[1]

        def see(title):
            """Opens the due notice, which must be `title`'s, and marks it seen."""
            view = s.click_and_look(BUTTON)
            assert read_text(view, 28, 210, 8).rstrip(" ?") == title, read_text(view, 28, 210, 8)
            s.click(*CHECK)
            wait_for(lambda: not due(), timeout=5, what=title + " seen")

        set_clock("2030-03-29 07:00:00")
        env.update(LD_PRELOAD=FAKETIME, FAKETIME_TIMESTAMP_FILE=stamp, FAKETIME_NO_CACHE="1",
                   FAKETIME_DONT_FAKE_MONOTONIC="1",
                   ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") + ":verify_asan_link_order=0")
        # OpenAL's wave writer, as for the wall clock's jumps: its null output would spin
        # to catch up a day of faked time and hold the frame loop while the sound pauses.
        app = s.start_coded([], None, env=env, sound=(22050, "int16"))
        s.failure_note = app.stderr
        try:
            # Friday: nothing at the series' own 09:00 (all three of its notices would be due).
            set_clock("2030-03-29 09:00:30", 1.5)
            assert not due(), "Friday's occurrence was moved from 09:00"
            set_clock("2030-03-29 12:59:57")
            assert not due(), "the moved occurrence's hour notice is not due before 13:00"
            wait_for(due, timeout=10, what="the moved occurrence's hour notice at 13:00")
            set_clock("2030-03-29 14:00:05")  # every notice of it come: seeing it acknowledges all
            see("Spostata")
            # Saturday: cancelled.
            set_clock("2030-03-30 09:00:30", 1.5)
            assert not due(), "Saturday's occurrence is cancelled"
            # Sunday, summer time since 02:00: the hour notice at 08:00 CEST.
            set_clock("2030-03-31 07:59:56")
            assert not due(), "Sunday's hour notice is not due before 08:00 CEST"
            wait_for(due, timeout=10, what="Sunday's hour notice at 08:00 CEST")
            set_clock("2030-03-31 09:00:05")
            see("Riunione")
            # Monday at 09:00 CEST too: nothing before 08:00, due after.
            set_clock("2030-04-01 07:59:56")
            assert not due(), "Monday's hour notice is not due before 08:00"
            wait_for(due, timeout=10, what="Monday's hour notice at 08:00")
            assert app.running()
        except BaseException:
            print(s.failure_note())
            raise


def check_bad_input():
    with Session() as s:
        top = os.path.join(s.workdir, "live")
        vdir, flat = os.path.join(top, "misti"), os.path.join(top, "piatta")
        os.makedirs(vdir)
        with open(flat, "w") as f:
            f.write("a file where a folder should be\n")
        replace(os.path.join(vdir, "buona.ics"), event("buona@e2e", "20300318T100000", "20300318T110000", "Buona"))
        replace(os.path.join(vdir, "spazzatura.ics"), "\x00\x01 not a calendar at all \xff" * 50)
        two = event("uno@e2e", "20300318T120000", "20300318T130000", "Doppia")
        replace(os.path.join(vdir, "dueuid.ics"), two.replace(
            "END:VCALENDAR", "BEGIN:VEVENT\r\nUID:altro@e2e\r\nDTSTAMP:20300101T000000Z\r\n"
            "DTSTART:20300318T140000\r\nSUMMARY:Doppia\r\nEND:VEVENT\r\nEND:VCALENDAR"))
        # Over the owl's limit of 4 MiB, though it starts as a calendar.
        replace(os.path.join(vdir, "enorme.ics"), event("enorme@e2e", "20300318T150000", "20300318T160000", "Enorme")
                .replace("SUMMARY:Enorme", "SUMMARY:Enorme\r\nDESCRIPTION:" + "x" * (5 << 20)))
        os.mkfifo(os.path.join(vdir, "tubo.ics"))  # never opened for reading: it would block
        env = write_config(top, "[calendar misti]\npath = %s\ncolour = rosso\n[calendar piatta]\npath = %s\n"
                           "[agenda]\nthis line is no key\n[options]\ndays_ahead = molti\n" % (vdir, flat))
        app = s.start_coded([], "@2030-03-17 10:00:00", env=env)
        try:
            img = wait_for(lambda: (lambda i: titles(i) and i)(s.click_and_look(CALENDAR)), timeout=10,
                           what="the good item")
            assert titles(img) == ["Buona"], titles(img)
            s.click(*TRASH)
            time.sleep(1.0)  # more ticks: nothing is told twice
            # The band names the folder that is not one (it comes before the config's lines).
            band = s.screenshot()
            said = read_text(band, 256, 27, 32, center=True), read_text(band, 256, 6.5, 6, center=True)
            assert said == ("Cartella del calendario assente:", "piatta"), said
            err = app.stderr()
            for what in ("spazzatura.ics not read", "dueuid.ics not read: two different UIDs", "enorme.ics not read",
                         "tubo.ics not read", "piatta.* is not a folder", "unknown key \"colour\"",
                         "unknown section [agenda]", "not a \"key = value\" line", "bad value for days_ahead"):
                found = [l for l in err.splitlines() if re.search(re.escape(what).replace(r"\.\*", ".*"), l)]
                assert len(found) == 1, (what, err)
            assert app.running(), err
        except BaseException:
            print(app.stderr())
            raise


def snapshot(folder):
    return {n: (st.st_ino, st.st_mtime_ns, st.st_size)
            for n in os.listdir(folder) for st in [os.stat(os.path.join(folder, n))]}


def check_with_server(kind):
    with Session() as s:
        top = os.path.join(s.workdir, "live")
        os.makedirs(top)
        server = Server(kind, top)
        app = None
        try:
            vdir = os.path.join(top, "vdir", "casa")
            os.makedirs(vdir)
            os.makedirs(os.path.join(top, "status"))
            conf = os.path.join(top, "vdirsyncer.conf")
            with open(conf, "w") as f:
                f.write('[general]\nstatus_path = "%s/status/"\n\n[pair casa]\na = "casa_local"\nb = "casa_remote"\n'
                        'collections = null\nconflict_resolution = "b wins"\n\n[storage casa_local]\n'
                        'type = "filesystem"\npath = "%s/"\nfileext = ".ics"\n\n[storage casa_remote]\ntype = "caldav"\n'
                        'url = "%s"\nusername = "owl"\npassword.fetch = ["command", "printf", "secret"]\n'
                        % (top, vdir, server.url))
            server.put("uno.ics", event("uno@e2e", "20300317T102000", "20300317T110000", "Uno"))
            server.put("due.ics", event("due@e2e", "20300318T090000", "20300318T100000", "Due"))
            server.put("tre.ics", event("tre@e2e", "20300317T120000", "20300317T123000", "Tre")
                       .replace("SUMMARY:", "RRULE:FREQ=DAILY\r\nSUMMARY:"))

            def sync(times=1):
                """vdirsyncer's sync run `times` times in one interpreter; its log."""
                script = ("import sys\nfrom vdirsyncer.cli import app\nfor _ in range(%d):\n"
                          "    try:\n        app.main(['-c', sys.argv[1], 'sync'], standalone_mode=False)\n"
                          "    except SystemExit as e:\n        assert not e.code, e.code\n" % times)
                done = subprocess.run(["/usr/bin/python3", "-c", script, conf], stdin=subprocess.DEVNULL,
                                      capture_output=True, text=True)
                assert done.returncode == 0, done.stderr
                return done.stdout + done.stderr

            assert subprocess.run(["vdirsyncer", "-c", conf, "discover"], stdin=subprocess.DEVNULL,
                                  capture_output=True).returncode == 0
            sync()
            before = snapshot(vdir)  # the owl never writes an item: not even seeing a notice
            env = write_config(top, "[calendar casa]\npath = %s\nread_only = no\n[options]\ndays_ahead = 7\n" % vdir)
            app = s.start_coded([], "@2030-03-17 10:00:00", env=env)
            # Uno's hour notice is due: seen, the owl records it, and never in the item.
            wait_for(lambda: attention(s.screenshot())[1], timeout=15, what="Uno's notice")
            s.click(*BUTTON)
            s.click(*CHECK)
            started = time.monotonic()
            log = sync(100)
            took = time.monotonic() - started
            assert log.count("Syncing casa") == 100, log  # vdirsyncer's log is the one read below
            for verb in ("Copying", "Deleting"):  # an upload, an update or a delete
                assert verb not in log, log
            assert snapshot(vdir) == before, (before, snapshot(vdir))
            listed = s.click_and_look(CALENDAR)
            assert titles(listed) == ["Uno", "Tre", "Due"], titles(listed)
            print("%s: 100 syncs with nothing changed: %.1f s; the folder untouched" % (kind, took))

            # The folder away (a disk unmounted) and back: the list empties and fills again.
            for where, want in ((vdir + ".via", []), (vdir, ["Uno", "Tre", "Due"])):
                moved = time.monotonic()
                os.rename(vdir if want == [] else vdir + ".via", where)
                wait_for(lambda: titles(s.screenshot()) == want, timeout=5, what="the list %s" % want)
                print("folder %s: the list follows in %.2f s" % ("away" if want == [] else "back",
                                                                  time.monotonic() - moved))

            # Due changed on both sides; vdirsyncer's "b wins" takes the server's.
            name = next(n for n in os.listdir(vdir) if "UID:due@e2e" in open(os.path.join(vdir, n)).read())
            written = time.monotonic()
            replace(os.path.join(vdir, name), event("due@e2e", "20300318T090000", "20300318T100000", "Locale"))
            wait_for(lambda: "Locale" in titles(s.screenshot()), timeout=5, what="the local change")
            shown = time.monotonic() - written
            shot = time.monotonic()
            s.screenshot()
            print("item file written to the owl showing it: %.2f s, of which a screenshot takes %.2f s"
                  % (shown, time.monotonic() - shot))
            path = os.path.join(top, "remote.ics")
            with open(path, "w") as f:
                f.write(event("due@e2e", "20300318T090000", "20300318T100000", "Remoto"))
            assert server.curl("-T", path, "-H", "Content-Type: text/calendar", server.url + "due.ics") in ("201", "204")
            sync()
            wait_for(lambda: titles(s.screenshot()) == ["Uno", "Tre", "Remoto"], timeout=5, what="the server's side")
            assert "SUMMARY:Remoto" in server.held() and "Locale" not in server.held()
            s.click(*TRASH)
            assert app.running() and "not read" not in app.stderr(), app.stderr()
        except BaseException:
            if app:
                print(app.stderr())
            raise
        finally:
            server.stop()


if __name__ == "__main__":
    started = time.monotonic()
    check_series_across_dst()
    check_bad_input()
    for kind in ("radicale", "xandikos"):
        check_with_server(kind)
    print("live folders: all checks passed in %.0f s" % (time.monotonic() - started))
