"""The scene by hand. On a clock ten times fast, with the owl's poses in flat marker
colours: the browser icons open their addresses, the pointer wakes a sleeping owl and
keeps it awake, the pupils follow it, the calendar icon replaces the scene. Then a quiz
on the real clock: an offer, its panel, an answer picked, and a sound heard only once the
panel is closed."""
import os
import time

from harness import CALENDAR, CHECK, BUTTON, Session, raw_texture, samples, solid, wait_for

POSES = {"stand": (220, 30, 30), "stand2": (30, 220, 30), "sleep": (30, 30, 220)}
SEARCH, SITE, INTERACT = (44.5, 255), (44.5, 150), (44.5, 360)


def pose_of(img):
    """The pose whose marker colour covers at least 3 of 5 body points, or None."""
    votes = [next((n for n, c in POSES.items() if all(abs(a - b) < 60 for a, b in zip(img.gui_pixel(*p), c))), None)
             for p in ((271, 200), (250, 150), (330, 230), (200, 260), (300, 120))]
    best = max(votes, key=votes.count)
    return best if votes.count(best) >= 3 else None


def magenta_centre_x(img):
    """Mean x (pixels) of the magenta marker on the left pupil layer, or None."""
    xs = [x for y in range(img.height // 4) for x in range(img.width)
          if img.pixel(x, y)[0] > 110 and img.pixel(x, y)[2] > 110 and img.pixel(x, y)[1] < 70]
    return sum(xs) / len(xs) if len(xs) >= 3 else None


def check_scene():
    with Session() as s:
        for pose, name in (("stand", "stand_01"), ("stand2", "stand_02"), ("sleep", "sleep")):
            s.write_data(name, solid(POSES[pose]))
            s.write_data(name + "_close_eyes", solid(POSES[pose]))
        # One magenta texel near the left eye's rest point (a texel covers about 10 by 10 GUI units).
        texels = [0, 0, 0, 0] * (50 * 50)
        texels[(37 * 50 + 21) * 4:(37 * 50 + 22) * 4] = [255, 0, 255, 255]
        s.write_data("eye_left", raw_texture(50, 50, texels))
        s.write_data("eye_right", raw_texture(1, 1, [0] * 4))
        bin_dir, log = os.path.join(s.workdir, "bin"), os.path.join(s.workdir, "opened.txt")
        os.mkdir(bin_dir)
        with open(os.path.join(bin_dir, "xdg-open"), "w") as f:  # records instead of a browser
            f.write("#!/bin/sh\necho \"$1\" >> '%s'\n" % log)
        os.chmod(os.path.join(bin_dir, "xdg-open"), 0o755)
        app = s.start(faketime="+0 x10", env={"PATH": bin_dir + os.pathsep + os.environ["PATH"]})
        s.click(*SEARCH)
        s.click(*SITE)
        lines = wait_for(lambda: os.path.exists(log) and len(open(log).read().splitlines()) == 2
                         and open(log).read().splitlines(), what="xdg-open")
        page = os.path.join(os.path.realpath(s.workdir), "Data", "strigolo.html")
        assert lines == ["https://duckduckgo.com/", "file://" + page], lines

        s.move_screen(3, 3)  # away from the window: the owl falls asleep at a pose change
        wait_for(lambda: pose_of(s.screenshot()) == "sleep", timeout=150, interval=0.1, what="the owl asleep")
        # Over the window it wakes within a second of scene time (0.1 s here), long before
        # the pose timer would (30 s or more, 3 s here), and stays awake.
        s.move(400, 400, settle=0)
        wait_for(lambda: pose_of(s.screenshot()) == "stand", timeout=2.5, interval=0.02, what="the owl woken")
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

        scene = s.screenshot()
        s.click(*CALENDAR)
        s.move(256, 300)
        panel = s.screenshot()
        assert sum(scene.differs(panel, x, y, x + 32, y + 32) for x in range(0, 512, 32) for y in range(0, 512, 32)) \
            > 128, "the event list did not replace the owl"
        assert app.running(), app.stderr()


def check_quiz():
    with Session() as s:
        app = s.start(sound=(22050, "int16"))
        s.click(*INTERACT)
        scene = s.screenshot()
        s.click(*BUTTON)  # the offer
        assert s.screenshot().differs(scene, 230, 40, 290, 90), "the offer did not open the quiz"
        s.click(138, 110)  # the first answer
        time.sleep(1.0)
        loud = lambda since: max(map(abs, samples(s.wav)[int(since * 22050):]), default=0)
        closed = len(samples(s.wav)) / 22050  # seconds recorded
        assert loud(closed - 0.5) < 200, "a sound before the panel closed"
        s.click(*CHECK)  # closes the panel: the owl answers with a sound
        wait_for(lambda: loud(closed) > 1000, timeout=10, what="the owl's answer")
        assert app.running(), app.stderr()


if __name__ == "__main__":
    check_scene()
    check_quiz()
    print("scene: all checks passed")
