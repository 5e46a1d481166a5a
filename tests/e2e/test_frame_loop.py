"""The frame loop end to end, in one session under openbox on a faked clock from Friday
2026-12-04 08:49:35, with an appointment at 09:50 whose one-hour notice falls due at
08:50:00. With the pointer still, frames come at the low rate; a movement of the
pointer is drawn before the next sample; iconified, nothing is drawn and the
pointer is not sampled for 10 s, while the notice falls due and its sound is heard
(OpenAL Soft's wave writer); restored, the first frames show the attention pose and
the counter. The bench's preloaded probe counts frames and pointer samples."""
import os
import struct
import sys
import time

from harness import Session, wait_for
from test_reminders import OWL, attention, near, onsets, start

PROBE = os.environ.get("STRIGOLO_SWAP_PROBE", "")
LOG_SIZE, HEADER = 4096, 32


class Probe:
    """The probe's shared file: swaps so far and the log of swaps ('S') and samples ('P')."""

    def __init__(self, path):
        self.path = path
        with open(path, "wb") as f:
            f.write(bytes(HEADER + 16 * LOG_SIZE))

    def read(self):
        with open(self.path, "rb") as f:
            data = f.read()
        swaps, _, logged = struct.unpack_from("<QdQ", data)
        return swaps, logged, data

    def log_since(self, start):
        """(kind, x, y) of every entry logged from index `start` on."""
        _, logged, data = self.read()
        assert logged - start < LOG_SIZE, "the log wrapped"
        return [(chr(k), x, y) for k, x, y, _ in
                (struct.unpack_from("<4i", data, HEADER + 16 * (i % LOG_SIZE)) for i in range(start, logged))]


def check_frame_loop():
    with Session(wm=True) as s:
        probe = Probe(os.path.join(s.workdir, "swaps"))
        app, wav = start(s, [("Dentista", 0)], at="@2026-12-04 08:49:35",
                         env={"LD_PRELOAD": PROBE, "STRIGOLO_SWAP_FILE": probe.path})
        assert attention(s.screenshot())[:2] == (False, False), "the notice is not due before 08:50"

        # Still: one frame in four samples, give or take a blink.
        first = probe.read()[1]
        time.sleep(2.0)
        still = probe.log_since(first)
        samples, frames = sum(e[0] == "P" for e in still), sum(e[0] == "S" for e in still)
        assert samples > 20 and 0 < frames <= 0.4 * samples, "%d frames for %d samples" % (frames, samples)

        # Movements outside the window: each sample that sees one is followed by a frame
        # (four, so that low-rate frames falling there by chance cannot pass for it).
        for x in (40, 80, 120, 160):
            mark = probe.read()[1] - 8  # from a few samples before the move
            s.move_screen(x, 40, settle=0.2)
            log = probe.log_since(mark)
            samples = [i for i, e in enumerate(log) if e[0] == "P"]
            moved = next(i for i, j in zip(samples[1:], samples) if log[i][1:] != log[j][1:])
            after = [e[0] for e in log[moved + 1:]]
            assert "S" in after and after.index("S") < after.index("P"), "not drawn before the next sample: %s" % after

        # Iconified: no frame and no sample, yet the notice falls due and sounds.
        s.run(["xdotool", "windowminimize", "--sync", str(s.window)])

        def settled():  # the program sees the unmap on its next pass through X's events
            before = probe.read()[:2]
            time.sleep(0.3)
            return probe.read()[:2] == before and before
        (swaps, logged), hidden_at = wait_for(settled, timeout=5, what="the window hidden"), time.monotonic()
        wait_for(lambda: onsets(wav), timeout=30, what="the notification sound while iconified")
        time.sleep(max(0.0, hidden_at + 10.0 - time.monotonic()))
        assert probe.read()[0] == swaps and not probe.log_since(logged), "drawn or sampled while iconified"

        # Restored: the first frames show the attention pose and the counter.
        s.run(["xdotool", "windowactivate", "--sync", str(s.window)])
        wait_for(lambda: probe.read()[0] > swaps, timeout=5, what="a frame after restoring")
        shown = s.screenshot()
        assert attention(shown) == (True, True, "1") and near(shown.gui_pixel(271, 200), OWL), attention(shown)
        assert app.running(), app.stderr()


if __name__ == "__main__":
    check_frame_loop()
    print("frame loop: all checks passed")
    sys.exit(0)
