"""The owl's edits go back to the calendar server, against Debian's radicale: an event
moved in the owl (by clicks on its editor) reaches the server at the owl's next sync with
its ATTENDEE and VALARM intact (an event of a read-only feed only shown, the editor
saying why); trashed in the owl, it leaves the server; an event made
in the owl becomes an item of the new_events folder that `khal list` shows."""
import os
import subprocess

from harness import ADD, CALENDAR, CONFIRM, ROW0, TITLE_BOX, TRASH, YEAR_UP, Session, read_text, wait_for
from test_live_calendars import Server, event, setup

AT = "@2030-03-17 10:00:00"  # the owl's clock (Rome)
HOUR_UP = (105, 314)
MEETING = ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//e2e//EN\r\nBEGIN:VEVENT\r\nUID:riunione@e2e\r\n"
           "DTSTAMP:20300101T000000Z\r\nDTSTART:20300318T140000Z\r\nDTEND:20300318T150000Z\r\nSUMMARY:Riunione\r\n"
           "ATTENDEE;CN=Anna Rossi;ROLE=REQ-PARTICIPANT:mailto:anna@example.org\r\n"
           "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Promemoria\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n"
           "END:VEVENT\r\nEND:VCALENDAR\r\n")


def first_title(s):
    """The first row's title, the list opened to read it."""
    return read_text(s.click_and_look(CALENDAR), 36, 381, 8).rstrip(" ?")  # after its calendar's dot


def check_owl_to_server():
    with Session() as s:
        top = os.path.join(s.workdir, "live")
        os.makedirs(top)
        env = {"TZ": "Europe/Rome", "XDG_CONFIG_HOME": os.path.join(top, "config"),
               "XDG_DATA_HOME": os.path.join(top, "data")}
        server = Server("radicale", top)
        try:
            server.put("riunione.ics", MEETING)
            server.publish(event("festa@e2e", "20300319T090000", "20300319T100000", "Festa"))
            sync, khal, vdir = setup(top, server)
            config = os.path.join(top, "config", "strigolo", "config")
            with open(config) as f:
                text = f.read()
            with open(config, "w") as f:  # casa becomes writable and takes the owl's new events
                f.write(text.replace("read_only = yes", "read_only = no", 1).replace("[options]\n",
                                                                                    "[options]\nnew_events = casa\n"))
            assert subprocess.run(sync[:3] + ["discover"], stdin=subprocess.DEVNULL, capture_output=True).returncode == 0
            app = s.start_coded([], AT, env=env)
            s.failure_note = app.stderr

            def listed(want):
                found = first_title(s)
                s.click(*TRASH)  # closes the list again
                return found == want
            wait_for(lambda: listed("Riunione"), timeout=30, what="the server's event in the list")

            # The feed's event (a read-only calendar) opens in view mode, and says why when typed into.
            for point in (CALENDAR, (ROW0[0], ROW0[1] - 32)):
                s.click(*point)
            said = read_text(s.click_and_look(TITLE_BOX), 330, 436.5, 26, center=True)
            assert said == "calendario in sola lettura", said
            s.click(*TRASH)  # the view's check: back to the scene

            def items():
                return {n: open(os.path.join(vdir, n)).read() for n in os.listdir(vdir) if n.endswith(".ics")}

            # Moved an hour later in the owl; its own sync sends it about ten seconds after.
            for point in (CALENDAR, ROW0, HOUR_UP, CONFIRM):
                s.click(*point)
            wait_for(lambda: "T150000Z" in "".join(items().values()), timeout=10, what="the moved event in its file")
            s.click(*TRASH)  # closes the list
            wait_for(lambda: "DTSTART:20300318T150000Z" in server.held(), timeout=60, what="the moved event on the server")
            held = server.held()
            for kept in ("DTEND:20300318T160000Z", "ATTENDEE;CN=Anna Rossi", "TRIGGER:-PT15M", "SEQUENCE:1"):
                assert kept in held, (kept, held)

            # Made in the owl: an item of the folder, listed by khal.
            for point in (CALENDAR, ADD, TITLE_BOX):
                s.click(*point)
            s.type_text("Nuovo")
            s.click(*YEAR_UP)  # a year ahead: not due, and after the meeting in the list
            s.click(*CONFIRM)
            wait_for(lambda: len(items()) == 2, timeout=10, what="the new item")
            s.click(*TRASH)
            env_khal = dict(os.environ, TZ="Europe/Rome", XDG_DATA_HOME=os.path.join(top, "khaldata"))
            listing = subprocess.run(khal + ["list", "2031-03-17", "2031-03-19"], env=env_khal, capture_output=True,
                                     text=True)
            assert "Nuovo" in listing.stdout, (listing.stdout, listing.stderr)

            # Trashed in the owl: gone from the server after its next sync.
            wait_for(lambda: listed("Riunione"), timeout=10, what="the moved event read again")
            for point in (CALENDAR, ROW0, TRASH):
                s.click(*point)
            wait_for(lambda: len(items()) == 1, timeout=10, what="the trashed item's file gone")
            s.click(*TRASH)
            wait_for(lambda: "Riunione" not in server.held(), timeout=60, what="the delete on the server")
            assert "SUMMARY:Nuovo" in server.held()
            assert app.running(), app.stderr()
        except BaseException:
            print(getattr(s, "failure_note", lambda: "")())
            raise
        finally:
            server.stop()


if __name__ == "__main__":
    check_owl_to_server()
    print("live writeback: all checks passed")
