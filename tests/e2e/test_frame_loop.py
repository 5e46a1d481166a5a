"""The frame loop under openbox, from Friday 2026-12-04 08:49:35 with an appointment at
09:50 whose one-hour notice falls due at 08:50:00. The pointer still, frames come at the
low rate; a movement of the pointer is drawn before the next sample; iconified, nothing
is drawn and the pointer is not sampled, while the notice falls due and its sound is
heard; restored, the first frames show the attention pose and the counter. The bench's
preloaded probe logs frames ('S') and pointer samples ('P') into a shared file."""
import os
import struct
import time

from harness import OWL, Session, attention, loudest, near, wait_for

LOG_SIZE, HEADER = 4096, 32


class Probe:
    def __init__(self, path):
        self.path = path
        open(path, "wb").write(bytes(HEADER + 16 * LOG_SIZE))

    def read(self):
        """(swaps so far, entries logged so far, the file)."""
        data = open(self.path, "rb").read()
        swaps, _, logged = struct.unpack_from("<QdQ", data)
        return swaps, logged, data

    def log_since(self, start):
        """(kind, x, y) of every entry logged from index `start` on."""
        _, logged, data = self.read()
        assert logged - start < LOG_SIZE, "the log wrapped"
        return [(chr(k), x, y) for k, x, y, _ in
                (struct.unpack_from("<4i", data, HEADER + 16 * (i % LOG_SIZE)) for i in range(start, logged))]


def main():
    with Session(wm=True) as s:
        probe = Probe(os.path.join(s.workdir, "swaps"))
        app = s.start_coded([("Dentista", 4, 12, 2026, 9, 50, 5, 0, 0)], "@2026-12-04 08:49:35", sound=(22050, "int16"),
                            env={"LD_PRELOAD": os.environ["STRIGOLO_SWAP_PROBE"], "STRIGOLO_SWAP_FILE": probe.path})
        assert attention(s.screenshot())[:2] == (False, False), "the notice is not due before 08:50"

        # The pointer still: the low rate (15 frames a second, a blink's few more), not 60.
        (swaps, _, _), since = probe.read(), time.monotonic()
        time.sleep(3)
        rate = (probe.read()[0] - swaps) / (time.monotonic() - since)
        assert 8 <= rate <= 25, "%.1f frames a second with the pointer still" % rate

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

        s.run(["xdotool", "windowminimize", "--sync", str(s.window)])
        # The program hears of it a moment later: from the first quiet half second on.
        def quiet():
            before = probe.read()[1]
            time.sleep(0.5)
            return probe.read()[1] == before
        wait_for(quiet, what="the loop to fall quiet once iconified")
        hidden_at, (swaps, logged, _) = time.monotonic(), probe.read()
        wait_for(lambda: loudest(s.wav) > 1000, what="the notification sound while iconified")
        time.sleep(max(0.0, hidden_at + 10.0 - time.monotonic()))
        assert probe.read()[0] == swaps and not probe.log_since(logged), "drawn or sampled while iconified"

        s.run(["xdotool", "windowactivate", "--sync", str(s.window)])
        wait_for(lambda: probe.read()[0] > swaps, what="a frame after restoring")
        shown = s.screenshot()
        assert attention(shown) == (True, True, "1") and near(shown.gui_pixel(271, 200), OWL), attention(shown)
        assert app.running(), app.stderr()


if __name__ == "__main__":
    main()
    print("frame loop: all checks passed")
