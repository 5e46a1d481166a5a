"""The calendar through the real program: open the list from the scene, add an event
with real key presses, confirm and find it in Data/database.bin; start again, remove
it and find the file back to four zero bytes; scroll a list of 13 events."""
import os
import struct
import sys
import time

from harness import Session, wait_for

ICON_CALENDAR, ADD, CONFIRM = (44.5, 465), (447.12, 436.5), (476.62, 436.5)
TRASH, TITLE_BOX, YEAR_UP, ARROW_DOWN = (485.12, 486), (120, 220), (210, 410), (485, 40)
ROW0 = (241.5, 390)


def titles(data):
    count = struct.unpack_from("<i", data)[0]
    assert len(data) == 4 + 572 * count, len(data)
    return [data[4 + 572 * i:24 + 572 * i].split(b"\0")[0].decode() for i in range(count)]


def wait_for_titles(s, expected, what):
    def ok():
        try:
            return titles(s.read_data("database.bin")) == expected
        except (OSError, AssertionError, struct.error):
            return False
    wait_for(ok, timeout=10, what=what)


def check_add_then_remove():
    with Session() as s:
        app = s.start()
        s.click(*ICON_CALENDAR)
        s.click(*ADD)
        s.click(*TITLE_BOX)
        s.type_text("Dentista")
        s.click(*YEAR_UP)  # a year ahead, so it is not due at the next start
        assert not os.path.exists(s.data_path("database.bin")), "saved before confirm"
        s.click(*CONFIRM)
        wait_for_titles(s, ["Dentista"], "the confirmed event in the file")
        data = s.read_data("database.bin")
        assert struct.unpack_from("<i", data, 4 + 540)[0] == time.localtime().tm_year + 1
        assert struct.unpack_from("<i", data, 4 + 556)[0] == 0  # an appointment
        app.stop()
        assert "could not save" not in app.stderr(), app.stderr()

        app = s.start()  # read back: open it from the list and throw it away
        s.click(*ICON_CALENDAR)
        s.click(*ROW0)
        s.click(*TRASH)
        wait_for(lambda: s.read_data("database.bin") == b"\0\0\0\0", timeout=10, what="an empty file")
        assert not os.path.exists(s.data_path("database.bin.tmp")) and app.running()


def check_thirteen_events_scroll():
    with Session() as s:
        names = ["e%02d" % i for i in range(13)]
        s.write_data("database.bin", struct.pack("<i", 13) + b"".join(
            struct.pack("<20s512s8if3Bx", n.encode(), b"", 1 + i, 6, 2031, 9, 0, 0, 0, 0, 0.0, 0, 0, 0)
            for i, n in enumerate(names)))
        s.start()
        s.click(*ICON_CALENDAR)
        before = s.screenshot()
        s.click(*ARROW_DOWN)
        after = s.screenshot()
        assert before.region_differs(after, 0, 0, after.width, after.height), "the page did not move"
        s.click(*ARROW_DOWN)  # no event below any more: the page stays
        s.click(*ROW0)  # the top row now holds the second event
        s.click(*TRASH)
        wait_for_titles(s, names[:1] + names[2:], "e01 removed from the file")


if __name__ == "__main__":
    check_add_then_remove()
    check_thirteen_events_scroll()
    print("calendar: all checks passed")
    sys.exit(0)
