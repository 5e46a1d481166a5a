"""The icon menu in the real program: hovering shows the label beside the pointer,
the sound icon changes its picture, the browser icons start the browser with their
address, and the calendar icon leaves the scene for the event list."""
import os
import stat
import sys
import time

from harness import Session, wait_for

ICONS = {"calendar": (44.5, 465), "question": (44.5, 360), "search": (44.5, 255),
         "site": (44.5, 150), "sound": (44.5, 45)}


def brightened(before, after, gx0, gy0, gx1, gy1):
    """Pixels of a GUI rectangle that turned near-white: the tooltip's letters."""
    x0, x1 = int(gx0 * after.width / 512), int(gx1 * after.width / 512)
    y0, y1 = int((512 - gy1) * after.height / 512), int((512 - gy0) * after.height / 512)
    return sum(1 for y in range(y0, y1) for x in range(x0, x1)
               if min(after.pixel(x, y)) > 180 and sum(after.pixel(x, y)) > sum(before.pixel(x, y)) + 150)


def check_hover_labels(s):
    # The label starts 15 units right of the pointer, on its height, 20 units tall.
    for name in ("search", "site", "sound"):
        gx, gy = ICONS[name]
        s.move(300, 20)
        quiet = s.screenshot()
        s.move(gx, gy, settle=0.3)
        shown = brightened(quiet, s.screenshot(), gx + 17, gy + 1, gx + 80, gy + 19)
        assert shown > 20, (name, shown)
        # Away from the icons the label is gone again.
        s.move(300, 20)
        assert brightened(quiet, s.screenshot(), gx + 17, gy + 1, gx + 80, gy + 19) < 5, name


def check_sound_icon(s):
    gx, gy = ICONS["sound"]
    s.move(gx, gy, settle=0.3)
    on = s.screenshot()
    box = (int(10 * on.width / 512), int((512 - 80) * on.height / 512),
           int(80 * on.width / 512), int((512 - 10) * on.height / 512))
    s.click(gx, gy)
    off = s.screenshot()
    assert on.region_differs(off, *box), "the sound icon kept its picture"
    s.click(gx, gy)
    again = s.screenshot()
    assert not on.region_differs(again, *box), "the sound icon did not come back"


def check_browser_icons(s, log):
    s.click(*ICONS["search"])
    s.click(*ICONS["site"])
    lines = wait_for(lambda: open(log).read().splitlines() if os.path.exists(log) and
                     len(open(log).read().splitlines()) >= 2 else None, timeout=10, what="xdg-open")
    page = os.path.join(os.path.realpath(s.workdir), "Data", "strigolo.html")
    assert lines == ["https://duckduckgo.com/", "file://" + page], lines
    assert os.path.exists(page)


def check_calendar_icon(s):
    scene = s.screenshot()
    s.click(*ICONS["calendar"])
    panel = s.screenshot()
    # The event list's backdrop replaces the owl and its tree.
    changed = sum(1 for y in range(0, panel.height, 5) for x in range(0, panel.width, 5)
                  if max(abs(a - b) for a, b in zip(scene.pixel(x, y), panel.pixel(x, y))) > 40)
    assert changed > 0.5 * (panel.width // 5) * (panel.height // 5), changed


def main():
    with Session() as s:
        stub_dir = os.path.join(s.workdir, "bin")
        os.mkdir(stub_dir)
        log = os.path.join(s.workdir, "opened.txt")
        stub = os.path.join(stub_dir, "xdg-open")
        with open(stub, "w") as f:
            f.write("#!/bin/sh\necho \"$1\" >> '%s'\n" % log)
        os.chmod(stub, os.stat(stub).st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)
        app = s.start(path_prepend=stub_dir)
        check_hover_labels(s)
        check_sound_icon(s)
        check_browser_icons(s, log)
        check_calendar_icon(s)
        assert app.running(), app.stderr()


if __name__ == "__main__":
    main()
    print("icon menu: all checks passed")
    sys.exit(0)
