"""Events due at start-up, end to end: a calendar holding an hourly reminder and an
appointment already past shows a counter of 2. The cloud's button opens the
appointment first (view mode), whose check deletes it; the next click opens the
reminder in the editor, and "conferma" returns to the scene with the reminder's hour
started again: it is not due until an hour of the program's time has passed. The
clock runs 200 times faster, so that hour takes 18 s."""
import sys
import time

from harness import Session, wait_for
from test_reminders import (BUTTON, CHECK, START, attention, counter, database, faketime_env,
                            near, read_database, read_text, record, use_markers, OWL)

CONFIRM = (476.62, 436.5)  # edit mode's "conferma"
SPEED = 200


def check_due_at_start():
    with Session() as s:
        use_markers(s)
        s.write_data("database.bin", database(
            record("Pillola", kind=2, remind_mode=0, remind_te=0.0),
            record("Riunione", hour=8, minute=0)))
        app = s.start(faketime="%s x%d" % (START, SPEED), env=faketime_env())
        s.move_screen(3, 3)

        scene = s.screenshot()
        assert attention(scene) == (True, True), "the reminder and the past appointment are due at start"
        assert counter(scene) == "2", "the counter reads %r" % counter(scene)
        # Attention holds the first standing pose through many pose timers (20 to 60 s
        # of the program's time each).
        for _ in range(6):
            assert near(s.screenshot().gui_pixel(271, 200), OWL), "the owl left its attention pose"
            time.sleep(0.2)

        # The appointment comes first, in view mode; its check deletes it.
        s.click(*BUTTON)
        s.move_screen(3, 3)
        view = s.screenshot()
        assert read_text(view, 28, 210, 8) == "Riunione", read_text(view, 28, 210, 8)
        assert read_text(view, 20, 280, 17) == "Ora:   8 : 0 (am)", read_text(view, 20, 280, 17)
        s.click(*CHECK)
        s.move_screen(3, 3)
        assert [e["title"] for e in read_database(s.read_data("database.bin"))] == ["Pillola"]
        scene = s.screenshot()
        assert attention(scene) == (True, True) and counter(scene) == "1", "the reminder is still due"

        # The reminder opens in the editor; "conferma" goes back to the scene.
        s.click(*BUTTON)
        s.move_screen(3, 3)
        editor = s.screenshot()
        assert read_text(editor, 28, 210, 7) == "Pillola", read_text(editor, 28, 210, 7)
        assert read_text(editor, 17, 330, 20) == "Ricordamelo ogni ora", read_text(editor, 17, 330, 20)
        assert read_text(editor, 402, 436.5, 8, center=True) == "conferma"
        s.click(*CONFIRM)
        confirmed = time.monotonic()
        s.move_screen(3, 3)
        scene = s.screenshot()
        assert attention(scene) == (False, False), "a confirmed reminder is not due"
        assert read_text(scene, 28, 210, 7) != "Pillola", "back in the scene, not the list or editor"
        saved = read_database(s.read_data("database.bin"))
        assert len(saved) == 1 and saved[0]["remind_te"] == 0.0, saved

        # Its hour starts again: quiet for most of it, due once it has passed. Meanwhile
        # the owl is free to change pose (and may offer a quiz, which wears another icon).
        hour = 3600.0 / SPEED
        poses = set()
        while time.monotonic() - confirmed < hour * 0.6:
            img = s.screenshot()
            assert not attention(img)[1], "the reminder came back too early"
            poses.add(img.gui_pixel(271, 200))
            time.sleep(0.3)
        assert any(not near(p, OWL) for p in poses), "without a due event the owl changes pose"
        wait_for(lambda: attention(s.screenshot()) == (True, True), timeout=hour * 2,
                 what="the reminder due again")
        elapsed = time.monotonic() - confirmed
        assert elapsed > hour * 0.8, "due again after %.1f s of %.1f" % (elapsed, hour)
        assert counter(s.screenshot()) == "1"
        assert app.running(), app.stderr()


if __name__ == "__main__":
    check_due_at_start()
    print("reminders due at start: all checks passed")
    sys.exit(0)
