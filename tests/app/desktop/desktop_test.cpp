// The desktop's decisions as tables: the command line, the scale from its three
// sources, the monitor the window is centred on, and the remembered place.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/desktop/command_line.h"
#include "app/desktop/window_place.h"
#include "app/desktop/window_scale.h"
#include "app/desktop/window_size.h"

std::string Joined(const std::vector<std::string>& v) {
    std::string s;
    for (const std::string& x : v) s += (s.empty() ? "" : " ") + x;
    return s;
}

// Arguments, and the error, or the --scale that counts (the last), GLUT's arguments in
// order and the files to import; then the usage names every option.
TEST(CommandLine, OptionsValuesGlutPassThroughAndErrors) {
    const struct { std::vector<std::string> args; const char* error; const char* scale = ""; const char* glut = "";
                   const char* import = ""; } rows[] = {
        {{"-display", ":3", "--scale", "2", "-geometry", "+5+6", "--scale=1.5", "-sync"}, "", "1.5",
         "-display :3 -geometry +5+6 -sync"},
        {{"--import", "a.ics", "b.ics", "-sync", "--import", "c.ics"}, "", "", "-sync", "a.ics b.ics c.ics"},
        {{"--scale"}, "option --scale needs N"}, {{"--import", "--help"}, "option --import needs FILE..."},
        {{"--help=yes"}, "option --help takes no value"}, {{"stray.ics"}, "unexpected argument stray.ics"}};
    for (const auto& r : rows) {
        std::vector<const char*> argv = {"strigolo"};
        for (const std::string& a : r.args) argv.push_back(a.c_str());
        const CommandLine cl = ParseCommandLine(int(argv.size()), argv.data());
        const std::string seen = cl.error.empty() ? (cl.Value("--scale") ? *cl.Value("--scale") : "") + "|" +
                                                        Joined(cl.glut_args) + "|" + Joined(cl.Values("--import"))
                                                  : cl.error;
        EXPECT_EQ(seen, *r.error ? r.error : r.scale + std::string("|") + r.glut + "|" + r.import) << Joined(r.args);
    }
    for (const OptionSpec& o : kOptions) EXPECT_NE(Usage().find(o.name), std::string::npos) << o.name;
    for (const char* name : {".config/strigolo/config", ".config/khal/config", "XDG_CONFIG_HOME"})
        EXPECT_NE(Usage().find(name), std::string::npos) << name;
}

// --scale, STRIGOLO_SCALE and the resources xrdb loaded: the window's side and how
// many warnings the unusable ones gave.
TEST(WindowScale, CommandLineBeatsEnvironmentBeatsDpiInQuartersFromOneToThree) {
    const struct { const char* cli; const char* env; const char* resources; int side; size_t warnings; } rows[] = {
        {nullptr, nullptr, "", 300, 0}, {nullptr, nullptr, "*customization:\t-color\nXft.dpi:\t192\n", 600, 0},
        // 110 dpi is 1.146, to the nearest quarter 1.25; the scale stays within 1 to 3; empty is unset.
        {nullptr, nullptr, "Xft.dpi:\t110\n", 375, 0}, {nullptr, nullptr, "Xft.dpi:\t72\n", 300, 0},
        {nullptr, nullptr, "Xft.dpi:\t400\n", 900, 0}, {nullptr, nullptr, "Xft.dpix:\t192\nXXft.dpi:\t192\n", 300, 0},
        {nullptr, nullptr, "Xft.dpi:\t-96\n", 300, 1}, {nullptr, "1.5", "Xft.dpi:\t192\n", 450, 0},
        {nullptr, "", "Xft.dpi:\t192\n", 600, 0}, {nullptr, "0.5", "Xft.dpi:\t192\n", 600, 1},
        {"3", "1.5", "Xft.dpi:\t192\n", 900, 0}, {"x", "2", "", 600, 1}, {"nan", "inf", "Xft.dpi:\t144\n", 450, 2}};
    for (const auto& r : rows) {
        std::vector<std::string> warnings;
        const int side = WindowSide(ChooseScale(r.cli, r.env, r.resources, warnings));
        EXPECT_TRUE(side == r.side && warnings.size() == r.warnings) << &r - rows << ": " << Joined(warnings);
    }
}

// -geometry's size (over a 300 by 300 default), then kept from 100 pixels a side to the
// screen (1280 by 1024, or 0: unknown) and the renderer's largest (0: unknown).
TEST(WindowSize, GeometrySizeKeptToTheScreenAndTheRenderer) {
    const struct { const char* geometry; int screen, renderer, w, h; bool told; } rows[] = {
        {"400x500+10+20", 1, 0, 400, 500, false}, {"=640X480", 1, 0, 640, 480, false}, {"+10-20", 1, 0, 300, 300, false},
        {"65535x65535", 1, 0, 1280, 1024, true}, {"0x0", 1, 0, 100, 100, true}, {"50x", 1, 0, 100, 300, true},
        {"x99999999999999999999", 1, 0, 300, 1024, true}, {"65535x65535", 0, 0, 65535, 65535, false},
        {"65535x65535", 0, 8192, 8192, 8192, true}, {"2000x900", 1, 1024, 1024, 900, true}};
    for (const auto& r : rows) {
        int w = 300, h = 300;
        std::string note;
        ParseGeometrySize(r.geometry, w, h);
        const bool told = ClampWindowSize(w, h, r.screen * 1280, r.screen * 1024, r.renderer, note);
        EXPECT_TRUE(w == r.w && h == r.h && told == r.told && told == !note.empty()) << r.geometry << ": " << w << "x" << h;
    }
}

