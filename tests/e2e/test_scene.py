"""The owl scene and its icon menu in the real program, one session: hover labels, the
sound icon's picture, the browser icons' addresses, the pointer waking a sleeping owl,
the pupils following the pointer, the calendar icon leaving the scene. The owl's
pictures are flat marker colours, so a screenshot tells the pose."""
import os
import sys
import time

from harness import Session, raw_texture, wait_for

ICONS = {"calendar": (44.5, 465), "search": (44.5, 255), "site": (44.5, 150), "sound": (44.5, 45)}
POSES = {"stand": (220, 30, 30), "stand2": (30, 220, 30), "sleep": (30, 30, 220)}
CLEAR = raw_texture(1, 1, [0, 0, 0, 0])


def pose_of(img):
    """The pose whose marker colour covers at least 3 of 5 body points, or None."""
    votes = {}
    for gx, gy in ((271, 200), (250, 150), (330, 230), (200, 260), (300, 120)):
        px = img.gui_pixel(gx, gy)
        name = next((n for n, c in POSES.items() if all(abs(a - b) < 60 for a, b in zip(px, c))), None)
        votes[name] = votes.get(name, 0) + 1
    best = max(votes, key=votes.get)
    return best if votes[best] >= 3 else None


def brightened(before, after, gx0, gy0, gx1, gy1):
    """Pixels of a GUI rectangle that turned near-white: the tooltip's letters."""
    x0, x1 = int(gx0 * after.width / 512), int(gx1 * after.width / 512)
    y0, y1 = int((512 - gy1) * after.height / 512), int((512 - gy0) * after.height / 512)
    return sum(1 for y in range(y0, y1) for x in range(x0, x1)
               if min(after.pixel(x, y)) > 180 and sum(after.pixel(x, y)) > sum(before.pixel(x, y)) + 150)


def magenta_centre_x(img):
    """Mean x (pixels) of the magenta marker on the left pupil layer, or None."""
    xs = [x for y in range(img.height // 4) for x in range(img.width)
          if img.pixel(x, y)[0] > 110 and img.pixel(x, y)[2] > 110 and img.pixel(x, y)[1] < 70]
    return sum(xs) / len(xs) if len(xs) >= 3 else None


def check_icons(s, log):
    for name in ("search", "site", "sound"):  # the label: 15 units right of the pointer
        gx, gy = ICONS[name]
        s.move(300, 20)
        quiet = s.screenshot()
        s.move(gx, gy, settle=0.3)
        assert brightened(quiet, s.screenshot(), gx + 17, gy + 1, gx + 80, gy + 19) > 20, name
        s.move(300, 20)
        assert brightened(quiet, s.screenshot(), gx + 17, gy + 1, gx + 80, gy + 19) < 5, name
    gx, gy = ICONS["sound"]
    s.move(gx, gy, settle=0.3)
    on = s.screenshot()
    box = (int(10 * on.width / 512), int(432 * on.height / 512), int(80 * on.width / 512), int(502 * on.height / 512))
    s.click(gx, gy)
    assert on.region_differs(s.screenshot(), *box), "the sound icon kept its picture"
    s.click(gx, gy)
    assert not on.region_differs(s.screenshot(), *box), "the sound icon did not come back"
    s.click(*ICONS["search"])
    s.click(*ICONS["site"])
    lines = wait_for(lambda: os.path.exists(log) and len(open(log).read().splitlines()) >= 2
                     and open(log).read().splitlines(), timeout=20, what="xdg-open")
    page = os.path.join(os.path.realpath(s.workdir), "Data", "strigolo.html")
    assert lines == ["https://duckduckgo.com/", "file://" + page], lines


def check_owl(s):
    s.move_screen(3, 3)  # away from the window: the owl falls asleep at the next pose changes
    wait_for(lambda: pose_of(s.screenshot()) == "sleep", timeout=150, interval=0.1, what="the owl to fall asleep")
    # Resting over the window wakes it within a second of scene time (0.1 s here), long
    # before the pose timer would (30 s or more, 3 s here).
    s.move(400, 400, settle=0)
    wait_for(lambda: pose_of(s.screenshot()) == "stand", timeout=2.5, interval=0.02, what="the pointer to wake the owl")
    for _ in range(10):
        assert pose_of(s.screenshot()) == "stand", "the owl fell asleep under the pointer"
        time.sleep(0.2)
    shifts = []  # retried: blinks hide the pupils and an offer centres them
    for _ in range(30):
        s.move(20, 392, settle=0.2)
        left = magenta_centre_x(s.screenshot())
        s.move(500, 392, settle=0.2)
        right = magenta_centre_x(s.screenshot())
        if left is not None and right is not None:
            shifts.append(right - left)
            if right - left > 4.5:
                break
    # 10 GUI units of travel (rim to rim) are about 5.9 pixels in a 300 pixel window.
    assert shifts and 4.5 < max(shifts) < 7.5, shifts


def check_calendar_icon(s):
    scene = s.screenshot()
    s.click(*ICONS["calendar"])
    panel = s.screenshot()
    changed = sum(1 for y in range(0, panel.height, 5) for x in range(0, panel.width, 5)
                  if max(abs(a - b) for a, b in zip(scene.pixel(x, y), panel.pixel(x, y))) > 40)
    assert changed > 0.5 * (panel.width // 5) * (panel.height // 5), "the event list did not replace the owl"


def main():
    with Session() as s:
        for pose, name in (("stand", "stand_01"), ("stand2", "stand_02"), ("sleep", "sleep")):
            for suffix in ("", "_close_eyes"):
                s.write_data(name + suffix, raw_texture(2, 2, (list(POSES[pose]) + [255]) * 4))
        # The left pupil layer: one magenta texel near the eye's rest point (each texel of
        # the 50 by 50 layer covers about 10 by 10 GUI units).
        texels = [0, 0, 0, 0] * (50 * 50)
        texels[(37 * 50 + 21) * 4:(37 * 50 + 22) * 4] = [255, 0, 255, 255]
        s.write_data("eye_left", raw_texture(50, 50, texels))
        s.write_data("eye_right", CLEAR)
        bin_dir, log = os.path.join(s.workdir, "bin"), os.path.join(s.workdir, "opened.txt")
        os.mkdir(bin_dir)
        with open(os.path.join(bin_dir, "xdg-open"), "w") as f:  # records instead of a browser
            f.write("#!/bin/sh\necho \"$1\" >> '%s'\n" % log)
        os.chmod(os.path.join(bin_dir, "xdg-open"), 0o755)
        # The scene's clock runs 10 times faster: a pose change every 1 to 6 s. libfaketime
        # is preloaded ahead of the sanitizer runtime; tell it so.
        asan = os.environ.get("ASAN_OPTIONS", "")
        app = s.start(faketime="+0 x10", path_prepend=bin_dir,
                      env={"ASAN_OPTIONS": (asan + ":" if asan else "") + "verify_asan_link_order=0"})
        check_icons(s, log)
        check_owl(s)
        check_calendar_icon(s)
        assert app.running(), app.stderr()


if __name__ == "__main__":
    main()
    print("scene: all checks passed")
    sys.exit(0)
