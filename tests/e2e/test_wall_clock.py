"""The wall clock set back and forward under the running owl (libfaketime's timestamp
file, the monotonic clock left alone): from Friday 2026-12-04 08:48, 90 minutes back,
then to just before the one-hour notice of a 09:50 appointment falls due at 08:50, then
four days back and seventeen forward. Frames keep coming through every jump, and the
notice is shown and heard at its minute of the new wall clock."""
import os
import time

from harness import FAKETIME, Session, attention, loudest, wait_for
from test_frame_loop import Probe


def main():
    with Session() as s:
        probe = Probe(os.path.join(s.workdir, "swaps"))
        stamp = os.path.join(s.workdir, "faketime")

        def set_clock(at):
            with open(stamp + ".new", "w") as f:
                f.write("@" + at + "\n")
            os.replace(stamp + ".new", stamp)

        def frames_for(seconds, what):
            before, since = probe.read()[0], time.monotonic()
            time.sleep(seconds)
            rate = (probe.read()[0] - before) / (time.monotonic() - since)
            assert rate >= 5, "%.1f frames a second %s" % (rate, what)

        set_clock("2026-12-04 08:48:00")
        env = {"LD_PRELOAD": FAKETIME + ":" + os.environ["STRIGOLO_SWAP_PROBE"], "STRIGOLO_SWAP_FILE": probe.path,
               "FAKETIME_TIMESTAMP_FILE": stamp, "FAKETIME_NO_CACHE": "1", "FAKETIME_DONT_FAKE_MONOTONIC": "1",
               "ASAN_OPTIONS": os.environ.get("ASAN_OPTIONS", "") + ":verify_asan_link_order=0"}
        app = s.start_coded([("Dentista", 4, 12, 2026, 9, 50, 5, 0, 0)], None, sound=(22050, "int16"), env=env)
        frames_for(2, "at the start")
        assert attention(s.screenshot())[:2] == (False, False), "the notice is not due before 08:50"

        set_clock("2026-12-04 06:18:00")
        frames_for(3, "with the clock set 90 minutes back")
        set_clock("2026-12-04 08:49:57")
        wait_for(lambda: attention(s.screenshot())[:2] == (True, True), timeout=15,
                 what="the notice at 08:50 of the clock set forward again")
        wait_for(lambda: loudest(s.wav) > 1000, timeout=15, what="the notification sound")

        set_clock("2026-11-30 08:50:00")
        frames_for(3, "with the clock set four days back")
        set_clock("2026-12-17 08:50:00")
        frames_for(3, "with the clock set seventeen days forward")
        assert app.running(), app.stderr()


if __name__ == "__main__":
    main()
    print("wall clock: all checks passed")
