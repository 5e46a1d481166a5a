"""Live calendars end to end, against Debian's radicale and then xandikos, each on a free
port of 127.0.0.1 with a folder of its own: vdirsyncer (run by the owl as its sync
command) syncs a CalDAV calendar and a read-only ICS feed into vdirs, and khal writes
into the same folder. An event
put on the server shows in the owl's list with its folder's colour and falls due with
its notice and sound; seen, its notices stop; the feed's event is listed; an event made
with `khal new` shows within a second; one deleted on the server goes."""
import os
import socket
import subprocess
import time

from harness import BUTTON, CALENDAR, CHECK, TRASH, Session, attention, loudest, near, read_text, wait_for

AT = "@2030-03-17 10:00:00"  # the owl's clock (Rome); the event is at 10:20
GREEN, GREY = (0, 255, 0), (153, 153, 153)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def event(uid, start, end, summary):
    return ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//e2e//EN\r\nBEGIN:VEVENT\r\nUID:%s\r\n"
            "DTSTAMP:20300101T000000Z\r\nDTSTART:%s\r\nDTEND:%s\r\nSUMMARY:%s\r\n"
            "ATTENDEE:mailto:anna@example.org\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n" % (uid, start, end, summary))


class Server:
    """A CalDAV server (Debian's radicale or xandikos) on a free port with a folder of its own,
    holding the calendar "casa" of user owl; and a static ICS feed beside it, served by
    Python's http.server, as a published calendar is."""

    def __init__(self, kind, top):
        self.port, self.feed_port, self.top = free_port(), free_port(), top
        self.url = "http://127.0.0.1:%d/owl/casa/" % self.port
        self.feed_url = "http://127.0.0.1:%d/feste.ics" % self.feed_port
        data = os.path.join(top, kind)
        command = {"radicale": ["radicale", "--server-hosts", "127.0.0.1:%d" % self.port, "--storage-filesystem-folder",
                                data, "--auth-type", "none", "--logging-level", "warning"],
                   "xandikos": ["xandikos", "-d", data, "-l", "127.0.0.1", "-p", str(self.port), "--defaults",
                                "--current-user-principal", "/owl"]}[kind]
        os.makedirs(os.path.join(top, "feed"))
        self.procs = [subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL),
                      subprocess.Popen(["python3", "-m", "http.server", "--bind", "127.0.0.1", str(self.feed_port),
                                        "--directory", os.path.join(top, "feed")],
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)]
        wait_for(lambda: self.curl("-X", "MKCALENDAR", self.url) == "201", what=kind, interval=0.2)

    def curl(self, *args):
        return subprocess.run(["curl", "-s", "-o", "/dev/null", "-w", "%{http_code}", "-u", "owl:secret", *args],
                              capture_output=True, text=True).stdout

    def put(self, name, text):
        path = os.path.join(self.top, "put.ics")
        with open(path, "w") as f:
            f.write(text)
        assert self.curl("-T", path, "-H", "Content-Type: text/calendar", self.url + name) == "201"

    def publish(self, text):
        with open(os.path.join(self.top, "feed", "feste.ics"), "w") as f:
            f.write(text)
        wait_for(lambda: self.curl(self.feed_url) == "200", what="the feed", interval=0.2)

    def held(self):
        """Every item's text the server holds, through a calendar-query REPORT."""
        query = ('<c:calendar-query xmlns:d="DAV:" xmlns:c="urn:ietf:params:xml:ns:caldav"><d:prop>'
                 '<c:calendar-data/></d:prop><c:filter><c:comp-filter name="VCALENDAR"/></c:filter></c:calendar-query>')
        return subprocess.run(["curl", "-s", "-u", "owl:secret", "-X", "REPORT", "-H", "Depth: 1", "-H",
                               "Content-Type: application/xml", "--data", query, self.url],
                              capture_output=True, text=True).stdout

    def stop(self):
        for p in self.procs:
            p.terminate()
            p.wait(10)


def setup(top, server):
    """vdirsyncer's config (the password from a command, never in the file), khal's, the
    owl's, and the vdir with its colour; returns (the vdirsyncer command, khal's, the vdir)."""
    vdir, feed = os.path.join(top, "vdir", "casa"), os.path.join(top, "vdir", "feste")
    os.makedirs(vdir)
    os.makedirs(feed)
    os.makedirs(os.path.join(top, "status"))
    with open(os.path.join(vdir, "color"), "w") as f:
        f.write("#00ff00\n")
    vds = os.path.join(top, "vdirsyncer.conf")
    with open(vds, "w") as f:
        f.write('[general]\nstatus_path = "%s/status/"\n\n[pair casa]\na = "casa_local"\nb = "casa_remote"\n'
                'collections = null\nconflict_resolution = "b wins"\n\n[storage casa_local]\ntype = "filesystem"\n'
                'path = "%s/"\nfileext = ".ics"\n\n[storage casa_remote]\ntype = "caldav"\n'
                'url = "http://127.0.0.1:%d/owl/casa/"\nusername = "owl"\npassword.fetch = ["command", "printf", "secret"]\n'
                '\n[pair feste]\na = "feste_local"\nb = "feste_remote"\ncollections = null\npartial_sync = "ignore"\n\n'
                '[storage feste_local]\ntype = "filesystem"\npath = "%s/"\nfileext = ".ics"\n\n[storage feste_remote]\n'
                'type = "http"\nurl = "%s"\n' % (top, vdir, server.port, feed, server.feed_url))
    khal = os.path.join(top, "khal.conf")
    with open(khal, "w") as f:
        f.write("[calendars]\n[[casa]]\npath = %s\n[locale]\ntimeformat = %%H:%%M\ndateformat = %%Y-%%m-%%d\n"
                "longdateformat = %%Y-%%m-%%d\ndatetimeformat = %%Y-%%m-%%d %%H:%%M\n"
                "longdatetimeformat = %%Y-%%m-%%d %%H:%%M\n" % vdir)
    os.makedirs(os.path.join(top, "config", "strigolo"))
    sync = "vdirsyncer -c %s sync" % vds
    with open(os.path.join(top, "config", "strigolo", "config"), "w") as f:
        # The sync runs on the real clock: the owl's fake one is not handed down.
        f.write("[calendar casa]\npath = %s\nread_only = yes\n\n[calendar feste]\npath = %s\nread_only = yes\n\n"
                "[options]\ndays_ahead = 7\nsync_command = env -u LD_PRELOAD -u FAKETIME %s\nsync_minutes = 1\n"
                % (vdir, feed, sync))
    return sync.split(), ["khal", "-c", khal], vdir


