"""The scene by hand. On a clock ten times fast, with the owl's poses in flat marker
colours: the browser icons open their addresses, the pointer wakes a sleeping owl and
keeps it awake. Then a quiz on the real clock: an offer, its panel, an answer picked, and
a sound heard only once the panel is closed."""
import os
import time

from harness import BUTTON, CHECK, Session, loudest, solid, wait_for

POSES = {"stand": (220, 30, 30), "stand2": (30, 220, 30), "sleep": (30, 30, 220)}
SEARCH, SITE, INTERACT = (44.5, 255), (44.5, 150), (44.5, 360)


def pose_of(img):
    """The pose whose marker colour covers at least 3 of 5 body points, or None."""
    votes = [next((n for n, c in POSES.items() if all(abs(a - b) < 60 for a, b in zip(img.gui_pixel(*p), c))), None)
             for p in ((271, 200), (250, 150), (330, 230), (200, 260), (300, 120))]
    best = max(votes, key=votes.count)
    return best if votes.count(best) >= 3 else None


def check_scene():
    with Session() as s:
        for pose, name in (("stand", "stand_01"), ("stand2", "stand_02"), ("sleep", "sleep")):
            s.write_data(name, solid(POSES[pose]))
            s.write_data(name + "_close_eyes", solid(POSES[pose]))
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
        closed = (os.path.getsize(s.wav) - 44) / 2 / 22050  # seconds recorded
        assert loudest(s.wav, closed - 0.5) < 200, "a sound before the panel closed"
        s.click(*CHECK)  # closes the panel: the owl answers with a sound
        wait_for(lambda: loudest(s.wav, closed) > 1000, timeout=10, what="the owl's answer")
        assert app.running(), app.stderr()


if __name__ == "__main__":
    check_scene()
    check_quiz()
    print("scene: all checks passed")
