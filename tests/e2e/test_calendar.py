"""The calendar through the real program: two owls on two displays share one
Data/database.bin, each adds an event with real key presses and neither loses the
other's; a full disk is told in the window until a later save succeeds; a list of 13
events scrolls."""
import os
import struct
import sys
import time

from harness import BIN, OUT_DIR, Session, wait_for

ICON_CALENDAR, ADD, CONFIRM = (44.5, 465), (447.12, 436.5), (476.62, 436.5)
TRASH, TITLE_BOX, YEAR_UP, ARROW_DOWN = (485.12, 486), (120, 220), (210, 410), (485, 40)
ROW0, CLOSE = (241.5, 390), TRASH  # the panel's corner button closes the list


def titles(data):
    count = struct.unpack_from("<i", data)[0]
    assert len(data) == 4 + 572 * count, len(data)
    return [data[4 + 572 * i:24 + 572 * i].split(b"\0")[0].decode() for i in range(count)]


def wait_for_titles(s, expected, what, timeout=10):
    """Waits until the file holds these titles, in any order."""
    def ok():
        try:
            return sorted(titles(s.read_data("database.bin"))) == sorted(expected)
        except (OSError, AssertionError, struct.error):
            return False
    wait_for(ok, timeout=timeout, what=what)


def add_event(s, title, confirm=True):
    s.click(*ICON_CALENDAR)
    s.click(*ADD)
    s.click(*TITLE_BOX)
    s.type_text(title)
    s.click(*YEAR_UP)  # a year ahead, so it is not due at the next start
    if confirm:
        s.click(*CONFIRM)


def check_two_owls_share_one_calendar():
    with Session() as a, Session() as b:
        owl_a, owl_b = a.start(), b.start(cwd=a.workdir)  # two displays, one folder
        add_event(a, "Dentista", confirm=False)
        assert not os.path.exists(a.data_path("database.bin")), "saved before confirm"
        a.click(*CONFIRM)
        wait_for_titles(a, ["Dentista"], "A's event in the file")
        data = a.read_data("database.bin")
        assert struct.unpack_from("<i", data, 4 + 540)[0] == time.localtime().tm_year + 1
        one_row = a.screenshot()
        add_event(b, "Palestra")  # B read an empty calendar and knows nothing of A's event
        wait_for_titles(a, ["Dentista", "Palestra"], "both events in the file")
        a.click(*CLOSE)  # A merges B's event in once no panel is open
        time.sleep(2.5)
        a.click(*ICON_CALENDAR)
        two_rows = a.screenshot()
        h = two_rows.height / 512  # the second row's text, GUI y 349 to 369
        assert two_rows.region_differs(one_row, 0, int((512 - 372) * h), two_rows.width, int((512 - 348) * h)), \
            "B's event in A's list"
        a.click(*ROW0)  # A throws its own event away and keeps B's
        a.click(*TRASH)
        wait_for_titles(a, ["Palestra"], "only B's event left")
        assert owl_a.running() and owl_b.running() and "could not" not in owl_a.stderr() + owl_b.stderr()


def band(img):
    """(background, brightest) pixels of the notice band along the window's bottom, or None."""
    row = [img.gui_pixel(x, 3) for x in range(2, 510, 4)]
    if max(max(p) for p in row) > 40:
        return None
    text = max((img.gui_pixel(x, y) for x in range(40, 472, 2) for y in range(8, 48)), key=sum)
    return row[0], text


def luminance(rgb):
    c = [v / 255 for v in rgb]
    c = [v / 12.92 if v <= 0.04045 else ((v + 0.055) / 1.055) ** 2.4 for v in c]
    return 0.2126 * c[0] + 0.7152 * c[1] + 0.0722 * c[2]


def check_full_disk_is_shown():
    """The first fsync fails with ENOSPC; the save retried 10 s later succeeds."""
    with Session() as s:
        inject = ["strace", "-f", "-qq", "--seccomp-bpf", "-o", "/dev/null", "-e", "trace=fsync",
                  "-e", "inject=fsync:error=ENOSPC:when=1"]
        app = s.start(command=inject + [BIN])
        add_event(s, "Dentista")
        bg, text = wait_for(lambda: band(s.screenshot()), timeout=5, what="the notice")
        s.screenshot(save_as=os.path.join(OUT_DIR, "calendar-full-disk.png"))
        contrast = (luminance(text) + 0.05) / (luminance(bg) + 0.05)
        assert contrast >= 4.5, (bg, text, contrast)
        assert not os.path.exists(s.data_path("database.bin"))
        wait_for_titles(s, ["Dentista"], "the save retried 10 s later", timeout=25)
        wait_for(lambda: band(s.screenshot()) is None, timeout=5, what="the notice gone")
        assert app.stderr().count("could not save") == 1, app.stderr()


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
    check_two_owls_share_one_calendar()
    check_full_disk_is_shown()
    check_thirteen_events_scroll()
    print("calendar: all checks passed")
    sys.exit(0)
