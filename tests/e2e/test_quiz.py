"""The quiz end to end: "interagisci con Strigolo" raises an offer, the offer button opens
the panel, picking an answer colours it (the pick red when wrong, the right one green),
and closing after a wrong pick makes the owl react with a wrong sound or the laugh, which
OpenAL's wave writer records. With STRIGOLO_SCREENSHOTS set to a folder, the panel after
a wrong pick is saved there as quiz-wrong.png."""
import os
import struct
import sys
import time

from harness import Session, wait_for

INTERACT, OFFER, CLOSE = (44.5, 360), (435, 440), (485, 486)
ANSWERS = [(138, 110), (374, 110), (138, 52), (374, 52)]
SHOTS = os.environ.get("STRIGOLO_SCREENSHOTS")


def recorder_env(workdir):
    """OpenAL Soft writes everything the program plays to out.wav, in real time."""
    conf, wav = os.path.join(workdir, "alsoft.conf"), os.path.join(workdir, "out.wav")
    with open(conf, "w") as f:
        f.write("[general]\nchannels = stereo\nsample-type = int16\nfrequency = 22050\n[wave]\nfile = %s\n" % wav)
    return {"ALSOFT_DRIVERS": "wave", "ALSOFT_CONF": conf}, wav


def size(path):
    return os.path.getsize(path) if os.path.exists(path) else 0


def peak(path, start, end=None):
    """Largest sample magnitude written between two file sizes (past the 44-byte header)."""
    with open(path, "rb") as f:
        data = f.read()
    start = max(start, 44)
    start += start % 2
    chunk = data[start:len(data) if end is None else end]
    chunk = chunk[:len(chunk) // 2 * 2]
    return max((abs(v) for v in struct.unpack("<%dh" % (len(chunk) // 2), chunk)), default=0)


def coloured(before, after):
    """(red, green): sets of the answers whose text line gained strongly red or green pixels."""
    red, green = set(), set()
    for i, (cx, cy) in enumerate(ANSWERS):
        counts = []
        for img in (before, after):
            r_n = g_n = 0
            for y in range(int((512 - cy - 8) * img.height / 512), int((512 - cy + 10) * img.height / 512)):
                for x in range(int((cx - 95) * img.width / 512), int((cx + 95) * img.width / 512)):
                    r, g, b = img.pixel(x, y)
                    r_n += r > 170 and g < 80 and b < 80
                    g_n += g > 170 and r < 90 and b < 90
            counts.append((r_n, g_n))
        if counts[1][0] - counts[0][0] > 6:
            red.add(i)
        if counts[1][1] - counts[0][1] > 6:
            green.add(i)
    return red, green


def check_quiz():
    with Session() as s:
        env, wav = recorder_env(s.workdir)
        app = s.start(env=env)
        wait_for(lambda: size(wav) > 44, timeout=10, what="the wave writer")
        for round_no in range(12):
            s.click(*INTERACT)
            time.sleep(0.4)
            scene = s.screenshot()
            s.click(*OFFER)
            time.sleep(0.4)
            panel = s.screenshot()
            assert panel.region_differs(scene, 230, 40, 290, 90), "the offer button did not open the quiz"

            pick = round_no % 4
            s.click(*ANSWERS[pick])
            s.move(256, 300)  # off the buttons, so no hover tint
            time.sleep(0.3)
            red, green = coloured(panel, s.screenshot())
            assert len(green) == 1, "exactly one answer turns green, got %s" % sorted(green)
            wrong = pick not in green
            assert red == ({pick} if wrong else set()), "red %s after picking %d" % (sorted(red), pick)
            if wrong and SHOTS:
                s.screenshot(save_as=os.path.join(SHOTS, "quiz-wrong.png"))

            before = size(wav)
            time.sleep(0.5)
            quiet_end = size(wav)
            s.click(*CLOSE)
            time.sleep(1.5)
            assert peak(wav, before, quiet_end) < 200, "the open panel is silent before closing"
            reaction = peak(wav, quiet_end)
            if wrong:
                assert reaction > 1000, "closing after a wrong pick plays no sound (peak %d)" % reaction
                break
            time.sleep(1.5)  # let the right-answer sound end before the next offer
        assert wrong, "no wrong pick in twelve rounds"
        assert app.running(), app.stderr()


if __name__ == "__main__":
    check_quiz()
    print("quiz: all checks passed")
    sys.exit(0)
