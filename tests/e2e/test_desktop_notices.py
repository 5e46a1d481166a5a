"""Desktop notifications, inside a private session bus (dbus-run-session, no service
started on demand) with Debian's dunst on the test's own Xvfb and openbox, every call
watched with dbus-monitor. The wall clock is faked and moved by the test (libfaketime
reads it from a file), so each notice of an appointment at 09:50 on Friday 2026-12-04
falls due when the test says. Then a bus whose server starts late, and no bus at all."""
import os
import re
import subprocess
import sys
import time

from harness import BUTTON, CHECK, FAKETIME, TITLE, Session, attention, read_text, wait_for

BUS_CONFIG = os.path.join(os.path.dirname(os.path.abspath(__file__)), "session-bus.conf")
DAY = "@2026-12-04 "
DENTISTA = ("Dentista", 4, 12, 2026, 9, 50, 5, 0, 0)


class Monitor:
    """dbus-monitor's view of the notification calls: Notify (with its arguments and the
    id the server answered), CloseNotification."""

    def __init__(self, s):
        self.path = os.path.join(s.workdir, "monitor.txt")
        with open(self.path, "w") as out:
            s.procs.append(subprocess.Popen(["dbus-monitor", "--session"], stdout=out, stderr=subprocess.DEVNULL))
        time.sleep(0.5)

    def messages(self):
        text = open(self.path, errors="replace").read()
        return re.split(r"\n(?=(?:method call|method return|signal|error) time=)", text)

    def notifies(self):
        """[(summary, body, replaces_id, urgency, hints text, id answered or None)]."""
        msgs, out = self.messages(), []
        for m in msgs:
            if "member=Notify" not in m:
                continue
            serial, sender = re.search(r" serial=(\d+)", m)[1], re.search(r"sender=(\S+)", m)[1]
            strings = re.findall(r'^   string "(.*?)"\n', m + "\n", re.M | re.S)
            reply = next((r for r in msgs if r.startswith("method return") and "reply_serial=%s\n" % serial in r + "\n"
                          and "destination=%s " % sender in r), None)
            out.append((strings[2], strings[3], int(re.search(r"^   uint32 (\d+)", m, re.M)[1]),
                        int(re.search(r'"urgency"\s+variant\s+byte (\d+)', m)[1]), m,
                        int(re.search(r"uint32 (\d+)", reply)[1]) if reply else None))
        return out

    def closed(self):
        return [int(re.search(r"^   uint32 (\d+)", m, re.M)[1]) for m in self.messages()
                if "member=CloseNotification" in m]


def answered(mon, count):
    """`count` Notify calls made, the last one answered."""
    calls = mon.notifies()
    return len(calls) == count and calls[-1][5]


