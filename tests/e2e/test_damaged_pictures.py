"""A broken installation: missing and damaged pictures are named on standard error,
drawn as nothing, and the window still opens and runs; a good 1x1 picture shows. FIFOs
in place of a picture, an effect and the icon, and a calendar linked to /dev/urandom,
neither block the start nor are read."""
import os
import struct
import sys
import time

from harness import Session, raw_texture


def main():
    with Session() as s:
        # Opaque black backdrop, the tree a half-transparent red texel over it.
        s.write_data("background", raw_texture(1, 1, [0, 0, 0, 255]))
        s.write_data("tree", raw_texture(1, 1, [0xFF, 0x00, 0x00, 0x80]))
        # Damaged: a size larger than the file, negative sizes, a cut header, missing.
        s.write_data("hat", struct.pack("<ii", 30000, 30000) + b"\xff" * 64)
        s.write_data("cloud", struct.pack("<ii", -5, 7) + b"\x00" * 16)
        s.write_data("circle", b"\x01\x00")
        s.remove_data("ic2")
        for name in ("stand_01", "sleep.zfx", "icon"):
            s.remove_data(name)
            os.mkfifo(s.data_path(name))
        os.symlink("/dev/urandom", s.data_path("database.bin"))
        app = s.start()
        time.sleep(1.0)
        assert app.running(), app.stderr()
        assert app.rss_kb() < 400 * 1024 and os.readlink(s.data_path("database.bin")) == "/dev/urandom", app.rss_kb()
        err = app.stderr()
        for name in ("Data/hat", "Data/cloud", "Data/circle", "Data/ic2", "Data/stand_01", "Data/sleep.zfx",
                     "Data/icon", "Data/database.bin"):
            lines = [l for l in err.splitlines() if name + " " in l or l.endswith(name)]
            assert len(lines) == 1, (name, err)
        img = s.screenshot()
        # A point right of the owl and below the cloud: backdrop and tree only.
        r, g, b = img.gui_pixel(470, 120)
        assert abs(r - 128) <= 3 and g <= 3 and b <= 3, (r, g, b)


if __name__ == "__main__":
    main()
    print("damaged pictures: all checks passed")
    sys.exit(0)