def row(img, k, day="Oggi", time="10:20"):
    """Title (after its calendar's dot), day and time of list row k, read with the coded
    font; the day and time are centred, so they are read at the length of the text expected."""
    y = 381 - 32 * k
    return read_text(img, 36, y, 8).rstrip(" ?"), read_text(img, 283.5, y, len(day), center=True), \
        read_text(img, 390, y, len(time), center=True)


def check_server_to_owl(kind):
    with Session() as s:
        top = os.path.join(s.workdir, "live")
        os.makedirs(top)
        env = {"TZ": "Europe/Rome", "XDG_CONFIG_HOME": os.path.join(top, "config"),
               "XDG_DATA_HOME": os.path.join(top, "data")}
        server = Server(kind, top)
        try:
            server.put("dentista.ics", event("dentista@e2e", "20300317T102000", "20300317T110000", "Dentista"))
            server.publish(event("festa@e2e", "20300319T090000", "20300319T100000", "Festa"))
            sync, khal, vdir = setup(top, server)
            assert subprocess.run(sync[:3] + ["discover"], stdin=subprocess.DEVNULL, capture_output=True).returncode == 0
            app = s.start_coded([], AT, env=env, sound=(22050, "int16"))
            s.failure_note = app.stderr  # shown when a check fails
            # The owl's own sync brings the event; its hour's notice is due at once.
            wait_for(lambda: attention(s.screenshot())[1:] == (True, "1"), timeout=30, what="the notice")
            wait_for(lambda: loudest(s.wav) > 1000, timeout=10, what="the notification sound")
            # Seen (the calendar opens only then): the notice stops.
            view = s.click_and_look(BUTTON)
            assert read_text(view, 28, 210, 8) == "Dentista", read_text(view, 28, 210, 8)
            s.click(*CHECK)
            wait_for(lambda: not attention(s.screenshot())[1], timeout=5, what="the notice seen")
            listed = s.click_and_look(CALENDAR)
            assert row(listed, 0) == ("Dentista", "Oggi", "10:20"), row(listed, 0)
            assert near(listed.gui_pixel(25, 387), GREEN, 60), listed.gui_pixel(25, 387)
            # The feed's event, its folder without a colour file: a grey dot.
            assert row(listed, 1, "19/3/2030", "9:0") == ("Festa", "19/3/2030", "9:0"), row(listed, 1, "19/3/2030", "9:0")
            assert near(listed.gui_pixel(25, 387 - 32), GREY, 30), listed.gui_pixel(25, 387 - 32)
            s.click(*TRASH)  # closes the list

            # khal's event shows within a second of its file.
            env_khal = dict(os.environ, TZ="Europe/Rome", XDG_DATA_HOME=os.path.join(top, "khaldata"))
            assert subprocess.run(khal + ["new", "-a", "casa", "2030-03-17", "18:00", "19:00", "Palestra"],
                                  env=env_khal, capture_output=True).returncode == 0
            made = time.monotonic()
            listed = s.click_and_look(CALENDAR)
            assert row(listed, 1, "Oggi", "18:0") == ("Palestra", "Oggi", "18:0"), row(listed, 1, "Oggi", "18:0")
            assert time.monotonic() - made < 4.0  # the click and the screenshot take most of it (the bench measures)
            s.click(*TRASH)

            # Deleted on the server: gone from the owl after the next sync (run here, after
            # one that takes khal's event up, so the server is never left empty).
            for step in ("upload", "delete"):
                if step == "delete":
                    assert server.curl("-X", "DELETE", server.url + "dentista.ics") in ("200", "204")
                synced = subprocess.run(sync, stdin=subprocess.DEVNULL, capture_output=True, text=True)
                assert synced.returncode == 0, synced.stderr
            wait_for(lambda: row(s.click_and_look(CALENDAR), 0)[0] == "Palestra", timeout=5, what="the delete")
            s.click(*TRASH)

            # The owl never wrote into the folder: the server holds exactly khal's event now.
            subprocess.run(sync, stdin=subprocess.DEVNULL, capture_output=True)
            items = [n for n in os.listdir(vdir) if n.endswith(".ics")]
            assert len(items) == 1, items
            held = server.held()
            assert "SUMMARY:Palestra" in held and "Dentista" not in held, held
            assert app.running() and "not read" not in app.stderr() and "failed" not in app.stderr(), app.stderr()
        except BaseException:
            print(getattr(s, "failure_note", lambda: "")())
            raise
        finally:
            server.stop()


if __name__ == "__main__":
    for kind in ("radicale", "xandikos"):
        check_server_to_owl(kind)
    print("live calendars: all checks passed")
