"""The calendar through the real program: open the list from the scene, add an event
with real key presses, confirm and find it in Data/database.bin; start again, remove
it and find the file back to four zero bytes; scroll a list of 13 events.

With STRIGOLO_SCREENSHOTS set to a folder, the list and editor pictures are saved
there as PNG (list-*.png, editor-*.png).
"""
import os
import struct
import sys
import time

from harness import Session, wait_for

SHOTS = os.environ.get("STRIGOLO_SCREENSHOTS")

ICON_CALENDAR = (44.5, 465)
ADD = (447.12, 436.5)
CLOSE_OR_TRASH = (485.12, 486)
CONFIRM = (476.62, 436.5)
TITLE_BOX = (120, 220)
DESCRIPTION_BOX = (256, 108)
ARROW_UP, ARROW_DOWN = (485, 389), (485, 40)
TAB_WEEKLY, TAB_REMINDER = (243.5, 486), (391.5, 486)
NOTIFICATION = (435, 440)
YEAR_UP = (210, 410)


def row(i):
    return (241.5, 390 - 32 * i)


def record(title, day, month, year, hour, minute, wday=0, type_=0):
    """One 572-byte record of the calendar file, laid out field by field."""
    return struct.pack("<20s512s8if3Bx", title.encode(), b"", day, month, year, hour, minute,
                       wday, type_, 0, 0.0, 0, 0, 0)


def database(records):
    return struct.pack("<i", len(records)) + b"".join(records)


def titles(data):
    count = struct.unpack_from("<i", data)[0]
    assert len(data) == 4 + 572 * count, len(data)
    return [data[4 + 572 * i:24 + 572 * i].split(b"\0")[0].decode() for i in range(count)]


def shot(session, name):
    if SHOTS:
        session.screenshot(save_as=os.path.join(SHOTS, name + ".png"))


def wait_for_file(session, expected_titles, what):
    def ok():
        try:
            return titles(session.read_data("database.bin")) == expected_titles
        except (OSError, AssertionError, struct.error):
            return False
    wait_for(ok, timeout=10, what=what)


def check_add_then_remove():
    with Session(keep_dir=True) as s:
        try:
            app = s.start()
            s.click(*ICON_CALENDAR)
            shot(s, "list-empty")
            s.click(*ADD)
            shot(s, "editor-appointment")
            s.click(*TITLE_BOX)
            s.type_text("Dentista")
            shot(s, "editor-title-focused")
            s.click(*DESCRIPTION_BOX)
            s.type_text("Porta la tessera")
            s.click(*TAB_WEEKLY)
            shot(s, "editor-weekly")
            s.click(*TAB_REMINDER)
            shot(s, "editor-reminder")
            s.click(260, 486 - 40)  # nowhere: no change, focus dropped
            s.click(71, 486)        # back to an appointment
            # A year ahead, so it is not due at the next start (a due event disables
            # the calendar icon while its notice is pending).
            s.click(*YEAR_UP)
            assert not os.path.exists(s.data_path("database.bin")), "saved before confirm"
            s.click(*CONFIRM)
            wait_for_file(s, ["Dentista"], "the confirmed event in the file")
            data = s.read_data("database.bin")
            assert len(data) == 576, len(data)
            assert data[24:24 + 17] == b"Porta la tessera\0", data[24:44]
            assert struct.unpack_from("<i", data, 4 + 556)[0] == 0  # an appointment
            assert struct.unpack_from("<i", data, 4 + 540)[0] == time.localtime().tm_year + 1
            shot(s, "list-one")
            app.stop()
            assert "could not save" not in app.stderr(), app.stderr()

            # Start again: the event is read back; open it and throw it away.
            s.window = None
            app = s.start()
            s.click(*ICON_CALENDAR)
            s.click(*row(0))
            s.click(*CLOSE_OR_TRASH)
            wait_for(lambda: s.read_data("database.bin") == b"\0\0\0\0", timeout=10,
                     what="an empty calendar file")
            assert not os.path.exists(s.data_path("database.bin.tmp"))
            assert app.running()
        finally:
            s.keep_dir = False


def check_thirteen_events_scroll():
    with Session() as s:
        names = ["e%02d" % i for i in range(13)]
        s.write_data("database.bin", database(
            [record(n, 1 + i, 6, 2031, 9 + i % 10, 7 * i % 60) for i, n in enumerate(names)]))
        s.start()
        s.click(*ICON_CALENDAR)
        shot(s, "list-full")
        before = s.screenshot()
        s.click(*ARROW_DOWN)
        shot(s, "list-scrolled")
        after = s.screenshot()
        assert before.region_differs(after, 0, 0, after.width, after.height), "the page did not move"
        s.click(*ARROW_DOWN)  # no event below any more: the page stays
        # The top row now holds the second event: open it and remove it.
        s.click(*row(0))
        s.click(*CLOSE_OR_TRASH)
        wait_for_file(s, names[:1] + names[2:], "e01 removed from the file")
        # Twelve events left: the clamp brings the page back to the top, and the up
        # arrow has nowhere to go.
        s.click(*ARROW_UP)
        s.click(*row(0))
        shot(s, "editor-existing")
        s.click(*CLOSE_OR_TRASH)
        wait_for_file(s, names[2:], "e00 removed from the file")


def appointment_in(minutes, title):
    t = time.localtime(time.time() + minutes * 60)
    return record(title, t.tm_mday, t.tm_mon, t.tm_year, t.tm_hour, t.tm_min)


def check_view_mode():
    """Due events open read-only from the owl's notification button; dismissing
    removes the one whose time has come and keeps, acknowledged, the one ahead."""
    with Session() as s:
        s.write_data("database.bin", database([appointment_in(45, "Treno"),
                                               appointment_in(-10, "Passato")]))
        s.start()
        s.click(*NOTIFICATION)
        shot(s, "editor-view-due")
        s.click(*TITLE_BOX)
        s.type_text("xyz")  # read-only: nothing is typed
        s.click(*CLOSE_OR_TRASH)
        wait_for_file(s, ["Treno"], "the past appointment removed")
        s.click(*NOTIFICATION)
        shot(s, "editor-view-soon")
        s.click(*CLOSE_OR_TRASH)
        time.sleep(0.5)
        data = s.read_data("database.bin")
        assert titles(data) == ["Treno"], titles(data)
        assert data[4 + 568:4 + 571] == b"\1\0\0", data[4 + 568:4 + 571]  # one-hour notice given


if __name__ == "__main__":
    check_add_then_remove()
    check_thirteen_events_scroll()
    check_view_mode()
    print("calendar: all checks passed")
    sys.exit(0)