// Monitors, the pointer, and where a window of `side` is centred.
TEST(WindowPlace, CentredOnThePrimaryThenThePointersMonitorThenTheScreen) {
    const Monitor left{{0, 0, 1920, 1080}, false}, right{{1920, 0, 1920, 1080}, false};
    const Monitor right_primary{{1920, 0, 1920, 1080}, true}, top_primary{{0, 0, 1920, 1080}, true},
                  below{{0, 1080, 2560, 1080}, false};
    const struct { std::vector<Monitor> monitors; bool pointer; int px, py; int side, x, y; } rows[] = {
        // No primary: the pointer's monitor, else the first.
        {{left, right}, true, 1919, 1079, 300, 810, 390}, {{left, right}, true, 2500, 10, 300, 2730, 390},
        {{left, right}, false, 0, 0, 300, 810, 390}, {{left, right}, true, 100, 1500, 300, 810, 390},
        // A primary right or above ((1920 - 301) / 2 = 809); no RandR: the whole screen; larger than its monitor.
        {{left, right_primary}, true, 5, 5, 600, 2580, 240}, {{below, top_primary}, true, 5, 1500, 301, 809, 389},
        {{}, true, 5, 5, 300, 1770, 930}, {{{{100, 50, 800, 600}, false}}, false, 0, 0, 900, 100, 50}};
    for (const auto& r : rows) {
        int x = 0, y = 0;
        CentreOn(ChooseMonitor({{0, 0, 3840, 2160}, r.monitors, r.pointer, r.px, r.py, ""}), r.side, x, y);
        EXPECT_TRUE(x == r.x && y == r.y) << &r - rows;
    }
}

// A remembered top-left corner: kept and pulled onto the monitor holding the window's
// middle, or dropped when the middle lies off them all.
TEST(WindowPlace, ARememberedPlaceIsKeptOnAMonitorAndDroppedOffThemAll) {
    const DesktopFacts two{
        {0, 0, 3200, 1080}, {{{0, 0, 1920, 1080}, true}, {{1920, 0, 1280, 800}, false}}, false, 0, 0, ""};
    const DesktopFacts no_randr{{0, 0, 1024, 768}, {}, false, 0, 0, ""};
    const struct { const DesktopFacts* f; int side, x, y; bool kept; int out_x, out_y; } rows[] = {
        // On the second monitor; middle on the first, pulled in off the seam; sticking out below the
        // shorter monitor, then below it: off every one; no RandR: the whole screen.
        {&two, 300, 2000, 400, true, 2000, 400}, {&two, 300, 1700, 10, true, 1620, 10},
        {&two, 300, 2900, 600, true, 2900, 500}, {&two, 300, 2000, 900, false, 0, 0},
        {&no_randr, 450, 700, 400, true, 574, 318}, {&no_randr, 300, 900, 100, false, 0, 0}};
    for (const auto& r : rows) {
        int x = r.x, y = r.y;
        const bool kept = PlaceOnMonitors(*r.f, r.side, x, y);
        EXPECT_TRUE(kept == r.kept && (!kept || (x == r.out_x && y == r.out_y))) << r.x << "," << r.y;
    }
}

// The place file's text: only what FormatPlace writes reads back.
TEST(WindowPlace, FileText) {
    const struct { std::string text; bool ok; int x, y; } texts[] = {
        {FormatPlace(-5, 2147483647), true, -5, 2147483647}, {"garbage\n", false, 0, 0}, {"place 10\n", false, 0, 0},
        {"place 10 20\n\n", false, 0, 0}, {"place 2147483648 0\n", false, 0, 0}, {{"place 1 2\n\0", 11}, false, 0, 0}};
    for (const auto& t : texts) {
        int x = 0, y = 0;
        const bool ok = ParsePlace(t.text, x, y);
        EXPECT_TRUE(ok == t.ok && (!ok || (x == t.x && y == t.y))) << t.text;
    }
}

// Each row: a fresh memory of a window asked at (100, 100), or the one of the rows
// before; a move notice at `moved` (ms; none when negative), a check at `check`; the
// place remembered after; the client's place read when settled, with the frame's left
// and top widths when told (left < 0: not told); whether the place is written. In turn:
// no move, nothing to read; not yet settled; a later notice restarts the wait; framed
// where it was asked; moved; read once per move; moved and back again; the tick counter
// wraps; the frame not told: the first read learns it.
TEST(WindowPlace, WrittenOnceAMoveHasSettledAndOnlyWhenItChanged) {
    const struct { bool fresh; long long moved; uint32_t check; bool settled; int x, y;
                   int cx = 0, cy = 0, left = 0, top = 0; bool write = false; } rows[] = {
        {true, -1, 5000, false, 100, 100}, {false, 0, 999, false, 100, 100}, {false, 800, 1000, false, 100, 100},
        {false, -1, 1800, true, 100, 100, 101, 120, 1, 20}, {false, 2000, 3000, true, 5, 6, 6, 26, 1, 20, true},
        {false, -1, 9000, false, 5, 6}, {false, 4000, 5000, true, 5, 6, 6, 26, 1, 20},
        {false, 0xFFFFFF00LL, 0x300, true, 7, 8, 8, 28, 1, 20, true}, {true, 0, 1000, true, 100, 100, 106, 127, -1, -1},
        {false, 2000, 3000, true, 300, 200, 306, 227, -1, -1, true}};
    PlaceMemory m;
    for (const auto& r : rows) {
        if (r.fresh) m = PlaceMemory{100, 100};
        if (r.moved >= 0) NoteWindowMoved(m, uint32_t(r.moved));
        ASSERT_EQ(MoveSettled(m, r.check), r.settled) << r.check;
        const bool write = r.settled && PlaceToWrite(m, r.cx, r.cy, r.left >= 0, r.left, r.top);
        EXPECT_TRUE(write == r.write && m.x == r.x && m.y == r.y) << r.check << ": " << m.x << "," << m.y;
    }
}