def start(s, events, env=None):
    """The owl from 08:49, its wall clock alone faked, read by libfaketime from a file;
    returns it and the clock's setter. The clock it reads after a change may lag the
    time written by a second or two."""
    path = os.path.join(s.workdir, "clock")

    def set_clock(when):
        with open(path, "w") as f:
            f.write(DAY + when + "\n")
    set_clock("08:49:00")
    env = dict(env or {}, LD_PRELOAD=FAKETIME, FAKETIME_TIMESTAMP_FILE=path, FAKETIME_NO_CACHE="1",
               DONT_FAKE_MONOTONIC="1", ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") + ":verify_asan_link_order=0")
    return s.start_coded(events, None, env=env), set_clock


def viewable(s):
    return "IsViewable" in s.run(["xwininfo", "-id", str(s.window)]).stdout


def iconify(s):
    s.run(["xdotool", "windowminimize", "--sync", str(s.window)])
    time.sleep(0.5)  # the program hears of it a moment later


def restore(s):
    s.run(["xdotool", "windowactivate", "--sync", str(s.window)])
    time.sleep(0.5)


def start_dunst(s):
    conf = os.path.join(s.workdir, "dunstrc")
    with open(conf, "w") as f:  # away from the owl, which sits at the top right; none expires by itself
        f.write("[global]\norigin = bottom-left\noffset = 10x10\n[urgency_normal]\ntimeout = 0\n")
    s.procs.append(subprocess.Popen(["dunst", "-config", conf], env=s.env(), stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL))
    wait_for(lambda: "true" in s.run(["gdbus", "call", "--session", "--dest", "org.freedesktop.DBus",
                                      "--object-path", "/org/freedesktop/DBus", "--method",
                                      "org.freedesktop.DBus.NameHasOwner", "org.freedesktop.Notifications"]).stdout,
             what="dunst on the bus")


def with_dunst():
    with Session(wm=True) as s:
        start_dunst(s)
        mon = Monitor(s)
        app, set_clock = start(s, [DENTISTA])

        # Visible: the one-hour notice is the owl's alone.
        set_clock("08:50:00")
        wait_for(lambda: attention(s.screenshot())[0], what="the one-hour notice in the window")
        time.sleep(1.5)
        assert mon.notifies() == [], mon.notifies()

        # Iconified: one notification for it, then none more while the sound repeats.
        iconify(s)
        wait_for(lambda: answered(mon, 1), what="the one-hour notification")
        time.sleep(2)
        [(summary, body, replaces, urgency, call, first)] = mon.notifies()
        assert (summary, body, replaces, urgency) == ("Dentista", "Oggi alle 9:50, fra 60 minuti", 0, 1), call
        assert all(h in call for h in ('"desktop-entry"', '"strigolo"', '"x-strigolo.reminder"', '"image-data"')), call
        assert 'string "default"' in call and 'string "Posticipa 10 minuti"' in call, call

        # The half-hour notice replaces it.
        set_clock("09:20:00")
        wait_for(lambda: answered(mon, 2), what="the half-hour notification")
        second = mon.notifies()[1]
        assert second[1:4] == ("Oggi alle 9:50, fra 30 minuti", first, 1), second[:4]

        # Seen in the owl: the notification is withdrawn.
        restore(s)
        panel = s.click_and_look(BUTTON)
        assert read_text(panel, 28, 210, 8) == "Dentista", "the view did not open"
        wait_for(lambda: mon.closed() == [first], what="CloseNotification once the owl showed it")
        s.click(*CHECK)

        # The due notice while iconified, put off ten minutes from the desktop: withdrawn,
        # and posted again when it comes back; then its default action brings the window
        # back with the event's view open.
        iconify(s)
        set_clock("09:50:00")
        wait_for(lambda: answered(mon, 3), what="the due notification")
        due = mon.notifies()[2]
        assert due[1:4] == ("Oggi alle 9:50, adesso", 0, 2) and due[5], due[:4]
        action(s, due[5], "snooze")
        wait_for(lambda: mon.closed() == [first, due[5]], what="CloseNotification of the notice put off")
        set_clock("10:00:30")
        time.sleep(1.5)
        assert len(mon.notifies()) == 3, "back before ten whole minutes"
        set_clock("10:01:00")
        wait_for(lambda: answered(mon, 4), what="the notice back after ten minutes")
        again = mon.notifies()[3]
        assert again[1:4] == ("Oggi alle 9:50, 11 minuti fa", 0, 2) and again[5], again[:4]
        assert not viewable(s)
        action(s, again[5], "default")
        wait_for(lambda: viewable(s), what="the window restored by the default action")
        wait_for(lambda: read_text(s.screenshot(), 28, 210, 8) == "Dentista", what="the event's view")
        s.click(*CHECK)
        wait_for(lambda: mon.closed() == [first, due[5], again[5]], what="CloseNotification of the due notice")
        assert len(mon.notifies()) == 4 and app.running(), app.stderr()


def action(s, notification, key):
    """The server's ActionInvoked signal, as a click on the notification sends it."""
    s.run(["gdbus", "emit", "--session", "--object-path", "/org/freedesktop/Notifications", "--signal",
           "org.freedesktop.Notifications.ActionInvoked", "uint32 %d" % notification, "'%s'" % key])


def without_server(bus):
    """No notification server on the bus until dunst starts, or no session bus at all:
    one line says so, the owl's notices go on, and a server started later is used. On
    the bus a live calendar's item is announced too, and the config asks for
    notifications also while the owl can be seen."""
    with Session(wm=True) as s:
        mon = Monitor(s) if bus else None
        env = {"XDG_CONFIG_HOME": s.workdir}
        if bus:
            os.makedirs(os.path.join(s.workdir, "strigolo"))
            os.makedirs(os.path.join(s.workdir, "casa"))
            with open(os.path.join(s.workdir, "strigolo", "config"), "w") as f:
                f.write("[calendar casa]\npath = %s/casa\n[options]\nnotifications = always\n" % s.workdir)
            with open(os.path.join(s.workdir, "casa", "cena.ics"), "w") as f:
                f.write("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//e2e//EN\r\nBEGIN:VEVENT\r\nUID:cena\r\n"
                        "DTSTAMP:20260101T000000Z\r\nDTSTART:20261204T103500\r\nSUMMARY:Cena\r\nEND:VEVENT\r\n"
                        "END:VCALENDAR\r\n")
        else:
            os.environ.pop("DBUS_SESSION_BUS_ADDRESS", None)
            env["XDG_RUNTIME_DIR"] = s.workdir
        app, set_clock = start(s, [DENTISTA, ("Treno", 4, 12, 2026, 10, 30, 5, 0, 0)], env)
        if not bus:
            iconify(s)
        set_clock("08:50:00")  # the dentist's hour: nobody answers
        wait_for(lambda: "D-Bus" in app.stderr(), what="the line on stderr")
        if bus:
            start_dunst(s)
        set_clock("09:35:30")  # the train's and the dinner's hour, the dentist's half hour
        if bus:
            wait_for(lambda: sorted(n[:2] for n in mon.notifies() if n[5]) == [
                ("Cena", "Oggi alle 10:35, fra 60 minuti\nCalendario: casa"),
                ("Dentista", "Oggi alle 9:50, fra 15 minuti"), ("Treno", "Oggi alle 10:30, fra 55 minuti")],
                what="three notifications while the owl can be seen")
            s.run(["wmctrl", "-c", TITLE])  # closed: the notifications go with the owl
            wait_for(lambda: sorted(mon.closed()) == sorted(n[5] for n in mon.notifies() if n[5]),
                     what="CloseNotification at exit")
            app.proc.wait(30)
        else:
            time.sleep(1.5)
            restore(s)
            wait_for(lambda: attention(s.screenshot()) == (True, True, "2"), what="both notices in the window")
        assert len([l for l in app.stderr().splitlines() if "D-Bus" in l]) == 1 and app.running() != bus, app.stderr()


def main():
    if "STRIGOLO_PRIVATE_BUS" not in os.environ:  # run again inside a session bus of our own,
        os.environ["STRIGOLO_PRIVATE_BUS"] = "1"   # which starts no service by itself
        os.execvp("dbus-run-session", ["dbus-run-session", "--config-file=" + BUS_CONFIG, "--", sys.executable]
                  + sys.argv)
    with_dunst()
    without_server(bus=True)
    without_server(bus=False)


if __name__ == "__main__":
    main()
    print("desktop notices: all checks passed")
