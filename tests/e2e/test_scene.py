"""The owl scene in the real program: the pointer over the window wakes a sleeping
owl, and the pupils follow the pointer left and right. Pose pictures are replaced by
flat marker colours so that a screenshot tells the pose."""
import os
import sys
import time

from harness import OUT_DIR, Session, raw_texture

CLEAR = raw_texture(1, 1, [0, 0, 0, 0])


def solid(r, g, b):
    return raw_texture(2, 2, [r, g, b, 255] * 4)


def pose_of(img):
    """'stand', 'stand2' or 'sleep' from the owl's marker colour, or None."""
    votes = {}
    for gx, gy in ((271, 200), (250, 150), (330, 230), (200, 260), (300, 120)):
        r, g, b = img.gui_pixel(gx, gy)
        name = None
        if r > 150 and g < 90 and b < 90:
            name = "stand"
        elif g > 150 and r < 90 and b < 90:
            name = "stand2"
        elif b > 150 and r < 90 and g < 90:
            name = "sleep"
        votes[name] = votes.get(name, 0) + 1
    best = max(votes, key=votes.get)
    return best if votes[best] >= 3 else None


def check_pointer_wakes_sleeping_owl():
    with Session() as s:
        s.write_data("stand_01", solid(220, 30, 30))
        s.write_data("stand_01_close_eyes", solid(220, 30, 30))
        s.write_data("stand_02", solid(30, 220, 30))
        s.write_data("stand_02_close_eyes", solid(30, 220, 30))
        s.write_data("sleep", solid(30, 30, 220))
        s.write_data("sleep_close_eyes", solid(30, 30, 220))
        s.write_data("eye_left", CLEAR)
        s.write_data("eye_right", CLEAR)
        # The scene's clock runs 10 times faster: a pose change every 2 to 6 s.
        # libfaketime is preloaded ahead of a sanitizer runtime; tell it so.
        asan = os.environ.get("ASAN_OPTIONS", "")
        s.start(faketime="+0 x10",
                env={"ASAN_OPTIONS": (asan + ":" if asan else "") + "verify_asan_link_order=0"})
        s.move_screen(3, 3)
        assert pose_of(s.screenshot()) == "stand"
        # Wait (pointer away) until the owl falls asleep.
        deadline = time.monotonic() + 120
        while pose_of(s.screenshot()) != "sleep":
            assert time.monotonic() < deadline, "the owl never fell asleep"
            time.sleep(0.1)
        # The pointer resting over the window wakes it within a second of scene time
        # (0.1 s here), long before the next pose change (30 s or more, 3 s here).
        s.move(400, 400, settle=0)
        t0 = time.monotonic()
        while pose_of(s.screenshot()) != "stand":
            assert time.monotonic() - t0 < 2.0, "the pointer did not wake the owl"
        # And it stays awake while the pointer rests there.
        for _ in range(10):
            assert pose_of(s.screenshot()) == "stand"
            time.sleep(0.2)


def magenta_centre_x(img):
    """Mean x (pixels) of the magenta marker on the left pupil layer, or None."""
    xs = []
    for y in range(img.height // 4):
        for x in range(img.width):
            r, g, b = img.pixel(x, y)
            if r > 110 and b > 110 and g < 70:
                xs.append(x)
    return sum(xs) / len(xs) if len(xs) >= 3 else None


def check_pupils_follow_pointer():
    with Session() as s:
        grey = solid(60, 60, 60)
        s.write_data("stand_01", grey)
        s.write_data("stand_01_close_eyes", grey)
        # The left pupil layer: one magenta texel near the left eye's rest point
        # (each texel of the 50 by 50 layer covers 10 by 10 GUI units).
        texels = [0, 0, 0, 0] * (50 * 50)
        i = (37 * 50 + 21) * 4
        texels[i:i + 4] = [255, 0, 255, 255]
        s.write_data("eye_left", raw_texture(50, 50, texels))
        s.write_data("eye_right", CLEAR)
        s.start()
        shifts = []
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
        assert shifts and max(shifts) > 4.5 and max(shifts) < 7.5, shifts


def main():
    check_pointer_wakes_sleeping_owl()
    check_pupils_follow_pointer()


if __name__ == "__main__":
    main()
    print("scene: all checks passed")
    sys.exit(0)
