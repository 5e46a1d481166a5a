"""The quiz end to end: "interagisci con Strigolo" raises an offer, the offer button opens
the panel, picking an answer colours it (red for a wrong pick, green for the right one),
and closing after a pick makes the owl react with a sound (right, wrong or laugh) that
OpenAL's wave writer records; closing without a pick stays silent.

With STRIGOLO_SCREENSHOTS set to a folder, the panel is saved there as quiz-open.png,
quiz-wrong.png and quiz-right.png (the last only if a right pick happened)."""
import os
import struct
import sys
import time

from harness import Session, wait_for

INTERACT = (44.5, 360)
OFFER = (435, 440)
CLOSE = (485, 486)
ANSWERS = [(138, 110), (374, 110), (138, 52), (374, 52)]
SHOTS = os.environ.get("STRIGOLO_SCREENSHOTS")


# ---- sound: OpenAL Soft's wave writer records everything the program plays ------------
class Recorder:
    """The program's audio output as 16-bit stereo samples in a WAV file written in
    real time, so its growing size marks the time."""

    def __init__(self, workdir):
        self.path = os.path.join(workdir, "out.wav")
        self.conf = os.path.join(workdir, "alsoft.conf")
        with open(self.conf, "w") as f:
            f.write("[general]\nchannels = stereo\nsample-type = int16\nfrequency = 22050\n"
                    "[wave]\nfile = %s\n" % self.path)

    def env(self):
        return {"ALSOFT_DRIVERS": "wave", "ALSOFT_CONF": self.conf}

    def mark(self):
        return os.path.getsize(self.path) if os.path.exists(self.path) else 0

    def peak(self, start, end=None):
        """Largest sample magnitude written between two marks."""
        with open(self.path, "rb") as f:
            data = f.read()
        head = data.find(b"data")
        first = head + 8 if head >= 0 else 44
        start = max(start, first)
        end = len(data) if end is None else end
        start += (start - first) % 2
        chunk = data[start:end - ((end - start) % 2)]
        if not chunk:
            return 0
        return max(abs(v) for v in struct.unpack("<%dh" % (len(chunk) // 2), chunk))


# ---- pictures: which answers turned red or green ------------------------------------
def colour_counts(img, answer):
    """Strongly red and strongly green pixels over an answer's text line."""
    cx, cy = ANSWERS[answer]
    x0, x1 = int((cx - 95) * img.width / 512), int((cx + 95) * img.width / 512)
    y0, y1 = int((512 - (cy + 8)) * img.height / 512), int((512 - (cy - 10)) * img.height / 512)
    red = green = 0
    for y in range(y0, y1):
        for x in range(x0, x1):
            r, g, b = img.pixel(x, y)
            if r > 170 and g < 80 and b < 80:
                red += 1
            if g > 170 and r < 90 and b < 90:
                green += 1
    return red, green


def coloured_answers(before, after):
    """(red, green): the answers whose text gained red or green pixels, as sets."""
    red, green = set(), set()
    for i in range(4):
        r0, g0 = colour_counts(before, i)
        r1, g1 = colour_counts(after, i)
        if r1 - r0 > 6:
            red.add(i)
        if g1 - g0 > 6:
            green.add(i)
    return red, green


def open_quiz(s):
    """Asks the owl for a question and opens it from the offer button."""
    s.click(*INTERACT)
    time.sleep(0.4)
    scene = s.screenshot()
    s.click(*OFFER)
    time.sleep(0.4)
    panel = s.screenshot()
    # The panel covers the whole window: the offer button's place changes.
    assert panel.region_differs(scene, 230, 40, 290, 90), "the offer button did not open the quiz"
    return panel


def sound_after(rec, action, wait=1.5):
    """Peak of the output recorded after an action, and of the half second before it."""
    before = rec.mark()
    time.sleep(0.5)
    quiet_end = rec.mark()
    action()
    time.sleep(wait)
    return rec.peak(quiet_end), rec.peak(before, quiet_end)


def check_quiz():
    with Session() as s:
        rec = Recorder(s.workdir)
        app = s.start(env=rec.env())
        wait_for(lambda: rec.mark() > 44, timeout=10, what="the wave writer")

        # Closing without a pick judges nothing and plays nothing.
        first = open_quiz(s)
        if SHOTS:
            s.screenshot(save_as=os.path.join(SHOTS, "quiz-open.png"))
        after, _ = sound_after(rec, lambda: s.click(*CLOSE))
        assert after < 200, "closing an unanswered quiz played a sound (peak %d)" % after
        assert s.screenshot().region_differs(first, 230, 40, 290, 90), "the close button returns to the scene"

        seen_wrong = seen_right = False
        for round_no in range(12):
            panel = open_quiz(s)
            pick = round_no % 4
            s.click(*ANSWERS[pick])
            s.move(256, 300)  # off the buttons, so no hover tint
            time.sleep(0.3)
            picked = s.screenshot()
            red, green = coloured_answers(panel, picked)
            assert len(green) == 1, "exactly one answer turns green, got %s" % sorted(green)
            right = next(iter(green))
            if right == pick:
                assert not red, "a right pick shows no red (red %s)" % sorted(red)
            else:
                assert red == {pick}, "the wrong pick turns red (red %s, pick %d)" % (sorted(red), pick)

            # A second click on another answer changes nothing.
            s.click(*ANSWERS[(pick + 1) % 4])
            s.move(256, 300)
            time.sleep(0.3)
            red2, green2 = coloured_answers(panel, s.screenshot())
            assert (red2, green2) == (red, green), "the first pick must stick"

            if SHOTS and ((right == pick and not seen_right) or (right != pick and not seen_wrong)):
                s.screenshot(save_as=os.path.join(SHOTS, "quiz-right.png" if right == pick else "quiz-wrong.png"))

            after, quiet = sound_after(rec, lambda: s.click(*CLOSE))
            assert quiet < 200, "the open panel is silent before closing (peak %d)" % quiet
            assert after > 1000, "closing after a %s pick makes the owl react with a sound (peak %d)" % (
                "right" if right == pick else "wrong", after)
            if right == pick:
                seen_right = True
            else:
                seen_wrong = True
            time.sleep(1.5)  # let the reaction (a laugh lasts a while) end before the next offer
            if seen_wrong and (seen_right or not SHOTS) and round_no >= 1:
                break
        assert seen_wrong, "no wrong pick in twelve rounds"
        assert app.running(), app.stderr()


if __name__ == "__main__":
    check_quiz()
    print("quiz: all checks passed")
    sys.exit(0)
