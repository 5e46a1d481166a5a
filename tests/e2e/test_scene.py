"""The scene by hand: the browser icons open their addresses through xdg-open; a quiz: an
offer, its panel, an answer picked, and a sound heard only once the panel is closed."""
import os
import time

from harness import BUTTON, CHECK, Session, loudest, near, wait_for

SEARCH, SITE, INTERACT = (44.5, 255), (44.5, 150), (44.5, 360)


def check_scene():
    with Session() as s:
        bin_dir, log = os.path.join(s.workdir, "bin"), os.path.join(s.workdir, "opened.txt")
        os.mkdir(bin_dir)
        with open(os.path.join(bin_dir, "xdg-open"), "w") as f:  # records instead of a browser
            f.write("#!/bin/sh\necho \"$1\" >> '%s'\n" % log)
        os.chmod(os.path.join(bin_dir, "xdg-open"), 0o755)
        app = s.start(env={"PATH": bin_dir + os.pathsep + os.environ["PATH"]}, sound=(22050, "int16"))
        s.click(*SEARCH)
        s.click(*SITE)
        lines = wait_for(lambda: os.path.exists(log) and len(open(log).read().splitlines()) == 2
                         and open(log).read().splitlines(), what="xdg-open")
        page = os.path.join(os.path.realpath(s.workdir), "Data", "strigolo.html")
        assert lines == ["https://duckduckgo.com/", "file://" + page], lines

        s.click(*INTERACT)
        scene = s.screenshot()
        s.click(*BUTTON)  # the offer
        assert not near(s.screenshot().gui_pixel(470, 120), scene.gui_pixel(470, 120)), "the offer did not open the quiz"
        s.click(138, 110)  # the first answer
        time.sleep(1.0)
        closed = (os.path.getsize(s.wav) - 44) / 2 / 22050  # seconds recorded
        assert loudest(s.wav, closed - 0.5) < 200, "a sound before the panel closed"
        s.click(*CHECK)  # closes the panel: the owl answers with a sound
        wait_for(lambda: loudest(s.wav, closed) > 1000, timeout=10, what="the owl's answer")
        assert app.running(), app.stderr()


if __name__ == "__main__":
    check_scene()
    print("scene: all checks passed")
