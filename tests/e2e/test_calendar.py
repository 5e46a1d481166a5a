"""The calendar typed in by hand and read back from Data/database.bin: two owls on two
displays share one file, each adds an event and neither loses the other's, nor an import
made while an editor is open; a full disk is told in the window until the save retried
later succeeds."""
import os

from harness import ADD, BIN, CALENDAR, CONFIRM, ROW0, TITLE_BOX, TRASH, YEAR_UP, Session, wait_for


def add_event(s, title, meanwhile=lambda: None):
    for point in (CALENDAR, ADD, TITLE_BOX):
        s.click(*point)
    s.type_text(title)
    s.click(*YEAR_UP)  # a year ahead, so it is not due
    meanwhile()
    s.click(*CONFIRM)


def check_two_owls():
    with Session() as a, Session() as b:
        owl_a, owl_b = a.start(), b.start(cwd=a.workdir)  # two displays, one folder
        add_event(a, "Dentista")
        a.wait_titles(["Dentista"], "A's event in the file")
        add_event(b, "Palestra")  # B read an empty calendar and knows nothing of A's event
        a.wait_titles(["Dentista", "Palestra"], "both events in the file")
        for point in (TRASH, CALENDAR, ROW0, TRASH):  # A closes its list, then throws its own event away
            a.click(*point)
        a.wait_titles(["Palestra"], "only B's event left")

        def import_event():  # beside the editor open in A
            with open(os.path.join(a.workdir, "in.ics"), "w") as f:
                f.write("BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//e2e//\nBEGIN:VEVENT\nUID:c@e2e\n"
                        "DTSTART:20400101T200000\nSUMMARY:Concerto\nEND:VEVENT\nEND:VCALENDAR\n")
            assert a.start([BIN, "--import", "in.ics"], wait=False).proc.wait(60) == 0
            a.wait_titles(["Palestra", "Concerto"], "the import in the file")
        add_event(a, "Medico", import_event)
        a.wait_titles(["Palestra", "Concerto", "Medico"], "the import and the edit confirmed after it")
        assert owl_a.running() and owl_b.running() and "could not" not in owl_a.stderr() + owl_b.stderr()


def check_full_disk():
    """The first fsync fails with ENOSPC; the save retried 10 s later succeeds."""
    with Session() as s:
        app = s.start(command=["strace", "-f", "-qq", "--seccomp-bpf", "-o", "/dev/null", "-e", "trace=fsync",
                               "-e", "inject=fsync:error=ENOSPC:when=1", BIN])
        add_event(s, "Dentista")
        # The notice: a dark band along the window's bottom edge.
        notice = lambda: max(max(s.screenshot().gui_pixel(x, 3)) for x in range(2, 510, 4)) <= 40
        wait_for(notice, what="the notice")
        s.wait_titles(["Dentista"], "the save retried", timeout=90)
        wait_for(lambda: not notice(), what="the notice gone")
        assert app.stderr().count("could not save") == 1, app.stderr()


if __name__ == "__main__":
    check_two_owls()
    check_full_disk()
    print("calendar: all checks passed")
